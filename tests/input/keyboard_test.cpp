// The key callbacks as one journey of key presses, each checked against the state it leaves:
// the startup picture takes the first real key (modifiers are no key), article shortcuts come
// before the built-in keys, built-in letters are case-sensitive, function keys open their
// shortcuts and the cursor keys navigate. Then the slideshow timer, the screenshot and Escape.
#include "app/clock.h"
#include "app/composition.h"
#include "app/screen.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "elements/picture.h"
#include "input/keyboard.h"
#include "input/pointer.h"
#include "music/link.h"
#include "music/sandbox.h"
#include "prefs/prefs.h"
#include "support/magazine_state.h"
#include "support/offscreen.h"
#include <GL/freeglut.h>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

int64_t fakeSeconds;
void fakeWallClock(int64_t* sec, int64_t* usec) { *sec = fakeSeconds, *usec = 0; }
// A special key is passed as its negative code.
void press(int k) { k < 0 ? specialkey(-k, 0, 0) : key((unsigned char)k, 0, 0); }

std::string state() // article, page, redraw request, mode, info line, pointer shape
{
    char s[64];
    snprintf(s, sizeof s, "a%d p%d r%d m%d i%d s%d", currentArticle, currentPage, firstrun, mode, activeText,
             currentPointer);
    return s;
}

class Keyboard : public ::testing::Test {
protected:
    articleEntry table[3] = {};
    void SetUp() override
    {
        useArticleTable(table, 4);
        currentArticle = currentPage = firstrun = activeText = 0;
        mode = 2;
    }
    void TearDown() override
    {
        articleArray = nullptr;
        articles = currentArticle = currentPage = activeText = 0;
        mode = 2;
        memset(keyShortcuts, 0, sizeof keyShortcuts);
        memset(specialKeyShortcuts, 0, sizeof specialKeyShortcuts);
        setWallClock(nullptr);
    }
};

TEST_F(Keyboard, EachKeyLeavesItsState)
{
    snprintf(keyShortcuts['n'], 40, "02_News");
    snprintf(keyShortcuts['s'], 40, "03_End");        // comes before the built-in key
    snprintf(keyShortcuts['q'], 40, "99_Missing");    // no such article: the built-in key acts
    snprintf(keyShortcuts['o'], 40, "01_Intro");      // the first article is one too
    snprintf(specialKeyShortcuts[0], 40, "03_End");   // F1
    snprintf(specialKeyShortcuts[2], 40, "nothing");  // F3; F5 is empty
    snprintf(specialKeyShortcuts[11], 40, "02_News"); // F12
    setPointer(1);
    struct { int startup, key; const char* after; } steps[] = {
        {1, 'q', "a0 p0 r1 m2 i0 s1"}, {1, 27, "a0 p0 r1 m2 i0 s1"}, {1, -GLUT_KEY_DOWN, "a0 p0 r1 m2 i0 s1"},
        {1, -GLUT_KEY_SHIFT_L, "a0 p0 r0 m1 i0 s1"}, {1, -GLUT_KEY_SUPER_R, "a0 p0 r0 m1 i0 s1"},
        {1, -GLUT_KEY_NUM_LOCK, "a0 p0 r0 m1 i0 s1"}, {1, -GLUT_KEY_CTRL_L, "a0 p0 r0 m1 i0 s1"},
        {0, 'n', "a0 p0 r1 m2 i0 s1"}, // the startup picture ends first
        {0, 'n', "a1 p0 r1 m2 i0 s1"}, {0, -GLUT_KEY_DOWN, "a1 p1 r1 m2 i0 s1"},
        {0, -GLUT_KEY_DOWN, "a1 p2 r1 m2 i0 s1"}, {0, -GLUT_KEY_UP, "a1 p1 r1 m2 i0 s1"},
        {0, 's', "a2 p0 r1 m2 i0 s1"}, {0, -GLUT_KEY_F12, "a1 p0 r1 m2 i0 s1"},
        {0, -GLUT_KEY_DOWN, "a1 p1 r1 m2 i0 s1"}, {0, -GLUT_KEY_F5, "a1 p1 r0 m2 i0 s1"},
        {0, -GLUT_KEY_F3, "a1 p1 r0 m2 i0 s1"}, {0, -GLUT_KEY_F1, "a2 p0 r1 m2 i0 s1"},
        {0, 'o', "a0 p0 r1 m2 i0 s1"}, {0, -GLUT_KEY_LEFT, "a2 p0 r1 m2 i0 s1"},
        {0, -GLUT_KEY_RIGHT, "a0 p0 r1 m2 i0 s1"}, {0, -GLUT_KEY_PAGE_DOWN, "a0 p0 r0 m2 i0 s1"},
        {0, -GLUT_KEY_HOME, "a0 p0 r0 m2 i0 s1"}, {0, 'i', "a0 p0 r0 m2 i1 s1"}, {0, 'i', "a0 p0 r0 m2 i0 s1"},
        {0, 'Q', "a0 p0 r0 m2 i0 s1"}, {0, 'S', "a0 p0 r0 m2 i0 s1"}, {0, 'I', "a0 p0 r0 m2 i0 s1"},
        {0, 'P', "a0 p0 r0 m2 i0 s1"}, {0, 'p', "a0 p0 r0 m2 i0 s0"}, {0, 'a', "a0 p0 r1 m2 i0 s0"},
        {0, 'q', "a0 p0 r1 m4 i0 s0"}, {0, -GLUT_KEY_DOWN, "a0 p1 r1 m4 i0 s0"}, {0, 'q', "a0 p1 r1 m2 i0 s0"},
    };
    for (auto s : steps) {
        firstrun = 0;
        if (s.startup) mode = 1;
        press(s.key);
        EXPECT_EQ(state(), s.after) << "key " << s.key;
    }
    articles = currentPage = 0; // nothing loaded: shortcuts and cursor keys find nothing
    articleArray = nullptr;
    for (int k : {(int)'n', -GLUT_KEY_F12, -GLUT_KEY_RIGHT}) press(k);
    EXPECT_EQ(state().substr(0, 5), "a0 p0");
}

TEST_F(Keyboard, SlideshowStartsItsTimerAtTheKey)
{
    setWallClock(fakeWallClock);
    fakeSeconds = 1000;
    getTimeWithStatus(CLOCK_START);
    fakeSeconds = 1007;
    press('q');
    EXPECT_EQ(slideshowTimerStart, 700);
}

// Regression: `s` read the back buffer at once, so a screenshot taken right behind a page
// change showed the page before it. Both full frames are drawn first now.
TEST_F(Keyboard, ScreenshotComesAfterBothFullFrames)
{
    sandbox box;
    sandboxOpen(&box);
    ASSERT_TRUE(offscreenOpen(1280, 960));
    articleArray = nullptr; // the magazine view without articles: menus, bar, tickers
    articles = 0;
    int16_t pendingSong = changeSong;
    changeSong = 0;
    drawFrame = -1;
    offscreenResetSwapCount();
    press('s');
    EXPECT_EQ(offscreenSwapCount(), 2);
    EXPECT_EQ(drawFrame, -1); // no full frame still due: both buffers hold the picture
    EXPECT_EQ(firstrun, 0);
    EXPECT_TRUE(std::filesystem::exists(box.runtime + "/screenshot.ppm"));
    changeSong = pendingSong;
    offscreenClose();
    sandboxClose(&box);
}

TEST_F(Keyboard, EscapeEndsTheProgramWithStatusZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    articleArray = nullptr; // shutdown releases the catalogue: hand it none of ours
    articles = 0;
    EXPECT_EXIT(press(27), ::testing::ExitedWithCode(0), "");
}

} // namespace
