// Fuzzes the preferences reader with arbitrary prefs.txt contents in a scratch magazine
// directory that holds two scroll text files (removed again when the fuzzer exits), then
// reads every table the file may have allocated, as the rest of the viewer would, and
// checks the refused and clamped layout values.
#include "platform/report.h"
#include "prefs/prefs.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <sys/stat.h>
#include <unistd.h>

static void writeFile(const char* path, const uint8_t* data, size_t size)
{
    FILE* f = fopen(path, "wb");
    if (!f) abort();
    fwrite(data, 1, size, f);
    fclose(f);
}

static char magazine[] = "/tmp/pagovia-prefs-fuzz-XXXXXX";
static char home[4096];

// The reader works in the current directory; the fuzzer's corpus paths may be relative.
static void enter(const char* dir)
{
    if (chdir(dir) != 0) abort();
}

static void removeMagazine()
{
    static const char* const files[] = {"prefs.txt", "ScrollTexts/a", "ScrollTexts/b", "ScrollTexts", ""};
    char path[sizeof magazine + 32];
    for (const char* file : files) {
        snprintf(path, sizeof path, "%s/%s", magazine, file);
        remove(path);
    }
}

// The reader's findings would drown the fuzzer's own output.
static void ignoreFinding(const reportFinding&) {}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!getcwd(home, sizeof home) || !mkdtemp(magazine)) abort();
    atexit(removeMagazine);
    enter(magazine);
    if (mkdir("ScrollTexts", 0755) != 0) abort();
    writeFile("ScrollTexts/a", (const uint8_t*)"first\nscroll text", 17);
    writeFile("ScrollTexts/b", (const uint8_t*)"", 0);
    enter(home);
    setReportSink(ignoreFinding);
    return 0;
}

static void requireTerminated(const char* text, size_t size)
{
    if (!memchr(text, '\0', size)) abort();
}

static volatile unsigned sink;

static int isCoordinate(int v) { return v >= -32768 && v <= 32768; }

static void readEveryTable()
{
    unsigned sum = 0;
    if (constantMenuCoords) {
        for (int i = 0; i < 4 * numberOfConstantMenuSelections; i++) {
            if (!isCoordinate(constantMenuCoords[i])) abort();
            sum += (unsigned)constantMenuCoords[i];
        }
        if (!constantMenuLinks) abort();
        for (int i = 0; i < numberOfConstantMenuSelections; i++) requireTerminated(constantMenuLinks[i], 40);
    }
    for (int i = 0; scrollTexts && i < numberOfScrollTexts; i++) {
        if (!isCoordinate(scrollCoords[2 * i]) || !isCoordinate(scrollCoords[2 * i + 1]) || scrollLength[i] > 80) abort();
        sum += (unsigned)scrollCoords[2 * i] + (unsigned)scrollCoords[2 * i + 1] + (unsigned)scrollLength[i];
        if (scrollTexts[i]) sum += (unsigned)strlen(scrollTexts[i]);
    }
    for (auto& entry : keyShortcuts) requireTerminated(entry, sizeof entry);
    for (auto& entry : specialKeyShortcuts) requireTerminated(entry, sizeof entry);
    requireTerminated(startupImageName, sizeof startupImageName);
    if (MAX_CHARACTERS_ROW < 4 || MAX_ROWS < 0 || SLIDESHOW_CHANGE_TIME < 1) abort();
    for (int v : {TEXT_STARTX, TEXT_STARTY, ARTICLE_FONT_SPACING_Y, ARTICLE_BAR_START_X, ARTICLE_BAR_START_Y,
                  ARTICLE_BAR_STOP_X, ARTICLE_BAR_STOP_Y})
        if (!isCoordinate(v)) abort();
    if (strchr(startupImageName, '/') || strcmp(startupImageName, "..") == 0) abort();
    sink = sum;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    enter(magazine);
    writeFile("prefs.txt", data, size);
    if (loadPrefs("prefs.txt") != 0) abort();
    enter(home);
    readEveryTable();
    freePrefs();
    if (constantMenuCoords || constantMenuLinks || scrollTexts || scrollCoords || scrollLength) abort();
    resetPrefs(); // every input starts from the defaults
    return 0;
}
