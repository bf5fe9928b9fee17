// Palette pictures (the IFF ILBM pointer sheet) decoded to plain data: one colour number per
// pixel, as stored, and the colour map. Only this service decodes such files; every chunk and
// every run is bounded by the file and by the picture's own header.
#pragma once
#include <cstddef>

// Beyond these a sheet is taken for damage: a pointer sheet needs 640x128 at 8 planes at most.
constexpr int PICTURE_MAX_SIDE = 4096;
constexpr long PICTURE_MAX_FILE = 16L * 1024 * 1024;

struct indexedPicture {
    int width;
    int height;
    int depth;                     // bit planes: every colour number is below 1 << depth
    int colours;                   // entries of `palette` that the file defined
    unsigned char palette[256][3]; // red, green, blue per colour number; undefined ones black
    unsigned char* pixels;         // width * height colour numbers, row by row (heap)
    const char* problem;           // why it was refused, worded for a message; null if OK
};

enum {
    PICTURE_OK = 1,
    PICTURE_NONE = 0,         // missing, unreadable, not a regular file, or no ILBM at all
    PICTURE_NOT_INDEXED = -1, // a picture, but true colour or HAM: it has no colour numbers
};

// Decodes an ILBM held in memory into *out (cleared first). Returns one of the values above;
// only PICTURE_OK leaves pixels to be released with freeIndexedPicture.
int decodeIlbm(const unsigned char* data, size_t size, indexedPicture* out);
// Reads the regular file at path and decodes it. PICTURE_NONE with problem null means the
// file does not exist (which is no fault).
int readIndexedPicture(const char* path, indexedPicture* out);
void freeIndexedPicture(indexedPicture* picture);
