// Modal requesters shown before (or without) the GL window.
#pragma once

// Shows a dialog with a title, a text and buttons given as "_Lo|_Hi" (an underscore marks
// the shortcut letter and is not shown). Returns 1 for the left button, 0 for the
// rightmost, counting like the original requesters (left 1, middle 2.., right 0);
// -1 when no dialog can be shown (no X display).
int showRequester(const char* title, const char* text, const char* buttons);

// Opens a connection to the X display that stays open through start-up; false when there
// is no display (the viewer has nowhere to draw then). Servers such as Xvfb reset when their
// last client leaves and refuse connections meanwhile: holding one from before the requester
// until the window exists keeps the requester's closing from failing the window's opening.
bool holdDisplay();
void releaseDisplay();
