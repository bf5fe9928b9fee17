// The monotonic clock every deadline and pace is measured with: it never steps back when the
// wall clock is set, unlike the magazine clock of app/clock.h.
#pragma once
#include <cstdint>

// Microseconds since an arbitrary fixed point.
int64_t monotonicUs();
