// Background pictures on demand: start-up reads only their headers; a picture is decoded and
// uploaded when first drawn or ahead of it in idle time, and only the most recently used few
// stay in GL memory.
#pragma once
#include "content/textures.h"
#include <cstdint>

enum { RESIDENT_PICTURES = 8 }; // full-screen pictures kept uploaded at once

// Fills a background record from the file's header alone (size and tile grid, no texture):
// a record that would not load gets no tiles, as a failed TexInit leaves it.
void describePicture(my_texture* record, const char* path);
// Uploads the record's picture if it is a background not in GL memory, evicting the least
// recently used beyond RESIDENT_PICTURES; leaves the GL state as it found it. Other
// records (the default background, menus) are left alone. False when nothing can be drawn.
bool makePictureResident(const my_texture* record);
bool pictureResident(const my_texture* record);
// Idle time's share: carries the upload of the record's picture on, a few rows or one tile
// at a time, until the monotonic deadline (microseconds) passes; a resident one just becomes
// the most recently used. True once nothing is left to do for it (uploaded, or unloadable).
// A frame that needs the picture meanwhile finishes the upload; another picture's upload
// abandons it.
bool preloadPicture(const my_texture* record, int64_t deadlineUs);
// Number of background pictures now uploaded.
int residentPictures();
// Drops the bookkeeping (not the textures) when the table is read anew or released.
void forgetPictures();
