// Owns what the pointer does over the selections: the hover it finds and what a click on a
// selection does (link words, article links, tune links). Only a click here requests the quit.
#include "input/mouse.h"
#include "app/view.h"
#include "app/viewport.h"
#include "content/catalogue.h"
#include "input/pointer.h"
#include "input/selections.h"
#include "music/link.h"
#include "text/navigation.h"
#include "text/render.h"
#include <cstring>

// Where the pointer was last seen, in the chosen resolution's pixels.
static bool pointerSeen = false;
static float pointerX, pointerY;

// freeglut's button codes; without a wheel callback the wheel arrives as buttons 3 to 6
// (vertical, then horizontal), which are no input here.
enum { BUTTON_LEFT = 0, BUTTON_WHEEL_FIRST = 3, BUTTON_WHEEL_LAST = 6, STATE_UP = 1 };

hoverChange decideHover(int oldItem, int newItem, int constantCount, int shownPointer)
{
    hoverChange c{-1, false};
    if (newItem < 0 && shownPointer != 0) c.pointer = 0;
    if (newItem == oldItem) return c;
    if (newItem >= 0 && shownPointer != 1) c.pointer = 1;
    bool onArticleItem = newItem >= constantCount;
    bool leftArticleItem = newItem < 0 && oldItem >= constantCount;
    c.redraw = onArticleItem || leftArticleItem;
    return c;
}

// Window position -> the chosen resolution's pixels, the space the rectangles are stored in.
static void toScreen(int x, int y, float* sx, float* sy)
{
    int px, py;
    windowToScreen(x, y, &px, &py);
    *sx = (float)px;
    *sy = (float)py;
}

// The item under the last pointer position; the records of one wrapped item count as its first.
static void hoverAtPointer()
{
    int old = mouseOverMenuItem;
    int found = pointerSeen ? findSelectionAt(0, pointerX, pointerY) : -1;
    setHoveredSelection(found >= 0 ? itemFirstRecord(found) : -1);
    hoverChange c = decideHover(old, mouseOverMenuItem, numberOfConstantMenuSelections, currentPointer);
    if (c.pointer >= 0) setPointer(c.pointer);
    if (c.redraw) requestRedraw();
}

const char* const LINK_WORDS[NUMBER_OF_LINK_WORDS] = {"_QUIT",   "_NEXT",  "_PREV", "_NMUSIC",
                                                      "_PMUSIC", "_NPAGE", "_PPAGE"};

int linkWordIndex(const char* link)
{
    for (int i = 0; i < NUMBER_OF_LINK_WORDS; i++)
        if (strcmp(link, LINK_WORDS[i]) == 0) return i;
    return -1;
}

void refreshHover() { hoverAtPointer(); }

void processMousePassiveMotion(int x, int y)
{
    toScreen(x, y, &pointerX, &pointerY);
    pointerSeen = true;
    hoverAtPointer();
}

// True when `link` is one of the link words (it has then been carried out).
static bool followLinkWord(const char* link)
{
    switch (linkWordIndex(link)) {
    case LINK_QUIT: requestQuit(); break; // the next idle call shuts down
    case LINK_NEXT: showNextArticle(); break;
    case LINK_PREV: showPrevArticle(); break;
    case LINK_NMUSIC: playNextMusic(); break;
    case LINK_PMUSIC: playPrevMusic(); break;
    case LINK_NPAGE: showNextPage(); break;
    case LINK_PPAGE: showPrevPage(); break;
    default: return false;
    }
    return true;
}

static bool followArticleLink(const char* link)
{
    if (!openArticle(findArticle(link))) return false;
    setHoveredSelection(-1);
    return true;
}

// Every selection under the point, in index order: a link word or an article ends the walk;
// a tune (or a link that names neither) is handed to the player and the walk goes on.
static void followSelectionsAt(float x, float y)
{
    for (int i = findSelectionAt(0, x, y); i >= 0; i = findSelectionAt(i + 1, x, y)) {
        const menuSelection& s = menuSelections[i];
        // The link field is fixed-size; never read past it even if a writer left no terminator.
        char link[sizeof s.link];
        memcpy(link, s.link, sizeof link);
        link[sizeof link - 1] = '\0';
        if (s.kind == SELECTION_LINK) {
            if (followLinkWord(link) || followArticleLink(link)) return;
            playSongByName(link);
        } else if (s.kind == SELECTION_TUNE) {
            playSongByName(link);
        }
    }
}

void processMouse(int button, int state, int x, int y)
{
    if (button >= BUTTON_WHEEL_FIRST && button <= BUTTON_WHEEL_LAST) return;
    if (mode == MODE_STARTUP) {
        endStartupImage();
        return;
    }
    if (button != BUTTON_LEFT || state != STATE_UP) return;
    float sx, sy;
    toScreen(x, y, &sx, &sy);
    followSelectionsAt(sx, sy);
}
