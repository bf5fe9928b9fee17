// Small in-memory magazines for tests that drive navigation, input and the music link
// without loading files: an article table and a song list set straight into the globals.
#pragma once
#include "content/catalogue.h"
#include "content/directories.h"
#include <cstdio>
#include <cstring>

// Three articles "01_Intro", "02_News", "03_End" of `pages` pages each, as the catalogue.
inline void useArticleTable(articleEntry (&table)[3], int pages)
{
    const char* names[3] = {"01_Intro", "02_News", "03_End"};
    for (int i = 0; i < 3; i++) {
        snprintf(table[i].name, sizeof table[i].name, "%s", names[i]);
        table[i].numberOfPages = pages;
    }
    articleArray = table;
    articles = 3;
}

// The song list "Songs/t0.mod" .. "Songs/t<n-1>.mod".
inline void useSongList(int n)
{
    memset(songNames, 0, sizeof songNames);
    for (int i = 0; i < n; i++) snprintf(songNames[i], sizeof songNames[i], "Songs/t%d.mod", i);
    numberOfSongs = n;
}
