// The offscreen window: an OSMesa picture that the window service draws into where there is
// no X server (the proof tool, the render tests), read back as pixels. No X, no libGL.
#pragma once
#include <cstdint>

// Makes a current RGBA context with a depth buffer of the given size, replacing any earlier
// one; false when OSMesa can't give one.
bool offscreenOpen(int width = 1280, int height = 960);
void offscreenClose();
// What has been drawn, once finished: width x height RGBA pixels, row 0 at the bottom as GL
// keeps them; null when no picture is open.
const uint8_t* offscreenPixels(int* width, int* height);
// How often the drawing code swapped buffers since the picture was opened or the count reset.
int offscreenSwapCount();
void offscreenResetSwapCount();
