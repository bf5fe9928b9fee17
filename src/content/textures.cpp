// Owns PPM decoding, texture upload and the screenshot file. Only these functions create
// textures from image files, and only savePBM reads the frame back.
#include "content/textures.h"
#include "app/viewport.h"
#include "platform/files.h"
#include "platform/ramdisk.h"
#include "platform/report.h"
#include "platform/window.h"
#include <GL/gl.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

enum { TILE = 256 };

static bool isSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// A decimal number after optional white space. Values above limit are clamped to limit + 1
// so that long digit runs can't overflow. Leaves the byte behind the digits unread.
static bool readNumber(FILE* f, long limit, long* value)
{
    int c;
    do c = getc(f);
    while (isSpace(c));
    if (c < '0' || c > '9') return false;
    long v = 0;
    while (c >= '0' && c <= '9') {
        if (v <= limit) v = v * 10 + (c - '0');
        c = getc(f);
    }
    if (c != EOF) ungetc(c, f);
    *value = v > limit ? limit + 1 : v;
    return true;
}

enum { HEADER_OK, HEADER_MALFORMED, HEADER_TOO_LARGE };

// "P6", white space, width, white space, height, white space, 255 and exactly one white-space
// byte before the raster. No comments; sizes must be positive and within what the viewer shows.
static int readPPMHeader(FILE* f, long* width, long* height)
{
    const long READ_LIMIT = 999999999; // a size is read in full to be named, never overflowing
    if (getc(f) != 'P' || getc(f) != '6') return HEADER_MALFORMED;
    long w, h, maximum;
    if (!readNumber(f, READ_LIMIT, &w) || !readNumber(f, READ_LIMIT, &h)) return HEADER_MALFORMED;
    if (!readNumber(f, 255, &maximum) || maximum != 255) return HEADER_MALFORMED;
    if (!isSpace(getc(f))) return HEADER_MALFORMED;
    if (w <= 0 || h <= 0) return HEADER_MALFORMED;
    *width = w;
    *height = h;
    if (w > PPM_MAX_SIDE || h > PPM_MAX_SIDE || w * h > PPM_MAX_PIXELS) return HEADER_TOO_LARGE;
    return HEADER_OK;
}

// Expands pixels in place: the raster sits in the last three quarters of the buffer, and
// pixel i is read (at n + 3i) before any later write can reach it (writes end at 4i + 3).
static void convertPixels(unsigned char* rgba, size_t n, int mode)
{
    const unsigned char* src = rgba + n;
    for (size_t i = 0; i < n; i++, src += 3) {
        unsigned char r = src[0], g = src[1], b = src[2];
        unsigned char* d = rgba + 4 * i;
        if (mode == 0 || mode == 1) {
            d[0] = r;
            d[1] = g;
            d[2] = b;
            d[3] = (mode == 1 || r || g || b) ? 255 : 0;
        } else {
            d[0] = d[1] = d[2] = 255;
            d[3] = (unsigned char)((r + g + b) / 3);
        }
    }
}

// Refuses what can't be opened as a regular file, with one line unless it is simply missing:
// a listed picture exists, and a missing default background shows nothing anyway. The font
// atlas (the only picture read in the white-with-alpha mode) is the exception: without it
// every letter is a solid block.
static FILE* openPicture(const char* fileName, int mode, long* size)
{
    FILE* f = openRegularFile(fileName, size);
    if (f) return f;
    if (errno != ENOENT)
        report(fileName, 0, REPORT_ERROR, "picture-open", "Unable to open picture: %s", openFailureReason());
    else if (mode != 0 && mode != 1)
        report(fileName, 0, REPORT_ERROR, "font-missing", "font atlas missing: letters show as solid blocks");
    return nullptr;
}

static void reportHeader(const char* fileName, int header, long w, long h)
{
    if (header == HEADER_TOO_LARGE)
        report(fileName, 0, REPORT_ERROR, "ppm-header",
               "Error scanning PPM header (%ldx%ld: larger than %ld on a side or %ld Mpixel)", w, h, PPM_MAX_SIDE,
               PPM_MAX_PIXELS >> 20);
    else
        report(fileName, 0, REPORT_ERROR, "ppm-header", "Error scanning PPM header");
}

// Opens a picture and checks its header and the length of its raster, with the one line
// for each refusal; returns the file positioned at the raster, or null.
static FILE* openCheckedPPM(const char* fileName, int mode, long* w, long* h)
{
    long fileSize = 0;
    FILE* f = fileName ? openPicture(fileName, mode, &fileSize) : nullptr;
    if (!f) return nullptr;
    int header = readPPMHeader(f, w, h);
    if (header != HEADER_OK) {
        reportHeader(fileName, header, *w, *h);
        fclose(f);
        return nullptr;
    }
    size_t expected = (size_t)*w * (size_t)*h * 3;
    // A raster may lack part of its last row (that part shows black), never more: a header
    // alone must not cost the memory and the tiles of the picture it claims.
    long raster = fileSize - ftell(f);
    if (raster < 0 || (size_t)raster + (size_t)*w * 3 < expected) {
        report(fileName, 0, REPORT_ERROR, "ppm-short", "Error while reading file (%ld %ld)", raster < 0 ? 0 : raster,
               (long)expected);
        fclose(f);
        return nullptr;
    }
    return f;
}

unsigned char* LoadPPM(const char* fileName, long* width, long* height, int mode)
{
    *width = 0;
    *height = 0;
    long w = 0, h = 0;
    FILE* f = openCheckedPPM(fileName, mode, &w, &h);
    if (!f) return nullptr;
    size_t pixels = (size_t)w * (size_t)h;
    size_t expected = pixels * 3;
    // One buffer serves both: the raster is read into its tail and expanded forwards.
    unsigned char* rgba = (unsigned char*)malloc(pixels * 4);
    if (!rgba) {
        report(fileName, 0, REPORT_ERROR, "ppm-memory", "Error out of Memory");
        fclose(f);
        return nullptr;
    }
    size_t got = fread(rgba + pixels, 1, expected, f);
    fclose(f);
    if (got < expected) {
        report(fileName, 0, REPORT_WARNING, "ppm-short", "Error while reading file (%ld %ld)", (long)got,
               (long)expected);
        // The missing part of a last row shows black instead of leftover memory.
        memset(rgba + pixels + got, 0, expected - got);
    }
    convertPixels(rgba, pixels, mode);
    *width = w;
    *height = h;
    return rgba;
}

FILE* openPictureRaster(const char* fileName, long* width, long* height)
{
    *width = 0;
    *height = 0;
    return openCheckedPPM(fileName, 1, width, height);
}

bool ReadPPMSize(const char* fileName, long* width, long* height)
{
    *width = 0;
    *height = 0;
    long w = 0, h = 0;
    FILE* f = openCheckedPPM(fileName, 0, &w, &h);
    if (!f) return false;
    fclose(f);
    *width = w;
    *height = h;
    return true;
}

// The tiles of one image must carry consecutive names (renderers address tile k as id + k).
// glGenTextures gives a consecutive block on every GL we know; should one hand out recycled
// names with gaps, keep the gappy names reserved and ask again until a block comes back.
static bool generateConsecutiveNames(int n, GLuint* first)
{
    enum { ATTEMPTS = 8 };
    GLuint* held[ATTEMPTS] = {};
    bool found = false;
    for (int attempt = 0; attempt < ATTEMPTS && !found; attempt++) {
        GLuint* names = (GLuint*)malloc(sizeof(GLuint) * (size_t)n);
        if (!names) break;
        glGenTextures(n, names);
        found = true;
        for (int k = 1; k < n; k++)
            if (names[k] != names[0] + (GLuint)k) found = false;
        if (found) {
            *first = names[0];
            free(names);
        } else {
            held[attempt] = names;
        }
    }
    for (GLuint* names : held) {
        if (!names) continue;
        glDeleteTextures(n, names);
        free(names);
    }
    return found;
}

bool reserveTextureNames(int n, unsigned* first, const char* fileName)
{
    if (generateConsecutiveNames(n, first)) return true;
    report(fileName, 0, REPORT_ERROR, "texture-names", "No consecutive texture names for %d tiles", n);
    return false;
}

// Filtering without mipmaps (Mesa shows nothing otherwise); the font stays crisp, pictures
// are smoothed. Clamping keeps a stretched tile from sampling its opposite edge, which would
// show as a seam between tiles.
// Opaque pictures (mode 1) go up as RGB: alpha is 255 throughout, so the picture is the same
// and the driver keeps three bytes a texel where it can. Packs in place (3i never passes 4i).
static void setTexture(GLuint name, GLint filter, GLint internal, GLenum format, int width, int height,
                       const unsigned char* pixels)
{
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, internal, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
}

void uploadOpaqueTexture(unsigned name, int width, int height, const unsigned char* rgb)
{
    setTexture(name, GL_LINEAR, GL_RGB8, GL_RGB, width, height, rgb);
}

static void uploadTexture(GLuint name, int mode, int width, int height, unsigned char* pixels)
{
    if (mode == 1) {
        size_t n = (size_t)width * (size_t)height;
        for (size_t i = 0; i < n; i++) memmove(pixels + 3 * i, pixels + 4 * i, 3);
        uploadOpaqueTexture(name, width, height, pixels);
        return;
    }
    setTexture(name, mode == 0 ? GL_LINEAR : GL_NEAREST, 4, GL_RGBA, width, height, pixels);
}

// Cuts the image into 256x256 tiles in row-major order; the uncovered part of a tile at the
// right or bottom edge is transparent black.
static bool uploadTiles(my_texture* t, int mode, const unsigned char* rgba, const char* fileName)
{
    unsigned char* tile = (unsigned char*)malloc(TILE * TILE * 4);
    if (!tile) {
        report(fileName, 0, REPORT_ERROR, "texture-memory", "Texture memory malloc failed!!!");
        return false;
    }
    GLuint first = 0;
    if (!reserveTextureNames(t->tiles, &first, fileName)) {
        free(tile);
        return false;
    }
    for (int v = 0; v < t->tilesY; v++) {
        int rows = (v == t->tilesY - 1 && t->height % TILE) ? t->height % TILE : TILE;
        for (int u = 0; u < t->tilesX; u++) {
            int columns = (u == t->tilesX - 1 && t->width % TILE) ? t->width % TILE : TILE;
            memset(tile, 0, TILE * TILE * 4);
            for (int k = 0; k < rows; k++) {
                const unsigned char* src = rgba + (((size_t)v * TILE + k) * t->width + (size_t)u * TILE) * 4;
                memcpy(tile + (size_t)k * TILE * 4, src, (size_t)columns * 4);
            }
            uploadTexture(first + (GLuint)(u + v * t->tilesX), mode, TILE, TILE, tile);
        }
    }
    free(tile);
    t->id = first;
    return true;
}

unsigned int TexInit(my_texture* t, const char* fileName, int mode)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!fileName) return 0;
    long w, h;
    unsigned char* rgba = LoadPPM(fileName, &w, &h, mode);
    if (!rgba) return 0;
    t->width = (int)w;
    t->height = (int)h;
    if (w <= TILE && h <= TILE) {
        GLuint name;
        glGenTextures(1, &name);
        uploadTexture(name, mode, (int)w, (int)h, rgba);
        t->id = name;
        t->tiles = t->tilesX = t->tilesY = 1;
    } else {
        t->tilesX = (int)((w + TILE - 1) / TILE);
        t->tilesY = (int)((h + TILE - 1) / TILE);
        t->tiles = t->tilesX * t->tilesY;
        if (!uploadTiles(t, mode, rgba, fileName)) {
            // No textures: the record must not point renderers at names it doesn't own.
            t->id = 0;
            t->tiles = 0;
            free(rgba);
            return 0;
        }
    }
    free(rgba);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    return t->id;
}

enum { SHOT_WIDTH = 1280, SHOT_HEIGHT = 960 };

// Reads the picture as shown (the viewport inside the window, from the back buffer) and
// scales it to 1280x960 by nearest neighbour, rows from the top down. Null on failure.
static unsigned char* grabScreen()
{
    int windowW = 0, windowH = 0;
    windowGetSize(&windowW, &windowH);
    viewportRect vp = currentViewport();
    if (vp.width <= 0 || vp.height <= 0 || vp.x < 0 || vp.y < 0 || vp.x + vp.width > windowW ||
        vp.y + vp.height > windowH) {
        fprintf(stderr, "Screenshot not written: the picture lies outside the window\n");
        return nullptr;
    }
    size_t shown = (size_t)vp.width * vp.height * 3;
    unsigned char* frame = (unsigned char*)malloc(shown);
    unsigned char* shot = (unsigned char*)malloc((size_t)SHOT_WIDTH * SHOT_HEIGHT * 3);
    if (!frame || !shot) {
        fprintf(stderr, "Screenshot not written: out of memory\n");
        free(frame);
        free(shot);
        return nullptr;
    }
    GLboolean doubleBuffered = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; i++) {} // drop stale errors
    glReadBuffer(doubleBuffered ? GL_BACK : GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(vp.x, windowH - vp.y - vp.height, vp.width, vp.height, GL_RGB, GL_UNSIGNED_BYTE, frame);
    if (glGetError() != GL_NO_ERROR) {
        fprintf(stderr, "Screenshot not written: the frame could not be read\n");
        free(frame);
        free(shot);
        return nullptr;
    }
    for (int y = 0; y < SHOT_HEIGHT; y++) {
        // GL rows count from the bottom; the file's from the top.
        int row = vp.height - 1 - (int)((long)y * vp.height / SHOT_HEIGHT);
        const unsigned char* src = frame + (size_t)row * vp.width * 3;
        unsigned char* dst = shot + (size_t)y * SHOT_WIDTH * 3;
        if (vp.width == SHOT_WIDTH) {
            memcpy(dst, src, SHOT_WIDTH * 3);
            continue;
        }
        for (int x = 0; x < SHOT_WIDTH; x++)
            memcpy(dst + x * 3, src + (size_t)((long)x * vp.width / SHOT_WIDTH) * 3, 3);
    }
    free(frame);
    return shot;
}

// Writes under a temporary name and renames, so the file is either whole or not there. The
// temporary is made anew (mode 0600, never an existing file or link); in the shared fallback
// directories the screenshot keeps that mode, as other users can list them.
static bool writeShot(const char* path, const unsigned char* shot)
{
    char temporary[1100];
    snprintf(temporary, sizeof temporary, "%s.XXXXXX", path);
    int fd = mkstemp(temporary);
    if (fd < 0) return false;
    if (!ramDirectoryIsShared()) fchmod(fd, 0644);
    FILE* f = fdopen(fd, "wb");
    if (!f) {
        close(fd);
        unlink(temporary);
        return false;
    }
    size_t bytes = (size_t)SHOT_WIDTH * SHOT_HEIGHT * 3;
    bool ok = fprintf(f, "P6 %d %d 255\n", SHOT_WIDTH, SHOT_HEIGHT) > 0 && fwrite(shot, 1, bytes, f) == bytes;
    ok = (fclose(f) == 0) && ok;
    if (ok) ok = rename(temporary, path) == 0;
    if (!ok) {
        int saved = errno;
        unlink(temporary);
        errno = saved;
    }
    return ok;
}

void savePBM()
{
    char path[1024];
    if (!ramPath("RAM:screenshot.ppm", path, sizeof path)) {
        fprintf(stderr, "Screenshot not written: the RAM: path is too long\n");
        return;
    }
    unsigned char* shot = grabScreen();
    if (!shot) return;
    if (writeShot(path, shot)) {
        printf("Screenshot written to %s\n", path);
        fflush(stdout); // a person waiting for the path should not wait for the buffer
    } else {
        fprintf(stderr, "Screenshot not written to '%s': %s\n", path, strerror(errno));
    }
    free(shot);
}
