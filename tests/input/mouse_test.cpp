// The mouse over the selections: the hover decision (pointer shape, redraw request), then one
// journey of moves and button events over a page of items, each checked against the state it
// leaves (link words, articles, tunes in index order, the startup picture, the wheel, _QUIT),
// and window positions mapped from a letterboxed window.
#include "app/screen.h"
#include "app/viewport.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "input/mouse.h"
#include "input/pointer.h"
#include "input/selections.h"
#include "music/link.h"
#include "music/sandbox.h"
#include "support/magazine_state.h"
#include <GL/freeglut_std.h>
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(Hover, ShapeAndRedrawForEachMove)
{
    const int k = 13; // page items from index 13; pointer -1 leaves the shape alone
    struct { int from, to, shown, pointer; bool redraw; } cases[] = {
        {-1, 3, 0, 1, false}, {3, -1, 1, 0, false}, {3, 4, 1, -1, false}, // constant: never redraw
        {-1, k, 0, 1, true},  {k, -1, 1, 0, true},  {k, k + 1, 1, -1, true}, {2, k, 1, -1, true},
        {k, 2, 1, -1, false}, {k, 0, 1, -1, false}, // onto a constant one: the stale highlight stays
        {k, k, 0, -1, false},  // same item: stop before the shape is set
        {-1, -1, 5, 0, false}, {-1, -1, 0, -1, false}, // empty space restores shape 0
    };
    for (auto c : cases) {
        hoverChange h = decideHover(c.from, c.to, k, c.shown);
        EXPECT_EQ(h.pointer, c.pointer) << c.from << " -> " << c.to;
        EXPECT_EQ(h.redraw, c.redraw) << c.from << " -> " << c.to;
    }
}

std::string state() // article, page, redraw, hover, pointer shape, mode, quit, song, song change
{
    char s[80];
    snprintf(s, sizeof s, "a%d p%d r%d h%d s%d m%d q%d %d/%d", currentArticle, currentPage, firstrun,
             mouseOverMenuItem, currentPointer, mode, endAll, (int)currentSong, (int)changeSong);
    return s;
}

class Mouse : public ::testing::Test {
protected:
    articleEntry table[3] = {};
    sandbox box;
    static void item(int x, const char* link, int kind = SELECTION_LINK)
    {
        int n = registerSelection(kind, link);
        setSelectionOrigin(n, (float)x, 100), setSelectionEnd(n, (float)x + 100, 200);
    }
    void SetUp() override
    {
        sandboxOpen(&box);
        computeScreenMetrics(1); // 640x480 in a 640x480 window: window pixels are screen pixels
        setWindowSize(640, 480);
        numberOfConstantMenuSelections = 0;
        clearPageSelections();
        setConstantSelection(0, {0, 0, 100, 50, SELECTION_LINK, "_NPAGE"});
        setConstantSelection(1, {100, 0, 200, 50, SELECTION_LINK, "_QUIT"});
        numberOfConstantMenuSelections = 2;
        item(0, "_next"), item(0, "_NEXT"), item(0, "_NEXT"); // 2-4: no link word, then _NEXT
        item(100, "_PREV");                                   // 5
        item(200, "03_End");                                  // 6
        item(300, "t1.mod", SELECTION_TUNE), item(300, "t0.mod"), item(300, "t1.mod", 2), item(300, "_NPAGE");
        useArticleTable(table, 3);
        useSongList(2);
        currentArticle = currentPage = firstrun = endAll = loadingSong = changeSong = currentSong = 0;
        mode = 2;
        setHoveredSelection(-1);
        setPointer(0);
    }
    void TearDown() override
    {
        articleArray = nullptr;
        articles = currentArticle = currentPage = endAll = numberOfConstantMenuSelections = 0;
        clearPageSelections();
        numberOfConstantMenuSelections = 13;
        setHoveredSelection(-1);
        useSongList(0);
        loadingSong = changeSong = 1;
        sandboxClose(&box);
    }
};

TEST_F(Mouse, EachEventLeavesItsState)
{
    enum { MOVE = -1 };
    struct { int startup, button, up, x, y; const char* after; } steps[] = {
        {0, MOVE, 0, 50, 25, "a0 p0 r0 h0 s1 m2 q0 0/0"},   // onto a constant selection
        {0, MOVE, 0, 250, 150, "a0 p0 r1 h6 s1 m2 q0 0/0"}, // onto a page item: its highlight
        {0, MOVE, 0, 150, 150, "a0 p0 r1 h5 s1 m2 q0 0/0"},
        {0, MOVE, 0, 150, 25, "a0 p0 r0 h1 s1 m2 q0 0/0"},
        {0, MOVE, 0, 600, 400, "a0 p0 r0 h-1 s0 m2 q0 0/0"},
        {0, GLUT_RIGHT_BUTTON, 1, 50, 25, "a0 p0 r0 h-1 s0 m2 q0 0/0"}, // only the left release acts
        {0, GLUT_MIDDLE_BUTTON, 1, 50, 25, "a0 p0 r0 h-1 s0 m2 q0 0/0"},
        {0, GLUT_LEFT_BUTTON, 0, 50, 25, "a0 p0 r0 h-1 s0 m2 q0 0/0"},
        {0, GLUT_LEFT_BUTTON, 1, 50, 25, "a0 p1 r1 h-1 s0 m2 q0 0/0"},
        {0, GLUT_LEFT_BUTTON, 1, 50, 150, "a1 p0 r1 h-1 s0 m2 q0 0/0"}, // case-sensitive; the walk stops
        {0, GLUT_LEFT_BUTTON, 1, 150, 150, "a0 p0 r1 h-1 s0 m2 q0 0/0"},
        {0, GLUT_LEFT_BUTTON, 1, 50, 25, "a0 p1 r1 h-1 s0 m2 q0 0/0"},
        {0, MOVE, 0, 250, 150, "a0 p1 r1 h6 s1 m2 q0 0/0"},
        {0, GLUT_LEFT_BUTTON, 1, 250, 150, "a2 p0 r1 h-1 s1 m2 q0 0/0"}, // its first page, no hover
        // Each tune (and a link naming a song) goes to the player in turn, then _NPAGE acts;
        // an unknown kind never acts. No player runs, so each is requested: the later wins.
        {0, GLUT_LEFT_BUTTON, 1, 350, 150, "a2 p1 r1 h-1 s1 m2 q0 0/1"},
        {1, 3, 1, 50, 25, "a2 p1 r0 h-1 s1 m1 q0 0/1"}, // the wheel is no input
        {1, 6, 0, 50, 25, "a2 p1 r0 h-1 s1 m1 q0 0/1"},
        {1, GLUT_RIGHT_BUTTON, 0, 50, 25, "a2 p1 r1 h-1 s1 m2 q0 0/1"}, // ends the startup picture
        {0, GLUT_LEFT_BUTTON, 1, 50, 25, "a2 p2 r1 h-1 s1 m2 q0 0/1"},  // and its release clicks
        {0, GLUT_LEFT_BUTTON, 1, 150, 25, "a2 p2 r0 h-1 s1 m2 q1 0/1"}, // only requested
    };
    for (auto s : steps) {
        firstrun = 0;
        if (s.startup) mode = 1;
        if (s.button == MOVE) processMousePassiveMotion(s.x, s.y);
        else processMouse(s.button, s.up ? GLUT_UP : GLUT_DOWN, s.x, s.y);
        EXPECT_EQ(state(), s.after) << s.x << "," << s.y;
    }
    loadingSong = 1, changeSong = 0; // while a song starts, tune clicks queue nothing
    processMouse(GLUT_LEFT_BUTTON, GLUT_UP, 350, 150);
    EXPECT_EQ(changeSong, 0);
    articles = currentArticle = currentPage = firstrun = 0; // nothing loaded: a link finds no
    articleArray = nullptr;                                 // article, _NPAGE only redraws
    processMouse(GLUT_LEFT_BUTTON, GLUT_UP, 250, 150), processMouse(GLUT_LEFT_BUTTON, GLUT_UP, 50, 25);
    EXPECT_EQ(state().substr(0, 8), "a0 p0 r1");
}

// A full-screen 1280x1024 window shows the 640x480 picture scaled by 2 between bars of 32
// rows: window positions must be mapped back before the test, or clicks miss.
TEST_F(Mouse, PositionsAreMappedFromTheLetterboxedWindow)
{
    setWindowSize(1280, 1024);
    processMousePassiveMotion(150, 32 + 50); // picture (75, 25): on _NPAGE
    EXPECT_EQ(mouseOverMenuItem, 0);
    processMousePassiveMotion(150, 10); // in the top bar
    EXPECT_EQ(mouseOverMenuItem, -1);
    processMouse(GLUT_LEFT_BUTTON, GLUT_UP, 150, 32 + 50);
    EXPECT_EQ(currentPage, 1);
}

} // namespace
