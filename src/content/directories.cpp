// Owns the menu, picture and tune tables.
#include "content/directories.h"

my_texture* menuArray = nullptr;
int menus = 0;
my_texture* backgroundArray = nullptr;
int backgrounds = 0;
char songNames[MAX_SONGS][64];
int numberOfSongs = 0;

int readMenus() { return 0; }
int readBackgrounds() { return 0; }
int readSongNames() { return 1; }
int cleanupMenus() { return 1; }
int cleanupBackgrounds() { return 1; }
