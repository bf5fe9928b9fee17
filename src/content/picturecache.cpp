// Owns which background pictures are uploaded. A described record holds its size and tile
// grid with id 0 until uploaded; eviction deletes its tiles and sets id back to 0. One upload
// at a time is under way, done in small steps (some rows read, or one tile uploaded) so that
// idle time can carry it a little at a time and a frame that needs the picture finishes it.
#include "content/picturecache.h"
#include "platform/monotonic.h"
#include "content/directories.h"
#include "platform/report.h"
#include <GL/gl.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

enum { TILE = 256, READ_ROWS = 64 };

static uint64_t lastUse[MAX_BACKGROUNDS]; // 0: not uploaded here
static uint64_t useClock;
static const my_texture* table;           // the backgroundArray the stamps belong to

// The upload under way: the raster is read one tile row (256 image rows) at a time into
// `strip`, whose tiles then go up one per step, cut and padded black as TexInit cuts them.
struct upload {
    int k = -1;                  // background index; -1 when none is under way
    FILE* file = nullptr;
    char path[1100];
    int width, height, tiles;
    GLuint first;
    unsigned char* strip;        // RGB rows of the current tile row (the whole picture if single)
    unsigned char* tile;         // one 256x256 RGB tile
    int tileRow, rowsRead, column;
    size_t got;                  // raster bytes read so far
    bool ended;                  // the file ended early: the rest is black
};
static upload job;

static void deleteNames(GLuint first, int n)
{
    for (int i = 0; i < n; i++) {
        GLuint name = first + (GLuint)i;
        glDeleteTextures(1, &name);
    }
}

// Ends the upload under way; its names are given back unless the record now owns them.
static void endUpload(bool keepNames)
{
    if (job.k < 0) return;
    if (job.file) fclose(job.file);
    if (!keepNames && job.first) deleteNames(job.first, job.tiles);
    free(job.strip);
    free(job.tile);
    job = upload{};
}

void forgetPictures()
{
    endUpload(false);
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
    deleteNames(t->id, t->tiles);
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

static bool single(const my_texture* t) { return t->tilesX == 1 && t->tilesY == 1 && t->width <= TILE && t->height <= TILE; }

// Opens the file and reserves the names; false (after the loader's line) when the picture
// can't be had or is no longer the one the header described at start-up.
static bool beginUpload(int k)
{
    my_texture* t = &backgroundArray[k];
    job.k = k;
    snprintf(job.path, sizeof job.path, "Images/%s", t->name);
    long w, h;
    job.file = openPictureRaster(job.path, &w, &h);
    if (!job.file || w != t->width || h != t->height) return false;
    job.width = (int)w;
    job.height = (int)h;
    job.tiles = t->tiles;
    int stripRows = single(t) ? job.height : TILE;
    job.strip = (unsigned char*)malloc((size_t)stripRows * job.width * 3);
    if (!job.strip) {
        report(job.path, 0, REPORT_ERROR, "ppm-memory", "Error out of Memory");
        return false;
    }
    if (!single(t) && !(job.tile = (unsigned char*)malloc(TILE * TILE * 3))) {
        report(job.path, 0, REPORT_ERROR, "texture-memory", "Texture memory malloc failed!!!");
        return false;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (single(t)) glGenTextures(1, &job.first);
    else if (!reserveTextureNames(t->tiles, &job.first, job.path)) return false;
    return true;
}

// Reads up to READ_ROWS more rows of the current tile row. A file that ends early is told
// once, with the bytes it had, and the rest of the picture stays black.
static void readRows(int stripRows)
{
    int rows = stripRows - job.rowsRead < READ_ROWS ? stripRows - job.rowsRead : READ_ROWS;
    size_t want = (size_t)rows * job.width * 3;
    unsigned char* into = job.strip + (size_t)job.rowsRead * job.width * 3;
    size_t n = job.ended ? 0 : fread(into, 1, want, job.file);
    job.got += n;
    if (n < want) {
        memset(into + n, 0, want - n);
        if (!job.ended)
            report(job.path, 0, REPORT_WARNING, "ppm-short", "Error while reading file (%ld %ld)", (long)job.got,
                   (long)((size_t)job.width * job.height * 3));
        job.ended = true;
    }
    job.rowsRead += rows;
}

static void uploadTile(const my_texture* t, int stripRows)
{
    if (single(t)) {
        uploadOpaqueTexture(job.first, job.width, job.height, job.strip);
        job.column = t->tilesX;
        return;
    }
    int columns = job.column == t->tilesX - 1 && job.width % TILE ? job.width % TILE : TILE;
    memset(job.tile, 0, TILE * TILE * 3);
    for (int r = 0; r < stripRows; r++)
        memcpy(job.tile + (size_t)r * TILE * 3, job.strip + ((size_t)r * job.width + (size_t)job.column * TILE) * 3,
               (size_t)columns * 3);
    uploadOpaqueTexture(job.first + (GLuint)(job.column + job.tileRow * t->tilesX), TILE, TILE, job.tile);
    job.column++;
}

// One step of the upload under way; true once its last tile is up.
static bool uploadStep()
{
    const my_texture* t = &backgroundArray[job.k];
    int stripRows = single(t) ? job.height : (job.tileRow == t->tilesY - 1 && job.height % TILE ? job.height % TILE : TILE);
    if (job.rowsRead < stripRows) readRows(stripRows);
    else uploadTile(t, stripRows);
    if (job.column < t->tilesX) return false;
    job.tileRow++;
    job.rowsRead = job.column = 0;
    return job.tileRow >= t->tilesY;
}

// Carries the upload of picture k on, one step and more until the deadline (-1: to its end). Returns whether
// it is resident; a picture that fails is marked unloadable (no second attempt every frame).
static bool advance(int k, int64_t deadlineUs)
{
    my_texture* t = &backgroundArray[k];
    if (job.k != k) {
        endUpload(false);
        makeRoom(k);
        if (!beginUpload(k)) {
            endUpload(false);
            t->tiles = 0;
            return false;
        }
    }
    // Uploading binds textures; the frame being drawn must find its own binding.
    glPushAttrib(GL_TEXTURE_BIT);
    bool done;
    do done = uploadStep(); // one step at least: every call makes progress
    while (!done && (deadlineUs < 0 || monotonicUs() < deadlineUs));
    glPopAttrib();
    if (!done) return false;
    t->id = job.first;
    lastUse[k] = ++useClock;
    endUpload(true);
    return true;
}

bool makePictureResident(const my_texture* record)
{
    int k = indexOf(record);
    if (k < 0 || record->tiles <= 0) return pictureResident(record);
    if (backgroundArray[k].id != 0) {
        if (lastUse[k]) lastUse[k] = ++useClock;
        return true;
    }
    return advance(k, -1);
}

bool preloadPicture(const my_texture* record, int64_t deadlineUs)
{
    int k = indexOf(record);
    if (k < 0 || record->tiles <= 0 || backgroundArray[k].id != 0) {
        makePictureResident(record); // resident: now the most recently used
        return true;
    }
    if (monotonicUs() >= deadlineUs) return false;
    advance(k, deadlineUs);
    return backgroundArray[k].id != 0 || backgroundArray[k].tiles <= 0;
}
