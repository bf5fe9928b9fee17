// Tile geometry without a window: which texture each 256x256 tile of a picture uses and
// where it lands in the design space, with whole-unit tile widths.
#include "elements/picture.h"
#include <gtest/gtest.h>

TEST(PictureTiles, WholeUnitTilesStretchedEachWay)
{
    my_texture odd = {"x", 100, 12, 800, 600, 4, 3}, square = {"x", 100, 9, 768, 768, 3, 3};
    tileQuad last = pictureTile(&odd, 2, 3);
    EXPECT_EQ(last.texture, 100u + 3 + 4 * 2);
    EXPECT_EQ(last.x0, 1227.0f); // 3 x 409
    EXPECT_EQ(last.y0, 818.0f);  // 2 x 409
    EXPECT_EQ(pictureTile(&square, 2, 2).x1, 1278.0f);
    EXPECT_EQ(pictureTile(&square, 2, 2).y1, 960.0f);
}
