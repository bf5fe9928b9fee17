// Owns which background pictures are uploaded. A described record holds its size and tile
// grid with id 0 until first drawn; eviction deletes its tiles and sets id back to 0.
#include "content/picturecache.h"
#include "content/directories.h"
#include <GL/gl.h>
#include <cstdint>
#include <cstdio>
#include <cstring>

enum { TILE = 256 };

static uint64_t lastUse[MAX_BACKGROUNDS]; // 0: not uploaded here
static uint64_t useClock;
static const my_texture* table;           // the backgroundArray the stamps belong to

void forgetPictures()
{
    memset(lastUse, 0, sizeof lastUse);
    table = backgroundArray;
}

void describePicture(my_texture* t, const char* path)
{
    long w, h;
    if (!ReadPPMSize(path, &w, &h)) return;
    t->id = 0;
    t->width = (int)w;
    t->height = (int)h;
    bool single = w <= TILE && h <= TILE;
    t->tilesX = single ? 1 : (int)((w + TILE - 1) / TILE);
    t->tilesY = single ? 1 : (int)((h + TILE - 1) / TILE);
    t->tiles = t->tilesX * t->tilesY;
}

// The record's index in the background table, or -1 for any other record.
static int indexOf(const my_texture* t)
{
    if (!backgroundArray || t < backgroundArray || t >= backgroundArray + MAX_BACKGROUNDS) return -1;
    if (table != backgroundArray) forgetPictures();
    return (int)(t - backgroundArray);
}

static void evict(int k)
{
    my_texture* t = &backgroundArray[k];
    for (int i = 0; i < t->tiles; i++) {
        GLuint name = t->id + (GLuint)i;
        glDeleteTextures(1, &name);
    }
    t->id = 0;
    lastUse[k] = 0;
}

int residentPictures()
{
    int n = 0;
    for (uint64_t stamp : lastUse) n += stamp != 0;
    return n;
}

// Keeps room for one more picture besides `keep`.
static void makeRoom(int keep)
{
    while (residentPictures() >= RESIDENT_PICTURES) {
        int oldest = -1;
        for (int k = 0; k < MAX_BACKGROUNDS; k++)
            if (lastUse[k] && k != keep && (oldest < 0 || lastUse[k] < lastUse[oldest])) oldest = k;
        if (oldest < 0) return;
        evict(oldest);
    }
}

bool pictureResident(const my_texture* t) { return t && t->tiles > 0 && t->id != 0; }

bool makePictureResident(const my_texture* record)
{
    int k = indexOf(record);
    if (k < 0 || record->tiles <= 0) return pictureResident(record);
    my_texture* t = &backgroundArray[k];
    if (t->id != 0) {
        if (lastUse[k]) lastUse[k] = ++useClock;
        return true;
    }
    makeRoom(k);
    char path[1100];
    snprintf(path, sizeof path, "Images/%s", t->name);
    // Uploading sets texturing and blending state; the frame being drawn must not see it.
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT);
    my_texture loaded = *t;
    bool ok = TexInit(&loaded, path, 1) != 0 && loaded.width == t->width && loaded.height == t->height;
    glPopAttrib();
    if (!ok) {
        // Changed or gone since start-up: nothing to draw, and no second attempt every frame.
        if (loaded.id) {
            for (int i = 0; i < loaded.tiles; i++) {
                GLuint name = loaded.id + (GLuint)i;
                glDeleteTextures(1, &name);
            }
        }
        t->tiles = 0;
        return false;
    }
    t->id = loaded.id;
    lastUse[k] = ++useClock;
    return true;
}
