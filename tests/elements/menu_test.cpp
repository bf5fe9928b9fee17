// Menu images on real Mesa: placement at the top and bottom edge, free and failed slots,
// scaling to the design width (tiled and single-texture images), the whole-unit tile width
// that leaves a strip at the right, and keyed-out and empty tile parts showing what is beneath.
#include "elements/menu.h"
#include "elements/render_fixtures.h"

static const rgba kMenu{200, 40, 10, 255}, kBlue{0, 0, 255, 255}, kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255};

class Menu : public Offscreen {
protected:
    my_texture menu{};
    // Draws the menu over blue, so that uncovered and keyed-out parts show.
    void drawOverBlue(my_texture* image, int position, std::initializer_list<std::tuple<float, float, rgba>> probes)
    {
        clearTo(0, 0, 1);
        drawMenu(image, position);
        for (auto [x, y, want] : probes)
            EXPECT_EQ(std::make_tuple(designPixel(x, y).r, designPixel(x, y).g, designPixel(x, y).b),
                      std::make_tuple(want.r, want.g, want.b)) << (image ? image->name : "null") << " at " << x << "," << y;
    }
};

TEST_F(Menu, PlacementScalingAndWhatShowsThrough)
{
    makePlainImage(&menu, "top.ppm", 1280, 200, kMenu);
    drawOverBlue(&menu, 0, {{0, 0, kMenu}, {1279, 199, kMenu}, {640, 200, kBlue}});
    drawOverBlue(&menu, 1, {{640, 759, kBlue}, {0, 760, kMenu}, {1279, 959, kMenu}});
    drawOverBlue(nullptr, 0, {{10, 10, kBlue}});
    menu.tiles = 0; // a failed load
    drawOverBlue(&menu, 0, {{10, 10, kBlue}});
    menu.tiles = 1, menu.name[0] = '\0'; // a free slot
    drawOverBlue(&menu, 0, {{10, 10, kBlue}});
    // Half the width: doubled texel by texel.
    makeImage(&menu, "half.ppm", 640, 100, [](int x, int) { return x % 2 ? kRed : kGreen; });
    drawOverBlue(&menu, 1, {{640, 759, kBlue}, {1, 800, kGreen}, {2, 800, kRed}, {1279, 959, kRed}});
    // Each tile column in its own colour; the picture ends at x ~ 1277.3.
    auto col = [](int k) { return rgba{(uint8_t)(50 + 50 * k), 255, 0, 255}; };
    makeImage(&menu, "odd.ppm", 1000, 100, [&](int x, int) { return col(x / 256); });
    drawOverBlue(&menu, 0, {{326, 50, col(0)}, {327, 50, col(1)}, {653, 50, col(1)}, {654, 50, col(2)},
                            {981, 50, col(3)}, {1276, 50, col(3)}, {1278, 50, kBlue}});
    // The second tile row holds 44 image rows and 212 empty ones; the black square is keyed out.
    makeImage(&menu, "tall.ppm", 1280, 300, [](int x, int y) { return x < 100 && y < 100 ? rgba{0, 0, 0, 0} : kMenu; });
    drawOverBlue(&menu, 0, {{640, 299, kMenu}, {640, 300, kBlue}, {640, 500, kBlue}, {50, 50, kBlue}, {150, 50, kMenu}});
    // A choice: a small image is scaled to the design width (128x32 at 10: 1280 x 320), never
    // drawn as a 256-texel tile twice that size.
    makeImage(&menu, "small.ppm", 128, 32, [](int x, int) { return x < 64 ? kMenu : kGreen; });
    drawOverBlue(&menu, 1, {{640, 639, kBlue}, {0, 640, kMenu}, {639, 900, kMenu}, {640, 900, kGreen}, {1279, 959, kGreen}});
}
