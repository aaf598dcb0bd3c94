#include "search/time_control.h"

#include <cstdint>

namespace {
velkor::timeval _tv1{};      // when start_timer was called
int32_t _time_limit = 0;     // the move's budget in milliseconds
}  // namespace

int32_t g_budget_cap_ms = -1;

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

void start_timer() { velkor::gettimeofday(&_tv1, nullptr); }

void set_limit_time(int32_t milliseconds) {
  if (g_budget_cap_ms >= 0 && milliseconds > g_budget_cap_ms) milliseconds = g_budget_cap_ms;
  _time_limit = milliseconds;
}

int32_t get_time() {
  velkor::timeval now{};
  velkor::gettimeofday(&now, nullptr);
  return elapsed_between(_tv1, now);
}

int check_timer() { return is_time_used_up(get_time(), _time_limit); }
