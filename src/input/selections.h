// The click table: the constant menu selections followed by the items of the page on screen,
// and the item under the pointer. Only selections.cpp writes them; start-up, the article
// drawing and the mouse register, clear and hit-test through the calls below.
#pragma once
#include "prefs/prefs.h"


struct menuSelection {
    float x0, y0, x1, y1; // window pixels
    int kind;             // a selectionKind
    char link[LINK_SIZE];
};

// Records 0 to numberOfConstantMenuSelections - 1 are the constant selections; the page's
// items follow. mouseOverMenuItem is the hovered record, -1 for none.
extern menuSelection menuSelections[MAX_MENU_SELECTIONS];
extern int numberOfMenuSelections;
extern int mouseOverMenuItem;

// Writes constant selection `index` (below the table's end) and keeps it in use.
void setConstantSelection(int index, const menuSelection& s);
// Drops the page's items: only the constant selections stay in use.
void clearPageSelections();
// Appends an item record of `kind` and `link` (cut to fit) with an empty rectangle; its
// index, or -1 when the table is full (the item is then drawn but not clickable).
int registerSelection(int kind, const char* link);
// The rectangle of record `index` (from registerSelection): its top left, then its bottom right.
void setSelectionOrigin(int index, float x0, float y0);
void setSelectionEnd(int index, float x1, float y1);

// True when (x, y), in the chosen resolution's pixels, lies strictly inside the record's
// rectangle: a point on an edge is outside.
bool selectionContains(const menuSelection& s, float x, float y);
// The first record in use from `first` on that contains the point, or -1.
int findSelectionAt(int first, float x, float y);

// The hover: set by the mouse; a page item's hover is dropped when another page is drawn.
void setHoveredSelection(int index);
void forgetPageHover();
