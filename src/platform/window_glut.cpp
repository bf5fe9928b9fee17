// The GL window on Linux through freeglut. Nothing else in the program calls GLUT.
#include "platform/window.h"
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void windowSwapBuffers() { glutSwapBuffers(); }
void windowPostRedisplay() { glutPostRedisplay(); }
void windowFullScreen() { glutFullScreen(); }
void windowReshape(int width, int height) { glutReshapeWindow(width, height); }

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

void windowRequestVSync()
{
    typedef int (*swapIntervalFn)(unsigned int);
    const char* extensions = glXQueryExtensionsString(glXGetCurrentDisplay(), 0);
    if (!extensions || !strstr(extensions, "GLX_MESA_swap_control")) return;
    auto fn = (swapIntervalFn)glXGetProcAddress((const GLubyte*)"glXSwapIntervalMESA");
    if (fn) fn(1);
}
