// Background pictures on demand: start-up reads only their headers; a picture is decoded and
// uploaded when first drawn, and only the most recently used few stay in GL memory.
#pragma once
#include "content/textures.h"

enum { RESIDENT_PICTURES = 8 }; // full-screen pictures kept uploaded at once

// Fills a background record from the file's header alone (size and tile grid, no texture):
// a record that would not load gets no tiles, as a failed TexInit leaves it.
void describePicture(my_texture* record, const char* path);
// Uploads the record's picture if it is a background not in GL memory, evicting the least
// recently used beyond RESIDENT_PICTURES; leaves the GL state as it found it. Other
// records (the default background, menus) are left alone. False when nothing can be drawn.
bool makePictureResident(const my_texture* record);
bool pictureResident(const my_texture* record);
// Number of background pictures now uploaded.
int residentPictures();
// Drops the bookkeeping (not the textures) when the table is read anew or released.
void forgetPictures();
