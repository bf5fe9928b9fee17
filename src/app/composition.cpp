// Owns the per-frame composition and the info line.
#include "app/composition.h"
#include "app/screen.h"
#include "app/songstart.h"
#include "app/viewport.h"
#include "platform/window.h"
#include <GL/gl.h>

char* texts = nullptr;
char* scrollText = nullptr;
int activeText = 0;
char infoText[1024] = "     WELL WE HAVE NO INFO HERE YET     ";
my_texture* backgroundTexture = nullptr;

void display()
{
    startPendingSong();
    int w, h;
    windowGetSize(&w, &h);
    setWindowSize(w, h);
    viewportRect vp = currentViewport();
    glViewport(vp.x, h - vp.y - vp.height, vp.width, vp.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1280, 960, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    windowSwapBuffers();
}
