// Menu images on real Mesa: placement at the top and bottom edge, free slots, scaling to
// the design width (tiled and single-texture images), the whole-unit tile width that
// leaves a strip at the right, and keyed-out and empty tile parts showing what is beneath.
#include "elements/menu.h"
#include "elements/render_fixtures.h"
#include <gtest/gtest.h>

static const rgba kMenu{200, 40, 10, 255};
static const rgba kBlue{0, 0, 255, 255};

class Menu : public ::testing::Test {
protected:
    my_texture menu{};
    void SetUp() override { ASSERT_TRUE(openScreen(0)); }
    // Something beneath the menu, so that uncovered and keyed-out parts are visible.
    void paintBeneath()
    {
        glClearColor(0, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
    }
    static bool isMenu(rgba p) { return p.r == kMenu.r && p.g == kMenu.g && p.b == kMenu.b; }
    static bool isBlue(rgba p) { return p.r == 0 && p.g == 0 && p.b == 255; }
};

// --- placement ---
TEST_F(Menu, FullWidthImageAtTopAndBottom)
{
    makePlainImage(&menu, "top.ppm", 1280, 200, kMenu);
    paintBeneath();
    drawMenu(&menu, 0);
    EXPECT_TRUE(isMenu(designPixel(0, 0)));
    EXPECT_TRUE(isMenu(designPixel(1279, 199)));
    EXPECT_TRUE(isBlue(designPixel(640, 200)));

    paintBeneath();
    drawMenu(&menu, 1);
    EXPECT_TRUE(isBlue(designPixel(640, 759)));
    EXPECT_TRUE(isMenu(designPixel(0, 760)));
    EXPECT_TRUE(isMenu(designPixel(1279, 959)));

    // A free slot (no name) or a failed load draws nothing.
    paintBeneath();
    menu.tiles = 0;
    drawMenu(&menu, 0);
    menu.tiles = 1;
    menu.name[0] = '\0';
    drawMenu(&menu, 0);
    drawMenu(nullptr, 0);
    EXPECT_TRUE(isBlue(designPixel(10, 10)));
}

TEST_F(Menu, HalfWidthImageIsDoubledTexelByTexel)
{
    // Columns alternate green and red, so each texel must cover exactly two units.
    makeImage(&menu, "half.ppm", 640, 100, [](int x, int) {
        return x % 2 ? rgba{255, 0, 0, 255} : rgba{0, 255, 0, 255};
    });
    paintBeneath();
    drawMenu(&menu, 1);
    EXPECT_TRUE(isBlue(designPixel(640, 759)));
    EXPECT_EQ(designPixel(0, 760).g, 255);
    EXPECT_EQ(designPixel(1, 800).g, 255);
    EXPECT_EQ(designPixel(2, 800).r, 255);
    EXPECT_EQ(designPixel(3, 959).r, 255);
    EXPECT_EQ(designPixel(1279, 959).r, 255);
}

TEST_F(Menu, ThousandPixelImageUsesWholeUnitTileWidth)
{
    // Each tile column in its own colour shows where the columns start.
    makeImage(&menu, "odd.ppm", 1000, 100, [](int x, int) {
        uint8_t k = (uint8_t)(x / 256);
        return rgba{(uint8_t)(50 + 50 * k), 255, 0, 255};
    });
    paintBeneath();
    drawMenu(&menu, 0);
    EXPECT_EQ(designPixel(326, 50).r, 50);
    EXPECT_EQ(designPixel(327, 50).r, 100);
    EXPECT_EQ(designPixel(653, 50).r, 100);
    EXPECT_EQ(designPixel(654, 50).r, 150);
    EXPECT_EQ(designPixel(981, 50).r, 200);
    EXPECT_EQ(designPixel(1276, 50).r, 200);
    EXPECT_TRUE(isBlue(designPixel(1278, 50))); // the picture ends at x ~ 1277.3
}

// --- what shows through ---
TEST_F(Menu, EmptyTilePartAndKeyedBlackLetTheBackgroundShow)
{
    // 300 rows: the second tile row holds 44 image rows and 212 empty ones. A black
    // square in the image is keyed out (alpha 0), like the loader's colour key.
    makeImage(&menu, "tall.ppm", 1280, 300, [](int x, int y) {
        return x < 100 && y < 100 ? rgba{0, 0, 0, 0} : kMenu;
    });
    paintBeneath();
    drawMenu(&menu, 0);
    EXPECT_TRUE(isMenu(designPixel(640, 299)));
    EXPECT_TRUE(isBlue(designPixel(640, 300)));
    EXPECT_TRUE(isBlue(designPixel(640, 500)));
    EXPECT_TRUE(isBlue(designPixel(50, 50)));
    EXPECT_TRUE(isMenu(designPixel(150, 50)));
}

// --- small images (a choice: scaled to the design width, never drawn oversized) ---
TEST_F(Menu, SmallImageIsScaledToTheDesignWidth)
{
    // 128x32 at s = 10: 1280 x 320 units. Drawn as a 256-texel tile it would be twice that.
    makeImage(&menu, "small.ppm", 128, 32, [](int x, int) {
        return x < 64 ? kMenu : rgba{0, 255, 0, 255};
    });
    paintBeneath();
    drawMenu(&menu, 1);
    EXPECT_TRUE(isBlue(designPixel(640, 639)));
    EXPECT_TRUE(isMenu(designPixel(0, 640)));
    EXPECT_TRUE(isMenu(designPixel(639, 900)));
    EXPECT_EQ(designPixel(640, 900).g, 255);
    EXPECT_EQ(designPixel(1279, 959).g, 255);
}
