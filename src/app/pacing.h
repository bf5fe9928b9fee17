// Frame pacing of the idle loop: which idle calls post a frame, and how long the others
// wait for input. The decision is a plain function over a plain record, so it runs without a window.
#pragma once
#include "app/viewport.h"
#include "platform/window.h"
#include <cstdint>

enum { FRAME_PERIOD_US = 16667 }; // 60 frames a second where the display does not pace itself

struct framePacer {
    int64_t nextDueUs = 0;    // monotonic time at which the next frame may be drawn
    int framesDue = 2;        // frames still to draw after a change (one for each buffer)
    bool displayPaces = false; // the swap waits for the display: no clock pacing needed
    int probeFrames = 0;      // back-to-back frames timed to check that the display paces
    int64_t probeStartUs = 0;
    bool lastDrew = false;
};

struct paceStep {
    bool draw;       // post a redisplay now
    int64_t waitUs;  // otherwise: wait this long for input before the next idle call
};

// One idle call at monotonic time nowUs. `changed`: what the screen shows changed since the
// last call (a redraw request, a mode, a pending tune); `moving`: every frame differs
// (tickers, a fade). A still screen is drawn twice after a change, then not at all.
paceStep paceFrame(framePacer* pacer, int64_t nowUs, bool changed, bool moving);

// The idle loop's share: decides by the frame state and posts the frame or waits. Where the
// GL accepted a swap interval the display is trusted to pace, until timing shows it does not.
void paceIdle();

// The work idle time carries, in order, until the monotonic deadline (microseconds): the
// articles not yet laid out, then the upload of the pictures one step away from what shows
// (the next and previous article's, those the page's links name). True while work is left.
bool idleWork(int64_t deadlineUs);

// True once frames are spaced by the clock (the display does not pace them): a frame that
// only moves the tickers may then show just their windows.
bool framesPacedByClock();
// Shows a frame in which only the tickers moved: their windows where the GL can copy parts
// of the back buffer, else the whole frame.
void presentTickerFrame();
// A ticker's window at design position (x, y), `cells` cells wide, in window pixels through
// the viewport: a cell wider on each side and a unit taller, as scrolled glyphs reach just
// past the window; cut to the viewport, rounded outwards.
windowRect tickerWindowRect(int x, int y, int cells, const viewportRect& vp);
// The depth clear of such a frame, kept to the tickers' windows on the same condition.
void clearTickerDepth();
