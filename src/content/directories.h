// The menu images, background pictures and tune list read from Menus, Images and Songs.
#pragma once
#include "content/textures.h"

enum { MAX_MENUS = 4, MAX_BACKGROUNDS = 1024, MAX_SONGS = 1024 };

extern my_texture* menuArray;       // MAX_MENUS records sorted by name; empty name = free
extern int menus;
extern my_texture* backgroundArray; // MAX_BACKGROUNDS records in listing order
extern int backgrounds;
extern char songNames[MAX_SONGS][64]; // "Songs/<file>", sorted as their quoted forms
extern int numberOfSongs;

int readMenus();
int readBackgrounds();
int readSongNames();
// The index of the tune whose file in Songs is named fileName, or -1.
int findSong(const char* fileName);
int cleanupMenus();
int cleanupBackgrounds();
