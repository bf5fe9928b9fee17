// Owns the preference globals and the tables prefs.txt allocates; only loadPrefs sets the
// values and only freePrefs (or a later MENUS/SCROLLTEXTS line) releases the tables.
#include "prefs/prefs.h"
#include "app/screen.h"
#include "prefs/values.h"
#include "platform/files.h"
#include "text/encoding.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

menuSelection menuSelections[MAX_MENU_SELECTIONS];
int numberOfMenuSelections = 0;

int numberOfConstantMenuSelections = 13;
int* constantMenuCoords = nullptr;
char (*constantMenuLinks)[40] = nullptr;
char startupImageName[1024];
int numberOfScrollTexts = 0;
int* scrollCoords = nullptr;
int* scrollLength = nullptr;
char** scrollTexts = nullptr;
int MAX_CHARACTERS_ROW = 70;
int MAX_ROWS = 45;
int TEXT_STARTX = 80;
int TEXT_STARTY = 160;
int ARTICLE_BAR_START_X = -1, ARTICLE_BAR_START_Y = -1, ARTICLE_BAR_STOP_X = -1, ARTICLE_BAR_STOP_Y = -1;
int SLIDESHOW_CHANGE_TIME = 5;
double BKG_DIMMER_VALUE = (double)0.3f;
int articleShowTitle = 1;
m_color4f articleTitleColor = {1.0f, 1.0f, 1.0f, 1.0f};
char keyShortcuts[256][40];
char specialKeyShortcuts[12][40];

enum {
    TOKEN_SIZE = 40,
    SCROLL_PATH_SIZE = 64,
    // More constant selections than the selection table holds could never be registered.
    MAX_CONSTANT_MENUS = MAX_MENU_SELECTIONS,
    MAX_SCROLL_TEXTS = 256,
    MIN_CHARACTERS_ROW = 4, // the break decision needs two usable columns on a heading row
};

static void freeMenuTables()
{
    free(constantMenuCoords);
    free(constantMenuLinks);
    constantMenuCoords = nullptr;
    constantMenuLinks = nullptr;
}

static void freeScrollTables()
{
    for (int i = 0; scrollTexts && i < numberOfScrollTexts; i++) free(scrollTexts[i]);
    free(scrollTexts);
    free(scrollCoords);
    free(scrollLength);
    scrollTexts = nullptr;
    scrollCoords = nullptr;
    scrollLength = nullptr;
}

void freePrefs()
{
    freeMenuTables();
    freeScrollTables();
    numberOfScrollTexts = 0;
}

// "Last value counts": every value up to the list's end (or an empty token or -1) is taken
// in turn; returns 0 when the list held none.
static int lastValue(char* list, int* value)
{
    int found = 0;
    for (int v = getValue(list); v != -1; v = getValue(list)) {
        *value = v;
        found = 1;
    }
    return found;
}

static void readIntegers(char* list, int* table, int count)
{
    for (int i = 0; i < count; i++) {
        int v = getValue(list);
        if (v == -1) return;
        table[i] = v;
    }
}

static void setMenus(char* list)
{
    int n = 0;
    if (!lastValue(list, &n) || n <= 0) return;
    if (n > MAX_CONSTANT_MENUS) {
        fprintf(stderr, "MENUS: %d refused, there is room for at most %d menu selections\n", n,
                MAX_CONSTANT_MENUS);
        return;
    }
    freeMenuTables();
    constantMenuCoords = (int*)calloc(4 * (size_t)n, sizeof(int));
    constantMenuLinks = (char(*)[40])calloc((size_t)n, sizeof *constantMenuLinks);
    if (!constantMenuCoords || !constantMenuLinks) {
        fprintf(stderr, "Unable to allocate data for %d menu selections!\n", n);
        freeMenuTables();
        return;
    }
    numberOfConstantMenuSelections = n;
}

static void setMenuCoords(char* list)
{
    if (constantMenuCoords) readIntegers(list, constantMenuCoords, 4 * numberOfConstantMenuSelections);
}

static void setMenuLinks(char* list)
{
    if (!constantMenuCoords || !constantMenuLinks) return;
    char token[TOKEN_SIZE];
    for (int i = 0; i < numberOfConstantMenuSelections && getString(token, sizeof token, list) != -1; i++)
        snprintf(constantMenuLinks[i], sizeof constantMenuLinks[i], "%s", token);
}

static void setStartupImage(char* list)
{
    if (getString(startupImageName, sizeof startupImageName, list) != -1) mode = 1;
}

static void setScrollTexts(char* list)
{
    int n = 0;
    if (!lastValue(list, &n) || n <= 0) return;
    if (n > MAX_SCROLL_TEXTS) {
        fprintf(stderr, "SCROLLTEXTS: %d refused, at most %d scroll texts\n", n, MAX_SCROLL_TEXTS);
        return;
    }
    freeScrollTables();
    numberOfScrollTexts = 0;
    scrollCoords = (int*)calloc(2 * (size_t)n, sizeof(int));
    scrollTexts = (char**)calloc((size_t)n, sizeof(char*));
    scrollLength = (int*)calloc((size_t)n, sizeof(int));
    if (!scrollCoords || !scrollTexts || !scrollLength) {
        fprintf(stderr, "Unable to allocate data for %d scroll texts!\n", n);
        freeScrollTables();
        return;
    }
    numberOfScrollTexts = n;
}

static void setScrollCoords(char* list)
{
    if (scrollCoords) readIntegers(list, scrollCoords, 2 * numberOfScrollTexts);
}

static void setScrollLength(char* list)
{
    if (scrollLength) readIntegers(list, scrollLength, numberOfScrollTexts);
}

// Reads a whole scroll file as one line (line feeds become blanks). Returns the text, or
// null with *opened telling whether the file could be opened at all.
static char* readScrollFile(const char* path, int* opened)
{
    *opened = 0;
    long size;
    FILE* file = openRegularFile(path, &size);
    if (!file) return nullptr;
    *opened = 1;
    char* text = (char*)malloc((size_t)size + 1);
    if (text) {
        size_t got = fread(text, 1, (size_t)size, file);
        text[got] = '\0';
        for (char* lf = (char*)memchr(text, '\n', got); lf; lf = (char*)memchr(lf, '\n', got - (lf - text)))
            *lf = ' ';
    }
    convertUtf8ToLatin1(text, path);
    fclose(file);
    return text;
}

static void setScrollFiles(char* list)
{
    if (!scrollTexts) return;
    char token[TOKEN_SIZE];
    int slot = 0;
    while (slot < numberOfScrollTexts && getString(token, sizeof token, list) != -1) {
        char path[SCROLL_PATH_SIZE];
        snprintf(path, sizeof path, "ScrollTexts/%s", token);
        int opened = 0;
        char* text = readScrollFile(path, &opened);
        if (!opened) {
            fprintf(stderr, "Unable to read scroll file '%s'\n", token);
            continue;
        }
        if (!text) {
            fprintf(stderr, "Unable to allocate data for scroll text %d (%s)!\n", slot, token);
            return;
        }
        free(scrollTexts[slot]); // a second SCROLL_FILES line replaces the text
        scrollTexts[slot++] = text;
    }
}

static void setCharactersRow(char* list)
{
    for (int v = getValue(list); v != -1; v = getValue(list)) {
        if (v < MIN_CHARACTERS_ROW)
            fprintf(stderr, "ARTICLE_MAX_CHARACTERS_ROW: %d refused, a row needs at least %d characters; "
                            "keeping %d\n", v, MIN_CHARACTERS_ROW, MAX_CHARACTERS_ROW);
        else
            MAX_CHARACTERS_ROW = v;
    }
}

static void setRows(char* list)
{
    for (int v = getValue(list); v != -1; v = getValue(list)) {
        if (v < 0)
            fprintf(stderr, "ARTICLE_ROWS: %d refused, the number of rows can't be negative; keeping %d\n", v,
                    MAX_ROWS);
        else
            MAX_ROWS = v;
    }
}

static void setTextStart(char* list)
{
    TEXT_STARTX = getValue(list);
    TEXT_STARTY = getValue(list);
}

static void setBarCoords(char* list)
{
    ARTICLE_BAR_START_X = getValue(list);
    ARTICLE_BAR_START_Y = getValue(list);
    ARTICLE_BAR_STOP_X = getValue(list);
    ARTICLE_BAR_STOP_Y = getValue(list);
}

static void setSlideshowTime(char* list) { lastValue(list, &SLIDESHOW_CHANGE_TIME); }
static void setRowOffset(char* list) { lastValue(list, &ARTICLE_FONT_SPACING_Y); }

static void setDimmer(char* list)
{
    int percent = 0;
    if (lastValue(list, &percent)) BKG_DIMMER_VALUE = percent / 100.0;
}

static void setShowTitle(char* list)
{
    int value = 0;
    if (lastValue(list, &value)) articleShowTitle = value == 1 ? 1 : 0;
}

static void setTitleColor(char* list)
{
    float* components[4] = {&articleTitleColor.r, &articleTitleColor.g, &articleTitleColor.b,
                            &articleTitleColor.a};
    for (float* component : components) {
        double v = getValuef(list);
        if (v != -1.0) *component = (float)v;
    }
}

static void setKeyShortcuts(char* list)
{
    char token[TOKEN_SIZE];
    while (getString(token, sizeof token, list) != -1) {
        const char* name = strchr(token, '=');
        if (!name) continue;
        char* entry = keyShortcuts[(unsigned char)token[0]];
        snprintf(entry, sizeof keyShortcuts[0], "%s", name + 1);
    }
}

// F12..F10 are tested before F9..F1, so "F10" is not taken for F1 (but "F13" is).
static int functionKeyNumber(const char* token)
{
    static const char* const longNames[] = {"F12", "F11", "F10"};
    static const char* const shortNames[] = {"F9", "F8", "F7", "F6", "F5", "F4", "F3", "F2", "F1"};
    for (int k = 0; k < 3; k++)
        if (strncmp(token, longNames[k], 3) == 0) return 12 - k;
    for (int k = 0; k < 9; k++)
        if (strncmp(token, shortNames[k], 2) == 0) return 9 - k;
    return 0;
}

static void setSpecialKeyShortcuts(char* list)
{
    char token[TOKEN_SIZE];
    while (getString(token, sizeof token, list) != -1) {
        int n = functionKeyNumber(token);
        const char* name = strchr(token, '=');
        if (n == 0 || !name) continue;
        snprintf(specialKeyShortcuts[n - 1], sizeof specialKeyShortcuts[0], "%s", name + 1);
    }
}

struct prefKey {
    const char* key;
    void (*handle)(char* list);
};

// Searched in this order; the first key found anywhere in a line decides.
static const prefKey prefKeys[] = {
    {"MENUS: ", setMenus},
    {"MENU_COORDS: ", setMenuCoords},
    {"MENU_LINKS: ", setMenuLinks},
    {"STARTUP_IMAGE: ", setStartupImage},
    {"SCROLLTEXTS: ", setScrollTexts},
    {"SCROLL_COORDS: ", setScrollCoords},
    {"SCROLL_LENGTH: ", setScrollLength},
    {"SCROLL_FILES: ", setScrollFiles},
    {"ARTICLE_MAX_CHARACTERS_ROW: ", setCharactersRow},
    {"ARTICLE_ROWS: ", setRows},
    {"ARTICLE_TEXT_START: ", setTextStart},
    {"ARTICLE_BAR_COORDS: ", setBarCoords},
    {"SLIDESHOW_CHANGE_TIME: ", setSlideshowTime},
    {"ARTICLE_ROW_OFFSET: ", setRowOffset},
    {"BKG_DIMMER_VALUE: ", setDimmer},
    {"ARTICLE_SHOW_TITLE: ", setShowTitle},
    {"ARTICLE_TITLE_COLOR: ", setTitleColor},
    {"KEY_SHORTCUTS: ", setKeyShortcuts},
    {"KEY_SPECIAL_SHORTCUTS: ", setSpecialKeyShortcuts},
};

static void handleLine(char* line)
{
    if (line[0] == '#') return;
    for (const prefKey& k : prefKeys) {
        char* found = strstr(line, k.key);
        if (found) {
            k.handle(found + strlen(k.key));
            return;
        }
    }
}

int loadPrefs(const char* fileName)
{
    long size;
    FILE* file = openRegularFile(fileName, &size);
    if (!file) return -1;
    char* buffer = (char*)malloc((size_t)size + 1);
    if (!buffer) {
        fprintf(stderr, "Unable to allocate data for prefs file!\n");
        fclose(file);
        return -1;
    }
    size_t length = fread(buffer, 1, (size_t)size, file);
    buffer[length] = '\0';
    fclose(file);
    // Lines are cut at every line feed first, so handlers that shorten a value list in place
    // never change where the next line begins. Carriage returns stay in the values.
    size_t start = 0;
    for (;;) {
        char* lf = (char*)memchr(buffer + start, '\n', length - start);
        if (lf) *lf = '\0';
        handleLine(buffer + start);
        if (!lf) break;
        start = (size_t)(lf - buffer) + 1;
    }
    free(buffer);
    return 0;
}
