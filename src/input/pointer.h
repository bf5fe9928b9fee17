// The viewer's own mouse pointer shapes, cut from the pointer sheet.
#pragma once

extern int currentPointer;

int loadPointers();
void setPointer(int n);
void clearPointer();
void freePointers(); // frees the 80 shape bitmaps (shutdown)
