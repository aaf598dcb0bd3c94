// The move's clock: started on "go", polled by the search against the budget.
#pragma once

#include <cstdint>

#include "base/platform_clock.h"

// The budget of a search that no clock limits.
inline constexpr int32_t NO_CLOCK_BUDGET = INT32_MAX;

// Marks the start of the move's thinking time.
void start_timer();
// Sets the move's budget in milliseconds; a negative budget is used up at once.
// A budget above g_budget_cap_ms is cut to it when the cap is set.
void set_limit_time(int32_t milliseconds);

// Test hook, off (-1) unless a test or a fuzzer sets it: when 0 or more, no
// move's budget exceeds this many milliseconds, so that sessions with many
// "go" lines run fast whatever the clock figures say. The engine itself never
// sets it.
extern int32_t g_budget_cap_ms;

// Milliseconds since start_timer.
int32_t get_time();
// 1 once the milliseconds since start_timer reach the budget, else 0.
int check_timer();

// The two rules behind get_time and check_timer, apart from the clock:
// milliseconds from start to now (truncated, at most INT32_MAX), and whether
// elapsed milliseconds have used a budget up (elapsed >= budget; a budget
// below 0 is used up whatever the elapsed time).
int32_t elapsed_between(const velkor::timeval &start, const velkor::timeval &now);
int is_time_used_up(int32_t elapsed, int32_t budget);
