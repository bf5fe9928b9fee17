// The top and bottom menu images, stretched to the design width with their aspect kept.
#pragma once
#include "content/textures.h"
#include "elements/tiles.h"

// Where tile (row, column) of a menu image lands for placement 0 (top) or 1 (bottom).
// Images of at most 256x256 pixels are one texture and are scaled to the design width.
tileQuad menuTile(const my_texture* menu, int placement, int row, int column);

// Draws the image (nothing for a free or failed slot) and leaves the alpha test on
// (GL_GREATER 0), GL_REPLACE, texturing on, depth test and blending off, and the blend
// function (GL_SRC_ALPHA, GL_ONE): the article bar and tickers build on that.
void drawMenu(my_texture* menu, int placement);
