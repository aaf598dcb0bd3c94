#include "base/platform_clock.h"

#include <ctime>

namespace velkor {

int gettimeofday(timeval *tv, void * /*time_zone*/) {
  // A monotonic clock, so that a wall-clock correction during a search can
  // neither end it at once nor let it run on past its budget.
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  tv->tv_sec = int32_t(now.tv_sec);
  tv->tv_usec = int32_t(now.tv_nsec / 1000000) * 1000;
  return 0;
}

}  // namespace velkor
