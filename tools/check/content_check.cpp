// Checks the content directories: the article catalogue as the viewer builds it, the tunes
// with the player's decoder, and every picture the viewer loads, with its own PPM reader.
#include "checks.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "content/textures.h"
#include "findings.h"
#include "input/mouse.h"
#include "input/pointer.h"
#include "music/link.h"
#include "platform/dirlist.h"
#include "platform/files.h"
#include "app/screen.h"
#include "text/render.h"
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <libopenmpt/libopenmpt.h>
#include <sys/stat.h>

static void addName(const char* name, void* user) { ((std::vector<std::string>*)user)->push_back(name); }

std::vector<std::string> listNames(const char* directory)
{
    std::vector<std::string> names;
    listDirectory(directory, addName, &names);
    return names;
}

static std::string lower(std::string s)
{
    for (char& c : s) c = (char)tolower((unsigned char)c);
    return s;
}

std::string suggestion(const std::string& name, const std::vector<std::string>& candidates)
{
    const std::string* best = nullptr;
    int bestDistance = 3;
    for (const std::string& c : candidates) {
        int d = lower(c) == lower(name) ? 0 : editDistance(name, c, 2);
        if (d < bestDistance || (d == bestDistance && best && c < *best)) {
            bestDistance = d;
            best = &c;
        }
    }
    return best && bestDistance <= 2 ? " (did you mean '" + *best + "'?)" : "";
}

std::vector<std::string> linkCandidates(bool withLinkWords, bool withSongs)
{
    std::vector<std::string> names;
    for (int i = 0; articleArray && i < articles; i++) names.push_back(articleArray[i].name);
    for (int i = 0; withLinkWords && i < NUMBER_OF_LINK_WORDS; i++) names.push_back(LINK_WORDS[i]);
    for (int i = 0; withSongs && i < numberOfSongs; i++) {
        names.push_back(songFileName(songNames[i]));
    }
    return names;
}

// Editor backups and temporary files: the viewer takes them in like any other file.
static bool looksLikeBackup(const std::string& n)
{
    auto ends = [&](const char* tail) {
        size_t t = strlen(tail);
        return n.size() >= t && n.compare(n.size() - t, t, tail) == 0;
    };
    return ends("~") || n.rfind(".#", 0) == 0 || (n.size() > 1 && n[0] == '#' && ends("#")) ||
           ends(".swp") || ends(".swo") || ends(".bak") || ends(".tmp") || ends(".orig") || n == ".DS_Store";
}

// Backups and names that differ only in case, in one content directory.
static void checkNames(const char* directory, std::vector<std::string> names, const char* becomes)
{
    std::sort(names.begin(), names.end());
    std::map<std::string, std::string> seen;
    for (const std::string& n : names) {
        std::string path = std::string(directory) + "/" + n;
        if (looksLikeBackup(n))
            addFindingf(path, 0, 0, SEVERITY_WARNING, "backup-file",
                        "looks like an editor backup or temporary file, and the viewer %s", becomes);
        auto [it, fresh] = seen.insert({lower(n), n});
        if (!fresh)
            addFindingf(path, 0, 0, SEVERITY_WARNING, "name-case",
                        "differs from '%s' only in case: a copy on a file system that ignores case keeps "
                        "only one of them", it->second.c_str());
    }
}

bool checkCatalogue()
{
    std::vector<std::string> names = listNames("Articles");
    checkNames("Articles", names, "shows it as an article");
    int ok = readArticles();
    if (!ok && !names.empty()) {
        addFindingf("Articles", 0, 0, SEVERITY_ERROR, "catalogue",
                    "an article can't be read, and then the viewer shows no article at all");
        return false;
    }
    // The viewer tells the folder's count; each file it leaves out is named here instead.
    dropViewerFindings("Articles", "too-many-files");
    for (const std::string& n : names)
        if (findArticle(n.c_str()) < 0)
            addFindingf("Articles/" + n, 0, 0, SEVERITY_ERROR, "too-many-files",
                        "is left out: the viewer keeps the %d articles whose names sort first", MAX_ARTICLES);
    return true;
}

// Asks the player's decoder, without playing, whether it can read the tune.
static void checkDecodes(const std::string& path)
{
    long size = 0;
    FILE* f = openRegularFile(path.c_str(), &size); // a FIFO in Songs/ must not stall the check
    std::vector<char> data;
    if (f) {
        char chunk[65536];
        for (size_t n; (n = fread(chunk, 1, sizeof chunk, f)) > 0;) data.insert(data.end(), chunk, chunk + n);
        fclose(f);
    }
    int error = 0;
    const char* why = nullptr;
    openmpt_module* mod = openmpt_module_create_from_memory2(data.data(), data.size(), openmpt_log_func_silent,
                                                             nullptr, openmpt_error_func_ignore, nullptr, &error,
                                                             &why, nullptr);
    if (mod) {
        openmpt_module_destroy(mod);
    } else {
        addFindingf(path, 0, 0, SEVERITY_ERROR, "song-decode", "the player cannot decode this tune%s%s",
                    why && *why ? ": " : "", why ? why : "");
    }
    if (why) openmpt_free_string(why);
}

void checkSongs()
{
    std::vector<std::string> names = listNames("Songs");
    checkNames("Songs", names, "lists it as a tune");
    readSongNames();
    dropViewerFindings("Songs", "too-many-files"); // each tune left out is named below
    dropViewerFindings("Songs", "tune-name-length");
    for (const std::string& n : names) {
        std::string path = "Songs/" + n;
        if (findSong(n.c_str()) >= 0) checkDecodes(path);
        else
            addFindingf(path, 0, 0, SEVERITY_ERROR, "too-many-files",
                        "is left out of the tune list (at most %d tunes, names of at most 55 characters)",
                        MAX_SONGS);
    }
}

// What a file that is no binary PPM is, from its first bytes; null when unknown.
static const char* otherFormat(const std::string& path)
{
    unsigned char head[12] = {};
    long size = 0;
    FILE* f = openRegularFile(path.c_str(), &size);
    if (!f) return nullptr;
    size_t n = fread(head, 1, sizeof head, f);
    fclose(f);
    if (n >= 8 && memcmp(head, "\x89PNG", 4) == 0) return "a PNG picture";
    if (n >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return "a JPEG picture";
    if (n >= 4 && memcmp(head, "GIF8", 4) == 0) return "a GIF picture";
    if (n >= 2 && memcmp(head, "BM", 2) == 0) return "a BMP picture";
    if (n >= 12 && memcmp(head, "FORM", 4) == 0) return "an IFF picture";
    if (n >= 2 && head[0] == 'P' && strchr("12345", head[1])) return "a PNM file of another kind (not P6)";
    return nullptr;
}

// Loads one picture as the viewer does, whose reader tells why it refuses one; returns its
// pixels (or null). A picture of another format is named as what it is.
static unsigned char* loadPicture(const std::string& path, int mode, long* w, long* h)
{
    unsigned char* pixels = LoadPPM(path.c_str(), w, h, mode);
    if (pixels) return pixels;
    const char* other = otherFormat(path);
    if (!other) return nullptr;
    dropViewerFindings(path); // "can't scan the header" says less than what it is
    addFindingf(path, 0, 0, SEVERITY_ERROR, "picture-format",
                "is %s, but the viewer reads only binary PPM (P6, maximum 255)", other);
    return nullptr;
}

static void checkImages(pictureFacts* facts)
{
    std::vector<std::string> names = listNames("Images");
    checkNames("Images", names, "shows it in the slideshow");
    backgrounds = 0;
    free(backgroundArray);
    backgroundArray = (my_texture*)calloc(MAX_BACKGROUNDS, sizeof(my_texture));
    for (const std::string& n : names) {
        std::string path = "Images/" + n;
        if (!backgroundArray || backgrounds == MAX_BACKGROUNDS) {
            addFindingf(path, 0, 0, SEVERITY_ERROR, "too-many-files",
                        "is left out: the viewer keeps the first %d pictures it lists", MAX_BACKGROUNDS);
            continue;
        }
        long w, h;
        unsigned char* pixels = loadPicture(path, 1, &w, &h);
        free(pixels);
        my_texture& t = backgroundArray[backgrounds++];
        snprintf(t.name, sizeof t.name, "%s", n.c_str());
        t.width = (int)w;
        t.height = (int)h;
        t.tiles = pixels ? 1 : 0;
        facts->images.push_back(n);
    }
}

// The top and bottom menus are the first two pictures of Menus/ in name order, stretched
// to the 1280-unit design width.
static void checkMenus()
{
    std::vector<std::string> names = listNames("Menus");
    checkNames("Menus", names, "may draw it as a menu");
    std::sort(names.begin(), names.end());
    if (names.size() < 2)
        addFindingf("Menus", 0, 0, SEVERITY_WARNING, "menu-missing",
                    "holds %zu menu picture%s; the viewer draws two, at the top and at the bottom", names.size(),
                    names.size() == 1 ? "" : "s");
    for (size_t i = 0; i < names.size(); i++) {
        std::string path = "Menus/" + names[i];
        if (i >= 2) {
            addFindingf(path, 0, 0, SEVERITY_WARNING, "menu-unused",
                        "is never shown: the viewer draws the first two menu pictures in name order");
            continue;
        }
        long w, h;
        unsigned char* pixels = loadPicture(path, 0, &w, &h);
        free(pixels);
        if (pixels && w != 1280)
            addFindingf(path, 0, 0, SEVERITY_WARNING, "menu-width",
                        "is %ld pixels wide: the viewer scales it by %.3g to 1280 units, so buttons drawn on it "
                        "move away from MENU_COORDS measured in its pixels", w, 1280.0 / (double)w);
    }
}

// A byte has a cell at a resolution when its cell lies in the atlas and holds a glyph (a
// blank cell shows nothing). The two resolutions share the atlas: the grid that starts
// lower owns its rows, so a cell of the other grid that reaches into them is no cell.
static void learnCells(pictureFacts* facts, const unsigned char* rgba, long w, long h)
{
    glyphCellRect grid[2][256];
    float top[2] = {1.0f, 1.0f};
    for (int r = 0; r < 2; r++) {
        computeScreenMetrics(r);
        for (int b = 0; b < 256; b++) {
            grid[r][b] = glyphCell((unsigned char)b);
            if (b >= 32) top[r] = std::min(top[r], grid[r][b].t0);
        }
    }
    computeScreenMetrics(0);
    int later = top[1] > top[0] ? 1 : 0;
    for (int r = 0; r < 2; r++)
        for (int b = 33; b < 256; b++) {
            const glyphCellRect& c = grid[r][b];
            bool inside = c.s0 >= 0 && c.t0 >= 0 && c.s1 <= 1.0001f && c.t1 <= 1.0001f;
            if (r != later && c.t1 > top[later] + 1e-4f) inside = false;
            bool ink = false;
            for (long y = (long)(c.t0 * h); inside && !ink && y < (long)(c.t1 * h) && y < h; y++)
                for (long x = (long)(c.s0 * w); !ink && x < (long)(c.s1 * w) && x < w; x++)
                    ink = rgba[4 * (y * w + x) + 3] > 0;
            facts->hasCell[r][b] = inside && ink;
        }
    for (int r = 0; r < 2; r++) facts->hasCell[r][32] = true;
}

static void checkFont(pictureFacts* facts)
{
    const char* path = "Fonts/font4.pbm";
    long w, h;
    unsigned char* rgba = loadPicture(path, 2, &w, &h); // a missing atlas is told by the viewer
    if (!rgba) return;
    if (w > 256 || h > 256)
        addFindingf(path, 0, 0, SEVERITY_ERROR, "font-size", "the font atlas is %ldx%ld: beyond 256x256 it is "
                    "split into tiles and the viewer draws letters from the first tile only", w, h);
    else if (w != 256 || h != 256)
        addFindingf(path, 0, 0, SEVERITY_WARNING, "font-size", "the font atlas is %ldx%ld; the viewer's cells "
                    "are laid out for 256x256 (16 and 8 pixels)", w, h);
    learnCells(facts, rgba, w, h);
    facts->atlas = true;
    free(rgba);
}

static void checkPointers()
{
    const char* path = "Pointers/pointers.iff";
    struct stat st;
    if (stat(path, &st) != 0)
        addFindingf(path, 0, 0, SEVERITY_WARNING, "pointer-sheet",
                    "the pointer sheet is missing: the viewer shows the system pointer");
    else
        loadPointers(); // the viewer's loader tells a sheet it can't use, and one too small
    freePointers();
}

void checkPictures(pictureFacts* facts)
{
    checkImages(facts);
    checkMenus();
    checkFont(facts);
    checkPointers();
}
