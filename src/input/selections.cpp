// Owns the click table and the hover state. The records are bounded by the table: a
// writer past its end is refused, and a page's items never overwrite the constant ones.
#include "input/selections.h"
#include <cstdio>

menuSelection menuSelections[MAX_MENU_SELECTIONS];
int numberOfMenuSelections = 0;
int mouseOverMenuItem = -1;

static int constantCount()
{
    return numberOfConstantMenuSelections < MAX_MENU_SELECTIONS ? numberOfConstantMenuSelections
                                                                : MAX_MENU_SELECTIONS;
}

void setConstantSelection(int index, const menuSelection& s)
{
    if (index < 0 || index >= MAX_MENU_SELECTIONS) return;
    menuSelections[index] = s;
    if (numberOfMenuSelections < index + 1) numberOfMenuSelections = index + 1;
}

void clearPageSelections() { numberOfMenuSelections = constantCount(); }

int registerSelection(int kind, const char* link)
{
    int n = numberOfMenuSelections;
    if (n < 0 || n >= MAX_MENU_SELECTIONS) return -1;
    menuSelection& s = menuSelections[n];
    s.kind = kind;
    snprintf(s.link, sizeof s.link, "%s", link);
    s.x0 = s.y0 = s.x1 = s.y1 = 0.0f;
    numberOfMenuSelections = n + 1;
    return n;
}

void setSelectionOrigin(int index, float x0, float y0)
{
    if (index < 0 || index >= MAX_MENU_SELECTIONS) return;
    menuSelections[index].x0 = x0;
    menuSelections[index].y0 = y0;
}

void setSelectionEnd(int index, float x1, float y1)
{
    if (index < 0 || index >= MAX_MENU_SELECTIONS) return;
    menuSelections[index].x1 = x1;
    menuSelections[index].y1 = y1;
}

bool selectionContains(const menuSelection& s, float x, float y)
{
    return x > s.x0 && x < s.x1 && y > s.y0 && y < s.y1;
}

int findSelectionAt(int first, float x, float y)
{
    int count = numberOfMenuSelections < MAX_MENU_SELECTIONS ? numberOfMenuSelections : MAX_MENU_SELECTIONS;
    for (int i = first < 0 ? 0 : first; i < count; i++)
        if (selectionContains(menuSelections[i], x, y)) return i;
    return -1;
}

void setHoveredSelection(int index) { mouseOverMenuItem = index; }

void forgetPageHover()
{
    if (mouseOverMenuItem >= numberOfConstantMenuSelections) mouseOverMenuItem = -1;
}
