// The window pointer on a real X server, read back by a second X client through XFixes:
// setPointer(1) shows shape 1 (size, top-left hot spot, every pixel, colour 0 transparent),
// a new shape is a new cursor with the old one freed on the server, and clearPointer brings
// the server's own pointer back.
#include "input/pointer_testing.h"
#include "support/pointer_sheets.h"
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

static Display* observer; // the second client
static int lastXError;
static int recordXError(Display*, XErrorEvent* e) { return lastXError = e->error_code, 0; }

// What the server shows now, once every request of the viewer's connection is through.
static bool showsShape(int n)
{
    XSync(glXGetCurrentDisplay(), False);
    XFixesCursorImage* shown = XFixesGetCursorImage(observer);
    bool same = shown && shown->width == 32 && shown->height == 32 && shown->xhot == 0 && shown->yhot == 0;
    for (int i = 0; same && i < 32 * 32; i++) same = (shown->pixels[i] & 0xffffffffu) == expectedArgb(32 * n + i % 32, i / 32, 16);
    if (shown) XFree(shown);
    return same;
}

TEST(PointerOnX, ShapesSwitchOldCursorsAreFreedAndClearingGivesTheSystemPointerBack)
{
    fs::path home = fs::current_path();
    char name[] = "/tmp/pagovia-pointer-x-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    fs::current_path(name);
    fs::create_directory("Pointers");
    encodeSheet(640, 128, 16, true);
    int argc = 1;
    char program[] = "pagovia_x_tests", *argv[] = {program, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(320, 240);
    glutCreateWindow("pointer test");
    glutDisplayFunc([] { glClear(GL_COLOR_BUFFER_BIT), glutSwapBuffers(); });
    Window glWindow = (Window)glXGetCurrentDrawable();
    observer = XOpenDisplay(nullptr);
    ASSERT_NE(observer, nullptr);
    XWindowAttributes attributes = {};
    for (int i = 0; i < 500 && attributes.map_state != IsViewable; i++, usleep(10000)) {
        glutMainLoopEvent();
        XGetWindowAttributes(observer, glWindow, &attributes);
    }
    XWarpPointer(observer, None, DefaultRootWindow(observer), 0, 0, 0, 0, 100, 100);
    Window root, child;
    int rx, ry, wx, wy;
    unsigned mask;
    XQueryPointer(observer, DefaultRootWindow(observer), &root, &child, &rx, &ry, &wx, &wy, &mask);
    ASSERT_EQ(child, glWindow) << "the mouse must be inside the window";
    ASSERT_EQ(loadPointers(), 1);

    setPointer(1);
    EXPECT_TRUE(showsShape(1));
    cursorHandle old = shownPointer();
    setPointer(1); // regression: re-applying the shown shape made the system pointer flicker
    EXPECT_EQ(shownPointer(), old);
    setPointer(0);
    EXPECT_NE(shownPointer(), old);
    EXPECT_TRUE(showsShape(0));
    Display* viewer = glXGetCurrentDisplay(); // the old cursor no longer exists on the server
    XSync(viewer, False);
    XErrorHandler previous = XSetErrorHandler(recordXError);
    Atom atom = 0;
    XFixesGetCursorName(viewer, (Cursor)old, &atom);
    XSync(viewer, False);
    XSetErrorHandler(previous);
    EXPECT_EQ(lastXError, BadCursor);
    clearPointer();
    EXPECT_FALSE(showsShape(1) || showsShape(0));
    EXPECT_EQ(shownPointer(), 0u);

    freePointers();
    XCloseDisplay(observer);
    fs::current_path(home);
    fs::remove_all(name);
}
