// Mouse clicks and hovering over the menu selections.
#pragma once

extern int mouseOverMenuItem;

void processMouse(int button, int state, int x, int y);
void processMousePassiveMotion(int x, int y);
