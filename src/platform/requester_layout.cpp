// Owns the requester's geometry and button rules; no window system here, so the arithmetic
// is checked without a display.
#include "platform/requester_layout.h"
#include <cctype>
#include <cstring>

enum {
    MARGIN = 16,         // window edge to text and buttons
    TEXT_TO_BUTTONS = 18,
    BUTTON_GAP = 16,     // least space between neighbouring buttons
    BUTTON_PAD_X = 14,
    BUTTON_PAD_Y = 6,
    MIN_BUTTON_WIDTH = 80,
    MIN_DIALOG_WIDTH = 280,
    TITLE_PAD_X = 8,
    TITLE_PAD_Y = 3,
};

static void parseOneButton(const char* part, int length, requesterButton* b)
{
    int n = 0;
    b->shortcutAt = -1;
    for (int i = 0; i < length && n < REQUESTER_LABEL_SIZE - 1; i++) {
        if (part[i] == '_' && b->shortcutAt < 0 && i + 1 < length) {
            b->shortcutAt = n; // the next letter shown is the shortcut
            continue;
        }
        b->label[n++] = part[i];
    }
    b->label[n] = '\0';
    if (b->shortcutAt >= n) b->shortcutAt = -1;
}

int parseRequesterButtons(const char* list, requesterButton* out, int max)
{
    if (max > REQUESTER_MAX_BUTTONS) max = REQUESTER_MAX_BUTTONS;
    if (max <= 0) return 0;
    int count = 0;
    const char* p = list ? list : "";
    while (*p && count < max) {
        const char* bar = strchr(p, '|');
        int length = bar ? (int)(bar - p) : (int)strlen(p);
        parseOneButton(p, length, &out[count++]);
        if (!bar) break;
        p = bar + 1;
    }
    if (count == 0) parseOneButton("_Ok", 3, &out[count++]);
    return count;
}

int splitRequesterText(const char* text, int* starts, int* lengths, int max)
{
    int count = 0;
    int start = 0;
    const char* t = text ? text : "";
    for (int i = 0; count < max; i++) {
        if (t[i] != '\n' && t[i] != '\0') continue;
        starts[count] = start;
        lengths[count] = i - start;
        count++;
        if (t[i] == '\0') break;
        start = i + 1;
    }
    return count;
}

static int buttonWidth(int labelWidth)
{
    int w = labelWidth + 2 * BUTTON_PAD_X;
    return w < MIN_BUTTON_WIDTH ? MIN_BUTTON_WIDTH : w;
}

// Left button at the left margin, rightmost at the right margin, the others spread evenly
// between them; a lone button sits in the middle.
static void placeButtons(requesterLayout* r, const int* widths, int y, int height)
{
    int n = r->buttonCount;
    int total = 0;
    for (int i = 0; i < n; i++) total += widths[i];
    int spare = r->width - 2 * MARGIN - total;
    int x = n == 1 ? (r->width - widths[0]) / 2 : MARGIN;
    for (int i = 0; i < n; i++) {
        if (i == n - 1 && n > 1) x = r->width - MARGIN - widths[i];
        r->buttons[i] = {x, y, widths[i], height};
        if (n > 1) x += widths[i] + spare / (n - 1);
    }
}

requesterLayout layoutRequester(int titleWidth, int textWidth, int lineCount, const int* labelWidths,
                                int buttonCount, int fontHeight)
{
    requesterLayout r{};
    if (buttonCount > REQUESTER_MAX_BUTTONS) buttonCount = REQUESTER_MAX_BUTTONS;
    if (buttonCount < 0) buttonCount = 0;
    r.buttonCount = buttonCount;
    r.lineHeight = fontHeight + 2;
    int widths[REQUESTER_MAX_BUTTONS];
    int row = 0;
    for (int i = 0; i < buttonCount; i++) {
        widths[i] = buttonWidth(labelWidths[i]);
        row += widths[i] + (i > 0 ? BUTTON_GAP : 0);
    }
    r.width = MIN_DIALOG_WIDTH;
    if (titleWidth + 2 * TITLE_PAD_X > r.width) r.width = titleWidth + 2 * TITLE_PAD_X;
    if (textWidth + 2 * MARGIN > r.width) r.width = textWidth + 2 * MARGIN;
    if (row + 2 * MARGIN > r.width) r.width = row + 2 * MARGIN;
    int buttonHeight = fontHeight + 2 * BUTTON_PAD_Y;
    r.titleHeight = fontHeight + 2 * TITLE_PAD_Y;
    r.textTop = r.titleHeight + MARGIN;
    int buttonTop = r.textTop + lineCount * r.lineHeight + TEXT_TO_BUTTONS;
    r.height = buttonTop + buttonHeight + MARGIN;
    if (buttonCount > 0) placeButtons(&r, widths, buttonTop, buttonHeight);
    return r;
}

int requesterButtonAt(const requesterLayout& layout, int x, int y)
{
    for (int i = 0; i < layout.buttonCount; i++) {
        const requesterBox& b = layout.buttons[i];
        if (x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height) return i;
    }
    return -1;
}

int requesterShortcut(const requesterButton* buttons, int count, int ch)
{
    if (ch <= 0 || ch > 255) return -1;
    int want = tolower(ch);
    for (int i = 0; i < count; i++) {
        int at = buttons[i].shortcutAt;
        if (at >= 0 && tolower((unsigned char)buttons[i].label[at]) == want) return i;
    }
    return -1;
}

int requesterAnswer(int index, int count)
{
    if (index < 0 || index >= count) return 0;
    return index == count - 1 ? 0 : index + 1;
}
