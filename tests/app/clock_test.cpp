// The clock against a wall clock stepped by hand: start, pause, resume, seconds and
// hundredths kept apart (a resume may push the hundredths out of range), the 32-bit wrap.
#include "app/clock.h"
#include <gtest/gtest.h>
#include <vector>

static int64_t fakeSec, fakeUsec;
static void fakeClock(int64_t* sec, int64_t* usec) { *sec = fakeSec, *usec = fakeUsec; }

enum { S = CLOCK_START, P = CLOCK_PAUSE, R = CLOCK_RESUME, T = CLOCK_READ, ANY = 0x7fffffff };
struct step { int64_t sec, usec; int32_t status, reading; }; // reading ANY: not checked

TEST(Clock, StartPauseResumeHundredthsAndWrap)
{
    const int64_t wrap = (int64_t(1) << 31) / 100;
    struct { const char* name; std::vector<step> steps; } cases[] = {
        {"across a second", {{1000, 990000, S, 0}, {1001, 5000, T, 1}, {1003, 990000, T, 300}}},
        {"microseconds truncated", {{5, 999999, S, 0}, {6, 0, T, 1}, {6, 9999, T, 1}}},
        {"pause alone keeps the origin", {{50, 0, S, ANY}, {52, 0, P, ANY}, {60, 0, T, 1000}}},
        {"pause and resume", {{100, 0, S, ANY}, {110, 950000, P, 1095}, {112, 50000, R, 1095}, {120, 0, T, 1890}}},
        // Origin hundredths 90 + (80 - 10) = 160 after the resume, then 10 + (20 - 90) = -60.
        {"hundredths above range", {{200, 900000, S, ANY}, {201, 100000, P, ANY}, {202, 800000, R, ANY}, {203, 0, T, 40}}},
        {"negative hundredths", {{300, 100000, S, ANY}, {300, 900000, P, ANY}, {302, 200000, R, ANY},
                                 {302, 300000, T, 90}, {305, 0, T, 360}}},
        {"readings wrap", {{0, 0, S, ANY}, {wrap, 470000, T, 2147483647}, {wrap, 480000, T, -2147483647 - 1},
                           {wrap + 1, 0, T, -2147483647 - 1 + 52}}},
        // Regression: the 32-bit origin overflowed once wall-clock seconds passed 2^31 (2038).
        {"2038", {{2147483600, 0, S, ANY}, {2147483700, 250000, T, 10025}, {2147483700, 250000, P, 10025},
                  {2147483710, 250000, R, 10025}, {2147483710, 250000, T, 10025}}},
    };
    setWallClock(fakeClock);
    for (auto& c : cases)
        for (size_t i = 0; i < c.steps.size(); i++) {
            const step& s = c.steps[i];
            fakeSec = s.sec, fakeUsec = s.usec;
            int32_t r = getTimeWithStatus(s.status);
            if (s.reading != ANY) { EXPECT_EQ(r, s.reading) << c.name << ", step " << i; }
        }
    setWallClock(nullptr);
}
