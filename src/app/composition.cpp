// Owns the per-frame composition and the info line. The magazine view is drawn in full
// only on the two frames after a redraw request (one per buffer); every other frame the
// tickers repaint their own windows over the unchanged picture.
#include "app/composition.h"
#include "app/clock.h"
#include "app/lifecycle.h"
#include "app/pacing.h"
#include "app/screen.h"
#include "app/view.h"
#include "app/viewport.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "elements/articlebar.h"
#include "elements/menu.h"
#include "elements/picture.h"
#include "elements/scrolltext.h"
#include "music/songstart.h"
#include "platform/window.h"
#include "prefs/design.h"
#include "prefs/prefs.h"
#include "text/render.h"
#include "text/title.h"
#include <GL/gl.h>
#include <cstdio>
#include <cstring>

int drawFrame = 0;

// The title row's text.
static char titleLine[1024];
// Running count of ticker calls, handed on unused; unsigned so that it wraps rather than
// overflows after 2^31 calls (a kiosk left running for weeks).
static uint32_t scrollCalls;
static int lastWindowW = -1, lastWindowH = -1;

// The article on screen, or null when none is loaded: nothing then reads an article.
static const articleEntry* shownArticle()
{
    if (!layOutArticle(currentArticle)) return nullptr;
    const articleEntry* a = &articleArray[currentArticle];
    if (!a->text || !a->pages || a->numberOfPages < 1) return nullptr;
    return a;
}

static void drawArticle(const articleEntry& a)
{
    buildTitleLine(titleLine, sizeof titleLine, a.name, a.numberOfPages, currentPage,
                   MAX_CHARACTERS_ROW);
    int k = findBackgroundIndex(a.text);
    glEnable(GL_TEXTURE_2D);
    drawText(titleLine, 1, 1, k >= 0 ? &backgroundArray[k] : nullptr);
    if (currentPage < 0 || currentPage >= a.numberOfPages) return;
    drawText(a.pages[currentPage].start, 0, a.pages[currentPage].newLine, nullptr);
}

static void drawMagazine()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (++drawFrame > 1) drawFrame = -1;
    const articleEntry* a = shownArticle();
    if (a) drawArticle(*a);
    if (menuArray) {
        drawMenu(&menuArray[0], 0);
        drawMenu(&menuArray[1], 1);
    }
    drawArticleBar();
}

static void drawScrollTexts()
{
    m_color4f white = {1.0f, 1.0f, 1.0f, 1.0f};
    updateScrollText();
    if (mode != MODE_MAGAZINE) return;
    int now = getTime();
    for (int i = 0; i < numberOfScrollTexts; i++) scrolltext1((int)scrollCalls++, white, i, now);
}

// The picture sits in the largest centred 4:3 area of the window. A window whose size
// changed holds nothing usable, so it gets a full redraw like any other change.
static void placePicture()
{
    int w, h;
    windowGetSize(&w, &h);
    if (w != lastWindowW || h != lastWindowH) {
        lastWindowW = w;
        lastWindowH = h;
        requestRedraw();
    }
    setWindowSize(w, h);
    viewportRect vp = currentViewport();
    glViewport(vp.x, h - vp.y - vp.height, vp.width, vp.height);
}

void display()
{
    startPendingSong(); // first: a pending tune change starts its player
    placePicture();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, DESIGN_WIDTH, DESIGN_HEIGHT, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (takeRedrawRequest()) drawFrame = 0;
    bool tickersOnly = drawFrame == -1 && mode == MODE_MAGAZINE; // both buffers already hold the page
    if (drawFrame != -1 && mode == MODE_MAGAZINE) drawMagazine();
    else if (mode == MODE_SLIDESHOW) slideshowFrame();
    else if (mode == MODE_STARTUP) startupPictureFrame();
    else if (tickersOnly) clearTickerDepth();
    else glClear(GL_DEPTH_BUFFER_BIT);
    drawScrollTexts();
    if (tickersOnly) presentTickerFrame();
    else windowSwapBuffers();
}
