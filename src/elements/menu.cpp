// Owns menu image drawing.
#include "elements/menu.h"

void drawMenu(my_texture*, int) {}
