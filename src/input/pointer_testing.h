// What the tests look at inside the pointer service: the sheet, the shapes cut from it and
// the pointer on the window. The viewer itself never includes this header.
#pragma once
#include "input/pointer.h"

// One shape: the sheet's colour numbers of its cell, row by row, with the sheet's depth.
struct pointerBitmap {
    int depth;
    unsigned char pixels[POINTER_SIZE * POINTER_SIZE];
};

const indexedPicture* pointerSheet();     // the decoded sheet, or none
const pointerBitmap* pointerShape(int n); // shape n, or none
cursorHandle shownPointer();              // the pointer on the window, or 0
