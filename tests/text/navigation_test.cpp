// Page and article navigation over a small hand-built catalogue: pages stop at both ends,
// articles wrap in a ring and start at page 0, every move asks for a redraw, and an empty
// catalogue or a page-less article never moves the position out of range.
#include "app/screen.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "text/navigation.h"
#include <gtest/gtest.h>

namespace {

class Navigation : public ::testing::Test {
protected:
    articleEntry table[3] = {};

    void SetUp() override
    {
        int pages[3] = {3, 1, 5};
        for (int i = 0; i < 3; i++) table[i].numberOfPages = pages[i];
        articleArray = table;
        articles = 3;
        currentArticle = currentPage = firstrun = 0;
    }
    void TearDown() override
    {
        articleArray = nullptr;
        articles = currentArticle = currentPage = 0;
    }
    // Runs op from (article, page) and checks where it lands and that it asked for a redraw.
    void expectMove(void (*op)(), int article, int page, int toArticle, int toPage)
    {
        currentArticle = article, currentPage = page, firstrun = 0;
        op();
        EXPECT_EQ(currentArticle, toArticle);
        EXPECT_EQ(currentPage, toPage);
        EXPECT_EQ(firstrun, 1);
    }
};

// --- pages and articles ---
TEST_F(Navigation, PagesStopAtBothEndsArticlesWrapAndStartAtPageZero)
{
    expectMove(showNextPage, 0, 1, 0, 2);
    expectMove(showNextPage, 0, 2, 0, 2); // last page: stays, does not go on to the next article
    expectMove(showPrevPage, 0, 0, 0, 0);
    expectMove(showNextArticle, 2, 4, 0, 0);
    expectMove(showPrevArticle, 0, 2, 2, 0);
    expectMove(showPrevArticle, 2, 0, 1, 0);
    articles = 1; // one article stays but goes back to its first page
    expectMove(showNextArticle, 0, 2, 0, 0);
    expectMove(showPrevArticle, 0, 1, 0, 0);
}

// Regression: an article without a page table (zero pages) sent the next-page operation
// to page -1, which the renderer would index with.
TEST_F(Navigation, ArticleWithoutPagesStaysOnPageZero)
{
    table[1].numberOfPages = 0;
    expectMove(showNextPage, 1, 0, 1, 0);
}

// --- nothing loaded ---
// Regression: with no articles the previous-article operation set currentArticle to -1
// and the next-page operation read the empty table.
TEST_F(Navigation, EmptyCatalogueChangesNothingButAsksForARedraw)
{
    articles = 0;
    articleArray = nullptr;
    for (auto op : {showNextPage, showPrevPage, showNextArticle, showPrevArticle}) expectMove(op, 0, 0, 0, 0);
}

} // namespace
