// Owns the menu, picture and tune tables and their loading from Menus, Images and Songs.
// Tables are never written past their limits: excess files are left out with one message.
#include "content/directories.h"
#include "content/picturecache.h"
#include "content/sortedtable.h"
#include "platform/dirlist.h"
#include "platform/report.h"
#include <GL/gl.h>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

my_texture* menuArray = nullptr;
int menus = 0;
my_texture* backgroundArray = nullptr;
int backgrounds = 0;
char songNames[MAX_SONGS][64];
int numberOfSongs = 0;

// Tile k of a record is texture id + k.
static void deleteTextures(const my_texture* t)
{
    for (int k = 0; k < t->tiles; k++) {
        GLuint name = t->id + (GLuint)k;
        glDeleteTextures(1, &name);
    }
}

// A record with nothing loaded yet: renderers skip it (no tiles) until TexInit fills it.
static void loadRecord(my_texture* t, const char* directory, const char* name, int mode)
{
    char path[1024];
    memset(t, 0, sizeof *t);
    snprintf(path, sizeof path, "%s/%s", directory, name);
    TexInit(t, path, mode);
    snprintf(t->name, sizeof t->name, "%s", name);
}

static_assert(offsetof(my_texture, name) == 0, "the sorted insertion reads the name first");

static void reportExcess(const char* directory, int ignored, int limit)
{
    if (ignored > 0)
        report(directory, 0, REPORT_WARNING, "too-many-files", "more than %d files, %d ignored", limit, ignored);
}

// Sorted insertion; when the table is full the name sorting last is the one left out, so
// which images show does not depend on the order the file system lists them in.
static void addMenu(const char* name, void* user)
{
    int* ignored = (int*)user;
    if (menus == MAX_MENUS && strcmp(name, menuArray[MAX_MENUS - 1].name) > 0) {
        (*ignored)++;
        return;
    }
    my_texture carried;
    loadRecord(&carried, "Menus", name, 0);
    if (menus == MAX_MENUS) {
        deleteTextures(&menuArray[--menus]);
        (*ignored)++;
    }
    insertByName(menuArray, menus++, sizeof *menuArray, &carried);
}

// Lists one picture directory into its table of `limit` records, allocated on first use.
// A listing failure deletes every texture made so far and releases the table.
static int readTextureTable(my_texture** table, int* count, int limit, const char* directory,
                            dirListVisitor add, int (*release)())
{
    *count = 0;
    if (!*table) *table = (my_texture*)malloc(sizeof(my_texture) * limit);
    if (!*table) return 0;
    memset(*table, 0, sizeof(my_texture) * limit);
    int ignored = 0;
    int ok = listDirectory(directory, add, &ignored);
    reportExcess(directory, ignored, limit);
    if (!ok) {
        for (int j = 0; j < *count; j++) deleteTextures(&(*table)[j]);
        release();
        return 0;
    }
    return 1;
}

// The magazine view draws two menu pictures, the first and the second by name.
int readMenus()
{
    int ok = readTextureTable(&menuArray, &menus, MAX_MENUS, "Menus", addMenu, cleanupMenus);
    if (menus == 0)
        report("Menus", 0, REPORT_WARNING, "menu-missing", "no menu pictures: the top and bottom menus stay empty");
    else if (menus == 1)
        report("Menus", 0, REPORT_WARNING, "menu-missing", "one menu picture only: the bottom menu stays empty");
    return ok;
}

// Pictures keep the listing order; past the table's end the rest is left out.
static void addBackground(const char* name, void* user)
{
    int* ignored = (int*)user;
    if (backgrounds == MAX_BACKGROUNDS) {
        (*ignored)++;
        return;
    }
    // Only the header now: the picture is uploaded when first shown.
    my_texture* t = &backgroundArray[backgrounds++];
    char path[1024];
    memset(t, 0, sizeof *t);
    snprintf(path, sizeof path, "Images/%s", name);
    describePicture(t, path);
    snprintf(t->name, sizeof t->name, "%s", name);
}

int readBackgrounds()
{
    forgetPictures();
    return readTextureTable(&backgroundArray, &backgrounds, MAX_BACKGROUNDS, "Images", addBackground,
                            cleanupBackgrounds);
}

// The entries sort as their quoted forms ("\"Songs/<name>\"") compare with strcmp, the order
// tunes have always had: past its end an entry reads on as its closing quote, so "a b" and
// "a!" come before "a" (blank and '!' are below the quote).
static int songOrder(const char* a, const char* b)
{
    while (*a && *a == *b) a++, b++;
    if (*a && *b) return (unsigned char)*a - (unsigned char)*b;
    if (!*a && !*b) return 0;
    int aEnds = !*a;
    unsigned char c = aEnds ? *b : *a;
    return aEnds == (c >= '"') ? -1 : 1;
}

// An entry is the plain relative path, "Songs/<name>", with room left for the two quotes of
// a command line: at most 55 characters of name.
static void addSong(const char* name, void* user)
{
    int* ignored = (int*)user;
    char carried[64];
    int n = snprintf(carried, sizeof carried, "Songs/%s", name);
    if (n < 0 || n + 2 >= (int)sizeof carried) {
        report("Songs", 0, REPORT_WARNING, "tune-name-length", "Tune name longer than %d characters, skipped: %s",
               (int)sizeof carried - 9, name);
        return;
    }
    if (numberOfSongs == MAX_SONGS) {
        if (songOrder(carried, songNames[MAX_SONGS - 1]) > 0) {
            (*ignored)++;
            return;
        }
        numberOfSongs--;
        (*ignored)++;
    }
    insertByName(songNames, numberOfSongs++, sizeof songNames[0], carried, songOrder);
}

int readSongNames()
{
    numberOfSongs = 0;
    memset(songNames, 0, sizeof songNames);
    int ignored = 0;
    // A failed or missing listing keeps the tunes found so far.
    listDirectory("Songs", addSong, &ignored);
    reportExcess("Songs", ignored, MAX_SONGS);
    reportFlush(); // the tunes are the last content start-up loads
    return 1;
}

int findSong(const char* fileName)
{
    char key[74] = {};
    int n = snprintf(key, sizeof key, "Songs/%s", fileName);
    if (n < 0 || (size_t)n >= sizeof key) return -1;
    int count = numberOfSongs < MAX_SONGS ? numberOfSongs : MAX_SONGS;
    for (int i = 0; i < count; i++)
        if (strcmp(songNames[i], key) == 0) return i;
    return -1;
}

int cleanupMenus()
{
    free(menuArray);
    menuArray = nullptr;
    menus = 0;
    return 1;
}

int cleanupBackgrounds()
{
    free(backgroundArray);
    backgroundArray = nullptr;
    forgetPictures();
    backgrounds = 0;
    return 1;
}
