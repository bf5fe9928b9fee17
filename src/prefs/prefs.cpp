// Owns the preference globals and the tables prefs.txt allocates: loadPrefs sets the values,
// resetPrefs returns them to their defaults, freePrefs (or a later MENUS/SCROLLTEXTS line)
// releases the tables. Every value refused, clamped or unusable is reported at its line.
#include "prefs/prefs.h"
#include "prefs/values.h"
#include "platform/files.h"
#include "platform/report.h"
#include <cctype>
#include <cerrno>
#include <climits>
#include "text/encoding.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

// Every preference's default, written once: the definitions start from them and resetPrefs
// returns to them.
enum { DEFAULT_MENUS = 13, DEFAULT_COLUMNS = 70, DEFAULT_ROWS = 45, DEFAULT_TEXT_X = 80, DEFAULT_TEXT_Y = 160,
       DEFAULT_SLIDESHOW_TIME = 5, NO_BAR = -1 };
static constexpr double DEFAULT_DIMMER = (double)0.3f;
static constexpr m_color4f DEFAULT_TITLE_COLOR = {1.0f, 1.0f, 1.0f, 1.0f};

int numberOfConstantMenuSelections = DEFAULT_MENUS;
int* constantMenuCoords = nullptr;
char (*constantMenuLinks)[LINK_SIZE] = nullptr;
char startupImageName[1024];
int numberOfScrollTexts = 0;
int* scrollCoords = nullptr;
int* scrollLength = nullptr;
char** scrollTexts = nullptr;
int MAX_CHARACTERS_ROW = DEFAULT_COLUMNS;
int MAX_ROWS = DEFAULT_ROWS;
int TEXT_STARTX = DEFAULT_TEXT_X;
int TEXT_STARTY = DEFAULT_TEXT_Y;
int ARTICLE_FONT_SPACING_Y = 0;
int ARTICLE_BAR_START_X = NO_BAR, ARTICLE_BAR_START_Y = NO_BAR, ARTICLE_BAR_STOP_X = NO_BAR, ARTICLE_BAR_STOP_Y = NO_BAR;
int SLIDESHOW_CHANGE_TIME = DEFAULT_SLIDESHOW_TIME;
double BKG_DIMMER_VALUE = DEFAULT_DIMMER;
int articleShowTitle = 1;
m_color4f articleTitleColor = DEFAULT_TITLE_COLOR;
char keyShortcuts[256][LINK_SIZE];
char specialKeyShortcuts[12][LINK_SIZE];


enum {
    TOKEN_SIZE = LINK_SIZE,
    SCROLL_PATH_SIZE = 64,
    // More constant selections than the selection table holds could never be registered.
    MAX_CONSTANT_MENUS = MAX_MENU_SELECTIONS,
    // Tickers need no selection records; the cap only bounds their memory.
    MAX_SCROLL_TEXTS = 256,
    MIN_CHARACTERS_ROW = 4, // the break decision needs two usable columns on a heading row
    // Far outside the 1280x960 design space, yet a coordinate plus a few widths, or the
    // difference of two, stays far from int's range wherever it is drawn.
    COORDINATE_LIMIT = 32768,
    MAX_SCROLL_LENGTH = DESIGN_WIDTH / DESIGN_CELL, // a ticker no longer than the screen is wide, in cells
    SCROLL_TEXT_LIMIT = 1 << 20,
};

// The file being read and the line being handled: every finding names both.
static const char* prefsFile = "prefs.txt";
static int lineNumber = 0;
// The counts as written, so that a list is measured against what the maker meant also when
// the table keeps fewer.
static int menusWritten = 0, scrollTextsWritten = 0;

struct valueRange {
    int low, high;
    const char* why;
};
static const valueRange coordinates = {-COORDINATE_LIMIT, COORDINATE_LIMIT,
                                       "a coordinate lies between -32768 and 32768"};
static const valueRange tickerLengths = {INT_MIN, MAX_SCROLL_LENGTH, "a ticker is at most 80 cells, the screen's width"};

static int clampReported(const char* key, const char* check, int v, const valueRange& range)
{
    int c = v < range.low ? range.low : v > range.high ? range.high : v;
    if (c != v) report(prefsFile, lineNumber, REPORT_ERROR, check, "%s%d clamped to %d, %s", key, v, c, range.why);
    return c;
}

// A list longer or shorter than its count asks for is most likely a slip of the maker's.
static void checkListLength(const char* key, const char* check, long long got, long long expected,
                            const char* countKey, int count)
{
    if (got == expected) return;
    if (countKey)
        report(prefsFile, lineNumber, REPORT_WARNING, check, "%s%lld values for %s%d, which needs %lld", key, got,
               countKey, count, expected);
    else
        report(prefsFile, lineNumber, REPORT_WARNING, check, "%s%lld values, %lld expected", key, got, expected);
}

static void reportNoTable(const char* key, const char* check, const char* countKey)
{
    report(prefsFile, lineNumber, REPORT_WARNING, check, "%signored, no %scount above 0 comes before it", key,
           countKey);
}

// A name from prefs.txt names a file inside its folder, never a path out of it.
static int namesFileInFolder(const char* name) { return !strchr(name, '/') && strcmp(name, "..") != 0; }

static void freeMenuTables()
{
    free(constantMenuCoords);
    free(constantMenuLinks);
    constantMenuCoords = nullptr;
    constantMenuLinks = nullptr;
    menusWritten = 0;
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
    scrollTextsWritten = 0;
}

void freePrefs()
{
    freeMenuTables();
    freeScrollTables();
    numberOfScrollTexts = 0;
}

void resetPrefs()
{
    freePrefs();
    numberOfConstantMenuSelections = DEFAULT_MENUS;
    startupImageName[0] = '\0';
    MAX_CHARACTERS_ROW = DEFAULT_COLUMNS;
    MAX_ROWS = DEFAULT_ROWS;
    TEXT_STARTX = DEFAULT_TEXT_X;
    TEXT_STARTY = DEFAULT_TEXT_Y;
    ARTICLE_BAR_START_X = ARTICLE_BAR_START_Y = ARTICLE_BAR_STOP_X = ARTICLE_BAR_STOP_Y = NO_BAR;
    SLIDESHOW_CHANGE_TIME = DEFAULT_SLIDESHOW_TIME;
    ARTICLE_FONT_SPACING_Y = 0;
    BKG_DIMMER_VALUE = DEFAULT_DIMMER;
    articleShowTitle = 1;
    articleTitleColor = DEFAULT_TITLE_COLOR;
    memset(keyShortcuts, 0, sizeof keyShortcuts);
    memset(specialKeyShortcuts, 0, sizeof specialKeyShortcuts);
}

// "Last value counts": every value up to the list's end (or an empty token or -1) is taken
// in turn; returns 0 when the list held none.
static int lastValue(const char** list, int* value)
{
    int found = 0;
    for (int v = getValue(list); v != -1; v = getValue(list)) {
        *value = v;
        found = 1;
    }
    return found;
}

// "Integers in order" into the table's capacity entries, each kept within range. Returns how
// many values the list held, those past the table's end included.
static long long readIntegers(const char** list, int* table, int capacity, const char* key, const char* check,
                              const valueRange& range)
{
    long long got = 0;
    for (int v = getValue(list); v != -1; v = getValue(list), got++)
        if (got < capacity) table[got] = clampReported(key, check, v, range);
    return got;
}

// A fixed group of coordinates: each is assigned, and becomes -1 where its token is missing.
static void readCoordinateGroup(const char** list, int* const* targets, int count, const char* key,
                                const char* rangeCheck, const char* countCheck)
{
    long long got = 0;
    for (int i = 0; i < count; i++) {
        int v = getValue(list);
        got += v != -1;
        *targets[i] = v == -1 ? -1 : clampReported(key, rangeCheck, v, coordinates);
    }
    while (getValue(list) != -1) got++;
    if (got != 0) checkListLength(key, countCheck, got, count, nullptr, 0); // all missing: meant as "none"
}

// The count of a MENUS: or SCROLLTEXTS: line as written (0 for none); one above the limit is
// told here, and its tables keep the limit.
static int takeCount(const char** list, const char* key, const char* check, int limit, const char* what)
{
    int n = 0;
    if (!lastValue(list, &n) || n <= 0) return 0;
    if (n > limit)
        report(prefsFile, lineNumber, REPORT_ERROR, check, "%s%d cut to %d, there is room for at most %d %s", key,
               n, limit, limit, what);
    return n;
}

static void setMenus(const char** list)
{
    int n = takeCount(list, "MENUS: ", "prefs-menus-limit", MAX_CONSTANT_MENUS, "menu selections");
    if (n == 0) return;
    int kept = n > MAX_CONSTANT_MENUS ? MAX_CONSTANT_MENUS : n;
    freeMenuTables();
    constantMenuCoords = (int*)calloc(4 * (size_t)kept, sizeof(int));
    constantMenuLinks = (char(*)[LINK_SIZE])calloc((size_t)kept, sizeof *constantMenuLinks);
    if (!constantMenuCoords || !constantMenuLinks) {
        report(prefsFile, lineNumber, REPORT_ERROR, "prefs-memory", "Unable to allocate data for %d menu selections!",
               kept);
        freeMenuTables();
        return;
    }
    numberOfConstantMenuSelections = kept;
    menusWritten = n;
}

static void setMenuCoords(const char** list)
{
    const char* key = "MENU_COORDS: ";
    if (!constantMenuCoords) return reportNoTable(key, "prefs-menu-coords-count", "MENUS: ");
    long long got = readIntegers(list, constantMenuCoords, 4 * numberOfConstantMenuSelections, key,
                                 "prefs-menu-coords-range", coordinates);
    checkListLength(key, "prefs-menu-coords-count", got, 4LL * menusWritten, "MENUS: ", menusWritten);
}

static void setMenuLinks(const char** list)
{
    const char* key = "MENU_LINKS: ";
    if (!constantMenuCoords || !constantMenuLinks) return reportNoTable(key, "prefs-menu-links-count", "MENUS: ");
    char token[TOKEN_SIZE];
    long long got = 0;
    for (; getString(token, sizeof token, list) != -1; got++)
        if (got < numberOfConstantMenuSelections)
            snprintf(constantMenuLinks[got], sizeof constantMenuLinks[got], "%s", token);
    checkListLength(key, "prefs-menu-links-count", got, menusWritten, "MENUS: ", menusWritten);
}

static void setStartupImage(const char** list)
{
    if (**list == '\0') return;
    char name[sizeof startupImageName];
    if (getString(name, sizeof name, list) == -1) {
        startupImageName[0] = '\0'; // an empty token empties the name: no startup picture
        return;
    }
    if (!namesFileInFolder(name)) {
        report(prefsFile, lineNumber, REPORT_ERROR, "prefs-startup-image-name",
               "STARTUP_IMAGE: '%s' refused, a name must name a picture inside Images/", name);
        return;
    }
    snprintf(startupImageName, sizeof startupImageName, "%s", name); // start-up then shows it
}

static void setScrollTexts(const char** list)
{
    int n = takeCount(list, "SCROLLTEXTS: ", "prefs-scrolltexts-limit", MAX_SCROLL_TEXTS, "scroll texts");
    if (n == 0) return;
    int kept = n > MAX_SCROLL_TEXTS ? MAX_SCROLL_TEXTS : n;
    freeScrollTables();
    numberOfScrollTexts = 0;
    scrollCoords = (int*)calloc(2 * (size_t)kept, sizeof(int));
    scrollTexts = (char**)calloc((size_t)kept, sizeof(char*));
    scrollLength = (int*)calloc((size_t)kept, sizeof(int));
    if (!scrollCoords || !scrollTexts || !scrollLength) {
        report(prefsFile, lineNumber, REPORT_ERROR, "prefs-memory", "Unable to allocate data for %d scroll texts!",
               kept);
        freeScrollTables();
        return;
    }
    numberOfScrollTexts = kept;
    scrollTextsWritten = n;
}

static void setScrollCoords(const char** list)
{
    const char* key = "SCROLL_COORDS: ";
    if (!scrollCoords) return reportNoTable(key, "prefs-scroll-coords-count", "SCROLLTEXTS: ");
    long long got = readIntegers(list, scrollCoords, 2 * numberOfScrollTexts, key, "prefs-scroll-coords-range",
                                 coordinates);
    checkListLength(key, "prefs-scroll-coords-count", got, 2LL * scrollTextsWritten, "SCROLLTEXTS: ",
                    scrollTextsWritten);
}

static void setScrollLength(const char** list)
{
    const char* key = "SCROLL_LENGTH: ";
    if (!scrollLength) return reportNoTable(key, "prefs-scroll-length-count", "SCROLLTEXTS: ");
    long long got = readIntegers(list, scrollLength, numberOfScrollTexts, key, "prefs-scroll-length-range",
                                 tickerLengths);
    checkListLength(key, "prefs-scroll-length-count", got, scrollTextsWritten, "SCROLLTEXTS: ", scrollTextsWritten);
}

// A cut through a UTF-8 sequence would leave a broken character at the end: drop its bytes.
static size_t wholeCharacters(const char* text, size_t length)
{
    size_t k = 0;
    while (k < 3 && k < length && ((unsigned char)text[length - 1 - k] & 0xC0) == 0x80) k++;
    if (k == length) return length;
    unsigned char lead = (unsigned char)text[length - 1 - k];
    size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return need > k + 1 ? length - 1 - k : length;
}

// A scroll text is one long line: a line feed, or a CR right before one, becomes one blank.
static void joinLines(char* text, size_t length)
{
    size_t out = 0;
    for (size_t i = 0; i < length; i++) {
        if (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n') continue;
        text[out++] = text[i] == '\n' ? ' ' : text[i];
    }
    text[out] = '\0';
}

// The one place a scroll text's bytes are loaded and made ready to show: read (at most
// SCROLL_TEXT_LIMIT bytes), then joined into one line. Returns the text, or null with
// *opened telling whether the file could be opened at all.
static char* readScrollFile(const char* path, int* opened)
{
    fileText file = readWholeFile(path, SCROLL_TEXT_LIMIT, true);
    *opened = file.result != FILE_UNOPENED;
    if (!*opened) return nullptr;
    if (file.size > SCROLL_TEXT_LIMIT)
        report(prefsFile, lineNumber, REPORT_ERROR, "scroll-file-size",
               "Scroll file '%s' is larger than 1 MiB, only its first 1 MiB is shown", path);
    char* text = file.text;
    if (text) {
        size_t got = file.length;
        if (got < (size_t)file.size) got = wholeCharacters(text, got);
        text[got] = '\0';
        joinLines(text, got);
    }
    convertUtf8ToLatin1(text, path);
    return text;
}

// Fills one slot from a named file; 1 when filled, 0 when the name is passed over, -1 when
// there is no memory (the rest of the list is then ignored).
static int loadScrollSlot(int slot, const char* name)
{
    if (!namesFileInFolder(name)) {
        report(prefsFile, lineNumber, REPORT_ERROR, "prefs-scroll-file-name",
               "Scroll file '%s' refused, a name must name a file inside ScrollTexts/", name);
        return 0;
    }
    char path[SCROLL_PATH_SIZE];
    snprintf(path, sizeof path, "ScrollTexts/%s", name);
    int opened = 0;
    char* text = readScrollFile(path, &opened);
    if (!opened) {
        report(prefsFile, lineNumber, REPORT_ERROR, "scroll-file-unreadable", "Unable to read scroll file '%s'", name);
        return 0;
    }
    if (!text) {
        report(prefsFile, lineNumber, REPORT_ERROR, "prefs-memory", "Unable to allocate data for scroll text %d (%s)!",
               slot, name);
        return -1;
    }
    free(scrollTexts[slot]); // a second SCROLL_FILES line replaces the text
    scrollTexts[slot] = text;
    return 1;
}

static void setScrollFiles(const char** list)
{
    const char* key = "SCROLL_FILES: ";
    if (!scrollTexts) return reportNoTable(key, "prefs-scroll-files-count", "SCROLLTEXTS: ");
    char token[TOKEN_SIZE];
    int slot = 0;
    while (slot < numberOfScrollTexts && getString(token, sizeof token, list) != -1) {
        int filled = loadScrollSlot(slot, token);
        if (filled < 0) return;
        slot += filled;
    }
    long long named = slot; // names left over once every slot is filled count as well
    while (getString(token, sizeof token, list) != -1) named++;
    if (named != scrollTextsWritten)
        report(prefsFile, lineNumber, REPORT_WARNING, "prefs-scroll-files-count",
               "%s%lld usable files for SCROLLTEXTS: %d", key, named, scrollTextsWritten);
}

static void setCharactersRow(const char** list)
{
    for (int v = getValue(list); v != -1; v = getValue(list)) {
        if (v < MIN_CHARACTERS_ROW)
            report(prefsFile, lineNumber, REPORT_ERROR, "prefs-row-width",
                   "ARTICLE_MAX_CHARACTERS_ROW: %d refused, a row needs at least %d characters; keeping %d", v,
                   MIN_CHARACTERS_ROW, MAX_CHARACTERS_ROW);
        else
            MAX_CHARACTERS_ROW = v;
    }
}

static void setRows(const char** list)
{
    for (int v = getValue(list); v != -1; v = getValue(list)) {
        if (v < 0)
            report(prefsFile, lineNumber, REPORT_ERROR, "prefs-rows-negative",
                   "ARTICLE_ROWS: %d refused, the number of rows can't be negative; keeping %d", v, MAX_ROWS);
        else
            MAX_ROWS = v;
    }
}

static void setTextStart(const char** list)
{
    int* const targets[] = {&TEXT_STARTX, &TEXT_STARTY};
    readCoordinateGroup(list, targets, 2, "ARTICLE_TEXT_START: ", "prefs-text-start-range", "prefs-text-start-count");
}

static void setBarCoords(const char** list)
{
    int* const targets[] = {&ARTICLE_BAR_START_X, &ARTICLE_BAR_START_Y, &ARTICLE_BAR_STOP_X, &ARTICLE_BAR_STOP_Y};
    readCoordinateGroup(list, targets, 4, "ARTICLE_BAR_COORDS: ", "prefs-bar-coords-range", "prefs-bar-coords-count");
}

// At 0 the picture would change every frame, below 0 one over-bright picture stays forever.
static void setSlideshowTime(const char** list)
{
    for (int v = getValue(list); v != -1; v = getValue(list)) {
        if (v < 1)
            report(prefsFile, lineNumber, REPORT_ERROR, "prefs-slideshow-time",
                   "SLIDESHOW_CHANGE_TIME: %d refused, a picture shows for at least 1 second; keeping %d", v,
                   SLIDESHOW_CHANGE_TIME);
        else
            SLIDESHOW_CHANGE_TIME = v;
    }
}

static void setRowOffset(const char** list)
{
    int v = 0;
    if (lastValue(list, &v))
        ARTICLE_FONT_SPACING_Y = clampReported("ARTICLE_ROW_OFFSET: ", "prefs-row-offset-range", v, coordinates);
}

static void setDimmer(const char** list)
{
    int percent = 0;
    if (lastValue(list, &percent)) BKG_DIMMER_VALUE = percent / 100.0;
}

static void setShowTitle(const char** list)
{
    int value = 0;
    if (lastValue(list, &value)) articleShowTitle = value == 1 ? 1 : 0;
}

static void setTitleColor(const char** list)
{
    float* components[4] = {&articleTitleColor.r, &articleTitleColor.g, &articleTitleColor.b,
                            &articleTitleColor.a};
    for (float* component : components) {
        double v = getValuef(list);
        if (v != -1.0) *component = (float)v;
    }
}

static void reportShortcutForm(const char* key, const char* token, const char* form)
{
    report(prefsFile, lineNumber, REPORT_ERROR, "prefs-shortcut-form", "%s'%s' skipped, a shortcut is written %s",
           key, token, form);
}

static void setKeyShortcuts(const char** list)
{
    char token[TOKEN_SIZE];
    while (getString(token, sizeof token, list) != -1) {
        const char* name = strchr(token, '=');
        if (!name) {
            reportShortcutForm("KEY_SHORTCUTS: ", token, "key=article");
            continue;
        }
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

static void setSpecialKeyShortcuts(const char** list)
{
    char token[TOKEN_SIZE];
    while (getString(token, sizeof token, list) != -1) {
        int n = functionKeyNumber(token);
        const char* name = strchr(token, '=');
        if (n == 0 || !name) {
            reportShortcutForm("KEY_SPECIAL_SHORTCUTS: ", token, "Fn=article, n from 1 to 12");
            continue;
        }
        snprintf(specialKeyShortcuts[n - 1], sizeof specialKeyShortcuts[0], "%s", name + 1);
    }
}

struct prefKey {
    const char* key;
    void (*handle)(const char** list);
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

enum { MAX_COMPARED = 64 };

static int editDistance(const char* a, int n, const char* b, int m)
{
    int row[MAX_COMPARED + 1];
    for (int j = 0; j <= m; j++) row[j] = j;
    for (int i = 1; i <= n; i++) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= m; j++) {
            int best = diagonal + (a[i - 1] != b[j - 1]);
            if (row[j] + 1 < best) best = row[j] + 1;
            if (row[j - 1] + 1 < best) best = row[j - 1] + 1;
            diagonal = row[j];
            row[j] = best;
        }
    }
    return row[m];
}

static const char* nearestKey(const char* word, int length)
{
    const char* nearest = prefKeys[0].key;
    int best = INT_MAX;
    for (const prefKey& k : prefKeys) {
        int d = editDistance(word, length, k.key, (int)strlen(k.key) - 2); // the name without ": "
        if (d < best) best = d, nearest = k.key;
    }
    return nearest;
}

static int isKeyCharacter(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

// A line with no known key: a capitalised word right before a colon looks like one (a typo,
// or a key without its blank), so the nearest key of the table is suggested.
static void reportLookalikeKey(const char* line)
{
    for (const char* p = line; *p; p++) {
        if (!(*p >= 'A' && *p <= 'Z')) continue;
        const char* end = p;
        while (isKeyCharacter(*end)) end++;
        int length = (int)(end - p);
        if (*end == ':' && length >= 3) {
            int compared = length < MAX_COMPARED ? length : MAX_COMPARED;
            report(prefsFile, lineNumber, REPORT_WARNING, "prefs-unknown-key", "Unknown key '%.*s:', did you mean '%s'?",
                   compared, p, nearestKey(p, compared));
            return;
        }
        p = end - 1;
    }
}

static void handleLine(const char* line)
{
    if (line[0] == '#') return;
    for (const prefKey& k : prefKeys) {
        const char* found = strstr(line, k.key);
        if (found) {
            const char* list = found + strlen(k.key);
            k.handle(&list);
            return;
        }
    }
    reportLookalikeKey(line);
}

// Says in one line where and why the prefs file can't be read: the viewer then starts on its
// defaults.
static void reportPrefsUnreadable(const char* fileName, int openError)
{
    struct stat st;
    const char* reason;
    if (stat(fileName, &st) != 0) reason = strerror(errno);
    else if (S_ISDIR(st.st_mode)) reason = "it is a directory";
    else if (!S_ISREG(st.st_mode)) reason = "it is not a regular file";
    else reason = strerror(openError ? openError : EIO);
    char folder[1024];
    const char* slash = strrchr(fileName, '/');
    if (slash) snprintf(folder, sizeof folder, "%.*s", (int)(slash - fileName + (slash == fileName)), fileName);
    else if (!getcwd(folder, sizeof folder)) snprintf(folder, sizeof folder, ".");
    report(fileName, 0, REPORT_ERROR, "prefs-unreadable",
           "Unable to read the prefs file in '%s': %s; every setting keeps its default", folder, reason);
}

// Lines are cut at every line feed (and a CR right before it) first, so that a value list
// ends where its line does, whatever the line ends of the editor that saved the file.
static void readLines(char* buffer, size_t length)
{
    size_t start = 0;
    for (lineNumber = 1;; lineNumber++) {
        char* lf = (char*)memchr(buffer + start, '\n', length - start);
        char* end = lf ? lf : buffer + length;
        if (end > buffer + start && end[-1] == '\r') end[-1] = '\0';
        *end = '\0';
        handleLine(buffer + start);
        if (!lf) break;
        start = (size_t)(lf - buffer) + 1;
    }
    lineNumber = 0;
}

int loadPrefs(const char* fileName)
{
    errno = 0;
    fileText file = readWholeFile(fileName, LONG_MAX, false);
    if (file.result == FILE_UNOPENED) {
        reportPrefsUnreadable(fileName, errno);
        return -1;
    }
    if (!file.text) {
        report(fileName, 0, REPORT_ERROR, "prefs-memory", "Unable to allocate data for prefs file!");
        return -1;
    }
    prefsFile = fileName;
    readLines(file.text, file.length);
    prefsFile = "prefs.txt";
    free(file.text);
    reportFlush();
    return 0;
}
