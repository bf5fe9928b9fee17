// The 4:3 picture inside windows of other shapes, and window positions mapped back to the
// chosen resolution's pixels (what the mouse code hit-tests with).
#include "app/screen.h"
#include "app/viewport.h"
#include <gtest/gtest.h>

TEST(Viewport, PillarAndLetterBoxesAndWindowToScreen)
{
    struct { int w, h, x, y, width, height; } boxes[] = {
        {1920, 1080, 240, 0, 1440, 1080}, {1280, 1024, 0, 32, 1280, 960}, {640, 480, 0, 0, 640, 480}};
    for (auto c : boxes) {
        viewportRect r = viewportForWindow(c.w, c.h);
        EXPECT_TRUE(r.x == c.x && r.y == c.y && r.width == c.width && r.height == c.height) << c.w << "x" << c.h;
    }
    // Negative results lie in the black bars, outside the picture.
    struct { int lowres, ww, wh, x, y, sx, sy; } points[] = {
        {1, 1280, 1024, 0, 32, 0, 0},      {1, 1280, 1024, 1279, 991, 639, 479},
        {1, 1280, 1024, 640, 10, 320, -1}, {0, 1920, 1080, 960, 540, 640, 480},
        {0, 1920, 1080, 100, 540, -1, 480},
        {1, 0, 480, 5, 7, 5, 7}, {1, 640, 0, 5, 7, 5, 7}, // no picture yet: positions pass through
    };
    for (auto c : points) {
        computeScreenMetrics(c.lowres);
        setWindowSize(c.ww, c.wh);
        int sx, sy;
        windowToScreen(c.x, c.y, &sx, &sy);
        EXPECT_TRUE(c.sx < 0 ? sx < 0 : sx == c.sx) << c.x << "," << c.y << " -> " << sx;
        EXPECT_TRUE(c.sy < 0 ? sy < 0 : sy == c.sy) << c.x << "," << c.y << " -> " << sy;
    }
    computeScreenMetrics(1);
}
