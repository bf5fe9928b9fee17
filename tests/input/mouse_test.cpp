// The mouse over the menu selections: the strict hit test and index order, the hover
// decision (pointer shape and redraw request), window positions converted to the chosen
// resolution before testing, and what a left-button release on each kind of link does.
#include "app/screen.h"
#include "app/viewport.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "music/link.h"
#include "music/sandbox.h"
#include "input/mouse.h"
#include "input/pointer.h"
#include "prefs/prefs.h"
#include "support/magazine_state.h"
#include <GL/freeglut_std.h>
#include <cstring>
#include <gtest/gtest.h>

namespace {

menuSelection rect(float x0, float y0, float x1, float y1, const char* link, int kind = 0)
{
    menuSelection s{x0, y0, x1, y1, kind, {}};
    snprintf(s.link, sizeof s.link, "%s", link);
    return s;
}

// ---- hit test ----------------------------------------------------------------------------

TEST(HitTest, PointsOnEveryEdgeMissAsDoAllZeroRecords)
{
    menuSelection s = rect(50, 100, 150, 200, "x"), zero{};
    struct { float x, y; bool hit; } cases[] = {
        {51, 101, true}, {149.5f, 199.5f, true}, {50, 150, false}, {150, 150, false},
        {100, 100, false}, {100, 200, false}, {50, 100, false}, // left, right, top, bottom, corner
    };
    for (auto c : cases) EXPECT_EQ(selectionContains(s, c.x, c.y), c.hit) << c.x << "," << c.y;
    EXPECT_FALSE(selectionContains(zero, 0, 0));
    EXPECT_FALSE(selectionContains(zero, 1, 1));
}

TEST(HitTest, OverlappingSelectionsAreFoundInIndexOrder)
{
    menuSelection t[3] = {rect(0, 0, 10, 10, "a"), rect(0, 0, 100, 100, "b"), rect(20, 20, 80, 80, "c")};
    EXPECT_EQ(findSelectionAt(t, 3, 0, 50, 50), 1);
    EXPECT_EQ(findSelectionAt(t, 3, 2, 50, 50), 2); // the walk resumes behind an earlier hit
    EXPECT_EQ(findSelectionAt(t, 3, 0, 5, 5), 0);
    EXPECT_EQ(findSelectionAt(t, 3, 0, 200, 5), -1);
    EXPECT_EQ(findSelectionAt(t, 1, 0, 50, 50), -1); // only the records in use count
}

// ---- hover decision ----------------------------------------------------------------------

TEST(Hover, ShapeAndRedrawForEachMove)
{
    const int k = 13; // constant selections come first; page items from index 13
    // pointer -1: leave the shape alone.
    struct { int from, to, shown, pointer; bool redraw; } cases[] = {
        {-1, 3, 0, 1, false}, {3, -1, 1, 0, false}, {3, 4, 1, -1, false}, // constant: never redraw
        {-1, k, 0, 1, true},  {k, -1, 1, 0, true},  {k, k + 1, 1, -1, true}, {2, k, 1, -1, true},
        {k, 2, 1, -1, false},  // article item onto a constant selection: the stale highlight stays
        {k, k, 0, -1, false},  // same item: stop before the shape is set
        {-1, -1, 5, 0, false}, // empty space restores shape 0 (`p` was not pressed)
        {-1, -1, 0, -1, false},
    };
    for (auto c : cases) {
        hoverChange h = decideHover(c.from, c.to, k, c.shown);
        EXPECT_EQ(h.pointer, c.pointer) << c.from << " -> " << c.to;
        EXPECT_EQ(h.redraw, c.redraw) << c.from << " -> " << c.to;
    }
}

// ---- callbacks over the global tables -----------------------------------------------------

class MouseCallbacks : public ::testing::Test {
protected:
    articleEntry table[3] = {};

    void SetUp() override
    {
        computeScreenMetrics(1); // 640x480: rectangles in half the design units
        setWindowSize(640, 480);
        memset(menuSelections, 0, sizeof menuSelections);
        numberOfConstantMenuSelections = 2;
        menuSelections[0] = rect(0, 0, 100, 50, "_NPAGE");
        menuSelections[1] = rect(100, 0, 200, 50, "_QUIT");
        numberOfMenuSelections = 2;
        useArticleTable(table, 3);
        currentArticle = currentPage = firstrun = endAll = 0;
        mode = 2;
        mouseOverMenuItem = -1;
        setPointer(0);
    }
    void TearDown() override
    {
        articleArray = nullptr;
        articles = currentArticle = currentPage = endAll = numberOfMenuSelections = 0;
        mode = 2;
        mouseOverMenuItem = -1;
        numberOfConstantMenuSelections = 13;
        memset(menuSelections, 0, sizeof menuSelections);
        setWindowSize(640, 480);
    }
    void addPageItem(menuSelection s) { menuSelections[numberOfMenuSelections++] = s; }
    void click(int x, int y)
    {
        processMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
        processMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, y);
    }
};

// A full-screen 1280x1024 window shows the 640x480 picture scaled by 2 between bars of 32
// rows: window positions must be mapped back before the test, or clicks miss.
TEST_F(MouseCallbacks, PositionsAreMappedFromTheLetterboxedWindow)
{
    setWindowSize(1280, 1024);
    processMousePassiveMotion(150, 32 + 50); // picture (75, 25): on _NPAGE
    EXPECT_EQ(mouseOverMenuItem, 0);
    processMousePassiveMotion(150, 10); // in the top bar
    EXPECT_EQ(mouseOverMenuItem, -1);
    click(150, 32 + 50);
    EXPECT_EQ(currentPage, 1);

    computeScreenMetrics(0); // 1280x960 picture in the same window: bars, no scaling
    menuSelections[0] = rect(0, 0, 200, 100, "_NPAGE");
    click(150, 32 + 90);
    EXPECT_EQ(currentPage, 2);
    click(150, 32 + 100 + 2); // below the rectangle once the bar is accounted for
    EXPECT_EQ(currentPage, 2);
}

TEST_F(MouseCallbacks, OnlyTheLeftButtonsReleaseActsAndQuitIsOnlyRequested)
{
    processMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 50, 25);
    processMouse(GLUT_RIGHT_BUTTON, GLUT_UP, 50, 25);
    processMouse(GLUT_MIDDLE_BUTTON, GLUT_UP, 50, 25);
    EXPECT_EQ(currentPage, 0);
    processMouse(GLUT_LEFT_BUTTON, GLUT_UP, 50, 25);
    EXPECT_EQ(currentPage, 1);
    click(150, 25);
    EXPECT_EQ(endAll, 1); // still running: the idle callback carries it out
}

TEST_F(MouseCallbacks, LinkWordsAreCaseSensitiveAndStopTheWalk)
{
    addPageItem(rect(0, 100, 100, 200, "_next"));   // not a link word; no article, no song
    addPageItem(rect(0, 100, 100, 200, "_NEXT"));
    addPageItem(rect(0, 100, 100, 200, "_NEXT"));   // never reached
    click(50, 150);
    EXPECT_EQ(currentArticle, 1);

    menuSelections[3] = rect(0, 100, 100, 200, "_PREV");
    click(50, 150);
    EXPECT_EQ(currentArticle, 0);
}

TEST_F(MouseCallbacks, HoverRedrawsOnlyForPageItemsAndArticleLinksOpenTheirFirstPage)
{
    currentPage = 2;
    addPageItem(rect(100, 100, 300, 120, "03_End"));
    processMousePassiveMotion(50, 25);
    EXPECT_EQ(mouseOverMenuItem, 0);
    EXPECT_EQ(currentPointer, 1);
    EXPECT_EQ(firstrun, 0);
    processMousePassiveMotion(150, 110);
    EXPECT_EQ(mouseOverMenuItem, 2);
    EXPECT_EQ(firstrun, 1);
    firstrun = 0;
    click(150, 110);
    EXPECT_EQ(currentArticle, 2);
    EXPECT_EQ(currentPage, 0);
    EXPECT_EQ(firstrun, 1);
    EXPECT_EQ(mouseOverMenuItem, -1); // the hover is dropped with the page
    processMousePassiveMotion(600, 400);
    EXPECT_EQ(currentPointer, 0);
}

TEST_F(MouseCallbacks, StartupPictureTakesTheFirstButtonOnlyNotTheWheel)
{
    mode = 1;
    for (int wheel = 3; wheel <= 6; wheel++) { // up, down, left, right
        processMouse(wheel, GLUT_DOWN, 50, 25);
        processMouse(wheel, GLUT_UP, 50, 25);
    }
    EXPECT_EQ(mode, 1);
    processMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 50, 25);
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(firstrun, 1);
    EXPECT_EQ(currentPage, 0);
    processMouse(GLUT_LEFT_BUTTON, GLUT_UP, 50, 25); // the release that follows is a click
    EXPECT_EQ(currentPage, 1);
}

TEST_F(MouseCallbacks, NoArticlesLoadedLinksFindNothing)
{
    articles = 0;
    articleArray = nullptr;
    addPageItem(rect(0, 100, 100, 200, "02_News"));
    click(50, 150);
    EXPECT_EQ(currentArticle, 0);
    click(50, 25); // _NPAGE: nothing to page, only the redraw request
    EXPECT_EQ(currentPage, 0);
    EXPECT_EQ(firstrun, 1);
}

// Tune items (and links that name no article but a song) go to the player one after the
// other, and the walk goes on behind them. No player runs in the sandbox, so each song is
// requested directly: the later one wins.
TEST_F(MouseCallbacks, SongSelectionsAreAllHandledInIndexOrder)
{
    sandbox box;
    sandboxOpen(&box);
    numberOfSongs = 2;
    snprintf(songNames[0], sizeof songNames[0], "Songs/a.mod");
    snprintf(songNames[1], sizeof songNames[1], "Songs/b.mod");
    loadingSong = changeSong = currentSong = 0;
    addPageItem(rect(0, 100, 100, 200, "b.mod", 1));
    addPageItem(rect(0, 100, 100, 200, "a.mod", 0)); // no article of that name: a song
    addPageItem(rect(0, 100, 100, 200, "x.mod", 2)); // unknown kind: never acted on
    addPageItem(rect(0, 100, 100, 200, "_NPAGE"));
    click(50, 150);
    EXPECT_EQ(currentSong, 0);
    EXPECT_EQ(changeSong, 1);
    EXPECT_EQ(currentPage, 1);

    // While a song start is under way, tune clicks do not queue further changes.
    loadingSong = 1;
    changeSong = 0;
    click(50, 150);
    EXPECT_EQ(currentSong, 0);
    EXPECT_EQ(changeSong, 0);
    EXPECT_EQ(currentPage, 2);

    numberOfSongs = 0;
    memset(songNames, 0, sizeof songNames);
    loadingSong = changeSong = 1;
    sandboxClose(&box);
}

} // namespace
