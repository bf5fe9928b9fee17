// The article bar: thumb positions for 4-, 3- and 1-page articles (truncation included),
// the bar switched off by any -1 coordinate, a bar drawn upwards, the trough alone with
// no article, and the half-transparent trough and thumb as real pixels.
#include "elements/articlebar.h"
#include "elements/render_fixtures.h"

TEST(ArticleBarLayout, ThumbSlotsMissingCoordinatesUpsideDownAndNoArticle)
{
    struct { int x0, y0, x1, y1, pages, page; bool drawn, thumb; int top, bottom; } cases[] = {
        {1200, 160, 1220, 800, 4, 0, true, true, 160, 320}, // thumbs 162-318 and 642-798
        {1200, 160, 1220, 800, 4, 3, true, true, 640, 800},
        {1200, 160, 1220, 800, 3, 1, true, true, 373, 586}, // slots truncate top then bottom
        {1200, 160, 1220, 800, 3, 2, true, true, 586, 799}, // one unit short of the end
        {1200, 160, 1220, 800, 1, 0, true, true, 160, 800}, // one page fills the trough
        {1200, 800, 1220, 160, 4, 1, true, true, 640, 480}, // drawn upwards
        {1200, 160, 1220, 800, 0, 0, true, false, 0, 0},    // no article: the trough alone
        {1200, 160, -1, 800, 4, 0, false, false, 0, 0},
        {-1, 160, 1220, 800, 4, 0, false, false, 0, 0},
    };
    for (auto c : cases) {
        barLayout b = articleBarLayout(c.x0, c.y0, c.x1, c.y1, c.pages, c.page);
        EXPECT_EQ(std::make_tuple(b.drawn != 0, b.thumb != 0, c.thumb ? b.top : 0, c.thumb ? b.bottom : 0),
                  std::make_tuple(c.drawn, c.thumb, c.top, c.bottom)) << c.x0 << "," << c.y0 << " " << c.pages << "/" << c.page;
    }
}

TEST_F(Offscreen, ArticleBarTroughAndThumbOverWhite)
{
    static pageStart pages[4]{};
    static char text[] = "x";
    static articleEntry entry = {"01_x", pages, 4, text};
    articleArray = &entry, articles = 1, currentArticle = 0, currentPage = 3;
    ARTICLE_BAR_START_X = 1200, ARTICLE_BAR_START_Y = 160, ARTICLE_BAR_STOP_X = 1220, ARTICLE_BAR_STOP_Y = 800;
    const int white = 255, trough = 128, thumb = 153; // 255 * 0.5; 255 * 0.2 + trough * 0.8
    struct { int articles, stopX; float x, y; int r; } probes[] = {
        {1, 1220, 1199, 700, white}, {1, 1220, 1201, 700, trough}, {1, 1220, 1202, 700, thumb},
        {1, 1220, 1217, 700, thumb}, {1, 1220, 1218, 700, trough}, {1, 1220, 1210, 641, trough},
        {1, 1220, 1210, 642, thumb}, {1, 1220, 1210, 797, thumb},  {1, 1220, 1210, 798, trough},
        {1, 1220, 1210, 800, white}, {0, 1220, 1210, 700, trough}, // no article: the trough alone
        {0, -1, 1210, 700, white},                                 // switched off
    };
    for (auto p : probes) {
        articles = p.articles, ARTICLE_BAR_STOP_X = p.stopX;
        clearTo(1, 1, 1);
        drawArticleBar();
        EXPECT_TRUE(closeTo(designPixel(p.x, p.y).r, p.r)) << p.x << "," << p.y;
    }
}
