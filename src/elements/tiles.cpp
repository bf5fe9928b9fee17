// Owns the tile order and the vertex order every tiled image is drawn with.
#include "elements/tiles.h"
#include <GL/gl.h>

bool hasImage(const my_texture* image)
{
    return image && image->tiles > 0 && image->width > 0 && image->height > 0 &&
           image->tilesX > 0 && image->tilesY > 0;
}

bool isSingleTexture(const my_texture* image)
{
    return image->width <= 256 && image->height <= 256;
}

unsigned int tileTexture(const my_texture* image, int row, int column)
{
    return image->id + (unsigned int)(column + image->tilesX * row);
}

void drawTileQuad(const tileQuad& q)
{
    glBindTexture(GL_TEXTURE_2D, q.texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1);
    glVertex3f(q.x0, q.y1, -0.01f);
    glTexCoord2f(1, 1);
    glVertex3f(q.x1, q.y1, -0.01f);
    glTexCoord2f(1, 0);
    glVertex3f(q.x1, q.y0, -0.01f);
    glTexCoord2f(0, 0);
    glVertex3f(q.x0, q.y0, -0.01f);
    glEnd();
}
