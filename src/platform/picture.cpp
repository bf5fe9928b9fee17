// Decodes palette pictures through SDL_image into plain colour numbers and a colour map.
// Only this file includes SDL_image; the colour numbers are copied as stored, never remapped.
#include "platform/picture.h"
#include <SDL2/SDL_image.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct iffHeader {
    int width;  // 0 when the file is no IFF picture with a BMHD chunk
    int planes;
};

static unsigned readBig(const unsigned char* p, int bytes)
{
    unsigned v = 0;
    for (int i = 0; i < bytes; i++) v = (v << 8) | p[i];
    return v;
}

// SDL_image pads an ILBM's rows to a multiple of 16 pixels and reports neither the true
// width nor the plane count; both stand in the BMHD chunk, which precedes the BODY.
static iffHeader readIffHeader(const char* path)
{
    iffHeader header = {0, 0};
    FILE* f = fopen(path, "rb");
    if (!f) return header;
    unsigned char form[12];
    if (fread(form, 1, 12, f) == 12 && memcmp(form, "FORM", 4) == 0 &&
        (memcmp(form + 8, "ILBM", 4) == 0 || memcmp(form + 8, "PBM ", 4) == 0)) {
        unsigned char chunk[8];
        while (fread(chunk, 1, 8, f) == 8 && memcmp(chunk, "BODY", 4) != 0) {
            long size = (long)readBig(chunk + 4, 4);
            if (memcmp(chunk, "BMHD", 4) == 0) {
                unsigned char bmhd[20];
                if (size >= 20 && fread(bmhd, 1, 20, f) == 20) {
                    header.width = (int)readBig(bmhd, 2);
                    header.planes = bmhd[8];
                }
                break;
            }
            if (fseek(f, size + (size & 1), SEEK_CUR) != 0) break;
        }
    }
    fclose(f);
    return header;
}

static int depthForColours(int colours)
{
    int depth = 1;
    while (depth < 8 && (1 << depth) < colours) depth++;
    return depth;
}

static int copySurface(SDL_Surface* s, const iffHeader& header, indexedPicture* out)
{
    out->width = (header.width > 0 && header.width <= s->w) ? header.width : s->w;
    out->height = s->h;
    SDL_Palette* palette = s->format->palette;
    out->colours = palette->ncolors < 256 ? palette->ncolors : 256;
    for (int i = 0; i < out->colours; i++) {
        out->palette[i][0] = palette->colors[i].r;
        out->palette[i][1] = palette->colors[i].g;
        out->palette[i][2] = palette->colors[i].b;
    }
    out->depth = (header.planes >= 1 && header.planes <= 8) ? header.planes : depthForColours(out->colours);
    size_t size = (size_t)out->width * (size_t)out->height;
    out->pixels = (unsigned char*)malloc(size ? size : 1);
    if (!out->pixels) return PICTURE_NONE;
    if (SDL_LockSurface(s) != 0) {
        free(out->pixels);
        out->pixels = nullptr;
        return PICTURE_NONE;
    }
    for (int y = 0; y < out->height; y++)
        memcpy(out->pixels + (size_t)y * out->width, (const unsigned char*)s->pixels + (size_t)y * s->pitch,
               (size_t)out->width);
    SDL_UnlockSurface(s);
    return PICTURE_OK;
}

int readIndexedPicture(const char* path, indexedPicture* out)
{
    memset(out, 0, sizeof *out);
    SDL_Surface* s = IMG_Load(path);
    if (!s) return PICTURE_NONE;
    int result = PICTURE_NOT_INDEXED;
    if (s->format->format == SDL_PIXELFORMAT_INDEX8 && s->format->palette)
        result = copySurface(s, readIffHeader(path), out);
    SDL_FreeSurface(s);
    return result;
}

void freeIndexedPicture(indexedPicture* picture)
{
    free(picture->pixels);
    picture->pixels = nullptr;
}
