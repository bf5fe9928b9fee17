// The process-wide clock in hundredths of a second from a movable origin.
#pragma once
#include <cstdint>

enum { CLOCK_START = 1, CLOCK_PAUSE = 2, CLOCK_RESUME = 3, CLOCK_READ = -1 };

int32_t getTimeWithStatus(int32_t status);
int32_t getTime();

// The wall clock the readings come from (seconds and microseconds since the epoch).
// Tests replace it to step time by hand; null restores gettimeofday.
typedef void (*wallClockFn)(int64_t* sec, int64_t* usec);
void setWallClock(wallClockFn fn);
