// Owns the article bar. The thumb's edges are truncated one after the other (the step is
// added to the already truncated top), so a 3-page bar stops one unit short of its end.
#include "elements/articlebar.h"
#include "content/catalogue.h"
#include "prefs/prefs.h"
#include <GL/gl.h>

barLayout articleBarLayout(int sx, int sy, int ex, int ey, int pages, int page)
{
    barLayout b{};
    if (sx == -1 || sy == -1 || ex == -1 || ey == -1) return b;
    b = {1, sx, sy, ex, ey, pages > 0, sy, ey};
    if (pages > 1) {
        double step = (double)(ey - sy) / pages;
        b.top = (int)(sy + page * step);
        b.bottom = (int)(b.top + step);
    }
    return b;
}

static int currentPageCount()
{
    if (!articleArray || currentArticle < 0 || currentArticle >= articles) return 0;
    const articleEntry& a = articleArray[currentArticle];
    return a.text && a.pages ? a.numberOfPages : 0;
}

void drawArticleBar()
{
    barLayout b = articleBarLayout(ARTICLE_BAR_START_X, ARTICLE_BAR_START_Y, ARTICLE_BAR_STOP_X,
                                   ARTICLE_BAR_STOP_Y, currentPageCount(), currentPage);
    if (!b.drawn) return;
    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glBegin(GL_QUADS);
    glColor4f(0.0f, 0.0f, 0.0f, 0.5f);
    glVertex2i(b.sx, b.sy);
    glVertex2i(b.sx, b.ey);
    glVertex2i(b.ex, b.ey);
    glVertex2i(b.ex, b.sy);
    glEnd();
    if (!b.thumb) return;
    glBegin(GL_QUADS);
    glColor4f(1.0f, 1.0f, 1.0f, 0.2f);
    glVertex2i(b.sx + 2, b.top + 2);
    glVertex2i(b.sx + 2, b.bottom - 2);
    glVertex2i(b.ex - 2, b.bottom - 2);
    glVertex2i(b.ex - 2, b.top + 2);
    glEnd();
}
