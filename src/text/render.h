// Draws the title row or one page of the current article and registers its clickable items.
#pragma once
#include "content/textures.h"

// Texture coordinates of a byte's cell in the font atlas at the current resolution. Bytes
// below 32 (a carriage return, a tab) have no cell of their own and show the blank cell.
struct glyphCellRect { float s0, t0, s1, t1; };
glyphCellRect glyphCell(unsigned char ch);

// The four vertices of one glyph cell drawn w x h design units from (x, y) at its top left;
// the caller has opened a GL_QUADS batch.
void glyphQuad(const glyphCellRect& cell, float x, float y, float w, float h);

// Draws text: the title row (title 1; text is the title line and newLine is 1) or one page
// of the body (title 0; text is where the page starts, newLine its paragraph flag), with
// the article background picture first when background is not null. A null text draws
// no rows.
// Registers the page's "[mi=" and "[music=" items behind the constant menu selections, at
// most up to the table's end; rectangles are in window pixels.
void drawText(const char* text, int title, int newLine, const my_texture* background);

// The first record of the item that record index belongs to: an item wrapped over several
// rows has one record per row. Any other index is returned as it is.
int itemFirstRecord(int index);
