// The preferences reader over real files in a scratch directory: comments and the key
// search, the list rule of every key, the heap tables (zeroed, replaced, released), the
// scroll text files, refused layout values, carriage-return files and over-long tokens.
#include "app/screen.h"
#include "prefs/prefs.h"
#include <algorithm>
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
    // Writes prefs.txt and reads it; returns what standard error received.
    std::string load(const std::string& content, int expected = 0)
    {
        writeFile("prefs.txt", content);
        testing::internal::CaptureStderr();
        EXPECT_EQ(loadPrefs("prefs.txt"), expected);
        return testing::internal::GetCapturedStderr();
    }
};

// --- the file and its lines ---
TEST_F(Prefs, MissingFileCommentsAndUnknownLinesChangeNothing)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(loadPrefs("nothing-here.txt"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
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

TEST_F(Prefs, CarriageReturnsStayInStringsButNotInNumbers)
{
    load("ARTICLE_ROWS: 30\r\nKEY_SHORTCUTS: a=Intro\r\nSTARTUP_IMAGE: title.ppm\r\n");
    EXPECT_EQ(MAX_ROWS, 30);
    EXPECT_STREQ(keyShortcuts['a'], "Intro\r");
    EXPECT_STREQ(startupImageName, "title.ppm\r");
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
    EXPECT_EQ(mode, 1);
    mode = 2;
    load("STARTUP_IMAGE: ,x\n"); // an empty token empties the name and leaves the mode
    EXPECT_STREQ(startupImageName, "");
    EXPECT_EQ(mode, 2);
}

// --- refused values ---
TEST_F(Prefs, RowWidthBelowFourNegativeRowsAndHugeMenusAreRefused)
{
    std::string err = load("ARTICLE_MAX_CHARACTERS_ROW: 50,3\nARTICLE_ROWS: -5\nMENUS: 2\nMENUS: 999999999\n");
    for (const char* what : {"ARTICLE_MAX_CHARACTERS_ROW: 3 refused", "ARTICLE_ROWS: -5 refused", "MENUS: 999999999 refused"})
        EXPECT_NE(err.find(what), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 3); // one line each
    EXPECT_EQ(MAX_CHARACTERS_ROW, 50);
    EXPECT_EQ(MAX_ROWS, 45);
    EXPECT_EQ(numberOfConstantMenuSelections, 2);
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
    EXPECT_EQ(err, "Unable to read scroll file 'a'\n");
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
    EXPECT_EQ(load("SCROLLTEXTS: 1\nSCROLL_FILES: .,b\n"), "Unable to read scroll file '.'\n");
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
