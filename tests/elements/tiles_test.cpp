// Tile geometry without a window: which texture each 256x256 tile of a picture uses and
// where it lands in the design space, with whole-unit tile widths.
#include "elements/picture.h"
#include <gtest/gtest.h>

static my_texture record(int w, int h)
{
    my_texture t{};
    t.name[0] = 'x';
    t.id = 100;
    t.width = w;
    t.height = h;
    bool single = w <= 256 && h <= 256;
    t.tilesX = single ? 1 : (w + 255) / 256;
    t.tilesY = single ? 1 : (h + 255) / 256;
    t.tiles = t.tilesX * t.tilesY;
    return t;
}

TEST(PictureTiles, WholeUnitTilesStretchedEachWay)
{
    my_texture odd = record(800, 600), square = record(768, 768);
    tileQuad last = pictureTile(&odd, 2, 3);
    EXPECT_EQ(last.texture, 100u + 3 + 4 * 2);
    EXPECT_EQ(last.x0, 1227.0f); // 3 x 409
    EXPECT_EQ(last.y0, 818.0f);  // 2 x 409
    EXPECT_EQ(pictureTile(&square, 2, 2).x1, 1278.0f);
    EXPECT_EQ(pictureTile(&square, 2, 2).y1, 960.0f);
}
