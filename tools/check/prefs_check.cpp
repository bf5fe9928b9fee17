// Checks prefs.txt: loads it with the viewer's own reader, learns which line set which value
// by feeding the reader one line at a time, and checks the values the viewer ended up with.
#include "checks.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "findings.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "platform/files.h"
#include "prefs/prefs.h"
#include "prefs/values.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

static const char* const PREFS = "prefs.txt";

// Every value the checks read, by name, as text.
static std::map<std::string, std::string> prefsFacts()
{
    std::map<std::string, std::string> f;
    char v[128];
    f["menus"] = std::to_string(numberOfConstantMenuSelections) + (constantMenuCoords ? "+" : "");
    for (int i = 0; constantMenuCoords && i < numberOfConstantMenuSelections; i++) {
        const int* c = constantMenuCoords + 4 * i;
        snprintf(v, sizeof v, "%d,%d,%d,%d", c[0], c[1], c[2], c[3]);
        f["menu.coords." + std::to_string(i)] = v;
        if (constantMenuLinks) f["menu.link." + std::to_string(i)] = constantMenuLinks[i];
    }
    f["startup"] = startupImageName;
    for (int i = 0; scrollCoords && i < numberOfScrollTexts; i++) {
        snprintf(v, sizeof v, "%d,%d", scrollCoords[2 * i], scrollCoords[2 * i + 1]);
        f["scroll.coords." + std::to_string(i)] = v;
    }
    snprintf(v, sizeof v, "%d,%d,%d,%d,%d", TEXT_STARTX, TEXT_STARTY, MAX_CHARACTERS_ROW, MAX_ROWS,
             ARTICLE_FONT_SPACING_Y);
    f["area"] = v;
    snprintf(v, sizeof v, "%d,%d,%d,%d", ARTICLE_BAR_START_X, ARTICLE_BAR_START_Y, ARTICLE_BAR_STOP_X,
             ARTICLE_BAR_STOP_Y);
    f["bar"] = v;
    for (int k = 0; k < 256; k++)
        if (keyShortcuts[k][0]) f["key." + std::to_string(k)] = keyShortcuts[k];
    for (int n = 0; n < 12; n++)
        if (specialKeyShortcuts[n][0]) f["fkey." + std::to_string(n)] = specialKeyShortcuts[n];
    return f;
}

static std::vector<std::string> readLines(const char* path)
{
    std::vector<std::string> lines;
    long size = 0;
    FILE* f = openRegularFile(path, &size);
    if (!f) return lines;
    std::string line;
    for (int c = getc(f);; c = getc(f)) {
        if (c == EOF || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == EOF) break;
        } else {
            line += (char)c;
        }
    }
    fclose(f);
    return lines;
}

// The reader keeps its state in globals and no state between lines of its own, so reading
// the lines one by one, each as a file of one line, ends where reading the file does.
static void learnPlaces(prefsPlaces* places)
{
    const char* dir = getenv("TMPDIR") && *getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp";
    char path[1024];
    snprintf(path, sizeof path, "%s/pagovia-check-XXXXXX", dir);
    int fd = mkstemp(path);
    if (fd < 0) return;
    std::map<std::string, std::string> was = prefsFacts();
    for (size_t k = 0; k < places->lines.size(); k++) {
        const std::string line = places->lines[k] + "\n"; // its own line end, as in the file
        if (ftruncate(fd, 0) != 0 || pwrite(fd, line.data(), line.size(), 0) != (ssize_t)line.size()) break;
        loadPrefs(path);
        std::map<std::string, std::string> now = prefsFacts();
        for (const auto& [name, value] : now)
            if (!was.count(name) || was[name] != value) places->lineOf[name] = (int)k + 1;
        was = now;
    }
    close(fd);
    unlink(path);
}

void readPrefs(prefsPlaces* places)
{
    places->lines = readLines(PREFS);
    setSinkDiscarding(true);
    learnPlaces(places);
    setSinkDiscarding(false);
    resetPrefs();
    loadPrefs(PREFS); // tells what it refuses, clamps or can't read, at its line
}

static int lineOf(const prefsPlaces& p, const std::string& name)
{
    auto found = p.lineOf.find(name);
    return found == p.lineOf.end() ? 1 : found->second;
}

// Column of the token of `key`'s value list that `pick` chooses (the last one it accepts),
// found with the viewer's own tokenizer; 0 when there is none.
static int tokenColumn(const prefsPlaces& p, int line, const char* key, bool (*pick)(const char*, const void*),
                       const void* wanted)
{
    if (line < 1 || line > (int)p.lines.size()) return 0;
    const std::string& text = p.lines[line - 1];
    size_t at = text.find(key);
    if (at == std::string::npos) return 0;
    size_t start = at + strlen(key);
    std::vector<char> list(text.begin() + (long)start, text.end());
    list.push_back('\0');
    const char* rest = list.data();
    int column = 0;
    char token[1024];
    for (int index = 0;; index++) {
        size_t offset = (size_t)(rest - list.data());
        if (getString(token, sizeof token, &rest) == -1) break;
        if (pick ? pick(token, wanted) : index == *(const int*)wanted) column = (int)(start + offset) + 1;
    }
    return column;
}

static bool tokenIsShortcut(const char* token, const void* key)
{
    return (unsigned char)token[0] == *(const int*)key && strchr(token, '=');
}

static bool tokenNamesEntry(const char* token, const void* entry)
{
    const char* name = strchr(token, '=');
    return token[0] == 'F' && name && strcmp(name + 1, (const char*)entry) == 0;
}

static bool namesTarget(const char* link, bool songsToo)
{
    return linkWordIndex(link) >= 0 || findArticle(link) >= 0 || (songsToo && findSong(link) >= 0);
}

static void checkMenuLinks(const prefsPlaces& p)
{
    if (!constantMenuCoords || !constantMenuLinks) return;
    std::vector<std::string> candidates = linkCandidates(true, true);
    for (int i = 0; i < numberOfConstantMenuSelections; i++) {
        const char* link = constantMenuLinks[i];
        if (!link[0] || namesTarget(link, true)) continue;
        int line = lineOf(p, "menu.link." + std::to_string(i));
        addFindingf(PREFS, line, tokenColumn(p, line, "MENU_LINKS: ", nullptr, &i), SEVERITY_ERROR,
                    "menu-link", "menu link %d '%s' names no article, link word or tune%s", i + 1, link,
                    suggestion(link, candidates).c_str());
    }
}

static const char* keyActionName(int action)
{
    switch (action) {
    case KEY_QUIT: return "quit";
    case KEY_REDRAW: return "redraw";
    case KEY_INFO_LINE: return "info line";
    case KEY_POINTER: return "pointer reset";
    case KEY_SLIDESHOW: return "slideshow";
    case KEY_SCREENSHOT: return "screenshot";
    default: return "";
    }
}

static void checkShortcuts(const prefsPlaces& p)
{
    std::vector<std::string> articlesOnly = linkCandidates(false, false);
    for (int k = 0; k < 256; k++) {
        const char* name = keyShortcuts[k];
        if (!name[0]) continue;
        int line = lineOf(p, "key." + std::to_string(k));
        int column = tokenColumn(p, line, "KEY_SHORTCUTS: ", tokenIsShortcut, &k);
        std::string key = printable(std::string(1, (char)k));
        if (findArticle(name) < 0)
            addFindingf(PREFS, line, column, SEVERITY_ERROR, "shortcut-target",
                        "shortcut '%s' names no article '%s'%s", key.c_str(), name,
                        suggestion(name, articlesOnly).c_str());
        else if (builtinKeyAction((unsigned char)k) != KEY_NONE)
            addFindingf(PREFS, line, column, SEVERITY_WARNING, "shortcut-shadows-key",
                        "shortcut '%s' takes the place of the viewer's own key %s (%s)", key.c_str(),
                        key.c_str(), keyActionName(builtinKeyAction((unsigned char)k)));
        else if (k == ' ')
            addFindingf(PREFS, line, column, SEVERITY_WARNING, "shortcut-blank",
                        "a blank after a comma makes the space bar the shortcut for '%s'", name);
    }
    for (int n = 0; n < 12; n++) {
        const char* name = specialKeyShortcuts[n];
        if (!name[0] || findArticle(name) >= 0) continue;
        int line = lineOf(p, "fkey." + std::to_string(n));
        addFindingf(PREFS, line, tokenColumn(p, line, "KEY_SPECIAL_SHORTCUTS: ", tokenNamesEntry, name),
                    SEVERITY_ERROR, "shortcut-target", "shortcut F%d names no article '%s'%s", n + 1, name,
                    suggestion(name, articlesOnly).c_str());
    }
}

static bool inDesignSpace(int x, int y) { return x >= 0 && x <= 1280 && y >= 0 && y <= 960; }

static void checkRectangles(const prefsPlaces& p)
{
    for (int i = 0; constantMenuCoords && i < numberOfConstantMenuSelections; i++) {
        const int* c = constantMenuCoords + 4 * i;
        if (!c[0] && !c[1] && !c[2] && !c[3]) continue; // not given: the list is short
        int line = lineOf(p, "menu.coords." + std::to_string(i));
        if (!inDesignSpace(c[0], c[1]) || !inDesignSpace(c[2], c[3]))
            addFindingf(PREFS, line, 0, SEVERITY_ERROR, "coordinates",
                        "menu selection %d (%d,%d,%d,%d) reaches outside the 1280x960 design space", i + 1,
                        c[0], c[1], c[2], c[3]);
        else if (c[2] <= c[0] || c[3] <= c[1])
            addFindingf(PREFS, line, 0, SEVERITY_ERROR, "coordinates",
                        "menu selection %d (%d,%d,%d,%d) is empty: right and bottom must exceed left and top, "
                        "so nothing can click it", i + 1, c[0], c[1], c[2], c[3]);
    }
    for (int i = 0; scrollCoords && i < numberOfScrollTexts; i++) {
        int x = scrollCoords[2 * i], y = scrollCoords[2 * i + 1];
        if (!inDesignSpace(x, y))
            addFindingf(PREFS, lineOf(p, "scroll.coords." + std::to_string(i)), 0, SEVERITY_ERROR, "coordinates",
                        "scroll text %d at %d,%d lies outside the 1280x960 design space", i + 1, x, y);
    }
    int bar[4] = {ARTICLE_BAR_START_X, ARTICLE_BAR_START_Y, ARTICLE_BAR_STOP_X, ARTICLE_BAR_STOP_Y};
    bool shown = bar[0] != -1 && bar[1] != -1 && bar[2] != -1 && bar[3] != -1;
    if (shown && (!inDesignSpace(bar[0], bar[1]) || !inDesignSpace(bar[2], bar[3])))
        addFindingf(PREFS, lineOf(p, "bar"), 0, SEVERITY_ERROR, "coordinates",
                    "the article bar (%d,%d,%d,%d) reaches outside the 1280x960 design space", bar[0], bar[1],
                    bar[2], bar[3]);
}

// The article area: rows of MAX_CHARACTERS_ROW cells of 16 units from TEXT_STARTX, the title
// row 32 units above TEXT_STARTY and MAX_ROWS + 1 rows of 16 + ARTICLE_ROW_OFFSET units.
static void checkArticleArea(const prefsPlaces& p)
{
    int line = lineOf(p, "area");
    long right = (long)TEXT_STARTX + 16L * MAX_CHARACTERS_ROW;
    long bottom = (long)TEXT_STARTY + ((long)MAX_ROWS + 1) * (16 + ARTICLE_FONT_SPACING_Y);
    if (!inDesignSpace(TEXT_STARTX, TEXT_STARTY) || TEXT_STARTY - 32 < 0)
        addFindingf(PREFS, line, 0, SEVERITY_ERROR, "coordinates",
                    "the article text starts at %d,%d, outside the 1280x960 design space (its title row "
                    "sits 32 units higher)", TEXT_STARTX, TEXT_STARTY);
    else if (right > 1280 || bottom > 960)
        addFindingf(PREFS, line, 0, SEVERITY_ERROR, "coordinates",
                    "the article area from %d,%d reaches %ld,%ld, outside the 1280x960 design space (%d "
                    "characters a row, %d rows a page)", TEXT_STARTX, TEXT_STARTY, right, bottom,
                    MAX_CHARACTERS_ROW, MAX_ROWS + 1);
}

static void checkStartupImage(const prefsPlaces& p, const pictureFacts& pictures)
{
    if (!startupImageName[0]) return;
    for (const std::string& name : pictures.images)
        if (name == startupImageName) return;
    addFindingf(PREFS, lineOf(p, "startup"), 0, SEVERITY_ERROR, "startup-image",
                "STARTUP_IMAGE '%s' is no picture in Images/%s", startupImageName,
                suggestion(startupImageName, pictures.images).c_str());
}

void checkPrefsValues(const prefsPlaces& places, const pictureFacts& pictures)
{
    checkMenuLinks(places);
    checkShortcuts(places);
    checkRectangles(places);
    checkArticleArea(places);
    checkStartupImage(places, pictures);
}
