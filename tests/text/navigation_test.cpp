// Page and article navigation over a small hand-built catalogue: pages stop at both ends,
// articles wrap in a ring and start at page 0, every move asks for a redraw, and an empty
// catalogue or a page-less article never moves the position out of range.
#include "app/screen.h"
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
        for (int i = 0; i < 3; i++) {
            snprintf(table[i].name, sizeof table[i].name, "0%d_Article", i + 1);
            table[i].numberOfPages = pages[i];
        }
        articleArray = table;
        articles = 3;
        currentArticle = 0;
        currentPage = 0;
        firstrun = 0;
    }
    void TearDown() override
    {
        articleArray = nullptr;
        articles = 0;
        currentArticle = 0;
        currentPage = 0;
    }
};

// ---- pages -----------------------------------------------------------------------------

TEST_F(Navigation, PagesStopAtBothEndsButStillAskForARedraw)
{
    showNextPage();
    showNextPage();
    EXPECT_EQ(currentPage, 2);
    firstrun = 0;
    showNextPage(); // last page of three: stays, does not go on to the next article
    EXPECT_EQ(currentPage, 2);
    EXPECT_EQ(currentArticle, 0);
    EXPECT_EQ(firstrun, 1);

    currentPage = 0;
    firstrun = 0;
    showPrevPage();
    EXPECT_EQ(currentPage, 0);
    EXPECT_EQ(firstrun, 1);
}

// Regression: an article without a page table (zero pages) sent the next-page operation
// to page -1, which the renderer would index with.
TEST_F(Navigation, ArticleWithoutPagesStaysOnPageZero)
{
    table[1].numberOfPages = 0;
    currentArticle = 1;
    showNextPage();
    EXPECT_EQ(currentPage, 0);
}

// ---- articles ----------------------------------------------------------------------------

TEST_F(Navigation, ArticlesWrapAroundAndStartAtTheirFirstPage)
{
    currentArticle = 2;
    currentPage = 4;
    showNextArticle();
    EXPECT_EQ(currentArticle, 0);
    EXPECT_EQ(currentPage, 0);
    EXPECT_EQ(firstrun, 1);

    currentPage = 2;
    showPrevArticle();
    EXPECT_EQ(currentArticle, 2);
    EXPECT_EQ(currentPage, 0);

    showPrevArticle();
    EXPECT_EQ(currentArticle, 1);
}

TEST_F(Navigation, OneArticleStaysButGoesBackToItsFirstPage)
{
    articles = 1;
    currentPage = 2;
    showNextArticle();
    EXPECT_EQ(currentArticle, 0);
    EXPECT_EQ(currentPage, 0);
    currentPage = 1;
    showPrevArticle();
    EXPECT_EQ(currentArticle, 0);
    EXPECT_EQ(currentPage, 0);
}

// ---- nothing loaded ----------------------------------------------------------------------

// Regression: with no articles the previous-article operation set currentArticle to -1
// and the next-page operation read the empty table.
TEST_F(Navigation, EmptyCatalogueChangesNothingButAsksForARedraw)
{
    articles = 0;
    articleArray = nullptr;
    void (*ops[])() = {showNextPage, showPrevPage, showNextArticle, showPrevArticle};
    for (auto op : ops) {
        firstrun = 0;
        op();
        EXPECT_EQ(currentArticle, 0);
        EXPECT_EQ(currentPage, 0);
        EXPECT_EQ(firstrun, 1);
    }
}

} // namespace
