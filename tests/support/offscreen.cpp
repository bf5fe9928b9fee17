// Pixel probes over the offscreen picture: rows counted from the top, as the tests think.
#include "support/offscreen.h"
#include <cstddef>

rgba offscreenPixel(int x, int y)
{
    int width = 0, height = 0;
    const uint8_t* buffer = offscreenPixels(&width, &height);
    if (!buffer || x < 0 || y < 0 || x >= width || y >= height) return {0, 0, 0, 0};
    const uint8_t* p = &buffer[((std::size_t)(height - 1 - y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}
