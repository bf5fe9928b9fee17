// The article bar: thumb positions for 4-, 3- and 1-page articles (truncation included),
// the bar switched off by any -1 coordinate, a bar drawn upwards, the trough alone with
// no article, and the half-transparent trough and thumb as real pixels.
#include "content/catalogue.h"
#include "elements/articlebar.h"
#include "elements/render_fixtures.h"
#include "prefs/prefs.h"
#include <gtest/gtest.h>

// --- geometry: bar (1200, 160)-(1220, 800) ---
TEST(ArticleBarLayout, PageSlotsTruncateTopThenBottom)
{
    struct { int pages, page, top, bottom; } cases[] = {
        {4, 0, 160, 320}, {4, 3, 640, 800},  // thumbs 162-318 and 642-798
        {3, 1, 373, 586}, {3, 2, 586, 799},  // one unit short of the bar's end
        {1, 0, 160, 800},                    // one page fills the trough
    };
    for (auto c : cases) {
        barLayout b = articleBarLayout(1200, 160, 1220, 800, c.pages, c.page);
        EXPECT_TRUE(b.drawn && b.thumb);
        EXPECT_EQ(b.top, c.top) << c.pages << " pages, page " << c.page;
        EXPECT_EQ(b.bottom, c.bottom) << c.pages << " pages, page " << c.page;
    }
}

TEST(ArticleBarLayout, MissingCoordinateUpsideDownBarAndNoArticle)
{
    EXPECT_FALSE(articleBarLayout(1200, 160, -1, 800, 4, 0).drawn);
    EXPECT_FALSE(articleBarLayout(-1, 160, 1220, 800, 4, 0).drawn);
    barLayout up = articleBarLayout(1200, 800, 1220, 160, 4, 1);
    EXPECT_EQ(up.top, 640);
    EXPECT_EQ(up.bottom, 480);
    barLayout none = articleBarLayout(1200, 160, 1220, 800, 0, 0);
    EXPECT_TRUE(none.drawn);
    EXPECT_FALSE(none.thumb);
}

// --- pixels ---
TEST(ArticleBar, TroughAndThumbOverWhite)
{
    ASSERT_TRUE(openScreen(0));
    articleEntry entry{};
    pageStart pages[4]{};
    char text[] = "x";
    entry = {"01_x", pages, 4, text};
    articleArray = &entry;
    articles = 1;
    currentArticle = 0;
    currentPage = 3;
    ARTICLE_BAR_START_X = 1200;
    ARTICLE_BAR_START_Y = 160;
    ARTICLE_BAR_STOP_X = 1220;
    ARTICLE_BAR_STOP_Y = 800;
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    drawArticleBar();
    const int trough = 128, thumb = 153; // 255 * 0.5; 255 * 0.2 + trough * 0.8
    EXPECT_EQ(designPixel(1199, 700).r, 255);
    EXPECT_TRUE(closeTo(designPixel(1201, 700).r, trough));
    EXPECT_TRUE(closeTo(designPixel(1202, 700).r, thumb));
    EXPECT_TRUE(closeTo(designPixel(1217, 700).r, thumb));
    EXPECT_TRUE(closeTo(designPixel(1218, 700).r, trough));
    EXPECT_TRUE(closeTo(designPixel(1210, 641).r, trough));
    EXPECT_TRUE(closeTo(designPixel(1210, 642).r, thumb));
    EXPECT_TRUE(closeTo(designPixel(1210, 797).r, thumb));
    EXPECT_TRUE(closeTo(designPixel(1210, 798).r, trough));
    EXPECT_EQ(designPixel(1210, 800).r, 255);

    articles = 0; // no article: the trough alone
    glClear(GL_COLOR_BUFFER_BIT);
    drawArticleBar();
    EXPECT_TRUE(closeTo(designPixel(1210, 700).r, trough));

    ARTICLE_BAR_STOP_X = -1; // switched off: nothing drawn
    glClear(GL_COLOR_BUFFER_BIT);
    drawArticleBar();
    EXPECT_EQ(designPixel(1210, 700).r, 255);

    ARTICLE_BAR_START_X = ARTICLE_BAR_START_Y = ARTICLE_BAR_STOP_X = ARTICLE_BAR_STOP_Y = -1;
    articleArray = nullptr;
    currentPage = 0;
    glClearColor(0, 0, 0, 0);
}
