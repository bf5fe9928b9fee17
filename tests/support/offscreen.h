// The pixel probes of the render tests, read back from the platform's offscreen picture
// (platform/offscreen.h), which stands in for the window.
#pragma once
#include "platform/offscreen.h"
#include <cstdint>

// RGBA of one pixel, x from the left and y from the top of the picture.
struct rgba { uint8_t r, g, b, a; };
rgba offscreenPixel(int x, int y);
