#include "search/time_control.h"

#include <gtest/gtest.h>

#include <climits>

TEST(TimeControl, ElapsedMilliseconds) {
  struct Case {
    velkor::timeval start, now;
    int32_t elapsed;
  };
  const Case cases[] = {
      {{100, 900000}, {101, 100000}, 200},  // the microseconds went round
      {{100, 100000}, {101, 900000}, 1800}, {{100, 0}, {100, 0}, 0}, {{5, 999000}, {6, 0}, 1},
      {{0, 0}, {INT32_MAX, 0}, INT32_MAX},  // capped, never wraps negative
  };
  for (const Case &c : cases)
    EXPECT_EQ(elapsed_between(c.start, c.now), c.elapsed)
        << c.start.tv_sec << "." << c.start.tv_usec << " -> " << c.now.tv_sec << "." << c.now.tv_usec;
}

TEST(TimeControl, BudgetUsedUp) {
  EXPECT_EQ(is_time_used_up(2499, 2500), 0);
  EXPECT_EQ(is_time_used_up(2500, 2500), 1);
  EXPECT_EQ(is_time_used_up(0, 0), 1) << "a budget of 0 is used up at once";
  // An overdrawn clock can yield a negative budget: it must stop at once,
  // not compare as a huge unsigned figure.
  EXPECT_EQ(is_time_used_up(0, -1), 1);
  EXPECT_EQ(is_time_used_up(0, INT32_MIN), 1);
}

TEST(TimeControl, ClockStartsAtZeroAndPollsTheBudget) {
  MoveClock clock{};
  start_clock(clock);
  const int32_t first = clock_elapsed(clock);
  EXPECT_GE(first, 0);
  EXPECT_LT(first, 1000);
  set_clock_budget(clock, 0);
  EXPECT_EQ(clock_used_up(clock), 1);
  set_clock_budget(clock, -500);
  EXPECT_EQ(clock_used_up(clock), 1);
  set_clock_budget(clock, INT32_MAX);
  EXPECT_EQ(clock_used_up(clock), 0);
  EXPECT_GE(clock_elapsed(clock), first) << "the clock never runs backwards";
}

TEST(TimeControl, EnginesClockHasMillisecondResolution) {
  velkor::timeval tv{-1, -1};
  EXPECT_EQ(velkor::gettimeofday(&tv, nullptr), 0);
  EXPECT_GE(tv.tv_sec, 0);
  EXPECT_GE(tv.tv_usec, 0);
  EXPECT_LT(tv.tv_usec, 1000000);
  EXPECT_EQ(tv.tv_usec % 1000, 0);
}
