// The loaded, paginated articles of the Articles directory, sorted by file name.
#pragma once
#include "text/layout.h"

struct articleEntry {
    char name[1024];   // empty = free entry
    pageStart* pages;
    int numberOfPages;
    char* text;        // whole file plus a NUL
};

enum { MAX_ARTICLES = 1024 };
// A larger article is left out with one line: no magazine text comes near it.
constexpr long MAX_ARTICLE_BYTES = 64L * 1024 * 1024;
extern articleEntry* articleArray;
extern int articles;
extern int currentArticle;
extern int currentPage;

int readArticles();
int findArticle(const char* name);
int cleanupArticles();
