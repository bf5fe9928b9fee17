// The process entry: resolution choice, metrics, clock, window, then the GLUT main loop.
#include "app/clock.h"
#include "app/composition.h"
#include "app/lifecycle.h"
#include "app/screen.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "input/pointer.h"
#include "platform/requester.h"
#include "platform/window.h"
#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// PAGOVIA_RESOLUTION=lo|hi answers the resolution question without showing it, for
// unattended shows and tests. Anything else asks.
static int chooseResolution()
{
    const char* preset = getenv("PAGOVIA_RESOLUTION");
    if (preset && strcmp(preset, "lo") == 0) return 1;
    if (preset && strcmp(preset, "hi") == 0) return 0;
    return showRequester("Choose resolution", "Choose prefered resolution.", "_Lo (640x480)|_Hi (1280x960)");
}

int main(int argc, char** argv)
{
    if (!displayAvailable()) {
        fprintf(stderr, "pagovia: cannot open the X display (is DISPLAY set?); nothing to show the magazine on\n");
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
    if (!windowOpen(&argc, argv, SCREEN_WIDTH, SCREEN_HEIGHT, "Pagovia Engine v0.1")) {
        showRequester("Fatal Error", "Could not create an OpenGL window/context.", "_Ok");
        return 1; // a failure, whatever the requester answered
    }
    windowRequestVSync();
    loadPointers();
    switchFullScreen();
    init();
    glDisable(GL_BLEND);
    windowRegisterCallbacks({display, idle, key, specialkey, processMousePassiveMotion, processMouse});
    windowMainLoop();
    end();
}
