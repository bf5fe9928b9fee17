// Owns article drawing and the font atlas's cell layout.
#include "text/render.h"
#include "app/screen.h"

glyphCellRect glyphCell(unsigned char ch)
{
    int k = ch < 32 ? 0 : ch - 32;
    int perRow = FONT_CHARACTERS_ROW_TEXTURE > 0 ? FONT_CHARACTERS_ROW_TEXTURE : 1;
    float f = FONT_SIZE_TEXTURE;
    glyphCellRect c;
    c.s0 = (float)(k % perRow) * f;
    c.t0 = (float)(k / perRow) * f + FONT_STARTY;
    c.s1 = c.s0 + f;
    c.t1 = c.t0 + f;
    return c;
}

void drawText(int, int, int) {}
