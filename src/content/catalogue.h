// The loaded, paginated articles of the Articles directory, sorted by file name.
#pragma once
#include "text/layout.h"
#include <cstdint>

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

// Reads every article and lays each out into its page table (the tools, the checker).
int readArticles();
// The viewer's start-up: reads and sorts every article (its failures told and handled as by
// readArticles) but lays none out; an entry without pages waits for layOutArticle.
int readArticlesLayingOutLater();
// Lays out the entry now if it waits; false when it has no page table (none loaded, or the
// memory ran out, which empties the catalogue as at loading).
bool layOutArticle(int index);
// Lays out waiting entries in name order until the monotonic deadline (microseconds; -1 for
// none) passes; true once none waits. The findings of the last are flushed.
bool layOutPendingArticles(int64_t deadlineUs);
void layOutAllArticles();
int findArticle(const char* name);
int cleanupArticles();
