// The 4:3 picture inside windows of other shapes, and window positions mapped back to the
// chosen resolution's pixels (what the mouse code hit-tests with).
#include "app/screen.h"
#include "app/viewport.h"
#include <gtest/gtest.h>

TEST(Viewport, PillarAndLetterBoxes)
{
    viewportRect wide = viewportForWindow(1920, 1080);
    EXPECT_EQ(wide.width, 1440);
    EXPECT_EQ(wide.height, 1080);
    EXPECT_EQ(wide.x, 240);
    EXPECT_EQ(wide.y, 0);

    viewportRect tall = viewportForWindow(1280, 1024);
    EXPECT_EQ(tall.width, 1280);
    EXPECT_EQ(tall.height, 960);
    EXPECT_EQ(tall.x, 0);
    EXPECT_EQ(tall.y, 32);

    viewportRect exact = viewportForWindow(640, 480);
    EXPECT_EQ(exact.x, 0);
    EXPECT_EQ(exact.width, 640);
}

TEST(Viewport, WindowToScreenInBothResolutions)
{
    int sx, sy;
    computeScreenMetrics(1); // 640x480
    setWindowSize(1280, 1024);
    windowToScreen(0, 32, &sx, &sy);
    EXPECT_EQ(sx, 0);
    EXPECT_EQ(sy, 0);
    windowToScreen(1279, 991, &sx, &sy);
    EXPECT_EQ(sx, 639);
    EXPECT_EQ(sy, 479);
    windowToScreen(640, 10, &sx, &sy); // in the top bar: above the picture
    EXPECT_LT(sy, 0);

    computeScreenMetrics(0); // 1280x960
    setWindowSize(1920, 1080);
    windowToScreen(240 + 720, 540, &sx, &sy);
    EXPECT_EQ(sx, 640);
    EXPECT_EQ(sy, 480);
    windowToScreen(100, 540, &sx, &sy); // left bar
    EXPECT_LT(sx, 0);
    computeScreenMetrics(1);
}

TEST(ScreenMetrics, LowAndHighResolution)
{
    computeScreenMetrics(1);
    EXPECT_EQ(SCREEN_WIDTH, 640);
    EXPECT_FLOAT_EQ(SCREEN_RATIO_X, 0.5f);
    EXPECT_FLOAT_EQ(FONT_STARTY, 0.5f);
    EXPECT_FLOAT_EQ(FONT_SIZE_TEXTURE, 0.03125f);
    EXPECT_EQ(FONT_CHARACTERS_ROW_TEXTURE, 32);
    computeScreenMetrics(0);
    EXPECT_EQ(SCREEN_HEIGHT, 960);
    EXPECT_FLOAT_EQ(SCREEN_RATIO_Y, 1.0f);
    EXPECT_FLOAT_EQ(FONT_STARTY, 0.0f);
    EXPECT_FLOAT_EQ(FONT_SIZE_TEXTURE, 0.0625f);
    EXPECT_EQ(FONT_CHARACTERS_ROW_TEXTURE, 16);
    computeScreenMetrics(1);
}
