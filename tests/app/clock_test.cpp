// The clock against a wall clock the test steps by hand: start, pause, resume, the
// split of seconds and hundredths, and the 32-bit wrap of readings.
#include "app/clock.h"
#include <gtest/gtest.h>
#include <vector>

static int64_t fakeSec, fakeUsec;
static void fakeClock(int64_t* sec, int64_t* usec)
{
    *sec = fakeSec;
    *usec = fakeUsec;
}

// One step: set the wall clock, call the clock with `status`, and expect `reading`
// (when `check` is set).
struct step {
    int64_t sec, usec;
    int32_t status;
    int32_t reading;
    bool check;
};

static void run(const char* name, const std::vector<step>& steps)
{
    setWallClock(fakeClock);
    for (size_t i = 0; i < steps.size(); i++) {
        fakeSec = steps[i].sec;
        fakeUsec = steps[i].usec;
        int32_t r = getTimeWithStatus(steps[i].status);
        if (steps[i].check) {
            EXPECT_EQ(r, steps[i].reading) << name << ", step " << i;
        }
    }
    setWallClock(nullptr);
}

const int32_t S = CLOCK_START, P = CLOCK_PAUSE, R = CLOCK_RESUME, T = CLOCK_READ;

// --- start, pause and resume ---
TEST(Clock, StartPauseResumeAndHundredths)
{
    run("across a second boundary", {{1000, 990000, S, 0, true}, {1001, 5000, T, 1, true},
                                     {1003, 990000, T, 300, true}});
    run("microseconds truncated", {{5, 999999, S, 0, true}, {6, 0, T, 1, true}, {6, 9999, T, 1, true}});
    run("pause alone keeps the origin", {{50, 0, S, 0, false}, {52, 0, P, 0, false}, {60, 0, T, 1000, true}});
    run("10.95 s / 12.05 s", {{100, 0, S, 0, false}, {110, 950000, P, 1095, true},
                              {112, 50000, R, 1095, true}, {120, 0, T, 2000 - 110, true}});
    // Origin hundredths 90 + (80 - 10) = 160 after the resume: out of range, still right.
    run("hundredths above range", {{200, 900000, S, 0, false}, {201, 100000, P, 0, false},
                                   {202, 800000, R, 0, false}, {203, 0, T, 40, true}});
    // Origin hundredths 10 + (20 - 90) = -60 after the resume.
    run("negative hundredths", {{300, 100000, S, 0, false}, {300, 900000, P, 0, false},
                                {302, 200000, R, 0, false}, {302, 300000, T, 90, true},
                                {305, 0, T, 360, true}});
}

// --- wrap-around ---
TEST(Clock, ReadingsWrapAfterTwoToTheThirtyOneHundredths)
{
    const int64_t wrap = (int64_t(1) << 31) / 100;
    run("wrap", {{0, 0, S, 0, false}, {wrap, 470000, T, 2147483647, true},
                 {wrap, 480000, T, -2147483647 - 1, true}, {wrap + 1, 0, T, -2147483647 - 1 + 52, true}});
}

// Regression: the 32-bit origin overflowed once wall-clock seconds passed 2^31 (2038).
TEST(Clock, OriginAcrossThe2038SecondBoundary)
{
    run("2038", {{2147483600, 0, S, 0, false}, {2147483700, 250000, T, 10025, true},
                 {2147483700, 250000, P, 10025, true}, {2147483710, 250000, R, 10025, true},
                 {2147483710, 250000, T, 10025, true}});
}
