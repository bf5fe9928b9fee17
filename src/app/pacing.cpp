// Owns the idle loop's frame pacing. Where the swap waits for the display, frames follow the
// display; elsewhere (Xvfb, software GL) they are spaced by the monotonic clock, and a screen
// that shows nothing new is not drawn at all. Waits end early on input.
#include "app/pacing.h"
#include "app/composition.h"
#include "app/view.h"
#include "app/viewport.h"
#include "elements/picture.h"
#include "music/link.h"
#include "platform/window.h"
#include "prefs/design.h"
#include "prefs/prefs.h"
#include <GL/gl.h>
#include <algorithm>
#include <ctime>

// A display that paces delivers at most this many frames a second (a 200 Hz panel); more,
// and the swap interval is not honoured.
enum { PROBE_FRAMES = 30, PACED_MIN_US = 5000 };

static void probeDisplay(framePacer* p, int64_t now)
{
    if (!p->lastDrew) {
        p->probeFrames = 0; // only back-to-back frames tell how fast the swap returns
        p->probeStartUs = now;
        return;
    }
    if (++p->probeFrames < PROBE_FRAMES) return;
    if (now - p->probeStartUs < (int64_t)PROBE_FRAMES * PACED_MIN_US) {
        p->displayPaces = false;
        p->nextDueUs = now; // the clock paces from this frame on
    }
    p->probeFrames = -1; // decided
}

paceStep paceFrame(framePacer* p, int64_t now, bool changed, bool moving)
{
    if (changed) p->framesDue = 2;
    if (!moving && p->framesDue <= 0) {
        p->lastDrew = false;
        return {false, FRAME_PERIOD_US}; // still: sleep a frame at most, input wakes us
    }
    if (p->displayPaces) {
        if (p->probeFrames >= 0) probeDisplay(p, now);
    } else if (now < p->nextDueUs) {
        p->lastDrew = false;
        return {false, p->nextDueUs - now};
    }
    // Due times advance by whole periods so that the rate holds; after a stall (a picture
    // decoded, the window moved) they restart from now instead of catching up in a burst.
    // While the display paces they only serve the clock should the probe fail.
    p->nextDueUs += FRAME_PERIOD_US;
    if (p->nextDueUs <= now || p->displayPaces) p->nextDueUs = now + FRAME_PERIOD_US;
    if (p->framesDue > 0) p->framesDue--;
    p->lastDrew = true;
    return {true, 0};
}

static framePacer pacer;
static int lastMode = -1;
static bool started;

static int64_t monotonicUs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000000 + ts.tv_nsec / 1000;
}

void paceIdle()
{
    if (!started) {
        started = true;
        pacer.displayPaces = windowSwapIntervalSet();
    }
    // A full redraw pending or under way, a tune to start (display starts it), a new mode.
    bool changed = firstrun == 1 || (mode == MODE_MAGAZINE && drawFrame != -1) || changeSong.load() == 1 || mode != lastMode;
    lastMode = mode;
    bool moving = (mode == MODE_MAGAZINE && numberOfScrollTexts > 0) || (mode == MODE_SLIDESHOW && !slideshowStill());
    paceStep s = paceFrame(&pacer, monotonicUs(), changed, moving);
    if (s.draw) windowPostRedisplay();
    else windowWaitForInput((int)((s.waitUs + 999) / 1000));
}

bool framesPacedByClock() { return started && !pacer.displayPaces; }

windowRect tickerWindowRect(int x, int y, int cells, const viewportRect& vp)
{
    int x0 = x - 16, y0 = y - 1, x1 = x + 16 * (cells + 1), y1 = y + 17;
    int left = vp.x + (int)((long)x0 * vp.width / DESIGN_WIDTH), right = vp.x + (int)(((long)x1 * vp.width + DESIGN_WIDTH - 1) / DESIGN_WIDTH);
    int top = vp.y + (int)((long)y0 * vp.height / DESIGN_HEIGHT), bottom = vp.y + (int)(((long)y1 * vp.height + DESIGN_HEIGHT - 1) / DESIGN_HEIGHT);
    left = std::max(left, vp.x);
    top = std::max(top, vp.y);
    right = std::min(right, vp.x + vp.width);
    bottom = std::min(bottom, vp.y + vp.height);
    return {left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
}

enum { MAX_RECTS = 64 };

// The tickers' windows, or -1 when the whole frame must be shown (and cleared).
static int tickerRects(windowRect* rects)
{
    if (!framesPacedByClock() || !scrollCoords || !scrollLength || numberOfScrollTexts > MAX_RECTS) return -1;
    viewportRect vp = currentViewport();
    int n = 0;
    for (int i = 0; i < numberOfScrollTexts; i++) {
        windowRect r = tickerWindowRect(scrollCoords[2 * i], scrollCoords[2 * i + 1], scrollLength[i], vp);
        if (r.width > 0 && r.height > 0) rects[n++] = r;
    }
    return n;
}

void clearTickerDepth()
{
    windowRect rects[MAX_RECTS];
    int n = tickerRects(rects);
    if (n < 0) {
        glClear(GL_DEPTH_BUFFER_BIT);
        return;
    }
    // A software GL clears every pixel it is asked to: only where the tickers draw.
    int w, h;
    windowGetSize(&w, &h);
    glEnable(GL_SCISSOR_TEST);
    for (int i = 0; i < n; i++) {
        glScissor(rects[i].x, h - rects[i].y - rects[i].height, rects[i].width, rects[i].height);
        glClear(GL_DEPTH_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
}

void presentTickerFrame()
{
    windowRect rects[MAX_RECTS];
    int n = tickerRects(rects);
    if (n < 0) windowSwapBuffers();
    else windowPresentRects(rects, n);
}
