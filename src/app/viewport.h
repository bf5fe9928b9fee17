// Where the 4:3 picture sits inside a window of any size, and how a window position maps
// back to the chosen resolution's pixels (the space the menu rectangles are stored in).
#pragma once

struct viewportRect { int x, y, width, height; }; // y counted from the window's top

// The largest 4:3 rectangle that fits the window, centred; black bars fill the rest.
viewportRect viewportForWindow(int windowWidth, int windowHeight);

// The window size the picture is currently shown in; the display callback keeps it current.
void setWindowSize(int windowWidth, int windowHeight);
viewportRect currentViewport();

// Converts a window position into SCREEN_WIDTH x SCREEN_HEIGHT pixels through the current
// viewport. Positions in the black bars land outside 0..SCREEN_WIDTH / 0..SCREEN_HEIGHT.
void windowToScreen(int windowX, int windowY, int* screenX, int* screenY);
