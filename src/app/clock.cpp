// Owns the clock origin and pause mark. Seconds and hundredths are kept apart and only
// combined in the reading, so a resume may push the hundredths out of 0..99.
#include "app/clock.h"
#include <sys/time.h>

static int32_t startSec, startUSec, pauseSec, pauseUSec;
static wallClockFn wallClock;

static void systemWallClock(int64_t* sec, int64_t* usec)
{
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    *sec = tv.tv_sec;
    *usec = tv.tv_usec;
}

void setWallClock(wallClockFn fn) { wallClock = fn; }

int32_t getTimeWithStatus(int32_t status)
{
    int64_t sec64, usec64;
    (wallClock ? wallClock : systemWallClock)(&sec64, &usec64);
    // 32-bit arithmetic wraps like the readings it produces; do it unsigned to stay defined.
    uint32_t sec = (uint32_t)sec64;
    uint32_t hundredths = (uint32_t)(usec64 / 10000);
    switch (status) {
    case CLOCK_START: startSec = (int32_t)sec; startUSec = (int32_t)hundredths; break;
    case CLOCK_PAUSE: pauseSec = (int32_t)sec; pauseUSec = (int32_t)hundredths; break;
    case CLOCK_RESUME:
        startSec = (int32_t)((uint32_t)startSec + (sec - (uint32_t)pauseSec));
        startUSec = (int32_t)((uint32_t)startUSec + (hundredths - (uint32_t)pauseUSec));
        break;
    default: break;
    }
    uint32_t reading = (sec - (uint32_t)startSec) * 100u + (hundredths - (uint32_t)startUSec);
    return (int32_t)reading;
}

int32_t getTime() { return getTimeWithStatus(CLOCK_READ); }
