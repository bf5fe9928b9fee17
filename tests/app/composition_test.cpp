// Frame composition on real Mesa: the title line and the "[bkg=" lookup (tables), what a
// full redraw shows, two full redraws per request with only the tickers between them, no
// article, the slideshow, the info line and the black bars of a window that is not 4:3.
#include "app/clock.h"
#include "app/composition.h"
#include "app/lifecycle.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "elements/picture.h"
#include "elements/render_fixtures.h"
#include "elements/scrolltext.h"
#include "prefs/prefs.h"
#include "text/layout.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>

// --- whole frames ---
static void stoppedClock(int64_t* sec, int64_t* usec) { *sec = 5000, *usec = 0; }

// Two articles, both menus, the bar and one ticker, set into the tables the loaders fill.
class Frame : public ::testing::Test {
protected:
    articleEntry entries[2]{};
    std::string bodies[2];
    my_texture menuSlots[MAX_MENUS]{}, pictures[MAX_BACKGROUNDS]{};
    int coords[2] = {100, 300}, length = 9;
    char ticker[8] = "ABCDE", *tickers[1] = {ticker};
    void SetUp() override
    {
        setWallClock(stoppedClock);
        getTimeWithStatus(CLOCK_START);
        ASSERT_TRUE(openScreen(0));
        makeTextures();
        makePlainImage(&texture[1], "bkg4.pbm", 64, 64, {255, 255, 255, 255});
        makePlainImage(&pictures[0], "sky.ppm", 640, 480, {0, 0, 200, 255});
        menuArray = menuSlots, backgroundArray = pictures, backgrounds = 1;
        setArticle(0, "03_News", "[ni]Hello");
        setArticle(1, "04_Sky", "[bkg=sky.ppm][ni]Up");
        articleArray = entries, articles = 2, currentArticle = currentPage = 0;
        ARTICLE_BAR_START_X = 1200, ARTICLE_BAR_START_Y = 160, ARTICLE_BAR_STOP_X = 1220, ARTICLE_BAR_STOP_Y = 800;
        numberOfScrollTexts = 1, scrollCoords = coords, scrollLength = &length, scrollTexts = tickers;
        setViewMode(MODE_MAGAZINE);
        requestRedraw();
        glEnable(GL_DEPTH_TEST); // the GL state start-up leaves
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        offscreenResetSwapCount();
    }
    void TearDown() override
    {
        for (auto& e : entries) delete[] e.pages;
        articleArray = nullptr, menuArray = nullptr, backgroundArray = nullptr, articles = backgrounds = 0;
        ARTICLE_BAR_START_X = ARTICLE_BAR_START_Y = ARTICLE_BAR_STOP_X = ARTICLE_BAR_STOP_Y = -1;
        numberOfScrollTexts = 0, scrollCoords = scrollLength = nullptr, scrollTexts = nullptr;
        if (activeText) toggleInfoLine();
        updateScrollText();
        requestRedraw();
        setWallClock(nullptr);
        computeScreenMetrics(1);
    }
    void makeTextures()
    {
        makeFontAtlas(&texture[0]);
        makePlainImage(&menuSlots[0], "a_top.ppm", 1280, 100, {200, 0, 0, 255});
        makePlainImage(&menuSlots[1], "b_bottom.ppm", 1280, 100, {0, 200, 0, 255});
    }
    void setArticle(int i, const char* name, const char* body)
    {
        articleEntry& e = entries[i];
        delete[] e.pages;
        snprintf(e.name, sizeof e.name, "%s", name);
        e.text = (bodies[i] = body).data();
        e.numberOfPages = getNumberOfPages(e.text, nullptr);
        getNumberOfPages(e.text, e.pages = new pageStart[e.numberOfPages]);
    }
    bool shows(int x, int y, char ch) { return closeTo(designPixel(x + 12, y + 12).r, fontCharAlpha(ch)); }
};

TEST_F(Frame, FullRedrawsShowTitlePageMenusBarTickerAndBackgroundTwicePerRequest)
{
    display();
    EXPECT_TRUE(closeTo(designPixel(80 + 2, 128 + 2).r, 255) && shows(80 + 8, 128, 'N')); // "[h1]News"
    EXPECT_TRUE(shows(80, 160, 'H') && shows(100 + 16, 300, 'A'));
    EXPECT_EQ(designPixel(640, 50).r, 200);                 // top menu
    EXPECT_EQ(designPixel(640, 900).g, 200);                // bottom menu
    EXPECT_TRUE(closeTo(designPixel(1210, 500).r, 51));     // the bar's thumb
    EXPECT_EQ(designPixel(640, 480).b, 0); // no "[bkg=": the default slot is never drawn
    const int tickerQuads = 1 + 8;         // its window and n - 1 glyphs
    int full = countQuads(display);        // the second buffer
    EXPECT_GT(full, tickerQuads + 20);
    for (int want : {tickerQuads, tickerQuads, -1, full, full, tickerQuads}) {
        if (want < 0) requestRedraw();
        else EXPECT_EQ(countQuads(display), want);
    }
    setArticle(0, "03_News", "[bkg=sky.ppm Up"); // no closing ']': no picture
    for (int a : {1, 0}) {
        currentArticle = a;
        requestRedraw();
        display();
        EXPECT_TRUE(closeTo(designPixel(640, 480).b, a ? 60 : 0)) << a; // 200 dimmed to 0.3
    }
    EXPECT_EQ(offscreenSwapCount(), 9); // one swap per frame
}

TEST_F(Frame, WithoutAShowableArticleOnlyMenusTroughAndTickerAreDrawn)
{
    // An article without a page table is one still to be laid out: the frame lays it out.
    struct { articleEntry* table; int count, article, page; bool title; } cases[] = {
        {nullptr, 0, 0, 0, false}, {entries, 2, 5, 0, false}, {entries, 2, -1, 0, false},
        {entries, 2, 0, 3, true}, // a page past the end: the title alone
    };
    for (auto& c : cases) {
        articleArray = c.table, articles = c.count, currentArticle = c.article, currentPage = c.page;
        requestRedraw();
        display();
        EXPECT_EQ(closeTo(designPixel(80 + 2, 128 + 2).r, 255), c.title) << c.article;
        EXPECT_TRUE(designPixel(80 + 12, 160 + 12).r == 0 && designPixel(640, 50).r == 200) << c.article;
        EXPECT_TRUE(c.title || designPixel(1210, 500).r == 0) << c.article; // the trough, no thumb
        EXPECT_TRUE(shows(100 + 16, 300, 'A')) << c.article;
    }
}

TEST_F(Frame, SlideshowHoldsRedrawRequestsAndTheInfoLineTakesOverTheFirstTicker)
{
    setViewMode(MODE_SLIDESHOW);
    slideshowTimerStart = getTime() - 200, slideshowPicture = 0;
    display();
    EXPECT_EQ(designPixel(640, 480).b, 200);
    EXPECT_EQ(designPixel(100 + 20, 300 + 8).b, 200); // no ticker window over it
    setViewMode(MODE_MAGAZINE);
    struct { const char* line; bool on; char shown; } cases[] = { // the first frame: the request held
        {"     Playing x.mod", true, ' '}, {"", true, 'A'}, {"x", false, 'A'}};
    for (auto& c : cases) {
        setInfoLine(c.line);
        if ((activeText == 1) != c.on) toggleInfoLine();
        display();
        EXPECT_EQ(scrollText, c.shown == ' ' ? infoText : nullptr) << c.line;
        EXPECT_TRUE(shows(100 + 16, 300, c.shown)) << c.line;
    }
    EXPECT_TRUE(shows(80, 160, 'H') && designPixel(640, 480).b == 0);
}

TEST_F(Frame, WideWindowKeepsBlackBarsAndRedrawsAfterAResize)
{
    display();
    display();
    ASSERT_EQ(drawFrame, -1);
    ASSERT_TRUE(offscreenOpen(1600, 960)); // another shape: pillarboxed and drawn in full again
    makeTextures();
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    display();
    EXPECT_EQ(drawFrame, 1);
    for (int x : {100, 1500}) EXPECT_EQ(offscreenPixel(x, 50).r, 0);  // the bars
    for (int x : {200, 1439}) EXPECT_EQ(offscreenPixel(x, 50).r, 200); // the top menu from x = 160
}
