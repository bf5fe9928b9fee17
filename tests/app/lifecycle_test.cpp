// The start-up pieces that work on plain state: constant menu selections scaled to window
// pixels in both resolutions (and capped at the table's size), and leaving the startup picture.
#include "app/clock.h"
#include "app/lifecycle.h"
#include "app/view.h"
#include "app/screen.h"
#include "prefs/prefs.h"
#include <gtest/gtest.h>
#include <array>
#include <cstdio>
#include <vector>

// --- frame state ---
static int64_t fakeSec;
static void fakeClock(int64_t* sec, int64_t* usec)
{
    *sec = fakeSec;
    *usec = 0;
}

TEST(StartupPicture, LeavingItShowsTheMagazineFromClockZero)
{
    setWallClock(fakeClock);
    fakeSec = 1000;
    getTimeWithStatus(CLOCK_START);
    fakeSec = 1030;
    mode = 1;
    firstrun = 0;
    framecounter = 150;
    endStartupImage();
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(firstrun, 1);
    EXPECT_EQ(framecounter, 0);
    EXPECT_EQ(getTime(), 0);
    setWallClock(nullptr);
}
