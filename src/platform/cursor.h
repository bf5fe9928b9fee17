// The mouse pointer image of the window that shows the GL output: made from ARGB pixels,
// defined on that window, given back and released. Only this service creates X cursors.
#pragma once
#include <cstdint>

constexpr int CURSOR_SIZE = 32; // every pointer image is CURSOR_SIZE x CURSOR_SIZE pixels

typedef unsigned long cursorHandle; // 0: none

// The window of the current GL context, with the connection it lives on; id 0 when no
// context is current or it draws into no window.
struct cursorWindow {
    void* display;
    unsigned long id;
};

cursorWindow cursorCurrentWindow();
// A pointer from CURSOR_SIZE x CURSOR_SIZE premultiplied ARGB pixels, row by row, whose hot
// spot is the top-left pixel; 0 when it cannot be made.
cursorHandle cursorCreate(cursorWindow w, const uint32_t* argb);
// Shows the pointer on the window while the mouse is over it.
void cursorDefine(cursorWindow w, cursorHandle cursor);
// Gives the window the system's pointer back.
void cursorUndefine(cursorWindow w);
void cursorFree(cursorWindow w, cursorHandle cursor);
