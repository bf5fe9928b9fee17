// The window pointer on a real X server: with the mouse inside a GL window, setPointer(1)
// makes the server show shape 1, as a second X client reads it back through XFixes (size,
// top-left hot spot, every pixel, colour 0 transparent); setting the same shape again swaps
// in a new cursor object and frees the old one; clearPointer brings the server's own back.
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
static Window glWindow;
static fs::path home, scratch;

static void drawNothing()
{
    glClear(GL_COLOR_BUFFER_BIT);
    glutSwapBuffers();
}

static int lastXError;
static int recordXError(Display*, XErrorEvent* e)
{
    lastXError = e->error_code;
    return 0;
}

class PointerOnX : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        home = fs::current_path();
        char name[] = "/tmp/pagovia-pointer-x-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        scratch = name;
        fs::current_path(scratch);
        fs::create_directory("Pointers");
        encodeSheet(640, 128, 16, true);

        static int argc = 1;
        static char program[] = "pagovia_x_tests";
        static char* argv[] = {program, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
        glutInitWindowPosition(0, 0);
        glutInitWindowSize(320, 240);
        glutCreateWindow("pointer test");
        glutDisplayFunc(drawNothing);
        glWindow = (Window)glXGetCurrentDrawable();

        observer = XOpenDisplay(nullptr);
        ASSERT_NE(observer, nullptr);
        XWindowAttributes attributes = {};
        for (int i = 0; i < 500; i++) {
            glutMainLoopEvent();
            XGetWindowAttributes(observer, glWindow, &attributes);
            if (attributes.map_state == IsViewable) break;
            usleep(10000);
        }
        ASSERT_EQ(attributes.map_state, IsViewable);
        XWarpPointer(observer, None, DefaultRootWindow(observer), 0, 0, 0, 0, 100, 100);
        Window root, child;
        int rx, ry, wx, wy;
        unsigned mask;
        XQueryPointer(observer, DefaultRootWindow(observer), &root, &child, &rx, &ry, &wx, &wy, &mask);
        ASSERT_EQ(child, glWindow) << "the mouse must be inside the window";
        ASSERT_EQ(loadPointers(), 1);
    }

    static void TearDownTestSuite()
    {
        clearPointer();
        freePointers();
        if (observer) XCloseDisplay(observer);
        fs::current_path(home);
        fs::remove_all(scratch);
    }

    // What the server shows now, once every request of the viewer's connection is through.
    static XFixesCursorImage* shownCursor()
    {
        XSync(glXGetCurrentDisplay(), False);
        return XFixesGetCursorImage(observer);
    }

    static bool showsShape(const XFixesCursorImage* image, int n)
    {
        if (image->width != 32 || image->height != 32) return false;
        for (int y = 0; y < 32; y++)
            for (int x = 0; x < 32; x++)
                if ((image->pixels[y * 32 + x] & 0xffffffffu) != expectedArgb(32 * n + x, y, 16)) return false;
        return true;
    }
};

// One journey: shape 1 with its hot spot top left, the same shape left alone, a new shape in
// a new cursor object with the old one freed on the server, the system pointer back at the end.
TEST_F(PointerOnX, ShapesSwitchOldCursorsAreFreedAndClearingGivesTheSystemPointerBack)
{
    setPointer(1);
    XFixesCursorImage* first = shownCursor();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(showsShape(first, 1));
    EXPECT_EQ(first->xhot, 0);
    EXPECT_EQ(first->yhot, 0);
    cursorHandle old = shownPointer();
    setPointer(1); // regression: re-applying the shown shape made the system pointer flicker
    EXPECT_EQ(shownPointer(), old);
    setPointer(0);
    XFixesCursorImage* second = shownCursor();
    EXPECT_NE(shownPointer(), old);
    EXPECT_NE(second->cursor_serial, first->cursor_serial);
    EXPECT_TRUE(showsShape(second, 0));
    XFree(first);
    XFree(second);

    // The old cursor no longer exists on the server.
    Display* viewer = glXGetCurrentDisplay();
    XSync(viewer, False);
    lastXError = 0;
    XErrorHandler previous = XSetErrorHandler(recordXError);
    Atom atom = 0;
    XFixesGetCursorName(viewer, (Cursor)old, &atom);
    XSync(viewer, False);
    XSetErrorHandler(previous);
    EXPECT_EQ(lastXError, BadCursor);

    clearPointer();
    XFixesCursorImage* image = shownCursor();
    EXPECT_FALSE(showsShape(image, 1));
    EXPECT_FALSE(showsShape(image, 0));
    XFree(image);
    EXPECT_EQ(shownPointer(), 0u);
}
