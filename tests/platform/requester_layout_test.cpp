// The requester without a display: how "_Lo|_Hi" lists become buttons and shortcuts, which
// number each button answers, and where the layout puts the buttons for measured labels.
#include "platform/requester_layout.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

// The underscore marks the shortcut and is not shown; a trailing one marks nothing. Labels
// and lists that don't fit are cut, never written past.
TEST(Requester, ButtonsShortcutsAndAnswers)
{
    std::string longLabel(200, 'w');
    struct { const char* list; std::vector<std::pair<std::string, int>> buttons; } cases[] = {
        {"_Lo (640x480)|_Hi (1280x960)", {{"Lo (640x480)", 0}, {"Hi (1280x960)", 0}}},
        {"Save _as|Cancel|x_", {{"Save as", 5}, {"Cancel", -1}, {"x_", -1}}},
        {"", {{"Ok", 0}}}, // the default button answers to O
        {nullptr, {{"Ok", 0}}},
        {longLabel.c_str(), {{std::string(REQUESTER_LABEL_SIZE - 1, 'w'), -1}}},
    };
    for (auto& c : cases) {
        requesterButton b[REQUESTER_MAX_BUTTONS];
        ASSERT_EQ(parseRequesterButtons(c.list, b, REQUESTER_MAX_BUTTONS), (int)c.buttons.size());
        for (size_t i = 0; i < c.buttons.size(); i++)
            EXPECT_TRUE(b[i].label == c.buttons[i].first && b[i].shortcutAt == c.buttons[i].second) << b[i].label;
    }
    requesterButton b[REQUESTER_MAX_BUTTONS + 1];
    memset(b, 0x7f, sizeof b);
    EXPECT_EQ(parseRequesterButtons("a|b|c|d|e|f|g|h|i|j|k", b, REQUESTER_MAX_BUTTONS), REQUESTER_MAX_BUTTONS);
    EXPECT_EQ(b[REQUESTER_MAX_BUTTONS].label[0], 0x7f); // untouched past the maximum
    // Shortcuts match either case, and only the marked letter counts.
    int n = parseRequesterButtons(cases[0].list, b, REQUESTER_MAX_BUTTONS);
    int keys[] = {'l', 'L', 'h', 'o', 0}, want[] = {0, 0, 1, -1, -1};
    for (int i = 0; i < 5; i++) EXPECT_EQ(requesterShortcut(b, n, keys[i]), want[i]) << keys[i];
    // Left is 1, the rightmost 0 (also a lone button), the middle ones count on.
    int answers[][3] = {{0, 2, 1}, {1, 2, 0}, {0, 1, 0}, {0, 4, 1}, {1, 4, 2}, {2, 4, 3}, {3, 4, 0}};
    for (auto& a : answers) EXPECT_EQ(requesterAnswer(a[0], a[1]), a[2]) << a[0] << " of " << a[1];
    int starts[4], lengths[4];
    ASSERT_EQ(splitRequesterText("one\ntwo words\n", starts, lengths, 4), 3);
    EXPECT_TRUE(starts[1] == 4 && lengths[1] == 9 && lengths[2] == 0);
    EXPECT_EQ(splitRequesterText("a\nb\nc\nd\ne", starts, lengths, 4), 4);
}

TEST(Requester, ButtonsAtTheEdgesBelowTheTextTheirHitsAndRoomForWideDialogs)
{
    int labels[2] = {72, 78};
    requesterLayout r = layoutRequester(102, 162, 1, labels, 2, 13);
    ASSERT_EQ(r.buttonCount, 2);
    const requesterBox &left = r.buttons[0], &right = r.buttons[1];
    EXPECT_GE(left.width, 72 + 2);
    EXPECT_EQ(left.x, r.width - (right.x + right.width)); // same margins
    EXPECT_GT(left.y, r.textTop + r.lineHeight);
    EXPECT_EQ(left.y + left.height, r.height - left.x); // bottom margin
    EXPECT_LT(left.x + left.width, right.x);
    EXPECT_GE(r.textTop, r.titleHeight);
    struct { int x, y, button; } hits[] = {
        {left.x, left.y, 0}, {left.x + left.width - 1, left.y + left.height - 1, 0}, {left.x + left.width, left.y, -1},
        {right.x + 1, right.y + 1, 1}, {right.x + 1, right.y - 1, -1}, {1, 1, -1},
    };
    for (auto& h : hits) EXPECT_EQ(requesterButtonAt(r, h.x, h.y), h.button) << h.x << "," << h.y;
    int one[1] = {20};
    EXPECT_GE(layoutRequester(10, 900, 1, one, 1, 13).width, 900);
    EXPECT_GE(layoutRequester(700, 10, 1, one, 1, 13).width, 700);
    requesterLayout lone = layoutRequester(60, 250, 1, one, 1, 13);
    EXPECT_EQ(lone.buttons[0].x, lone.width - (lone.buttons[0].x + lone.buttons[0].width)) << "centred";
    int five[5] = {150, 150, 150, 150, 150};
    requesterLayout m = layoutRequester(10, 10, 3, five, 5, 13);
    auto gap = [&m](int i) { return m.buttons[i].x - (m.buttons[i - 1].x + m.buttons[i - 1].width); };
    EXPECT_GE(m.buttons[0].x, 0);
    EXPECT_LE(m.buttons[4].x + m.buttons[4].width, m.width);
    for (int i = 1; i < 5; i++) EXPECT_GT(gap(i), 0);
    EXPECT_LE(gap(4) - gap(1), 3) << "the spare room is shared evenly";
}
