// The clock against a wall clock the test steps by hand: start, pause, resume, the
// split of seconds and hundredths, and the 32-bit wrap of readings.
#include "app/clock.h"
#include <gtest/gtest.h>

static int64_t fakeSec, fakeUsec;
static void fakeClock(int64_t* sec, int64_t* usec)
{
    *sec = fakeSec;
    *usec = fakeUsec;
}
static void at(int64_t sec, int64_t usec)
{
    fakeSec = sec;
    fakeUsec = usec;
}

class Clock : public ::testing::Test {
protected:
    void SetUp() override { setWallClock(fakeClock); }
    void TearDown() override { setWallClock(nullptr); }
};

// --- start and read ---
TEST_F(Clock, StartReadsZeroAndCountsHundredths)
{
    at(1000, 990000);
    EXPECT_EQ(getTimeWithStatus(CLOCK_START), 0);
    at(1001, 5000); // across a second boundary: 0.015 s later, 1 hundredth and a bit
    EXPECT_EQ(getTime(), 1);
    at(1003, 990000);
    EXPECT_EQ(getTime(), 300);
}

// --- pause and resume ---
TEST_F(Clock, PauseAloneDoesNotShiftTheOrigin)
{
    at(50, 0);
    getTimeWithStatus(CLOCK_START);
    at(52, 0);
    getTimeWithStatus(CLOCK_PAUSE);
    at(60, 0);
    EXPECT_EQ(getTime(), 1000);
}

TEST_F(Clock, ResumeSubtractsThePausedInterval)
{
    at(100, 0);
    getTimeWithStatus(CLOCK_START);
    at(110, 950000); // 10.95 s
    EXPECT_EQ(getTimeWithStatus(CLOCK_PAUSE), 1095);
    at(112, 50000); // 12.05 s
    EXPECT_EQ(getTimeWithStatus(CLOCK_RESUME), 1095);
    at(120, 0);
    EXPECT_EQ(getTime(), 2000 - 110);
}

TEST_F(Clock, HundredthsMayLeaveTheirRangeAfterResumeAndStillSumRight)
{
    at(200, 900000);
    getTimeWithStatus(CLOCK_START); // origin hundredths 90
    at(201, 100000);
    getTimeWithStatus(CLOCK_PAUSE); // pause hundredths 10
    at(202, 800000);
    getTimeWithStatus(CLOCK_RESUME); // origin hundredths 90 + (80 - 10) = 160
    at(203, 0);
    // elapsed 2.1 s since start minus 1.7 s paused
    EXPECT_EQ(getTime(), 40);
}

TEST_F(Clock, NegativeHundredthsAfterResume)
{
    at(300, 100000);
    getTimeWithStatus(CLOCK_START); // origin hundredths 10
    at(300, 900000);
    getTimeWithStatus(CLOCK_PAUSE); // pause hundredths 90
    at(302, 200000);
    getTimeWithStatus(CLOCK_RESUME); // origin hundredths 10 + (20 - 90) = -60, seconds +2
    at(302, 300000);
    // 2.2 s since start minus 1.3 s paused; the hundredths term alone is 30 - (-60) = 90
    EXPECT_EQ(getTime(), 90);
    at(305, 0);
    EXPECT_EQ(getTime(), 360);
}

TEST_F(Clock, MicrosecondsAreTruncatedToHundredths)
{
    at(5, 999999);
    EXPECT_EQ(getTimeWithStatus(CLOCK_START), 0);
    at(6, 0); // one microsecond later a hundredth boundary has passed
    EXPECT_EQ(getTime(), 1);
    at(6, 9999);
    EXPECT_EQ(getTime(), 1);
}

// --- wrap-around ---
TEST_F(Clock, ReadingsWrapAfterTwoToTheThirtyOneHundredths)
{
    at(0, 0);
    getTimeWithStatus(CLOCK_START);
    const int64_t wrap = (int64_t(1) << 31) / 100; // 21474836 s to the first wrap, about 248 days
    at(wrap, 470000);
    EXPECT_EQ(getTime(), 2147483647); // the largest reading
    at(wrap, 480000);
    EXPECT_EQ(getTime(), -2147483647 - 1); // one hundredth later it wraps to the most negative
    at(wrap + 1, 0);
    EXPECT_EQ(getTime(), -2147483647 - 1 + 52);
}

// Guards against signed overflow of the 32-bit origin once wall-clock seconds pass 2^31
// (January 2038): the elapsed time must stay right.
TEST_F(Clock, OriginAcrossThe2038SecondBoundary)
{
    at(2147483600, 0);
    getTimeWithStatus(CLOCK_START);
    at(2147483700, 250000);
    EXPECT_EQ(getTime(), 10025);
    getTimeWithStatus(CLOCK_PAUSE);
    at(2147483710, 250000);
    getTimeWithStatus(CLOCK_RESUME);
    EXPECT_EQ(getTime(), 10025);
}
