// The process entry: command line, resolution choice, metrics, clock, window, then the GLUT
// main loop.
#include "app/arguments.h"
#include "app/clock.h"
#include "app/composition.h"
#include "app/lifecycle.h"
#include "app/screen.h"
#include "app/view.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "input/pointer.h"
#include "platform/requester.h"
#include "platform/window.h"
#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

// PAGOVIA_RESOLUTION=lo|hi answers the resolution question without showing it, for
// unattended shows and tests. Any other value is reported and the question asked after all.
static int chooseResolution()
{
    const char* preset = getenv("PAGOVIA_RESOLUTION");
    if (preset && strcasecmp(preset, "lo") == 0) return 1;
    if (preset && strcasecmp(preset, "hi") == 0) return 0;
    if (preset && *preset)
        fprintf(stderr, "pagovia: PAGOVIA_RESOLUTION is \"%.40s\", not lo or hi; asking instead\n", preset);
    return showRequester("Choose resolution", "Choose prefered resolution.", "_Lo (640x480)|_Hi (1280x960)");
}

// Nothing has been loaded yet; the process ends with a failure status whatever the answer.
static void windowCouldNotBeMade()
{
    showRequester("Fatal Error", "Could not create an OpenGL window/context.", "_Ok");
    exit(1);
}

static void reportNoDisplay()
{
    const char* name = getenv("DISPLAY");
    if (name && *name)
        fprintf(stderr, "pagovia: cannot open the X display \"%.100s\"; nothing to show the magazine on\n", name);
    else
        fprintf(stderr, "pagovia: no X display (DISPLAY is not set); nothing to show the magazine on\n");
}

int main(int argc, char** argv)
{
    int status = handleArguments(argc, argv);
    if (status >= 0) return status;
    int glutArgc = 1; // the command line is the viewer's own: GLUT is shown none of it
    if (!holdDisplay()) {
        reportNoDisplay();
        return 1;
    }
    int answer = chooseResolution();
    if (answer < 0) {
        fprintf(stderr, "pagovia: the resolution requester could not be shown\n");
        return 1;
    }
    computeScreenMetrics(answer);
    getTimeWithStatus(CLOCK_START);
    getTimeWithStatus(CLOCK_PAUSE);
    if (!windowOpen(&glutArgc, argv, SCREEN_WIDTH, SCREEN_HEIGHT, "Pagovia Engine v0.1", windowCouldNotBeMade))
        windowCouldNotBeMade();
    releaseDisplay(); // the window's own connection keeps the server up from here
    windowRequestVSync();
    loadPointers();
    switchFullScreen();
    init();
    glDisable(GL_BLEND);
    windowRegisterCallbacks({display, idle, key, specialkey, processMousePassiveMotion, processMouse});
    windowMainLoop();
    end();
}
