// Frame composition: the title line (heading tag, name after '_', right-aligned page
// label, cuts), the "[bkg=" lookup, and whole frames on real Mesa: what a full redraw
// shows, exactly two full redraws per request with only the tickers drawn in between
// (counted as frames and as quads), no article loaded, the slideshow switch,
// the info line, and the black bars of a full-screen window that is not 4:3.
#include "app/clock.h"
#include "app/composition.h"
#include "app/screen.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "elements/picture.h"
#include "elements/render_fixtures.h"
#include "elements/scrolltext.h"
#include "prefs/prefs.h"
#include "text/layout.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

// --- whole frames ---
static void fakeClock(int64_t* sec, int64_t* usec)
{
    *sec = 5000;
    *usec = 0;
}

class Frame : public ::testing::Test {
protected:
    articleEntry entries[2]{};
    std::string bodies[2];
    my_texture menuSlots[MAX_MENUS]{};
    my_texture pictures[MAX_BACKGROUNDS]{};
    int coords[6] = {100, 300, 100, 900, 700, 900};
    int lengths[3] = {9, 5, 12};
    char tickerA[8] = "ABCDE", tickerB[8] = "XYZ", tickerC[8] = "PQ";
    char* tickerTexts[3] = {tickerA, tickerB, tickerC};

    void SetUp() override
    {
        setWallClock(fakeClock);
        getTimeWithStatus(CLOCK_START);
        ASSERT_TRUE(openScreen(0));
        makeFontAtlas(&texture[0]);
        makePlainImage(&texture[1], "bkg4.pbm", 64, 64, {255, 255, 255, 255});
        makePlainImage(&menuSlots[0], "a_top.ppm", 1280, 100, {200, 0, 0, 255});
        makePlainImage(&menuSlots[1], "b_bottom.ppm", 1280, 100, {0, 200, 0, 255});
        menuArray = menuSlots;
        makePlainImage(&pictures[0], "sky.ppm", 640, 480, {0, 0, 200, 255});
        backgroundArray = pictures;
        backgrounds = 1;
        setArticle(0, "03_News", "[ni]Hello");
        setArticle(1, "04_Sky", "[bkg=sky.ppm][ni]Up");
        articleArray = entries;
        articles = 2;
        currentArticle = currentPage = activeText = 0;
        ARTICLE_BAR_START_X = 1200, ARTICLE_BAR_START_Y = 160;
        ARTICLE_BAR_STOP_X = 1220, ARTICLE_BAR_STOP_Y = 800;
        numberOfScrollTexts = 3;
        scrollCoords = coords;
        scrollLength = lengths;
        scrollTexts = tickerTexts;
        mode = 2;
        firstrun = 1;
        // GL state as start-up leaves it.
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        offscreenResetSwapCount();
    }
    void TearDown() override
    {
        for (auto& e : entries) delete[] e.pages;
        articleArray = nullptr;
        menuArray = nullptr;
        backgroundArray = nullptr;
        articles = backgrounds = numberOfScrollTexts = activeText = drawFrame = 0;
        ARTICLE_BAR_START_X = ARTICLE_BAR_START_Y = ARTICLE_BAR_STOP_X = ARTICLE_BAR_STOP_Y = -1;
        scrollCoords = nullptr;
        scrollLength = nullptr;
        scrollTexts = nullptr;
        scrollText = nullptr;
        mode = 2;
        firstrun = 1;
        MAX_ROWS = 45;
        snprintf(infoText, sizeof infoText, "     WELL WE HAVE NO INFO HERE YET     ");
        setWallClock(nullptr);
        computeScreenMetrics(1);
    }
    void setArticle(int i, const char* name, const char* body)
    {
        bodies[i] = body;
        articleEntry& e = entries[i];
        delete[] e.pages;
        snprintf(e.name, sizeof e.name, "%s", name);
        e.text = bodies[i].data();
        e.numberOfPages = getNumberOfPages(e.text, nullptr);
        e.pages = new pageStart[e.numberOfPages];
        getNumberOfPages(e.text, e.pages);
    }
    // Quads of the three tickers: a window and n - 1 glyphs each.
    int tickerQuads() const { return (1 + 8) + (1 + 4) + (1 + 11); }
};

TEST_F(Frame, FullRedrawShowsTitlePageMenusBarAndTickers)
{
    display();
    EXPECT_EQ(offscreenSwapCount(), 1);
    EXPECT_TRUE(closeTo(designPixel(80 + 2, 128 + 2).r, 255));              // "[h1]News"
    EXPECT_TRUE(closeTo(designPixel(80 + 20, 128 + 12).r, fontCharAlpha('N')));
    EXPECT_TRUE(closeTo(designPixel(80 + 12, 160 + 12).r, fontCharAlpha('H')));
    EXPECT_EQ(designPixel(640, 50).r, 200);                                  // top menu
    EXPECT_EQ(designPixel(640, 900).g, 200);                                 // bottom menu
    EXPECT_TRUE(closeTo(designPixel(1210, 500).r, 51));                      // the bar's thumb
    EXPECT_TRUE(closeTo(designPixel(100 + 16 + 12, 300 + 12).r, fontCharAlpha('A')));
}

TEST_F(Frame, ArticleBackgroundIsDimmedBehindTheText)
{
    setArticle(0, "03_News", "[bkg=sky.ppm Up"); // no closing ']': no picture
    setArticle(1, "04_Sky", "[bkg=sky.ppm][ni]Up");
    for (int a : {1, 0}) {
        currentArticle = a;
        firstrun = 1;
        display();
        EXPECT_TRUE(closeTo(designPixel(640, 480).b, a ? 60 : 0)) << a; // 200 * 0.3
    }
    setArticle(0, "03_News", "[ni]Hello"); // no "[bkg=": the default slot is never drawn
    firstrun = 1;
    display();
    EXPECT_EQ(designPixel(640, 480).b, 0);
}

// --- two full redraws per request, then only the tickers ---
TEST_F(Frame, BetweenRequestsOnlyTheTickersAreDrawnCountedInQuads)
{
    int full1 = countQuads(display);
    int full2 = countQuads(display);
    EXPECT_GT(full1, tickerQuads() + 20);
    EXPECT_EQ(full2, full1);
    for (int frame = 0; frame < 5; frame++) EXPECT_EQ(countQuads(display), tickerQuads());
    firstrun = 1;
    EXPECT_EQ(countQuads(display), full1);
    EXPECT_EQ(countQuads(display), full1);
    EXPECT_EQ(countQuads(display), tickerQuads());
    EXPECT_EQ(offscreenSwapCount(), 10);
}

// --- no article ---
TEST_F(Frame, NoArticleDrawsMenusTroughAndTickersOnly)
{
    articleArray = nullptr;
    articles = 0;
    display();
    EXPECT_EQ(designPixel(80 + 2, 128 + 2).r, 0);
    EXPECT_EQ(designPixel(80 + 2, 160 + 2).r, 0);
    EXPECT_EQ(designPixel(640, 50).r, 200);
    EXPECT_EQ(designPixel(1210, 500).r, 0); // the trough, without a thumb
    EXPECT_TRUE(closeTo(designPixel(100 + 16 + 12, 300 + 12).r, fontCharAlpha('A')));
    articleArray = entries; // a current index past the table reads nothing either
    articles = 2;
    currentArticle = 5;
    firstrun = 1;
    display();
    EXPECT_EQ(designPixel(80 + 2, 160 + 2).r, 0);
}

// --- modes ---
TEST_F(Frame, SlideshowIgnoresRedrawRequestsUntilItEnds)
{
    display();
    display();
    mode = 4;
    slideshowPicture = 0;
    slideshowTimerStart = getTime() - 200;
    firstrun = 1;
    display();
    EXPECT_EQ(designPixel(640, 480).b, 200);
    EXPECT_EQ(designPixel(100 + 20, 300 + 8).b, 200); // no ticker window over it
    mode = 2;
    display(); // the request is still pending: a full redraw
    EXPECT_TRUE(closeTo(designPixel(80 + 12, 160 + 12).r, fontCharAlpha('H')));
    EXPECT_EQ(designPixel(640, 480).b, 0);
    slideshowPicture = 0;
}

// --- the info line ---
TEST_F(Frame, InfoLineTakesOverTickerZeroWhenSwitchedOn)
{
    snprintf(infoText, sizeof infoText, "     Playing x.mod");
    activeText = 1;
    display();
    EXPECT_EQ(scrollText, infoText);
    EXPECT_EQ(designPixel(100 + 16 + 12, 300 + 12).r, 0); // a blank
    EXPECT_TRUE(closeTo(designPixel(100 + 16 * 6 + 12, 300 + 12).r, fontCharAlpha('P')));
    infoText[0] = '\0'; // an empty info line, or the line switched off: no takeover
    display();
    EXPECT_EQ(scrollText, nullptr);
    activeText = 0;
    snprintf(infoText, sizeof infoText, "x");
    display();
    EXPECT_EQ(scrollText, nullptr);
}

// --- the window ---
TEST_F(Frame, WideWindowKeepsBlackBarsAndRedrawsAfterAResize)
{
    display();
    display();
    ASSERT_EQ(drawFrame, -1);
    // A window of another shape: the picture is pillarboxed and drawn in full again.
    ASSERT_TRUE(offscreenOpen(1600, 960));
    makeFontAtlas(&texture[0]);
    makePlainImage(&menuSlots[0], "a_top.ppm", 1280, 100, {200, 0, 0, 255});
    makePlainImage(&menuSlots[1], "b_bottom.ppm", 1280, 100, {0, 200, 0, 255});
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    display();
    EXPECT_EQ(drawFrame, 1);
    EXPECT_EQ(offscreenPixel(100, 50).r, 0);   // left bar
    EXPECT_EQ(offscreenPixel(1500, 50).r, 0);  // right bar
    EXPECT_EQ(offscreenPixel(200, 50).r, 200); // the top menu starts at x = 160
    EXPECT_EQ(offscreenPixel(1439, 50).r, 200);
}
