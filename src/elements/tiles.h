// Tiled images on screen: which records hold an image, the rectangle each 256x256 tile
// covers, and turning one tile into a textured quad. Menus, pictures and the article
// background all go through here so that they agree on the tile order and orientation.
#pragma once
#include "content/textures.h"

// One tile's texture name and its rectangle in design units (x0,y0 top-left).
struct tileQuad {
    unsigned int texture;
    float x0, y0, x1, y1;
};

// A record that holds an uploaded image (free and failed slots hold none).
bool hasImage(const my_texture* image);
// Images of at most 256x256 pixels are one texture of their own size, not a 256 tile.
bool isSingleTexture(const my_texture* image);
// Texture name of the tile in tile row `row` and tile column `column`.
unsigned int tileTexture(const my_texture* image, int row, int column);

// Binds the tile and draws it at depth -0.01, texture row 0 at the top (y0).
// The caller has opened nothing: this issues its own glBegin/glEnd.
void drawTileQuad(const tileQuad& quad);
