// An offscreen GL context (OSMesa) standing in for the window in render tests, and the
// pixel probes those tests read back.
#pragma once
#include <cstdint>
#include <vector>

// Makes a current RGBA context with depth buffer of the given size; replaces any earlier one.
bool offscreenOpen(int width = 1280, int height = 960);
void offscreenClose();
// RGBA of one pixel, x from the left and y from the top of the picture.
struct rgba { uint8_t r, g, b, a; };
rgba offscreenPixel(int x, int y);
// How often the code under test swapped buffers since the last reset.
int offscreenSwapCount();
void offscreenResetSwapCount();
