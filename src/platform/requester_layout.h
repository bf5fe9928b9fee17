// The requester's content and geometry as plain data, shared by the Xlib dialog and its tests:
// the button list parsed from "_Lo|_Hi", the rectangles laid out from measured text widths,
// hit tests, shortcut lookup and the answer numbering.
#pragma once

enum { REQUESTER_MAX_BUTTONS = 8, REQUESTER_LABEL_SIZE = 64, REQUESTER_MAX_LINES = 16 };

struct requesterButton {
    char label[REQUESTER_LABEL_SIZE]; // the text shown, underscore removed
    int shortcutAt;                   // index in label of the underlined letter, -1 for none
};

struct requesterBox { int x, y, width, height; };

struct requesterLayout {
    int width, height;   // the dialog window
    int titleHeight;     // the title strip across the top (no window manager may draw one)
    int textTop;         // top of the first text line
    int lineHeight;
    int buttonCount;
    requesterBox buttons[REQUESTER_MAX_BUTTONS];
};

// Splits "_Lo (640x480)|_Hi (1280x960)" into buttons. An empty list still gives one "Ok"
// button so that every requester can be answered; buttons past the maximum are dropped.
int parseRequesterButtons(const char* list, requesterButton* out, int max);

// Splits the body text at newlines: start offset and length of each line, at most max lines.
int splitRequesterText(const char* text, int* starts, int* lengths, int max);

// Lays out a dialog for a title titleWidth pixels wide, a text block of textWidth x lineCount
// lines and buttons whose labels measure labelWidths[i] pixels, in a font fontHeight pixels high.
requesterLayout layoutRequester(int titleWidth, int textWidth, int lineCount, const int* labelWidths,
                                int buttonCount, int fontHeight);

// The button under (x, y) in dialog coordinates, or -1.
int requesterButtonAt(const requesterLayout& layout, int x, int y);

// The button whose shortcut is ch (letters match in either case), or -1.
int requesterShortcut(const requesterButton* buttons, int count, int ch);

// What the requester returns for button index: 1, 2, ... from the left, 0 for the rightmost.
int requesterAnswer(int index, int count);
