// The GL window on Linux through freeglut. Nothing else in the program calls GLUT.
#include "platform/window.h"
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_EXIT);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    // Without a window manager freeglut would place the window one pixel off.
    glutInitWindowPosition(0, 0);
    int id = glutCreateWindow(title);
    // Later errors are not about opening the window: freeglut's own handling applies.
    glutInitErrorFunc(nullptr);
    if (id <= 0) return false;
    glutSetWindow(id);
    return glXGetCurrentContext() != nullptr;
}

void windowRegisterCallbacks(const windowCallbacks& c)
{
    glutDisplayFunc(c.display);
    glutIdleFunc(c.idle);
    glutKeyboardFunc(c.key);
    glutSpecialFunc(c.special);
    glutPassiveMotionFunc(c.passiveMotion);
    glutMouseFunc(c.mouse);
}

void windowMainLoop() { glutMainLoop(); }

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
