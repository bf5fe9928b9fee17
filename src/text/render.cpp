// Owns article drawing.
#include "text/render.h"

void drawText(int, int, int) {}
