// The engine's own clock reading: seconds and microseconds of a steady clock.
// It lives in its own namespace so that it never collides with the C
// library's gettimeofday of the same name.
#pragma once

#include <cstdint>

namespace velkor {

struct timeval {
  int32_t tv_sec;   // seconds
  int32_t tv_usec;  // microseconds, a multiple of 1000 (millisecond resolution)
};

// Stores the current time of a clock that never jumps (unaffected by changes
// of the wall clock) in tv; the time-zone argument is ignored. Returns 0.
int gettimeofday(timeval *tv, void *time_zone);

}  // namespace velkor
