// Moving through pages and articles; each operation requests a redraw.
#pragma once

void showNextPage();
void showPrevPage();
void showNextArticle();
void showPrevArticle();
// Opens article index at its first page; false (nothing changes) when no article has it.
bool openArticle(int index);
