#include "search/time_control.h"

#include <cstdint>

int32_t elapsed_between(const velkor::timeval &start, const velkor::timeval &now) {
  int64_t seconds = int64_t(now.tv_sec) - start.tv_sec;
  int64_t micros = int64_t(now.tv_usec) - start.tv_usec;
  // Borrow a second when the microseconds went round.
  if (micros < 0) {
    seconds -= 1;
    micros += 1000000;
  }
  const int64_t ms = seconds * 1000 + micros / 1000;
  if (ms > INT32_MAX) return INT32_MAX;
  if (ms < 0) return 0;
  return int32_t(ms);
}

int is_time_used_up(int32_t elapsed, int32_t budget) {
  // A negative budget (the clock already overdrawn) must stop the search at
  // once rather than compare as a huge unsigned figure and never stop.
  if (budget < 0) return 1;
  return uint32_t(elapsed) >= uint32_t(budget) ? 1 : 0;
}

void start_clock(MoveClock &clock) { velkor::gettimeofday(&clock.start, nullptr); }

void set_clock_budget(MoveClock &clock, int32_t milliseconds) {
  if (clock.budget_cap >= 0 && milliseconds > clock.budget_cap) milliseconds = clock.budget_cap;
  clock.budget = milliseconds;
}

int32_t clock_elapsed(const MoveClock &clock) {
  velkor::timeval now{};
  velkor::gettimeofday(&now, nullptr);
  return elapsed_between(clock.start, now);
}

int clock_used_up(const MoveClock &clock) { return is_time_used_up(clock_elapsed(clock), clock.budget); }
