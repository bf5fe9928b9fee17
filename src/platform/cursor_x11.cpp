// The window pointer as an ARGB X cursor (Xcursor) on the GL context's own window.
// Requests are flushed at once so the shape changes even while no frame is being drawn.
#include "platform/cursor.h"
#include <GL/glx.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/Xlib.h>

cursorWindow cursorCurrentWindow()
{
    Display* d = glXGetCurrentDisplay();
    GLXDrawable drawable = glXGetCurrentDrawable();
    if (!d || !drawable) return {nullptr, 0};
    return {d, (unsigned long)drawable};
}

cursorHandle cursorCreate(cursorWindow w, const uint32_t* argb)
{
    if (!w.display) return 0;
    XcursorImage* image = XcursorImageCreate(CURSOR_SIZE, CURSOR_SIZE);
    if (!image) return 0;
    image->xhot = 0;
    image->yhot = 0;
    for (int i = 0; i < CURSOR_SIZE * CURSOR_SIZE; i++) image->pixels[i] = argb[i];
    Cursor cursor = XcursorImageLoadCursor((Display*)w.display, image);
    XcursorImageDestroy(image);
    return cursor;
}

void cursorDefine(cursorWindow w, cursorHandle cursor)
{
    if (!w.display || !w.id) return;
    XDefineCursor((Display*)w.display, (Window)w.id, (Cursor)cursor);
    XFlush((Display*)w.display);
}

void cursorUndefine(cursorWindow w)
{
    if (!w.display || !w.id) return;
    XUndefineCursor((Display*)w.display, (Window)w.id);
    XFlush((Display*)w.display);
}

void cursorFree(cursorWindow w, cursorHandle cursor)
{
    if (!w.display || !cursor) return;
    XFreeCursor((Display*)w.display, (Cursor)cursor);
    XFlush((Display*)w.display);
}
