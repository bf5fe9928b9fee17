// Owns PPM decoding, texture upload and the screenshot file.
#include "content/textures.h"
#include <cstdlib>

unsigned char* LoadPPM(const char*, long* width, long* height, int)
{
    *width = 0;
    *height = 0;
    return nullptr;
}

unsigned int TexInit(my_texture*, const char*, int) { return 0; }

void savePBM() {}
