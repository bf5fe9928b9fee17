// Offscreen stand-in for the X cursor service: records each request so tests can follow the
// pointer logic without an X server. Handles count up from 1 and are never reused.
#include "support/cursor_offscreen.h"
#include <cstring>

offscreenCursorRecord offscreenCursor;
static cursorHandle lastHandle;

void offscreenCursorReset()
{
    offscreenCursor.noWindow = offscreenCursor.failCreate = false;
    offscreenCursor.shown = offscreenCursor.window = 0;
    memset(offscreenCursor.lastImage, 0, sizeof offscreenCursor.lastImage);
    offscreenCursor.calls.clear();
}

static void note(const char* call) { offscreenCursor.calls += (offscreenCursor.calls.empty() ? "" : " ") + std::string(call); }

cursorWindow cursorCurrentWindow()
{
    static int display; // any non-null address stands for the connection
    if (offscreenCursor.noWindow) return {nullptr, 0};
    return {&display, offscreenCursor.window ? offscreenCursor.window : 1};
}

cursorHandle cursorCreate(cursorWindow, const uint32_t* argb)
{
    note("create");
    if (offscreenCursor.failCreate) return 0;
    memcpy(offscreenCursor.lastImage, argb, sizeof offscreenCursor.lastImage);
    return ++lastHandle;
}

void cursorDefine(cursorWindow, cursorHandle cursor) { note("define"), offscreenCursor.shown = cursor; }
void cursorUndefine(cursorWindow) { note("undefine"), offscreenCursor.shown = 0; }
void cursorFree(cursorWindow, cursorHandle) { note("free"); }
