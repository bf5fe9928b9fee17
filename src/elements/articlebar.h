// The page position bar beside the article: a dark trough and a faint thumb for the page.
#pragma once

struct barLayout {
    int drawn;               // 0 when any coordinate is -1: no bar at all
    int sx, sy, ex, ey;      // the trough
    int thumb;               // 0 when there is no article to show a page of
    int top, bottom;         // the page's slot along y; the thumb is inset 2 units from it
};

// The bar for an article of `pages` pages showing page `page` (counted from 0); `pages`
// 0 means no article is loaded and only the trough is drawn.
barLayout articleBarLayout(int sx, int sy, int ex, int ey, int pages, int page);

// Draws the bar for the current article from the ARTICLE_BAR_* preferences; leaves
// texturing off and blending on with (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA).
void drawArticleBar();
