// Owns the loading order at start-up, the idle callback and the release order at shutdown.
// Every way of ending (Escape, _QUIT, the window closed or destroyed, a quit signal) goes
// through end(); only a lost X connection ends elsewhere, after stopping the music here.
#include "app/lifecycle.h"
#include "app/pacing.h"
#include "app/screen.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "content/textures.h"
#include "input/pointer.h"
#include "input/selections.h"
#include "music/link.h"
#include "music/songstart.h"
#include "platform/signals.h"
#include "platform/window.h"
#include "prefs/design.h"
#include "prefs/prefs.h"
#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>

int fullScreen = 0;
my_texture texture[2];

[[noreturn]] static void endWithStatus(int status);

// The constant menu selections from the preference tables, in window pixels.
static void buildConstantMenuSelections()
{
    if (!constantMenuCoords || !constantMenuLinks) return;
    int n = numberOfConstantMenuSelections;
    if (n > MAX_MENU_SELECTIONS) n = MAX_MENU_SELECTIONS;
    for (int i = 0; i < n; i++) {
        menuSelection s{};
        snprintf(s.link, sizeof s.link, "%s", constantMenuLinks[i]);
        s.kind = SELECTION_LINK;
        s.x0 = (float)constantMenuCoords[4 * i] * SCREEN_RATIO_X;
        s.y0 = (float)constantMenuCoords[4 * i + 1] * SCREEN_RATIO_Y;
        s.x1 = (float)constantMenuCoords[4 * i + 2] * SCREEN_RATIO_X;
        s.y1 = (float)constantMenuCoords[4 * i + 3] * SCREEN_RATIO_Y;
        setConstantSelection(i, s);
    }
}

// The window is going: its pointer is given back while the connection still exists. The rest
// of the shutdown follows when the main loop returns.
static void windowClosing() { clearPointer(); }

// The player stopped, the handler finished and joined, its port removed: what must not
// outlive the viewer, none of it needing X.
static void stopMusic()
{
    SendMessage(PLAYER_PORT, MUSIC_STOP);
    SendMessage(HANDLER_PORT, MUSIC_FINISH);
    stopMusicHandler();
}

void loadMagazine()
{
    resetPrefs();
    loadPrefs("prefs.txt");
    if (startupImageName[0]) setViewMode(MODE_STARTUP); // shown until the first input
    readArticlesLayingOutLater(); // the rest are laid out in idle time (app/pacing)
    buildConstantMenuSelections();
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    TexInit(&texture[0], "Fonts/font4.pbm", TEXTURE_FONT);
    TexInit(&texture[1], "Images/bkg4.pbm", TEXTURE_KEYED);
    readBackgrounds();
    readMenus();
    readSongNames();
    glClearColor(0, 0, 0, 0);
    glEnable(GL_DEPTH_TEST);
    for (int i = 0; i < 2; i++) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        windowSwapBuffers();
    }
}

void init()
{
    catchQuitSignals();
    windowOnClose(windowClosing);
    windowOnConnectionLost(stopMusic);
    loadMagazine();
    if (!startMusicHandler()) printf("Can't create subtask\n");
}

void idle()
{
    paceIdle();
    // Also here, not only at the top of a frame: a window covered by another gets no display
    // calls, and its music must still go on to the next tune.
    startPendingSong();
    if (endAll) end();
    // 128 + the signal's number, as for a program the signal ended: a script that runs the
    // viewer can tell a quit request from outside from the reader's own quit.
    if (int signo = quitSignalReceived()) endWithStatus(128 + signo);
    if (countIdleCall() <= 199) setPointer(currentPointer);
}

void switchFullScreen()
{
    if (fullScreen) windowReshape(SCREEN_WIDTH, SCREEN_HEIGHT);
    else windowFullScreen();
    fullScreen = !fullScreen;
    requestRedraw();
    setPointer(currentPointer);
}

void end() { endWithStatus(0); }

static void endWithStatus(int status)
{
    clearPointer();
    freePointers();
    SendMessage(PLAYER_PORT, MUSIC_STOP);
    cleanupMenus();
    cleanupBackgrounds();
    cleanupArticles();
    freePrefs();
    SendMessage(HANDLER_PORT, MUSIC_FINISH);
    stopMusicHandler();
    fflush(stdout);
    exit(status);
}
