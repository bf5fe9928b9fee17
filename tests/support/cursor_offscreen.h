// What the pointer code asked the window to show, recorded by the offscreen stand-in for
// the X cursor service, and the knobs that make that service fail.
#pragma once
#include "platform/cursor.h"
#include <cstdint>
#include <string>

struct offscreenCursorRecord {
    bool noWindow;       // the GL context reports no window
    unsigned long window; // the id of the window it reports (0 stands for 1)
    bool failCreate;     // making a pointer fails
    cursorHandle shown;  // the pointer defined on the window now, 0 for the system pointer
    uint32_t lastImage[CURSOR_SIZE * CURSOR_SIZE]; // the pixels of the last pointer made
    std::string calls;   // "create define undefine free ...", in order
};
extern offscreenCursorRecord offscreenCursor;

// Forgets everything recorded and clears the knobs.
void offscreenCursorReset();
