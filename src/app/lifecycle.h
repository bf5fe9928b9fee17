// Loading, the idle callback and shutdown: the program's spine after the window exists.
// end() is declared in app/view.h, as the Escape key calls it.
#pragma once
#include "content/textures.h"

extern int fullScreen;
extern my_texture texture[2]; // 0: font atlas, 1: default background

// Everything init loads, in its order, without the music handler: the pages are then ready
// to draw (the proof tool draws them offscreen from here).
void loadMagazine();
void init();
void idle();
void switchFullScreen();
