// The requester without a display: how "_Lo|_Hi" lists become buttons and shortcuts, which
// number each button answers, and where the layout puts the buttons for measured labels.
#include "platform/requester_layout.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

// --- button lists ---
// The underscore marks the shortcut and is not shown; a trailing one marks nothing.
TEST(RequesterButtons, LabelsAndShortcuts)
{
    struct {
        const char* list;
        std::vector<std::pair<std::string, int>> buttons;
    } cases[] = {
        {"_Lo (640x480)|_Hi (1280x960)", {{"Lo (640x480)", 0}, {"Hi (1280x960)", 0}}},
        {"Save _as|Cancel|x_", {{"Save as", 5}, {"Cancel", -1}, {"x_", -1}}},
        {"", {{"Ok", 0}}}, // the default button answers to O
        {nullptr, {{"Ok", 0}}},
    };
    for (auto& c : cases) {
        requesterButton b[REQUESTER_MAX_BUTTONS];
        ASSERT_EQ(parseRequesterButtons(c.list, b, REQUESTER_MAX_BUTTONS), (int)c.buttons.size());
        for (size_t i = 0; i < c.buttons.size(); i++) {
            EXPECT_EQ(b[i].label, c.buttons[i].first);
            EXPECT_EQ(b[i].shortcutAt, c.buttons[i].second) << b[i].label;
        }
    }
    // Shortcuts match either case, and only the marked letter counts.
    requesterButton b[REQUESTER_MAX_BUTTONS];
    int n = parseRequesterButtons(cases[0].list, b, REQUESTER_MAX_BUTTONS);
    int keys[] = {'l', 'L', 'h', 'o', 0}, want[] = {0, 0, 1, -1, -1};
    for (int i = 0; i < 5; i++) EXPECT_EQ(requesterShortcut(b, n, keys[i]), want[i]) << keys[i];
}

TEST(RequesterButtons, OverlongLabelsAndListsAreCutNotOverrun)
{
    requesterButton b[REQUESTER_MAX_BUTTONS + 1];
    memset(b, 0x7f, sizeof b);
    std::string longLabel(200, 'w');
    ASSERT_EQ(parseRequesterButtons(longLabel.c_str(), b, REQUESTER_MAX_BUTTONS), 1);
    EXPECT_EQ(strlen(b[0].label), (size_t)REQUESTER_LABEL_SIZE - 1);

    std::string many = "a|b|c|d|e|f|g|h|i|j|k";
    EXPECT_EQ(parseRequesterButtons(many.c_str(), b, REQUESTER_MAX_BUTTONS), REQUESTER_MAX_BUTTONS);
    EXPECT_EQ(b[REQUESTER_MAX_BUTTONS].label[0], 0x7f); // untouched past the maximum
}

// --- answers ---
TEST(RequesterAnswers, LeftIsOneRightmostIsZeroMiddleCountsOn)
{
    EXPECT_EQ(requesterAnswer(0, 2), 1);
    EXPECT_EQ(requesterAnswer(1, 2), 0);
    EXPECT_EQ(requesterAnswer(0, 1), 0); // a lone button is the rightmost
    int four[] = {1, 2, 3, 0};
    for (int i = 0; i < 4; i++) EXPECT_EQ(requesterAnswer(i, 4), four[i]);
}

// --- text and layout ---
TEST(RequesterText, SplitsAtNewlines)
{
    int starts[4], lengths[4];
    ASSERT_EQ(splitRequesterText("one\ntwo words\n", starts, lengths, 4), 3);
    EXPECT_EQ(starts[1], 4);
    EXPECT_EQ(lengths[1], 9);
    EXPECT_EQ(lengths[2], 0);
    EXPECT_EQ(splitRequesterText("a\nb\nc\nd\ne", starts, lengths, 4), 4);
}

TEST(RequesterLayout, TwoButtonsAtTheEdgesBelowTheTextAndTheirHits)
{
    int labels[2] = {72, 78};
    requesterLayout r = layoutRequester(102, 162, 1, labels, 2, 13);
    ASSERT_EQ(r.buttonCount, 2);
    const requesterBox& left = r.buttons[0];
    const requesterBox& right = r.buttons[1];
    EXPECT_GE(left.width, 72 + 2);
    EXPECT_EQ(left.x, r.width - (right.x + right.width)); // same margins
    EXPECT_GT(left.y, r.textTop + r.lineHeight);
    EXPECT_EQ(left.y + left.height, r.height - left.x); // bottom margin
    EXPECT_LT(left.x + left.width, right.x);
    EXPECT_GE(r.textTop, r.titleHeight);

    EXPECT_EQ(requesterButtonAt(r, left.x, left.y), 0);
    EXPECT_EQ(requesterButtonAt(r, left.x + left.width - 1, left.y + left.height - 1), 0);
    EXPECT_EQ(requesterButtonAt(r, left.x + left.width, left.y), -1);
    EXPECT_EQ(requesterButtonAt(r, right.x + 1, right.y + 1), 1);
    EXPECT_EQ(requesterButtonAt(r, right.x + 1, right.y - 1), -1);
    EXPECT_EQ(requesterButtonAt(r, 1, 1), -1);
}

TEST(RequesterLayout, DialogGrowsForWideTextTitleAndManyButtons)
{
    int one[1] = {20};
    EXPECT_GE(layoutRequester(10, 900, 1, one, 1, 13).width, 900);
    EXPECT_GE(layoutRequester(700, 10, 1, one, 1, 13).width, 700);
    requesterLayout lone = layoutRequester(60, 250, 1, one, 1, 13);
    EXPECT_EQ(lone.buttons[0].x, lone.width - (lone.buttons[0].x + lone.buttons[0].width)) << "centred";

    int labels[5] = {150, 150, 150, 150, 150};
    requesterLayout r = layoutRequester(10, 10, 3, labels, 5, 13);
    for (int i = 0; i < 5; i++) {
        EXPECT_GE(r.buttons[i].x, 0);
        EXPECT_LE(r.buttons[i].x + r.buttons[i].width, r.width);
        if (i > 0) {
            EXPECT_GT(r.buttons[i].x, r.buttons[i - 1].x + r.buttons[i - 1].width);
        }
    }
    auto gap = [&r](int i) { return r.buttons[i].x - (r.buttons[i - 1].x + r.buttons[i - 1].width); };
    EXPECT_LE(gap(4) - gap(1), 3) << "the spare room is shared evenly";
}
