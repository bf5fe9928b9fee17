// The article bar: thumb positions for 4-, 3- and 1-page articles (truncation included),
// the bar switched off by any -1 coordinate, a bar drawn upwards, the trough alone with
// no article, and the half-transparent trough and thumb as real pixels.
#include "content/catalogue.h"
#include "elements/articlebar.h"
#include "elements/render_fixtures.h"
#include "prefs/prefs.h"
#include <gtest/gtest.h>

// --- geometry ---
TEST(ArticleBarLayout, FourPagesSplitTheBarEvenly)
{
    barLayout first = articleBarLayout(1200, 160, 1220, 800, 4, 0);
    EXPECT_TRUE(first.drawn);
    EXPECT_TRUE(first.thumb);
    EXPECT_EQ(first.top + 2, 162);
    EXPECT_EQ(first.bottom - 2, 318);
    barLayout last = articleBarLayout(1200, 160, 1220, 800, 4, 3);
    EXPECT_EQ(last.top + 2, 642);
    EXPECT_EQ(last.bottom - 2, 798);
}

TEST(ArticleBarLayout, ThreePagesTruncateTopThenBottom)
{
    barLayout second = articleBarLayout(1200, 160, 1220, 800, 3, 1);
    EXPECT_EQ(second.top, 373);
    EXPECT_EQ(second.bottom, 586);
    barLayout third = articleBarLayout(1200, 160, 1220, 800, 3, 2);
    EXPECT_EQ(third.top, 586);
    EXPECT_EQ(third.bottom, 799); // one unit short of the bar's end
}

TEST(ArticleBarLayout, OnePageFillsTheTrough)
{
    barLayout b = articleBarLayout(1200, 160, 1220, 800, 1, 0);
    EXPECT_EQ(b.top, 160);
    EXPECT_EQ(b.bottom, 800);
}

TEST(ArticleBarLayout, AnyMissingCoordinateSwitchesTheBarOff)
{
    EXPECT_FALSE(articleBarLayout(1200, 160, -1, 800, 4, 0).drawn);
    EXPECT_FALSE(articleBarLayout(-1, 160, 1220, 800, 4, 0).drawn);
    EXPECT_FALSE(articleBarLayout(1200, 160, 1220, -1, 4, 0).drawn);
}

TEST(ArticleBarLayout, UpsideDownBarRunsItsSlotsUpwards)
{
    barLayout b = articleBarLayout(1200, 800, 1220, 160, 4, 1);
    EXPECT_EQ(b.top, 640);
    EXPECT_EQ(b.bottom, 480);
}

TEST(ArticleBarLayout, NoArticleShowsTheTroughAlone)
{
    barLayout b = articleBarLayout(1200, 160, 1220, 800, 0, 0);
    EXPECT_TRUE(b.drawn);
    EXPECT_FALSE(b.thumb);
}

// --- pixels ---
class ArticleBar : public ::testing::Test {
protected:
    articleEntry entries[1]{};
    pageStart pages[4]{};
    char text[8] = "x";
    void SetUp() override
    {
        ASSERT_TRUE(openScreen(0));
        ARTICLE_BAR_START_X = 1200;
        ARTICLE_BAR_START_Y = 160;
        ARTICLE_BAR_STOP_X = 1220;
        ARTICLE_BAR_STOP_Y = 800;
        entries[0].text = text;
        entries[0].pages = pages;
        entries[0].numberOfPages = 4;
        articleArray = entries;
        articles = 1;
        currentArticle = 0;
        currentPage = 3;
        // White beneath: the trough halves it, the thumb lightens the trough again.
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
    }
    void TearDown() override
    {
        ARTICLE_BAR_START_X = ARTICLE_BAR_START_Y = ARTICLE_BAR_STOP_X = ARTICLE_BAR_STOP_Y = -1;
        articleArray = nullptr;
        articles = 0;
        currentPage = 0;
    }
};

TEST_F(ArticleBar, TroughAndThumbOnTheLastOfFourPages)
{
    drawArticleBar();
    const int trough = 128, thumb = 153; // 255 * 0.5; 255 * 0.2 + trough * 0.8
    EXPECT_EQ(designPixel(1199, 700).r, 255);
    EXPECT_TRUE(closeTo(designPixel(1200, 700).r, trough));
    EXPECT_TRUE(closeTo(designPixel(1201, 700).r, trough));
    EXPECT_TRUE(closeTo(designPixel(1202, 700).r, thumb));
    EXPECT_TRUE(closeTo(designPixel(1217, 700).r, thumb));
    EXPECT_TRUE(closeTo(designPixel(1218, 700).r, trough));
    EXPECT_TRUE(closeTo(designPixel(1210, 641).r, trough));
    EXPECT_TRUE(closeTo(designPixel(1210, 642).r, thumb));
    EXPECT_TRUE(closeTo(designPixel(1210, 797).r, thumb));
    EXPECT_TRUE(closeTo(designPixel(1210, 798).r, trough));
    EXPECT_EQ(designPixel(1210, 800).r, 255);
}

TEST_F(ArticleBar, NoArticleLeavesTheTroughEmpty)
{
    articleArray = nullptr;
    articles = 0;
    drawArticleBar();
    EXPECT_TRUE(closeTo(designPixel(1210, 170).r, 128));
    EXPECT_TRUE(closeTo(designPixel(1210, 700).r, 128));
}

TEST_F(ArticleBar, SwitchedOffBarDrawsAndChangesNothing)
{
    ARTICLE_BAR_STOP_X = -1;
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    drawArticleBar();
    EXPECT_EQ(designPixel(1210, 700).r, 255);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}
