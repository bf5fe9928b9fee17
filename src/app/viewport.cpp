// Owns the window size seen by the last frame and the letterbox arithmetic built on it.
#include "app/viewport.h"
#include "app/screen.h"
#include <cmath>

static int windowW = 640, windowH = 480;

viewportRect viewportForWindow(int w, int h)
{
    viewportRect r{0, 0, w > 0 ? w : 0, h > 0 ? h : 0};
    if (w <= 0 || h <= 0) return r;
    // Compare in integers: w * 3 against h * 4 decides which side limits the picture.
    if ((long)w * 3 > (long)h * 4) {
        r.width = (int)((long)h * 4 / 3);
        r.height = h;
    } else {
        r.width = w;
        r.height = (int)((long)w * 3 / 4);
    }
    r.x = (w - r.width) / 2;
    r.y = (h - r.height) / 2;
    return r;
}

void setWindowSize(int w, int h)
{
    windowW = w;
    windowH = h;
}

viewportRect currentViewport() { return viewportForWindow(windowW, windowH); }

void windowToScreen(int wx, int wy, int* sx, int* sy)
{
    viewportRect r = currentViewport();
    if (r.width <= 0 || r.height <= 0) {
        *sx = wx;
        *sy = wy;
        return;
    }
    *sx = (int)std::floor((double)(wx - r.x) * SCREEN_WIDTH / r.width);
    *sy = (int)std::floor((double)(wy - r.y) * SCREEN_HEIGHT / r.height);
}
