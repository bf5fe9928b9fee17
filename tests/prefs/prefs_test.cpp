// The preferences reader over real files in a scratch directory: comments and the key
// search, the list rule of every key, the heap tables (zeroed, replaced, released), the
// scroll text files, carriage-return files and over-long tokens; every finding at its line
// (refused, clamped and unsafe values, look-alike keys, lists that miss their count, an
// unreadable file); extreme values drawn offscreen; lists read in one pass.
#include "app/composition.h"
#include "app/screen.h"
#include "app/view.h"
#include "app/lifecycle.h"
#include "elements/articlebar.h"
#include "elements/render_fixtures.h"
#include "elements/scrolltext.h"
#include "platform/report.h"
#include "prefs/prefs.h"
#include "text/render.h"
#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

static void restoreDefaults()
{
    freePrefs();
    numberOfConstantMenuSelections = 13, mode = 2, startupImageName[0] = '\0';
    MAX_CHARACTERS_ROW = 70, MAX_ROWS = 45, TEXT_STARTX = 80, TEXT_STARTY = 160;
    ARTICLE_BAR_START_X = ARTICLE_BAR_START_Y = ARTICLE_BAR_STOP_X = ARTICLE_BAR_STOP_Y = -1;
    SLIDESHOW_CHANGE_TIME = 5, ARTICLE_FONT_SPACING_Y = 0, BKG_DIMMER_VALUE = (double)0.3f;
    articleShowTitle = 1, articleTitleColor = {1.0f, 1.0f, 1.0f, 1.0f};
    memset(keyShortcuts, 0, sizeof keyShortcuts);
    memset(specialKeyShortcuts, 0, sizeof specialKeyShortcuts);
}

static void writeFile(const std::string& path, const std::string& content)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fwrite(content.data(), 1, content.size(), f);
    fclose(f);
}

// Each finding as "FILE:LINE: [check] message", or with an E/W mark only: "E3:check".
static std::string findings, marks;
static void collect(const reportFinding& f)
{
    findings += std::string(f.file) + ":" + std::to_string(f.line) + ": [" + f.check + "] " + f.message + "\n";
    marks += std::string(marks.empty() ? "" : " ") + (f.level == REPORT_WARNING ? "W" : "E") +
             std::to_string(f.line) + ":" + f.check;
}

class Prefs : public ::testing::Test {
protected:
    char oldDir[4096] = {};
    char dir[64] = "/tmp/pagovia-prefs-XXXXXX";

    void SetUp() override
    {
        ASSERT_NE(getcwd(oldDir, sizeof oldDir), nullptr);
        ASSERT_NE(mkdtemp(dir), nullptr);
        ASSERT_EQ(chdir(dir), 0);
        mkdir("ScrollTexts", 0755);
        restoreDefaults();
    }
    void TearDown() override
    {
        restoreDefaults();
        EXPECT_EQ(chdir(oldDir), 0);
        EXPECT_EQ(system((std::string("rm -rf ") + dir).c_str()), 0);
    }
    // Writes prefs.txt (unless null) and reads it; returns the findings it reported.
    std::string load(const std::string& content, int expected = 0, const char* name = "prefs.txt")
    {
        if (!content.empty()) writeFile(name, content);
        findings.clear(), marks.clear();
        setReportSink(collect);
        EXPECT_EQ(loadPrefs(name), expected);
        setReportSink(nullptr);
        return findings;
    }
};

// --- the file and its lines ---
TEST_F(Prefs, MissingFileCommentsAndUnknownLinesChangeNothing)
{
    EXPECT_EQ(load("", -1, "nothing-here.txt"),
              std::string("nothing-here.txt:0: [prefs-unreadable] Unable to read the prefs file in '") + dir +
                  "': No such file or directory; every setting keeps its default\n");
    mkdir("Sub", 0755);
    mkdir("Sub/prefs.txt", 0755);
    EXPECT_NE(load("", -1, "Sub/prefs.txt").find("in 'Sub': it is a directory"), std::string::npos) << findings;
    EXPECT_EQ(load("# MENUS: 3\n#ARTICLE_ROWS: 9\nROWS 7\n\n"), "");
    EXPECT_EQ(constantMenuCoords, nullptr);
    EXPECT_EQ(numberOfConstantMenuSelections, 13);
    EXPECT_EQ(MAX_ROWS, 45);
}

TEST_F(Prefs, KeysCountAnywhereInTheLineInTheSearchOrder)
{
    load("   MENUS: 3\nset ARTICLE_ROWS: 9 please");
    EXPECT_EQ(numberOfConstantMenuSelections, 3);
    EXPECT_EQ(MAX_ROWS, 9); // last line without a line feed is read too
    // MENUS: is searched before ARTICLE_ROWS:, so its value list is the rest of the line.
    load("ARTICLE_ROWS: 5 MENUS: 2\n");
    EXPECT_EQ(MAX_ROWS, 9);
    EXPECT_EQ(numberOfConstantMenuSelections, 2);
}

// Regression: with CRLF line ends the CR stayed part of the value, so the last item of
// every list (a startup picture, a ticker's file, a shortcut) named nothing.
TEST_F(Prefs, ACarriageReturnBeforeTheLineFeedEndsTheLine)
{
    writeFile("ScrollTexts/b", "one\r\ntwo\rthree\n");
    EXPECT_EQ(load("ARTICLE_ROWS: 30\r\nKEY_SHORTCUTS: a=Intro\r\nSTARTUP_IMAGE: title.ppm\r\n"
                   "SCROLLTEXTS: 1\r\nSCROLL_FILES: b\r\nMENUS: 1\r\nMENU_LINKS: x\r\r\nKEY_SHORTCUTS: q=Quiz\r"),
              "");
    EXPECT_EQ(MAX_ROWS, 30);
    EXPECT_STREQ(keyShortcuts['a'], "Intro");
    EXPECT_STREQ(keyShortcuts['q'], "Quiz"); // the last line, without a line feed
    EXPECT_STREQ(startupImageName, "title.ppm");
    EXPECT_STREQ(scrollTexts[0], "one two\rthree "); // a lone CR is a character, as in articles
    EXPECT_STREQ(constantMenuLinks[0], "x\r");       // only the CR right before the line feed goes
}

// --- list rules of the single-value keys ---
TEST_F(Prefs, ListRulesOfTheValueKeys)
{
    articleTitleColor = {0.1f, 0.1f, 0.1f, 0.1f};
    load("ARTICLE_ROWS: 40,50\nSLIDESHOW_CHANGE_TIME: 8\nARTICLE_ROW_OFFSET: 2,,9\nARTICLE_MAX_CHARACTERS_ROW: \n"
         "ARTICLE_TEXT_START: 100\nARTICLE_BAR_COORDS: 1,2,3\n"
         "BKG_DIMMER_VALUE: 45\nARTICLE_SHOW_TITLE: 2\nARTICLE_TITLE_COLOR: 0.2,0.5,,0.8\n");
    EXPECT_EQ(MAX_CHARACTERS_ROW, 70); // an empty list leaves the value
    EXPECT_EQ(MAX_ROWS, 50);           // the last value counts
    EXPECT_EQ(SLIDESHOW_CHANGE_TIME, 8);
    EXPECT_EQ(ARTICLE_FONT_SPACING_Y, 2); // the empty token ends the list
    // A pair and a quadruple are assigned even where values are missing.
    EXPECT_EQ(TEXT_STARTX, 100);
    EXPECT_EQ(TEXT_STARTY, -1);
    EXPECT_EQ(ARTICLE_BAR_STOP_X, 3);
    EXPECT_EQ(ARTICLE_BAR_STOP_Y, -1);
    EXPECT_DOUBLE_EQ(BKG_DIMMER_VALUE, 0.45);
    EXPECT_EQ(articleShowTitle, 0);
    EXPECT_FLOAT_EQ(articleTitleColor.r, 0.2f);
    EXPECT_FLOAT_EQ(articleTitleColor.b, 0.1f); // empty token: kept
    EXPECT_FLOAT_EQ(articleTitleColor.a, 0.8f);
    load("ARTICLE_SHOW_TITLE: 1\nSTARTUP_IMAGE: intro.ppm\n");
    EXPECT_EQ(articleShowTitle, 1);
    EXPECT_STREQ(startupImageName, "intro.ppm");
    load("STARTUP_IMAGE: ,x\n"); // an empty token empties the name and leaves the mode
    EXPECT_STREQ(startupImageName, "");
    EXPECT_EQ(mode, 2);
}

// --- refused values ---
TEST_F(Prefs, RowWidthBelowFourNegativeRowsAndHugeMenusAreRefused)
{
    std::string err = load("ARTICLE_MAX_CHARACTERS_ROW: 50,3\nARTICLE_ROWS: -5\nMENUS: 2\nMENUS: 999999999\n");
    for (const char* what : {"prefs.txt:1: [prefs-row-width] ARTICLE_MAX_CHARACTERS_ROW: 3 refused",
                             "prefs.txt:2: [prefs-rows-negative] ARTICLE_ROWS: -5 refused",
                             "prefs.txt:4: [prefs-menus-limit] MENUS: 999999999 cut to 256"})
        EXPECT_NE(err.find(what), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 3); // one line each
    EXPECT_EQ(MAX_CHARACTERS_ROW, 50);
    EXPECT_EQ(MAX_ROWS, 45);
    EXPECT_EQ(numberOfConstantMenuSelections, 256); // what fits is kept
    load("ARTICLE_MAX_CHARACTERS_ROW: 4\nARTICLE_ROWS: 0\n");
    EXPECT_EQ(MAX_CHARACTERS_ROW, 4);
    EXPECT_EQ(MAX_ROWS, 0);
}

// --- menu tables ---
TEST_F(Prefs, MenuTablesAreZeroedAndReplaced)
{
    load("MENUS: 0\nMENU_COORDS: 1,2,3,4\nMENU_LINKS: _QUIT\n");
    EXPECT_EQ(constantMenuCoords, nullptr);
    EXPECT_EQ(constantMenuLinks, nullptr);
    EXPECT_EQ(numberOfConstantMenuSelections, 13);
    load("MENU_COORDS: 1,2,3,4\nMENUS: 1\n"); // values before the table are dropped
    EXPECT_EQ(constantMenuCoords[0], 0);
    load("MENUS: 2\nMENU_COORDS: 1,2,3,4,5,6,7,8,9\nMENU_LINKS: _QUIT,_NEXT,_PREV\n");
    for (int i = 0; i < 8; i++) EXPECT_EQ(constantMenuCoords[i], i + 1); // four per selection
    EXPECT_STREQ(constantMenuLinks[1], "_NEXT");
    load("MENUS: 3\nMENU_COORDS: 10,20\nMENU_LINKS: Intro\n"); // unfilled entries: zero, empty
    EXPECT_EQ(constantMenuCoords[1], 20);
    for (int i = 2; i < 12; i++) EXPECT_EQ(constantMenuCoords[i], 0) << i;
    EXPECT_STREQ(constantMenuLinks[2], "");
    // A second MENUS: line replaces (and releases) the tables.
    load("MENUS: 1\nMENU_COORDS: 5,5,5,5\nMENU_LINKS: old\nMENUS: 2\nMENU_COORDS: 7\n");
    EXPECT_EQ(numberOfConstantMenuSelections, 2);
    EXPECT_EQ(constantMenuCoords[0], 7);
    EXPECT_EQ(constantMenuCoords[1], 0); // fresh table: nothing left of the first one
    EXPECT_STREQ(constantMenuLinks[0], "");
}

// --- shortcuts ---
TEST_F(Prefs, KeyAndSpecialKeyShortcuts)
{
    load("KEY_SHORTCUTS: q=Quiz,nothing,x=,=Eq, b=Blank,\xe9=Accent\n"
         "KEY_SPECIAL_SHORTCUTS: F10=Ten,F13=Thirteen,F12=Twelve,F2=Two,G1=No,F3\n");
    EXPECT_STREQ(keyShortcuts[0xe9], "Accent"); // the key's unsigned code
    EXPECT_STREQ(keyShortcuts['q'], "Quiz");
    EXPECT_STREQ(keyShortcuts['='], "Eq");
    EXPECT_STREQ(keyShortcuts[' '], "Blank"); // the blank after the comma is the key
    EXPECT_STREQ(keyShortcuts['n'], "");      // token without '=' is skipped
    EXPECT_STREQ(specialKeyShortcuts[9], "Ten");
    EXPECT_STREQ(specialKeyShortcuts[0], "Thirteen"); // F13 begins with F1
    EXPECT_STREQ(specialKeyShortcuts[11], "Twelve");
    EXPECT_STREQ(specialKeyShortcuts[1], "Two");
    EXPECT_STREQ(specialKeyShortcuts[2], ""); // no '='
}

// --- scroll texts ---
TEST_F(Prefs, ScrollFilesSkipAMissingFileForTheSameSlot)
{
    writeFile("ScrollTexts/b", "first\nline");
    writeFile("ScrollTexts/c", "third");
    std::string err = load("SCROLLTEXTS: 2\nSCROLL_COORDS: 10,20,30,40,50\nSCROLL_LENGTH: 7\n"
                           "SCROLL_FILES: a,b,c\n");
    EXPECT_EQ(err, "prefs.txt:2: [prefs-scroll-coords-count] SCROLL_COORDS: 5 values for SCROLLTEXTS: 2, which needs 4\n"
                   "prefs.txt:3: [prefs-scroll-length-count] SCROLL_LENGTH: 1 values for SCROLLTEXTS: 2, which needs 2\n"
                   "prefs.txt:4: [scroll-file-unreadable] Unable to read scroll file 'a'\n");
    ASSERT_EQ(numberOfScrollTexts, 2);
    EXPECT_STREQ(scrollTexts[0], "first line"); // line feeds become blanks
    EXPECT_STREQ(scrollTexts[1], "third");
    EXPECT_EQ(scrollCoords[3], 40);
    EXPECT_EQ(scrollLength[0], 7);
    EXPECT_EQ(scrollLength[1], 0);
}

// Regression: a scroll file name that is a directory ("." or a subfolder) was measured
// with fseek/ftell, which reports an absurd size for a directory, and the reader asked
// for that much memory. A directory is now a file that can't be read.
TEST_F(Prefs, ADirectoryNamedAsScrollFileCannotBeRead)
{
    writeFile("ScrollTexts/b", "text");
    EXPECT_EQ(load("SCROLLTEXTS: 1\nSCROLL_FILES: .,b\n"),
              "prefs.txt:2: [scroll-file-unreadable] Unable to read scroll file '.'\n");
    EXPECT_STREQ(scrollTexts[0], "text");
}

TEST_F(Prefs, ScrollTablesAreZeroedReplacedAndReleased)
{
    writeFile("ScrollTexts/a", "one");
    writeFile("ScrollTexts/b", "two");
    load("SCROLL_FILES: a\nSCROLL_COORDS: 1,2\nSCROLLTEXTS: 3\nSCROLL_FILES: b\n");
    EXPECT_EQ(scrollCoords[0], 0); // values before the table are ignored
    EXPECT_STREQ(scrollTexts[0], "two");
    EXPECT_EQ(scrollTexts[1], nullptr); // unfilled slots have no text
    load("SCROLLTEXTS: 1\nSCROLL_FILES: a\nSCROLL_FILES: b\n");
    EXPECT_STREQ(scrollTexts[0], "two");
    load("SCROLLTEXTS: 2\n"); // new, empty tables; the old texts are released
    EXPECT_EQ(numberOfScrollTexts, 2);
    EXPECT_EQ(scrollTexts[0], nullptr);
    load("MENUS: 1\nSCROLLTEXTS: 1\nSCROLL_FILES: a\n");
    freePrefs();
    EXPECT_EQ(constantMenuCoords, nullptr);
    EXPECT_EQ(constantMenuLinks, nullptr);
    EXPECT_EQ(scrollTexts, nullptr);
    EXPECT_EQ(scrollCoords, nullptr);
    EXPECT_EQ(scrollLength, nullptr);
    EXPECT_EQ(numberOfScrollTexts, 0);
    freePrefs(); // twice is harmless
}

TEST_F(Prefs, TokensLongerThanTheirBuffersAreCut)
{
    std::string name(39, 'n'); // "ScrollTexts/" and 39 characters fit the 64-byte path
    writeFile("ScrollTexts/" + name, "long");
    load("MENUS: 1\nMENU_LINKS: " + std::string(100, 'L') + "\nSTARTUP_IMAGE: " + std::string(3000, 's') +
         "\nSCROLLTEXTS: 1\nSCROLL_FILES: " + name + "zzzz\n");
    EXPECT_EQ(std::string(constantMenuLinks[0]), std::string(39, 'L'));
    EXPECT_EQ(strlen(startupImageName), 1023u);
    EXPECT_STREQ(scrollTexts[0], "long");
}

static std::string repeat(const char* piece, int n)
{
    std::string text;
    while (n-- > 0) text += piece;
    return text;
}
enum { SCROLL_TEXT_BYTES = 1 << 20 };

// --- findings: every refused, clamped or suspicious value at its line ---
// Regression: extreme values overflowed int where they are drawn (the ticker's 16 * length,
// the article's row offset and title row, the bar's height), SLIDESHOW_CHANGE_TIME 0 changed
// the picture every frame, SCROLL_FILES: ../../etc/passwd showed any file, MENUS or
// SCROLLTEXTS above 256 dropped everything, and typos and short lists went unnoticed.
TEST_F(Prefs, EveryRefusedOrSuspiciousValueIsReportedAtItsLine)
{
    std::string big(SCROLL_TEXT_BYTES - 1, 'x');
    writeFile("ScrollTexts/big", big + "\xc3\xa9 and more"); // the cut falls inside the é
    std::string whole = big.substr(1) + "\xc3\xa9";
    writeFile("ScrollTexts/whole", whole + "after"); // the cut falls right behind it
    writeFile("ScrollTexts/b", "b");
    struct {
        std::string prefs;
        const char* marks;
        std::function<void()> verify;
    } cases[] = {
        {"SCROLLTEXTS: 1\nSCROLL_LENGTH: 2147483647\nSCROLL_COORDS: 32769,-40000\nSCROLL_FILES: b\n",
         "E2:prefs-scroll-length-range E3:prefs-scroll-coords-range E3:prefs-scroll-coords-range",
         [] { EXPECT_EQ(scrollLength[0], 80); EXPECT_EQ(scrollCoords[0], 32768); EXPECT_EQ(scrollCoords[1], -32768); }},
        {"ARTICLE_ROW_OFFSET: 2147483647\nARTICLE_TEXT_START: -2147483648,32768\n"
         "ARTICLE_BAR_COORDS: 0,-2147483648,10,2147483647\nMENUS: 1\nMENU_COORDS: 0,0,-32769,1\nSCROLL_LENGTH: 80\n",
         "E1:prefs-row-offset-range E2:prefs-text-start-range E3:prefs-bar-coords-range E3:prefs-bar-coords-range "
         "E5:prefs-menu-coords-range W6:prefs-scroll-length-count",
         [] {
             EXPECT_EQ(ARTICLE_FONT_SPACING_Y, 32768); EXPECT_EQ(TEXT_STARTX, -32768); EXPECT_EQ(TEXT_STARTY, 32768);
             EXPECT_EQ(ARTICLE_BAR_START_Y, -32768); EXPECT_EQ(ARTICLE_BAR_STOP_Y, 32768);
             EXPECT_EQ(constantMenuCoords[2], -32768);
         }},
        {"SLIDESHOW_CHANGE_TIME: 0\nSLIDESHOW_CHANGE_TIME: 3,-4\nSLIDESHOW_CHANGE_TIME: 1\n",
         "E1:prefs-slideshow-time E2:prefs-slideshow-time", [] { EXPECT_EQ(SLIDESHOW_CHANGE_TIME, 1); }},
        {"MENUS: 300\nSCROLLTEXTS: 1000\nMENU_LINKS: " + repeat("a,", 300) + "\n", // 300 links: as many as written
         "E1:prefs-menus-limit E2:prefs-scrolltexts-limit",
         [] {
             EXPECT_EQ(numberOfConstantMenuSelections, 256); EXPECT_EQ(numberOfScrollTexts, 256);
             EXPECT_STREQ(constantMenuLinks[255], "a");
         }},
        {"SCROLLTEXTS: 3\nSCROLL_FILES: ../../../../etc/passwd,..,sub/b,b,big,whole\nSTARTUP_IMAGE: ../x.ppm\n",
         "E2:prefs-scroll-file-name E2:prefs-scroll-file-name E2:prefs-scroll-file-name E2:scroll-file-size "
         "E2:scroll-file-size E3:prefs-startup-image-name",
         [&big, &whole] {
             EXPECT_EQ(std::string(scrollTexts[2]), whole.substr(0, whole.size() - 2) + "\xe9"); // shown in Latin-1
             EXPECT_STREQ(scrollTexts[0], "b");
             EXPECT_EQ(std::string(scrollTexts[1]), big); // first MiB, without half a character
             EXPECT_STREQ(startupImageName, ""); EXPECT_EQ(mode, 2);
         }},
        {"ARTICLE_ROW: 5\nMENUS:7\nset SCROLL_LENGHT: 3\n# ARTICLE_ROW: 5\nHe said: no\nKEY_SHORTCUTS: q=x,r,F2=y\n"
         "KEY_SPECIAL_SHORTCUTS: F2=y,G1=z\n",
         "W1:prefs-unknown-key W2:prefs-unknown-key W3:prefs-unknown-key E6:prefs-shortcut-form "
         "E7:prefs-shortcut-form",
         [] {
             for (const char* what : {"'ARTICLE_ROW:', did you mean 'ARTICLE_ROWS: '", "'MENUS:', did you mean 'MENUS: '",
                                      "'SCROLL_LENGHT:', did you mean 'SCROLL_LENGTH: '", "KEY_SHORTCUTS: 'r' skipped"})
                 EXPECT_NE(findings.find(what), std::string::npos) << what;
         }},
        {"SCROLL_COORDS: 1,2\nMENUS: 7\nMENU_COORDS: " + repeat("1,", 24) + "\nMENU_COORDS: " + repeat("1,", 29) +
             "\nARTICLE_BAR_COORDS: 1,2,,4\nARTICLE_BAR_COORDS: -1\nARTICLE_TEXT_START: 1,2,3\nARTICLE_TEXT_START: 9\n",
         "W1:prefs-scroll-coords-count W3:prefs-menu-coords-count W4:prefs-menu-coords-count "
         "W5:prefs-bar-coords-count W7:prefs-text-start-count W8:prefs-text-start-count",
         [] { EXPECT_NE(findings.find("MENU_COORDS: 24 values for MENUS: 7, which needs 28"), std::string::npos); }},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.prefs.substr(0, 80));
        restoreDefaults();
        load(c.prefs);
        EXPECT_EQ(marks, c.marks) << findings;
        c.verify();
    }
}

// Regression: drawn as written, these overflowed int (seen with UBSan): the ticker's
// x0 + 16 * length, the row offset and the title row above the text, the bar's ey - sy.
TEST_F(Prefs, ExtremeValuesAreDrawnWithoutOverflow)
{
    writeFile("ScrollTexts/b", "ticker text");
    load("SCROLLTEXTS: 1\nSCROLL_LENGTH: 2147483647\nSCROLL_COORDS: 2147483647,2147483647\nSCROLL_FILES: b\n"
         "ARTICLE_ROW_OFFSET: 2147483647\nARTICLE_TEXT_START: -2147483648,-2147483648\n"
         "ARTICLE_BAR_COORDS: 0,-2147483648,10,2147483647\n");
    ASSERT_TRUE(openScreen(0));
    makeFontAtlas(&texture[0]);
    std::string text = "two rows\nof text\n";
    drawText(text.data(), 1, 1, nullptr);
    drawText(text.data(), 0, 1, nullptr);
    scrolltext1(0, {1, 1, 1, 1}, 0, 12345);
    barLayout bar = articleBarLayout(ARTICLE_BAR_START_X, ARTICLE_BAR_START_Y, ARTICLE_BAR_STOP_X,
                                     ARTICLE_BAR_STOP_Y, 3, 2);
    EXPECT_EQ(bar.bottom, 32767); // one unit short, as every 3-page bar
    drawArticleBar();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    computeScreenMetrics(1);
}

// Regression: every token moved the rest of the list to the front, so a 1 MB list took
// seconds (3 MB over a minute) on a black screen.
TEST_F(Prefs, ALongListIsReadInOnePass)
{
    auto start = std::chrono::steady_clock::now();
    load("ARTICLE_ROWS: " + repeat("12345,", 400000) + "7\n"); // 2.4 MB
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(MAX_ROWS, 7);
}
