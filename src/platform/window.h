// The GL window: created and driven through GLUT on Linux. The drawing and input code
// only calls the first group; main alone calls the second.
#pragma once

void windowSwapBuffers();
// Shows only these rectangles of the back buffer (x, y, width, height in window pixels, y from
// the top), leaving the back buffer as it is; a full swap where the GL can't copy parts.
struct windowRect { int x, y, width, height; };
void windowPresentRects(const windowRect* rects, int count);
void windowPostRedisplay();
void windowFullScreen();
void windowReshape(int width, int height);
void windowGetSize(int* width, int* height);
// Waits up to timeoutMs for input from the window system; returns at once if some is queued.
void windowWaitForInput(int timeoutMs);
// Whether the GL accepted a swap interval (it may still not honour it).
bool windowSwapIntervalSet();

struct windowCallbacks {
    void (*display)();
    void (*idle)();
    void (*key)(unsigned char, int, int);
    void (*special)(int, int, int);
    void (*passiveMotion)(int, int);
    void (*mouse)(int, int, int, int);
};
// Initialises GLUT and opens the window; false when no window or context could be made.
// GLUT reports most such failures by an error instead of a result: then `fatal` is called,
// and the process ends with status 1 should it return.
bool windowOpen(int* argc, char** argv, int width, int height, const char* title, void (*fatal)());
void windowRegisterCallbacks(const windowCallbacks& callbacks);
// Runs until the window closes: through the window manager, destroyed by another program, or
// at the program's own request. `onClose` then runs once while the connection is still open,
// and windowMainLoop returns; the connection is closed by then.
void windowMainLoop();
void windowOnClose(void (*onClose)());
// Called when the connection to the X server is lost, before the process ends with status 1
// and one line on standard error: only work that needs no X may be done there.
void windowOnConnectionLost(void (*onLost)());
// Asks the GL for one frame per display refresh where it offers a swap interval.
void windowRequestVSync();
