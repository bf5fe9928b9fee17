// Mouse clicks and hovering over the menu selections (input/selections.h). The hover
// decision is a plain function, so it can be checked without a window.
#pragma once

// The link words a menu link or an "[mi=" item may name instead of an article, compared
// exactly; a click tries them in this order. The authoring checker reads the same table.
enum { LINK_QUIT, LINK_NEXT, LINK_PREV, LINK_NMUSIC, LINK_PMUSIC, LINK_NPAGE, LINK_PPAGE,
       NUMBER_OF_LINK_WORDS };
extern const char* const LINK_WORDS[NUMBER_OF_LINK_WORDS];
// The index of the link word `link` is, or -1.
int linkWordIndex(const char* link);

void processMouse(int button, int state, int x, int y);
void processMousePassiveMotion(int x, int y);
// Finds the hovered item again from where the pointer was last seen, once a page's items are
// registered anew (after any page or article change); requests a redraw when that changes.
void refreshHover();

// What a pointer move from selection oldItem to newItem (-1: none) calls for.
struct hoverChange {
    int pointer;  // shape to set, or -1 to leave the shape alone
    bool redraw;  // the article must be drawn again to show or drop its highlight
};
// shownPointer is the shape on the window now; selections from constantCount on belong
// to the page on screen.
hoverChange decideHover(int oldItem, int newItem, int constantCount, int shownPointer);
