// The preferences reader over real files in a scratch directory: comments and the key
// search, the list rule of every key, the heap tables (zeroed, replaced, released), the
// scroll text files, carriage-return files and over-long tokens, the reset to the defaults;
// every finding at its line (refused, clamped and unsafe values, look-alike keys, lists that
// miss their count, an unreadable file); extreme values drawn offscreen; lists read in one pass.
#include "app/composition.h"
#include "app/screen.h"
#include "app/lifecycle.h"
#include "elements/articlebar.h"
#include "elements/render_fixtures.h"
#include "elements/scrolltext.h"
#include "platform/report.h"
#include "prefs/prefs.h"
#include "text/render.h"
#include "content/content_files.h"
#include <chrono>
#include <sys/stat.h>

using contentfiles::writeFile;

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
    contentfiles::ScratchDir scratch;
    std::string dir = scratch.path.string();
    void SetUp() override
    {
        mkdir("ScrollTexts", 0755);
        resetPrefs();
    }
    void TearDown() override
    {
        resetPrefs();
    }
    // Writes prefs.txt (unless empty) and reads it; returns the findings it reported.
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

// Every preference value as text, tables included.
static std::string facts()
{
    char v[512];
    snprintf(v, sizeof v, "%d %p %p '%s' %d %p %p %p %d %d %d %d %d %d %d %d %d %d %g %d %g %g %g %g",
             numberOfConstantMenuSelections, (void*)constantMenuCoords, (void*)constantMenuLinks, startupImageName,
             numberOfScrollTexts, (void*)scrollCoords, (void*)scrollLength, (void*)scrollTexts, MAX_CHARACTERS_ROW,
             MAX_ROWS, TEXT_STARTX, TEXT_STARTY, ARTICLE_BAR_START_X, ARTICLE_BAR_START_Y, ARTICLE_BAR_STOP_X,
             ARTICLE_BAR_STOP_Y, SLIDESHOW_CHANGE_TIME, ARTICLE_FONT_SPACING_Y, BKG_DIMMER_VALUE, articleShowTitle,
             articleTitleColor.a, articleTitleColor.r, articleTitleColor.g, articleTitleColor.b);
    std::string keys;
    for (auto& k : keyShortcuts) keys += k;
    for (auto& k : specialKeyShortcuts) keys += k;
    return v + keys;
}

// --- the file and its lines ---
// Regression: with CRLF line ends the CR stayed part of the value, so the last item of
// every list (a startup picture, a ticker's file, a shortcut) named nothing.
TEST_F(Prefs, LinesCommentsKeysAnywhereInSearchOrderAndCarriageReturns)
{
    std::string defaults = facts();
    EXPECT_EQ(load("", -1, "nothing-here.txt"),
              std::string("nothing-here.txt:0: [prefs-unreadable] Unable to read the prefs file in '") + dir +
                  "': No such file or directory; every setting keeps its default\n");
    mkdir("Sub", 0755);
    mkdir("Sub/prefs.txt", 0755);
    EXPECT_NE(load("", -1, "Sub/prefs.txt").find("in 'Sub': it is a directory"), std::string::npos) << findings;
    EXPECT_EQ(load("# MENUS: 3\n#ARTICLE_ROWS: 9\nROWS 7\n\n"), "");
    EXPECT_EQ(facts(), defaults);
    // MENUS: is searched before ARTICLE_ROWS:, so its value list is the rest of the line.
    load("   MENUS: 3\nset ARTICLE_ROWS: 9 please\nARTICLE_ROWS: 5 MENUS: 2\n");
    EXPECT_EQ(numberOfConstantMenuSelections, 2);
    EXPECT_EQ(MAX_ROWS, 9);
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
    resetPrefs(); // what start-up and the checker start from
    EXPECT_EQ(facts(), defaults);
}

// --- list rules ---
TEST_F(Prefs, ListRulesOfTheValueKeysAndShortcuts)
{
    articleTitleColor = {0.1f, 0.1f, 0.1f, 0.1f};
    load("ARTICLE_ROWS: 40,50\nSLIDESHOW_CHANGE_TIME: 8\nARTICLE_ROW_OFFSET: 2,,9\nARTICLE_MAX_CHARACTERS_ROW: \n"
         "ARTICLE_TEXT_START: 100\nARTICLE_BAR_COORDS: 1,2,3\nBKG_DIMMER_VALUE: 45\nARTICLE_SHOW_TITLE: 2\n"
         "ARTICLE_TITLE_COLOR: 0.2,0.5,,0.8\nSTARTUP_IMAGE: intro.ppm\n"
         "KEY_SHORTCUTS: q=Quiz,nothing,x=,=Eq, b=Blank,\xe9=Accent\n"
         "KEY_SPECIAL_SHORTCUTS: F10=Ten,F13=Thirteen,F12=Twelve,F2=Two,G1=No,F3\n");
    // An empty list leaves the value, the last value counts, the empty token ends the list;
    // a pair and a quadruple are assigned even where values are missing.
    EXPECT_EQ(std::vector<int>({MAX_CHARACTERS_ROW, MAX_ROWS, SLIDESHOW_CHANGE_TIME, ARTICLE_FONT_SPACING_Y, TEXT_STARTX,
                                TEXT_STARTY, ARTICLE_BAR_STOP_X, ARTICLE_BAR_STOP_Y, articleShowTitle}),
              std::vector<int>({70, 50, 8, 2, 100, -1, 3, -1, 0}));
    EXPECT_DOUBLE_EQ(BKG_DIMMER_VALUE, 0.45);
    EXPECT_FLOAT_EQ(articleTitleColor.r, 0.2f);
    EXPECT_FLOAT_EQ(articleTitleColor.b, 0.1f); // empty token: kept
    EXPECT_FLOAT_EQ(articleTitleColor.a, 0.8f);
    EXPECT_STREQ(startupImageName, "intro.ppm");
    // The key's unsigned code; the blank after the comma is the key; no '=': skipped;
    // F13 begins with F1.
    std::pair<const char*, const char*> shortcuts[] = {
        {keyShortcuts[0xe9], "Accent"}, {keyShortcuts['q'], "Quiz"}, {keyShortcuts['='], "Eq"},
        {keyShortcuts[' '], "Blank"}, {keyShortcuts['n'], ""}, {specialKeyShortcuts[9], "Ten"},
        {specialKeyShortcuts[0], "Thirteen"}, {specialKeyShortcuts[11], "Twelve"}, {specialKeyShortcuts[1], "Two"},
        {specialKeyShortcuts[2], ""}};
    for (auto& s : shortcuts) EXPECT_STREQ(s.first, s.second);
    load("ARTICLE_SHOW_TITLE: 1\n");
    EXPECT_EQ(articleShowTitle, 1);
    load("STARTUP_IMAGE: ,x\n"); // an empty token empties the name
    EXPECT_STREQ(startupImageName, "");
}

// --- the heap tables ---
TEST_F(Prefs, MenuTablesAreZeroedAndReplaced)
{
    load("MENUS: 0\nMENU_COORDS: 1,2,3,4\nMENU_LINKS: _QUIT\n");
    EXPECT_TRUE(constantMenuCoords == nullptr && constantMenuLinks == nullptr);
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
    EXPECT_TRUE(constantMenuCoords[0] == 7 && constantMenuCoords[1] == 0); // nothing left of the first one
    EXPECT_STREQ(constantMenuLinks[0], "");
}

// Regression: a scroll file name that is a directory ("." or a subfolder) was measured with
// fseek/ftell, which reports an absurd size for a directory, and the reader asked for that
// much memory. A directory is now a file that can't be read; the next name fills the slot.
TEST_F(Prefs, ScrollTablesFilesAndTheirRelease)
{
    writeFile("ScrollTexts/a", "one");
    writeFile("ScrollTexts/b", "first\nline");
    writeFile("ScrollTexts/c", "third");
    EXPECT_EQ(load("SCROLLTEXTS: 2\nSCROLL_COORDS: 10,20,30,40,50\nSCROLL_LENGTH: 7\nSCROLL_FILES: .,x,b,c\n"),
              "prefs.txt:2: [prefs-scroll-coords-count] SCROLL_COORDS: 5 values for SCROLLTEXTS: 2, which needs 4\n"
              "prefs.txt:3: [prefs-scroll-length-count] SCROLL_LENGTH: 1 values for SCROLLTEXTS: 2, which needs 2\n"
              "prefs.txt:4: [scroll-file-unreadable] Unable to read scroll file '.'\n"
              "prefs.txt:4: [scroll-file-unreadable] Unable to read scroll file 'x'\n");
    ASSERT_EQ(numberOfScrollTexts, 2);
    EXPECT_STREQ(scrollTexts[0], "first line"); // line feeds become blanks
    EXPECT_STREQ(scrollTexts[1], "third");
    EXPECT_TRUE(scrollCoords[3] == 40 && scrollLength[0] == 7 && scrollLength[1] == 0);
    load("SCROLL_FILES: a\nSCROLL_COORDS: 1,2\nSCROLLTEXTS: 3\nSCROLL_FILES: c\n");
    EXPECT_EQ(scrollCoords[0], 0); // values before the table are ignored
    EXPECT_STREQ(scrollTexts[0], "third");
    EXPECT_EQ(scrollTexts[1], nullptr); // unfilled slots have no text
    load("SCROLLTEXTS: 1\nSCROLL_FILES: a\nSCROLL_FILES: c\n"); // the second line replaces the text
    EXPECT_STREQ(scrollTexts[0], "third");
    load("SCROLLTEXTS: 2\n"); // new, empty tables; the old texts are released
    EXPECT_TRUE(numberOfScrollTexts == 2 && scrollTexts[0] == nullptr);
    load("MENUS: 1\nSCROLLTEXTS: 1\nSCROLL_FILES: a\n");
    freePrefs();
    EXPECT_TRUE(!constantMenuCoords && !constantMenuLinks && !scrollTexts && !scrollCoords && !scrollLength);
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
        {"ARTICLE_MAX_CHARACTERS_ROW: 50,3\nARTICLE_ROWS: -5\n", "E1:prefs-row-width E2:prefs-rows-negative",
         [] { EXPECT_EQ(MAX_CHARACTERS_ROW, 50); EXPECT_EQ(MAX_ROWS, 45); }},
        {"ARTICLE_MAX_CHARACTERS_ROW: 4\nARTICLE_ROWS: 0\n", "", [] { EXPECT_EQ(MAX_CHARACTERS_ROW + MAX_ROWS, 4); }},
        {"SLIDESHOW_CHANGE_TIME: 0\nSLIDESHOW_CHANGE_TIME: 3,-4\nSLIDESHOW_CHANGE_TIME: 1\n",
         "E1:prefs-slideshow-time E2:prefs-slideshow-time", [] { EXPECT_EQ(SLIDESHOW_CHANGE_TIME, 1); }},
        {"MENUS: 300\nSCROLLTEXTS: 1000\nMENU_LINKS: " + repeat("a,", 300) + "\n", // 300 links: as many as written
         "E1:prefs-menus-limit E2:prefs-scrolltexts-limit",
         [] { // what fits is kept
             EXPECT_NE(findings.find("MENUS: 300 cut to 256"), std::string::npos);
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
             EXPECT_STREQ(startupImageName, "");
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
        resetPrefs();
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
