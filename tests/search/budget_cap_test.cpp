// The budget cap is a hook for tests and fuzzers: unset, it must leave every
// budget as given; set, it only ever shortens one.
#include <gtest/gtest.h>

#include "search/search_test_support.h"
#include "search/think.h"
#include "search/time_control.h"

namespace {

// Switches the cap off again however the test ends.
struct CapGuard {
  ~CapGuard() {
    g_budget_cap_ms = -1;
    g_think_depth_cap = -1;
  }
};

// A search after e2e4 e7e5 to depth 5 without a clock.
ThinkResult deep_search(Board &b) {
  start_timer();
  ThinkRequest request{};
  request.budget_ms = NO_CLOCK_BUDGET;
  request.limits = SearchLimits{5, -1};
  return think(b.data(), request);
}

}  // namespace

TEST(BudgetCap, OffByDefaultAndOnlyEverShortens) {
  CapGuard guard;
  EXPECT_EQ(g_budget_cap_ms, -1) << "the engine never sets the cap";

  // Unset: a budget of a minute is not used up at once.
  start_timer();
  set_limit_time(60000);
  EXPECT_EQ(check_timer(), 0);

  // Cap 0: the same budget is used up at once.
  g_budget_cap_ms = 0;
  start_timer();
  set_limit_time(60000);
  EXPECT_EQ(check_timer(), 1);

  // A budget below the cap stays as it is, a negative one included.
  g_budget_cap_ms = 60000;
  start_timer();
  set_limit_time(50000);
  EXPECT_EQ(check_timer(), 0);
  set_limit_time(-1);
  EXPECT_EQ(check_timer(), 1);
}

// The fuzzers' depth cap ends every search after the pass of that depth,
// with that pass's move; unset, the search runs its own depth.
TEST(BudgetCap, DepthCapEndsEverySearchAfterItsPass) {
  CapGuard guard;
  EXPECT_EQ(g_think_depth_cap, -1) << "the engine never sets the cap";
  Board b = board_from_moves("e2e4 e7e5");
  const ThinkResult uncapped = deep_search(b);
  for (int cap : {2, 3}) {
    SCOPED_TRACE(cap);
    g_think_depth_cap = cap;
    const Board before = b;
    const ThinkResult r = deep_search(b);
    EXPECT_LT(r.evaluations, uncapped.evaluations / 4);
    EXPECT_TRUE(moves_a_piece_of_side_to_move(move_name(move_from(r.move), move_to(r.move)), "e2e4 e7e5"));
    EXPECT_TRUE(same_position(b, before));
    // The same as a search asked for that depth.
    g_think_depth_cap = -1;
    start_timer();
    ThinkRequest request{};
    request.budget_ms = NO_CLOCK_BUDGET;
    request.limits = SearchLimits{cap, -1};
    const ThinkResult asked = think(b.data(), request);
    EXPECT_EQ(asked.move, r.move);
    EXPECT_EQ(asked.evaluations, r.evaluations);
  }
}
