// Owns moving the reading position (currentArticle, currentPage) through pages and articles.
// Pages stop at both ends of an article; articles form a ring; every move asks for a redraw.
#include "text/navigation.h"
#include "app/view.h"
#include "content/catalogue.h"

// With nothing loaded there is no position to move: the operations only ask for the redraw.
static bool haveArticle()
{
    return articles > 0 && articleArray && currentArticle >= 0 && currentArticle < articles;
}

// The last page index of the current article; an article without a page table still has page 0.
static int lastPage()
{
    layOutArticle(currentArticle); // the viewer lays articles out as they are needed
    int pages = articleArray ? articleArray[currentArticle].numberOfPages : 0;
    return pages > 1 ? pages - 1 : 0;
}

void showNextPage()
{
    requestRedraw();
    if (!haveArticle()) return;
    currentPage++;
    if (currentPage > lastPage()) currentPage = lastPage();
}

void showPrevPage()
{
    requestRedraw();
    if (!haveArticle()) return;
    currentPage--;
    if (currentPage < 0) currentPage = 0;
}

void showNextArticle()
{
    requestRedraw();
    if (articles <= 0) return;
    currentPage = 0;
    currentArticle++;
    if (currentArticle > articles - 1 || currentArticle < 0) currentArticle = 0;
}

bool openArticle(int index, int page)
{
    if (index < 0 || index >= articles) return false;
    currentArticle = index;
    currentPage = 0;
    if (page > 0) currentPage = page < lastPage() ? page : lastPage();
    requestRedraw();
    return true;
}

void showPrevArticle()
{
    requestRedraw();
    if (articles <= 0) return;
    currentPage = 0;
    currentArticle--;
    if (currentArticle < 0 || currentArticle > articles - 1) currentArticle = articles - 1;
}
