// Row layout (breaking, justification, hyphenation) and pagination. One routine lays out a
// row for both pagination and drawing, so the two always agree on where rows end.
#pragma once

struct pageStart {
    char* start;  // first character of the page, before the row-start rules run
    int newLine;  // 1 when the page's first row begins a paragraph
};

int getNextBreakPosition(const char* text);
int getNumberOfPages(char* text, pageStart* pages);
