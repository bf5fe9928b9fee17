// The viewer's own mouse pointer shapes: 80 shapes of 32x32 pixels cut from the pointer sheet
// "Pointers/pointers.iff" (20 columns by 4 rows), and the one pointer shown on the window.
#pragma once
#include "platform/cursor.h"
#include "platform/picture.h"

constexpr int POINTER_SIZE = 32;
constexpr int POINTER_COLUMNS = 20;
constexpr int POINTER_ROWS = 4;
constexpr int POINTER_SHAPES = POINTER_COLUMNS * POINTER_ROWS;
static_assert(POINTER_SIZE == CURSOR_SIZE, "a shape fills the whole window pointer");

extern int currentPointer; // the shape set last

// Loads the sheet (once) and cuts the shapes: 1 on success, 0 when there is no sheet.
int loadPointers();
// Shows shape n on the GL window; a shape that does not exist leaves the system pointer.
void setPointer(int n);
// Gives the window the system pointer back and releases the pointer.
void clearPointer();
// Frees the shapes and the sheet (shutdown).
void freePointers();
