// Palette pictures (the IFF ILBM pointer sheet and any other indexed picture SDL_image reads)
// decoded to plain data: one colour number per pixel, as stored, and the colour map.
// Only this service decodes such files.
#pragma once

struct indexedPicture {
    int width;
    int height;
    int depth;                     // bit planes: every colour number is below 1 << depth
    int colours;                   // entries of `palette` that the decoder defined
    unsigned char palette[256][3]; // red, green, blue per colour number; undefined ones black
    unsigned char* pixels;         // width * height colour numbers, row by row (heap)
};

enum {
    PICTURE_OK = 1,
    PICTURE_NONE = 0,         // missing, unreadable or no picture at all
    PICTURE_NOT_INDEXED = -1, // a picture, but true colour or HAM: it has no colour numbers
};

// Reads the file at path into *out (cleared first). Returns one of the values above; only
// PICTURE_OK leaves pixels to be released with freeIndexedPicture.
int readIndexedPicture(const char* path, indexedPicture* out);
void freeIndexedPicture(indexedPicture* picture);
