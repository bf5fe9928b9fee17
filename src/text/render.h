// Draws the title row or one page of the current article and registers its clickable items.
#pragma once

// Texture coordinates of a byte's cell in the font atlas at the current resolution. Bytes
// below 32 (a carriage return, a tab) have no cell of their own and show the blank cell.
struct glyphCellRect { float s0, t0, s1, t1; };
glyphCellRect glyphCell(unsigned char ch);

void drawText(int title, int newLine, int background);
