// Owns the idle loop's frame pacing. Where the swap waits for the display, frames follow the
// display; elsewhere (Xvfb, software GL) they are spaced by the monotonic clock, and a screen
// that shows nothing new is not drawn at all. Waits end early on input.
#include "app/pacing.h"
#include "app/composition.h"
#include "app/view.h"
#include "app/screen.h"
#include "app/viewport.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "content/picturecache.h"
#include "elements/picture.h"
#include "input/selections.h"
#include "music/link.h"
#include "platform/monotonic.h"
#include "platform/window.h"
#include "prefs/design.h"
#include "prefs/prefs.h"
#include "text/title.h"
#include <GL/gl.h>
#include <algorithm>

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

// The longest piece of work one idle call does: input waits no longer than this for it.
enum { IDLE_SLICE_US = 3000, DRAWING_SLICE_US = 1500 };

// Adds article a's background to the set unless it is there, shown, or the set is full.
// The article is laid out first, so its text reads as it will when shown.
static void addBackgroundOf(int a, const my_texture** set, int* n, int room, const my_texture* shown)
{
    if (*n >= room || a < 0 || !layOutArticle(a)) return;
    int k = findBackgroundIndex(articleArray[a].text);
    if (k < 0 || &backgroundArray[k] == shown) return;
    for (int i = 0; i < *n; i++)
        if (set[i] == &backgroundArray[k]) return;
    set[(*n)++] = &backgroundArray[k];
}

// The pictures one step away from what shows, most likely first: in the magazine view the
// next and previous article's backgrounds, then those of the articles the page's links and
// the menus name; behind the startup picture, the first article's. Never more than fit
// beside the shown one in GL memory, so that preloading evicts none of them.
static int reachablePictures(const my_texture** set, int room)
{
    int n = 0;
    if (articles <= 0 || !articleArray || currentArticle < 0 || currentArticle >= articles) return 0;
    if (mode == MODE_STARTUP) addBackgroundOf(currentArticle, set, &n, room, nullptr);
    if (mode != MODE_MAGAZINE) return n;
    int shownIndex = layOutArticle(currentArticle) ? findBackgroundIndex(articleArray[currentArticle].text) : -1;
    const my_texture* shown = shownIndex >= 0 ? &backgroundArray[shownIndex] : nullptr;
    addBackgroundOf((currentArticle + 1) % articles, set, &n, room, shown);
    addBackgroundOf((currentArticle + articles - 1) % articles, set, &n, room, shown);
    int links = numberOfMenuSelections < MAX_MENU_SELECTIONS ? numberOfMenuSelections : MAX_MENU_SELECTIONS;
    int constant = numberOfConstantMenuSelections < links ? numberOfConstantMenuSelections : links;
    for (int i = constant; i < links + constant; i++) { // the page's links, then the menus'
        const menuSelection& s = menuSelections[i < links ? i : i - links];
        char link[sizeof s.link];
        snprintf(link, sizeof link, "%s", s.link);
        if (s.kind == 0) addBackgroundOf(findArticle(link), set, &n, room, shown);
    }
    return n;
}

bool idleWork(int64_t deadlineUs)
{
    if (!layOutPendingArticles(deadlineUs)) return true;
    const my_texture* set[RESIDENT_PICTURES - 1];
    int n = reachablePictures(set, RESIDENT_PICTURES - 1);
    // Those already uploaded first become the most recently used, so that uploading the
    // others evicts none of them.
    for (int pass = 0; pass < 2; pass++)
        for (int i = 0; i < n; i++)
            if (pictureResident(set[i]) == (pass == 0) && !preloadPicture(set[i], deadlineUs)) return true;
    return false;
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
    int64_t now = monotonicUs();
    paceStep s = paceFrame(&pacer, now, changed, moving);
    if (s.draw) {
        // A display that paces leaves no gap between moving frames: the articles are still
        // laid out, a little before each frame, so that their findings come soon after start.
        layOutPendingArticles(now + DRAWING_SLICE_US);
        windowPostRedisplay();
        return;
    }
    // The gap before the next frame carries idle work; input is read between slices.
    if (idleWork(now + std::min<int64_t>(s.waitUs, IDLE_SLICE_US))) return;
    int64_t left = s.waitUs - (monotonicUs() - now);
    if (left > 0) windowWaitForInput((int)((left + 999) / 1000));
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
