// Moving through pages and articles; each operation requests a redraw.
#pragma once

void showNextPage();
void showPrevPage();
void showNextArticle();
void showPrevArticle();
// Opens article index at page `page` (its first by default, at most its last); false
// (nothing changes) when no article has that index.
bool openArticle(int index, int page = 0);
