#include "base/platform_clock.h"

#include <windows.h>

namespace velkor {

int gettimeofday(timeval *tv, void * /*time_zone*/) {
  // The performance counter: steady like the monotonic clock elsewhere, and
  // exact to the millisecond (the tick count moves in steps of 16 ms, too
  // coarse for a move of a few milliseconds). Its frequency is fixed at
  // boot.
  static const long long frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart > 0 ? f.QuadPart : 1;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const long long seconds = now.QuadPart / frequency;
  const long long ms = (now.QuadPart % frequency) * 1000 / frequency;
  tv->tv_sec = int32_t(seconds);
  tv->tv_usec = int32_t(ms) * 1000;
  return 0;
}

}  // namespace velkor
