// Menu images on real Mesa: placement at the top and bottom edge, free slots, scaling to
// the design width (tiled and single-texture images), the whole-unit tile width that
// leaves a strip at the right, and keyed-out and empty tile parts showing what is beneath.
#include "elements/menu.h"
#include "elements/render_fixtures.h"
#include <gtest/gtest.h>

static const rgba kMenu{200, 40, 10, 255}, kBlue{0, 0, 255, 255};
static const rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255};

struct probe {
    float x, y;
    rgba want;
};

// Draws the menu over blue, so that uncovered and keyed-out parts are visible.
static void drawOverBlue(my_texture* menu, int position, std::initializer_list<probe> probes)
{
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    drawMenu(menu, position);
    for (const probe& p : probes) {
        rgba got = designPixel(p.x, p.y);
        EXPECT_TRUE(got.r == p.want.r && got.g == p.want.g && got.b == p.want.b)
            << (menu ? menu->name : "null") << " at " << p.x << "," << p.y << ": " << (int)got.r << ","
            << (int)got.g << "," << (int)got.b;
    }
}

class Menu : public ::testing::Test {
protected:
    my_texture menu{};
    void SetUp() override { ASSERT_TRUE(openScreen(0)); }
};

// --- placement ---
TEST_F(Menu, FullWidthImageAtTopAndBottomAndFreeSlots)
{
    makePlainImage(&menu, "top.ppm", 1280, 200, kMenu);
    drawOverBlue(&menu, 0, {{0, 0, kMenu}, {1279, 199, kMenu}, {640, 200, kBlue}});
    drawOverBlue(&menu, 1, {{640, 759, kBlue}, {0, 760, kMenu}, {1279, 959, kMenu}});
    drawOverBlue(nullptr, 0, {{10, 10, kBlue}});
    menu.tiles = 0; // a failed load
    drawOverBlue(&menu, 0, {{10, 10, kBlue}});
    menu.tiles = 1;
    menu.name[0] = '\0'; // a free slot
    drawOverBlue(&menu, 0, {{10, 10, kBlue}});
}

TEST_F(Menu, HalfWidthImageIsDoubledTexelByTexel)
{
    makeImage(&menu, "half.ppm", 640, 100, [](int x, int) { return x % 2 ? kRed : kGreen; });
    drawOverBlue(&menu, 1, {{640, 759, kBlue}, {0, 760, kGreen}, {1, 800, kGreen}, {2, 800, kRed},
                            {3, 959, kRed}, {1279, 959, kRed}});
}

TEST_F(Menu, ThousandPixelImageUsesWholeUnitTileWidth)
{
    // Each tile column in its own colour; the picture ends at x ~ 1277.3.
    auto col = [](int k) { return rgba{(uint8_t)(50 + 50 * k), 255, 0, 255}; };
    makeImage(&menu, "odd.ppm", 1000, 100, [&](int x, int) { return col(x / 256); });
    drawOverBlue(&menu, 0, {{326, 50, col(0)}, {327, 50, col(1)}, {653, 50, col(1)}, {654, 50, col(2)},
                            {981, 50, col(3)}, {1276, 50, col(3)}, {1278, 50, kBlue}});
}

// --- what shows through ---
TEST_F(Menu, EmptyTilePartAndKeyedBlackLetTheBackgroundShow)
{
    // The second tile row holds 44 image rows and 212 empty ones; the black square is keyed out.
    makeImage(&menu, "tall.ppm", 1280, 300, [](int x, int y) {
        return x < 100 && y < 100 ? rgba{0, 0, 0, 0} : kMenu;
    });
    drawOverBlue(&menu, 0, {{640, 299, kMenu}, {640, 300, kBlue}, {640, 500, kBlue}, {50, 50, kBlue},
                            {150, 50, kMenu}});
}

// A choice: small images are scaled to the design width, never drawn oversized.
TEST_F(Menu, SmallImageIsScaledToTheDesignWidth)
{
    // 128x32 at s = 10: 1280 x 320 units. Drawn as a 256-texel tile it would be twice that.
    makeImage(&menu, "small.ppm", 128, 32, [](int x, int) { return x < 64 ? kMenu : kGreen; });
    drawOverBlue(&menu, 1, {{640, 639, kBlue}, {0, 640, kMenu}, {639, 900, kMenu}, {640, 900, kGreen},
                            {1279, 959, kGreen}});
}
