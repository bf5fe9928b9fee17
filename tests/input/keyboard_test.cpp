// The key callbacks: the startup picture consumes the first real key (modifier keys are no
// key at all), article shortcuts come before the built-in keys, the built-in letters are
// case-sensitive, function keys open their shortcuts, and the cursor keys navigate.
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
#include "support/offscreen.h"
#include "support/magazine_state.h"
#include <GL/freeglut.h>
#include <cstring>
#include <gtest/gtest.h>

namespace {

int64_t fakeSeconds = 1000;
void fakeWallClock(int64_t* sec, int64_t* usec)
{
    *sec = fakeSeconds;
    *usec = 0;
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

// ---- the startup picture -------------------------------------------------------------------

TEST_F(Keyboard, StartupPictureTakesTheFirstRealKeyOnly)
{
    // `q` does not start the slideshow, Escape does not quit, Down does not page.
    for (int k : {(int)'q', 27, -GLUT_KEY_DOWN}) {
        mode = 1;
        firstrun = 0;
        k < 0 ? specialkey(-k, 0, 0) : key((unsigned char)k, 0, 0);
        EXPECT_EQ(mode, 2) << k;
        EXPECT_EQ(firstrun, 1) << k;
        EXPECT_EQ(currentPage, 0) << k;
    }
    key('q', 0, 0);
    EXPECT_EQ(mode, 4);
}

TEST_F(Keyboard, ModifierKeysAreNoKeyAtAll)
{
    const int modifiers[] = {GLUT_KEY_SHIFT_L, GLUT_KEY_SHIFT_R, GLUT_KEY_CTRL_L, GLUT_KEY_CTRL_R,
                             GLUT_KEY_ALT_L,   GLUT_KEY_ALT_R,   GLUT_KEY_SUPER_L, GLUT_KEY_SUPER_R};
    for (int m : {1, 2}) {
        mode = m;
        for (int k : modifiers) specialkey(k, 0, 0);
        EXPECT_EQ(mode, m);
        EXPECT_EQ(firstrun, 0);
        EXPECT_EQ(currentArticle, 0);
        EXPECT_EQ(currentPage, 0);
    }
}

// ---- shortcuts -----------------------------------------------------------------------------

TEST_F(Keyboard, ShortcutsOpenTheirArticleAtItsFirstPage)
{
    snprintf(keyShortcuts['n'], 40, "02_News");
    snprintf(keyShortcuts['q'], 40, "03_End");           // comes before the built-in key
    snprintf(specialKeyShortcuts[1], 40, "03_End");     // F2
    snprintf(specialKeyShortcuts[11], 40, "02_News");   // F12
    snprintf(specialKeyShortcuts[2], 40, "nothing");    // F3: names no article; F5: empty
    struct { int key; bool special; int article; bool opens; } cases[] = {
        {'n', false, 1, true}, {'q', false, 2, true}, {GLUT_KEY_F12, true, 1, true},
        {GLUT_KEY_F2, true, 2, true}, {GLUT_KEY_F5, true, 2, false}, {GLUT_KEY_F3, true, 2, false},
    };
    for (auto c : cases) {
        currentPage = 3;
        firstrun = 0;
        c.special ? specialkey(c.key, 0, 0) : key((unsigned char)c.key, 0, 0);
        EXPECT_EQ(currentArticle, c.article) << c.key;
        EXPECT_EQ(currentPage, c.opens ? 0 : 3) << c.key;
        EXPECT_EQ(firstrun, c.opens ? 1 : 0) << c.key;
        EXPECT_EQ(mode, 2) << c.key;
    }
    snprintf(keyShortcuts['q'], 40, "99_Missing"); // no such article: the built-in key acts
    key('q', 0, 0);
    EXPECT_EQ(mode, 4);
    EXPECT_EQ(currentArticle, 2);
}

TEST_F(Keyboard, NoArticlesLoadedShortcutsAndCursorKeysFindNothing)
{
    articles = 0;
    articleArray = nullptr;
    snprintf(keyShortcuts['n'], 40, "02_News");
    snprintf(specialKeyShortcuts[0], 40, "02_News");
    for (int k : {(int)'n', -GLUT_KEY_F1, -GLUT_KEY_RIGHT}) k < 0 ? specialkey(-k, 0, 0) : key((unsigned char)k, 0, 0);
    EXPECT_EQ(currentArticle, 0);
    EXPECT_EQ(currentPage, 0);
}

// ---- built-in keys -------------------------------------------------------------------------

TEST_F(Keyboard, CursorKeysPageAndChangeArticles)
{
    // Page Down and Home are not bound: nothing changes, no redraw.
    struct { int key, article, page, firstrun; } steps[] = {
        {GLUT_KEY_DOWN, 0, 1, 1}, {GLUT_KEY_DOWN, 0, 2, 1}, {GLUT_KEY_UP, 0, 1, 1},
        {GLUT_KEY_LEFT, 2, 0, 1}, {GLUT_KEY_RIGHT, 0, 0, 1}, {GLUT_KEY_PAGE_DOWN, 0, 0, 0},
        {GLUT_KEY_HOME, 0, 0, 0},
    };
    for (auto s : steps) {
        firstrun = 0;
        specialkey(s.key, 0, 0);
        EXPECT_EQ(currentArticle, s.article) << s.key;
        EXPECT_EQ(currentPage, s.page) << s.key;
        EXPECT_EQ(firstrun, s.firstrun) << s.key;
    }
}

TEST_F(Keyboard, SlideshowKeyTogglesAndStartsItsTimer)
{
    setWallClock(fakeWallClock);
    fakeSeconds = 1000;
    getTimeWithStatus(CLOCK_START);
    fakeSeconds = 1007;
    key('q', 0, 0);
    EXPECT_EQ(mode, 4);
    EXPECT_EQ(slideshowTimerStart, 700);
    EXPECT_EQ(firstrun, 1);
    firstrun = 0;
    specialkey(GLUT_KEY_DOWN, 0, 0); // keys keep working on the magazine underneath
    EXPECT_EQ(currentPage, 1);
    key('q', 0, 0);
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(firstrun, 1);
}

TEST_F(Keyboard, InfoLineTogglesWithoutRedrawAndUpperCaseLettersDoNothing)
{
    setPointer(1);
    key('i', 0, 0);
    EXPECT_EQ(activeText, 1);
    key('i', 0, 0);
    for (unsigned char k : {'Q', 'S', 'I', 'P', 'A'}) key(k, 0, 0);
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(activeText, 0);
    EXPECT_EQ(firstrun, 0);
    EXPECT_EQ(currentPointer, 1);
    key('p', 0, 0);
    EXPECT_EQ(currentPointer, 0);
    key('a', 0, 0); // any other key asks for a redraw
    EXPECT_EQ(firstrun, 1);
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
    key('s', 0, 0);
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
    EXPECT_EXIT(key(27, 0, 0), ::testing::ExitedWithCode(0), "");
}

} // namespace
