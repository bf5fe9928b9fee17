// The click table: constant records first, page items behind them up to the table's end and
// dropped by a clear, the strict hit test in index order, and a page item's hover dropped.
#include "input/selections.h"
#include <cstring>
#include <gtest/gtest.h>
#include <string>

TEST(Selections, RegisteredClearedAndHitTestedWithinTheTable)
{
    numberOfConstantMenuSelections = numberOfMenuSelections = 0; // a page item can be the first
    ASSERT_EQ(registerSelection(SELECTION_LINK, "a"), 0);
    setSelectionOrigin(0, 1, 1), setSelectionEnd(0, 3, 3);
    EXPECT_EQ(findSelectionAt(0, 2, 2), 0);
    EXPECT_EQ(findSelectionAt(0, 0.5f, 0.5f), -1);
    numberOfConstantMenuSelections = 2, numberOfMenuSelections = 0;
    setConstantSelection(1, {50, 100, 150, 200, SELECTION_LINK, "_QUIT"});
    setConstantSelection(0, {0, 0, 300, 300, SELECTION_LINK, "b"});
    setConstantSelection(-1, {}), setConstantSelection(MAX_MENU_SELECTIONS, {}); // refused
    EXPECT_EQ(numberOfMenuSelections, 2);
    std::string longLink(60, 'x');
    ASSERT_EQ(registerSelection(SELECTION_TUNE, longLink.c_str()), 2);
    EXPECT_EQ(menuSelections[2].link, longLink.substr(0, 39)); // cut to the field
    EXPECT_EQ(menuSelections[2].kind, SELECTION_TUNE);
    setSelectionOrigin(2, 60, 110), setSelectionEnd(2, 70, 120);
    struct { float x, y; int first, found; } hits[] = {
        {10, 10, 0, 0}, {10, 10, -1, 0}, {10, 10, 1, -1}, {65, 115, 1, 1}, {65, 115, 2, 2}, // walk on
        {50, 150, 1, -1}, {150, 150, 1, -1}, {100, 100, 1, -1}, {100, 200, 1, -1}, {149.5f, 199.5f, 1, 1},
        {0, 0, 0, -1}, {300, 10, 0, -1}, {10, 300, 0, -1}, // every edge misses
    };
    for (auto h : hits) EXPECT_EQ(findSelectionAt(h.first, h.x, h.y), h.found) << h.x << "," << h.y;
    while (registerSelection(SELECTION_LINK, "a") >= 0) {}
    EXPECT_EQ(numberOfMenuSelections, MAX_MENU_SELECTIONS); // full: no record past the end
    clearPageSelections();
    EXPECT_EQ(findSelectionAt(2, 65, 115), -1); // only the records in use count
    numberOfConstantMenuSelections = MAX_MENU_SELECTIONS + 1; // more than the table holds
    clearPageSelections();
    EXPECT_EQ(numberOfMenuSelections, MAX_MENU_SELECTIONS);
    numberOfConstantMenuSelections = 2;
    for (int hover : {-1, 0, 1, 2, 3}) {
        setHoveredSelection(hover);
        forgetPageHover();
        EXPECT_EQ(mouseOverMenuItem, hover < 2 ? hover : -1) << hover;
    }
    numberOfConstantMenuSelections = 13, numberOfMenuSelections = 0;
    memset(menuSelections, 0, sizeof menuSelections);
}
