// Owns the ticker drawing.
#include "elements/scrolltext.h"

int scrolltimer = 0;

int scrolltext1(int, m_color4f, int, int) { return 0; }
