// Owns the view state: the redraw request, the mode, the idle count, the quit request and the
// info line. Each global here has this file as its one writer; the rest of the program
// changes them through the calls of app/view.h.
#include "app/view.h"
#include "app/clock.h"
#include "app/composition.h"
#include "app/lifecycle.h"
#include <cstdio>

int mode = MODE_MAGAZINE;
int firstrun = 1;
int16_t endAll = 0;
uint32_t framecounter = 0;
char infoText[1024] = "     WELL WE HAVE NO INFO HERE YET     ";
int activeText = 0;
char* scrollText = nullptr;

void requestRedraw() { firstrun = 1; }

bool takeRedrawRequest()
{
    if (firstrun != 1) return false;
    firstrun = 0;
    return true;
}

void setViewMode(viewMode m) { mode = m; }

void endStartupImage()
{
    requestRedraw();
    setViewMode(MODE_MAGAZINE);
    getTimeWithStatus(CLOCK_START);
    framecounter = 0;
}

uint32_t countIdleCall() { return ++framecounter; } // unsigned: wraps after 2^32, harmlessly

void setInfoLine(const char* text) { snprintf(infoText, sizeof infoText, "%s", text); }

void toggleInfoLine() { activeText = activeText == 0 ? 1 : 0; }

// Ticker 0 shows the info line instead of its own text while it is on and not empty.
void updateScrollText() { scrollText = activeText == 1 && infoText[0] ? infoText : nullptr; }

void requestQuit() { endAll = 1; }

void drawBothBuffersNow()
{
    requestRedraw();
    display();
    display();
}

unsigned int fontTexture() { return texture[0].id; }
