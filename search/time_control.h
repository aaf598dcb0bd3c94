// The move's clock: started on "go", polled by the search against the budget.
#pragma once

#include <cstdint>

#include "base/platform_clock.h"

// The budget of a search that no clock limits.
inline constexpr int32_t NO_CLOCK_BUDGET = INT32_MAX;

// The move's clock: when the "go" arrived (or "ponderhit", which starts it
// again) and the move's budget in milliseconds. Owned by the search's shared
// record and written only by the thread that decides the stop.
struct MoveClock {
  velkor::timeval start;
  int32_t budget;
  // When 0 or more, no budget set exceeds this many milliseconds: for
  // sessions with many "go" lines that must run fast whatever the clock
  // figures say (the fuzzers', some tests'). The engine leaves it at -1.
  int32_t budget_cap = -1;
};

// Marks the start of the move's thinking time: now.
void start_clock(MoveClock &clock);
// Sets the move's budget in milliseconds; a negative budget is used up at once.
// A budget above the clock's cap is cut to it when the cap is set.
void set_clock_budget(MoveClock &clock, int32_t milliseconds);

// Milliseconds since the clock's start.
int32_t clock_elapsed(const MoveClock &clock);
// 1 once the milliseconds since the start reach the budget, else 0.
int clock_used_up(const MoveClock &clock);

// The two rules behind clock_elapsed and clock_used_up, apart from the clock:
// milliseconds from start to now (truncated, at most INT32_MAX), and whether
// elapsed milliseconds have used a budget up (elapsed >= budget; a budget
// below 0 is used up whatever the elapsed time).
int32_t elapsed_between(const velkor::timeval &start, const velkor::timeval &now);
int is_time_used_up(int32_t elapsed, int32_t budget);
