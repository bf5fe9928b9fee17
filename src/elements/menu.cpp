// Owns menu image drawing. The horizontal tile grid uses a whole-unit tile width, the
// vertical one does not, so a 1000-pixel-wide image stops short of the right edge.
#include "elements/menu.h"
#include "prefs/design.h"
#include <GL/gl.h>

tileQuad menuTile(const my_texture* menu, int placement, int row, int column)
{
    float s = (float)DESIGN_WIDTH / (float)menu->width;
    float oy = (float)placement * ((float)DESIGN_HEIGHT - (float)menu->height * s);
    tileQuad q;
    q.texture = tileTexture(menu, row, column);
    if (isSingleTexture(menu)) {
        // The texture is the image's own size: one quad spanning the scaled image.
        q.x0 = 0.0f;
        q.x1 = (float)DESIGN_WIDTH;
        q.y0 = oy;
        q.y1 = oy + (float)menu->height * s;
        return q;
    }
    int tw = (int)(256.0 * (double)s);
    q.x0 = (float)(column * tw);
    q.x1 = (float)((column + 1) * tw);
    q.y0 = oy + (float)(row * 256) * s;
    q.y1 = oy + (float)((row + 1) * 256) * s;
    return q;
}

void drawMenu(my_texture* menu, int placement)
{
    if (!hasImage(menu) || menu->name[0] == '\0') return;
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glDisable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    for (int r = 0; r < menu->tilesY; r++)
        for (int c = 0; c < menu->tilesX; c++) drawTileQuad(menuTile(menu, placement, r, c));
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
}
