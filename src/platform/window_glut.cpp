// The GL window on Linux through freeglut, and how it ends: closed by the window manager,
// destroyed by another program, or lost with the connection. Nothing else calls GLUT.
#include "platform/window.h"
#include "platform/monotonic.h"
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>
#include <poll.h>

static bool hasGlxExtension(const char* name);

void windowSwapBuffers() { glutSwapBuffers(); }
void windowPostRedisplay() { glutPostRedisplay(); }
void windowFullScreen() { glutFullScreen(); }
void windowReshape(int width, int height) { glutReshapeWindow(width, height); }

// GLX_MESA_copy_sub_buffer (software GL, Xvfb): a frame in which only small parts change
// copies those parts instead of the whole frame.
void windowPresentRects(const windowRect* rects, int count)
{
    typedef void (*copySubBufferFn)(Display*, GLXDrawable, int, int, int, int);
    static copySubBufferFn copy = nullptr;
    static bool looked;
    if (!looked) {
        looked = true;
        if (glXGetCurrentContext() && hasGlxExtension("GLX_MESA_copy_sub_buffer"))
            copy = (copySubBufferFn)glXGetProcAddress((const GLubyte*)"glXCopySubBufferMESA");
    }
    if (!copy) {
        glutSwapBuffers();
        return;
    }
    Display* d = glXGetCurrentDisplay();
    GLXDrawable w = glXGetCurrentDrawable();
    int windowH = glutGet(GLUT_WINDOW_HEIGHT);
    for (int i = 0; i < count; i++) // GLX counts rows from the bottom
        copy(d, w, rects[i].x, windowH - rects[i].y - rects[i].height, rects[i].width, rects[i].height);
}

static bool swapIntervalSet;
bool windowSwapIntervalSet() { return swapIntervalSet; }

// freeglut has no event wait for an idle callback: wait on the X connection itself, so that
// a key or click ends the wait at once. Events Xlib already read count as input.
void windowWaitForInput(int timeoutMs)
{
    Display* d = glXGetCurrentDisplay();
    if (!d) return;
    if (XPending(d) > 0) return;
    struct pollfd p = {ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, timeoutMs);
}

void windowGetSize(int* width, int* height)
{
    *width = glutGet(GLUT_WINDOW_WIDTH);
    *height = glutGet(GLUT_WINDOW_HEIGHT);
}

static void (*fatalOnOpen)();
static void (*onWindowClose)();
static void (*onConnectionLost)();
static void (*appIdle)();
static Display* glDisplay;
static Window glWindow;        // the X window of the GL output, to tell its errors apart
static int glxErrorBase = -1;  // first GLX error code, -1 without GLX
static bool inMainLoop;
static bool windowLost;
static int otherErrors;

enum { GLX_ERROR_CODES = 14, OTHER_ERRORS_SHOWN = 3, WINDOW_CHECK_MS = 100 };

static bool aboutOurWindow(const XErrorEvent* e)
{
    if (!glWindow || e->resourceid != glWindow) return false;
    if (e->error_code == BadWindow || e->error_code == BadDrawable) return true;
    return glxErrorBase >= 0 && e->error_code >= glxErrorBase && e->error_code < glxErrorBase + GLX_ERROR_CODES;
}

// Xlib's own handler ends the process on any error, skipping the shutdown, and may do so
// while it holds the connection's lock. Here nothing ends: a refusal about our window means
// another program destroyed it (freeglut ignores DestroyNotify), so the main loop is left and
// shutdown follows; any other refusal is shown and the viewer goes on.
static int onXError(Display*, XErrorEvent* e)
{
    if (aboutOurWindow(e)) {
        if (!windowLost && inMainLoop) glutLeaveMainLoop();
        windowLost = true;
        return 0;
    }
    if (otherErrors++ < OTHER_ERRORS_SHOWN)
        fprintf(stderr, "pagovia: the X server refused a request (error %d, request %d.%d); going on\n",
                e->error_code, e->request_code, e->minor_code);
    return 0;
}

// The server has gone or dropped us: nothing more can be drawn or asked. What needs no X is
// done, and the process ends at once: exit handlers of the X and GL libraries would talk to
// the dead connection.
static int onXConnectionLost(Display*)
{
    fputs("pagovia: lost the connection to the X server; ending\n", stderr);
    if (onConnectionLost) onConnectionLost();
    fflush(stdout);
    fflush(stderr);
    _exit(1);
}

// freeglut calls this while it takes the window down, with the connection still open.
static void windowClosing()
{
    void (*f)() = onWindowClose;
    onWindowClose = nullptr;
    if (f) f();
}

static void watchTheConnection(int id)
{
    glDisplay = glXGetCurrentDisplay();
    glWindow = (Window)glXGetCurrentDrawable();
    int eventBase = 0;
    if (!glXQueryExtension(glDisplay, &glxErrorBase, &eventBase)) glxErrorBase = -1;
    XSetErrorHandler(onXError);
    XSetIOErrorHandler(onXConnectionLost);
    glutSetWindow(id);
    glutCloseFunc(windowClosing);
}

void windowOnClose(void (*f)()) { onWindowClose = f; }
void windowOnConnectionLost(void (*f)()) { onConnectionLost = f; }

// freeglut's errors while it connects and creates the window (no GLX, no matching visual, no
// context) would otherwise end the process at once with status 1 and no requester. Its
// handler must not return: freeglut would go on with a half-made window.
static void glutErrorWhileOpening(const char* fmt, va_list ap)
{
    fputs("pagovia: ", stderr);
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
    if (fatalOnOpen) fatalOnOpen();
    exit(1);
}

bool windowOpen(int* argc, char** argv, int width, int height, const char* title, void (*fatal)())
{
    fatalOnOpen = fatal;
    glutInitErrorFunc(glutErrorWhileOpening);
    glutInit(argc, argv);
    // freeglut's own exit on a close would skip the program's shutdown.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    // Without a window manager freeglut would place the window one pixel off.
    glutInitWindowPosition(0, 0);
    int id = glutCreateWindow(title);
    // Later errors are not about opening the window: freeglut's own handling applies.
    glutInitErrorFunc(nullptr);
    if (id <= 0) return false;
    glutSetWindow(id);
    if (!glXGetCurrentContext()) return false;
    watchTheConnection(id);
    return true;
}

static long long monotonicMs() { return monotonicUs() / 1000; }

// A window destroyed by another program need not make any request fail: freeglut ignores the
// DestroyNotify, and the GL may simply stop drawing into a drawable it finds gone. So the
// server is asked ten times a second whether the window is still there; if not, the refusal
// reaches onXError, which ends the main loop.
static void idleThenCheckWindow()
{
    appIdle();
    if (windowLost) { // also when it went before the main loop began
        glutLeaveMainLoop();
        return;
    }
    static long long lastCheck;
    long long now = monotonicMs();
    if (now - lastCheck < WINDOW_CHECK_MS) return;
    lastCheck = now;
    Window root;
    int x, y;
    unsigned width, height, border, depth;
    XGetGeometry(glDisplay, glWindow, &root, &x, &y, &width, &height, &border, &depth);
}

void windowRegisterCallbacks(const windowCallbacks& c)
{
    glutDisplayFunc(c.display);
    appIdle = c.idle;
    glutIdleFunc(c.idle ? idleThenCheckWindow : nullptr);
    glutKeyboardFunc(c.key);
    glutSpecialFunc(c.special);
    glutPassiveMotionFunc(c.passiveMotion);
    glutMouseFunc(c.mouse);
}

void windowMainLoop()
{
    inMainLoop = true;
    glutMainLoop();
    inMainLoop = false;
}

static bool hasGlxExtension(const char* name)
{
    Display* d = glXGetCurrentDisplay();
    const char* list = glXQueryExtensionsString(d, DefaultScreen(d));
    if (!list) return false;
    size_t n = strlen(name);
    for (const char* p = strstr(list, name); p; p = strstr(p + 1, name))
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true; // whole words only
    return false;
}

// Three extensions offer a swap interval, depending on the driver; any one will do.
void windowRequestVSync()
{
    if (!glXGetCurrentContext()) return;
    auto address = [](const char* name) { return glXGetProcAddress((const GLubyte*)name); };
    if (hasGlxExtension("GLX_EXT_swap_control")) {
        auto fn = (void (*)(Display*, GLXDrawable, int))address("glXSwapIntervalEXT");
        if (fn) {
            fn(glXGetCurrentDisplay(), glXGetCurrentDrawable(), 1);
            swapIntervalSet = true;
            return;
        }
    }
    if (hasGlxExtension("GLX_MESA_swap_control")) {
        auto fn = (int (*)(unsigned int))address("glXSwapIntervalMESA");
        if (fn && fn(1) == 0) {
            swapIntervalSet = true;
            return;
        }
    }
    if (hasGlxExtension("GLX_SGI_swap_control")) {
        auto fn = (int (*)(int))address("glXSwapIntervalSGI");
        if (fn) swapIntervalSet = fn(1) == 0;
    }
}
