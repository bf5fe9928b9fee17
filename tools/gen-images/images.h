// What the picture generator's files offer each other: the background table, the menu
// button table with its images, and the startup picture.
#pragma once
#include "canvas.h"

struct backgroundPicture {
    const char* name;  // file name in Images/
    canvas (*draw)();
};
extern const backgroundPicture BACKGROUNDS[];
extern const int NUMBER_OF_BACKGROUNDS;
canvas drawStartupBackdrop();

// One button of a menu image, with the link word prefs.txt gives its selection. The same
// table draws the buttons and prints the selections, so the two can never disagree.
struct menuButton {
    const char* label;
    const char* link;
    int menu;            // 0: the top menu image, 1: the bottom one
    int x0, y0, x1, y1;  // the button box in its menu image's pixels
};
extern const menuButton MENU_BUTTONS[];
extern const int NUMBER_OF_MENU_BUTTONS;
extern const int MENU_WIDTH, MENU_HEIGHT;
extern const char* const MENU_FILES[2];

canvas drawMenuImage(fontFace* regular, fontFace* bold, int menu);
// The MENUS, MENU_COORDS and MENU_LINKS lines of prefs.txt for the table, in design units
// (both images are 1280 wide, the bottom one sits on the lower edge of the 1280x960 space).
void printMenuPrefs();

#define STARTUP_PICTURE "title.ppm"
#define MAGAZINE_TITLE "PAGOVIA"
#define MAGAZINE_SUBTITLE "THE DISK MAGAZINE  -  ISSUE 1"
canvas drawStartupPicture(fontFace* regular, fontFace* bold);
