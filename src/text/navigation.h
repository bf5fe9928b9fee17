// Moving through pages and articles; each operation requests a redraw.
#pragma once

void showNextPage();
void showPrevPage();
void showNextArticle();
void showPrevArticle();
