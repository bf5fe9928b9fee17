// Page and article navigation over a hand-built catalogue of 3, 1 and 5 pages: pages stop
// at both ends, articles wrap in a ring and start at page 0, opening an article by index,
// every move asks for a redraw, and an empty catalogue or a page-less article never moves
// the position out of range.
#include "app/screen.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "text/navigation.h"
#include <gtest/gtest.h>

static articleEntry table[3];
static void openOne() { openArticle(1); }
static void openNone() { openArticle(3); }

// Regression: an article without a page table (zero pages) sent the next-page operation to
// page -1. Regression: with no articles the previous-article operation set currentArticle
// to -1 and the next-page operation read the empty table.
TEST(Navigation, EveryMoveLandsInRangeAndAsksForARedraw)
{
    struct { void (*op)(); int articles, pagesOf1, article, page, toArticle, toPage; } cases[] = {
        {showNextPage, 3, 1, 0, 1, 0, 2},     {showNextPage, 3, 1, 0, 2, 0, 2}, // stays on the last page
        {showPrevPage, 3, 1, 0, 0, 0, 0},     {showPrevPage, 3, 1, 0, 2, 0, 1},
        {showNextArticle, 3, 1, 2, 4, 0, 0},  {showNextArticle, 3, 1, 0, 2, 1, 0},
        {showPrevArticle, 3, 1, 0, 2, 2, 0},  {showPrevArticle, 3, 1, 2, 0, 1, 0},
        {showNextArticle, 1, 1, 0, 2, 0, 0},  {showPrevArticle, 1, 1, 0, 1, 0, 0}, // one article: its page 0
        {openOne, 3, 1, 2, 4, 1, 0},          {openNone, 3, 1, 2, 4, 2, 4},
        {showNextPage, 3, 0, 1, 0, 1, 0},
        {showNextPage, 0, 1, 0, 0, 0, 0},     {showPrevPage, 0, 1, 0, 0, 0, 0},
        {showNextArticle, 0, 1, 0, 0, 0, 0},  {showPrevArticle, 0, 1, 0, 0, 0, 0},
    };
    for (auto c : cases) {
        table[0].numberOfPages = 3, table[1].numberOfPages = c.pagesOf1, table[2].numberOfPages = 5;
        articleArray = c.articles ? table : nullptr, articles = c.articles;
        currentArticle = c.article, currentPage = c.page, firstrun = 0;
        c.op();
        EXPECT_EQ(currentArticle, c.toArticle) << "case from " << c.article << "/" << c.page;
        EXPECT_EQ(currentPage, c.toPage) << "case from " << c.article << "/" << c.page;
        EXPECT_EQ(firstrun, c.op == openNone ? 0 : 1);
    }
    articleArray = table, articles = 3;
    EXPECT_FALSE(openArticle(-1));
    EXPECT_TRUE(openArticle(0));
    articleArray = nullptr, articles = currentArticle = currentPage = 0;
}
