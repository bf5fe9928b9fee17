// PPM images turned into textures (single, or 256x256 tiles with consecutive names) and
// the screenshot writer. Only the main thread with a current GL context may call these.
#pragma once
#include <cstdio>

// The largest picture the viewer loads: larger ones are refused with the header message. A
// raster may be short by part of its last row at most (padded black); anything shorter is
// refused. The authoring checker applies the very same limits.
constexpr long PPM_MAX_SIDE = 4096;
constexpr long PPM_MAX_PIXELS = 16L * 1024 * 1024;

struct my_texture {
    char name[1024];  // file name without directory; empty marks a free slot
    unsigned int id;  // texture name of the top-left tile; tile k is id + k (row-major)
    int tiles;        // 0 when no image could be loaded: renderers skip the record
    int width, height;
    int tilesX, tilesY;
};

// Reads a binary PPM into a new RGBA buffer (caller frees with free()); null on failure.
// mode 0: black transparent, 1: opaque, other: white with alpha from brightness.
// Sizes above the limits above and maxima other than 255 are refused, with one line naming
// the file; a missing file silently, unless it is the font atlas (mode 2).
unsigned char* LoadPPM(const char* fileName, long* width, long* height, int mode);
// Reads only the header and the file's length: the size LoadPPM would give, refusing what it
// refuses with the same line (a last row cut short is named when the picture is loaded).
bool ReadPPMSize(const char* fileName, long* width, long* height);
// Loads the file as one texture (up to 256x256) or as 256x256 tiles; returns record->id, or
// 0 with the record unchanged when the file can't be read (tiles 0 if tiling failed).
unsigned int TexInit(my_texture* record, const char* fileName, int mode);

// The pieces of TexInit in mode 1, for uploading an opaque picture a few tiles at a time:
// the file opened at its raster after the loader's checks and lines (null when refused);
// n consecutive texture names (one line when the GL has none); one texture from RGB
// pixels, filtered and clamped as TexInit uploads it.
FILE* openPictureRaster(const char* fileName, long* width, long* height);
bool reserveTextureNames(int n, unsigned* first, const char* fileName);
void uploadOpaqueTexture(unsigned name, int width, int height, const unsigned char* rgb);
// Writes the picture on screen (the viewport of the back buffer, scaled to 1280x960) to
// "RAM:screenshot.ppm" and prints its path; on failure prints one line and writes nothing.
void savePBM();
