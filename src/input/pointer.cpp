// Owns the pointer shapes and the pointer shown on the window.
#include "input/pointer.h"

int currentPointer = 0;

int loadPointers() { return 0; }
void setPointer(int n) { currentPointer = n; }
void clearPointer() {}
void freePointers() {}
