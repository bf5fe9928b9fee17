// Modal requesters shown before (or without) the GL window.
#pragma once

// Shows a dialog with a title, a text and buttons given as "_Lo|_Hi" (an underscore marks
// the shortcut letter and is not shown). Returns 1 for the left button, 0 for the
// rightmost, counting like the original requesters (left 1, middle 2.., right 0);
// -1 when no dialog can be shown (no X display).
int showRequester(const char* title, const char* text, const char* buttons);

// True when an X display can be opened (the viewer has nowhere to draw otherwise).
bool displayAvailable();
