// Draws the title row or one page of the current article and registers its clickable items.
#pragma once

void drawText(int title, int newLine, int background);
