// The monotonic clock on POSIX: CLOCK_MONOTONIC.
#include "platform/monotonic.h"
#include <ctime>

int64_t monotonicUs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000000 + ts.tv_nsec / 1000;
}
