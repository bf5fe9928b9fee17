// Owns hit testing and link words.
#include "input/mouse.h"

int mouseOverMenuItem = -1;

void processMouse(int, int, int, int) {}
void processMousePassiveMotion(int, int) {}
