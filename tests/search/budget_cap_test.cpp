// The caps are for tests and fuzzers: unset, they must leave every budget
// and every search as asked; set, they only ever shorten one.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/rand.h"
#include "eval/chess_heuristic.h"
#include "search/search_test_support.h"
#include "search/think.h"
#include "search/time_control.h"

namespace {

// A search after e2e4 e7e5 to depth 5 without a clock, with a depth cap.
// The keys come from velkor_rand(), restarted here: slots shared by chance differ
// from one draw of keys to the next, and with them the evaluations.
ThinkResult deep_search(Board &b, int depth_cap, int depth = 5) {
  velkor_srand(1);
  ThinkRequest request{};
  start_clock(request.clock);
  request.phase = get_game_position(b.data(), 1);
  request.budget_ms = NO_CLOCK_BUDGET;
  request.limits = SearchLimits{depth, -1};
  request.depth_cap = depth_cap;
  return think(b.data(), request);
}

}  // namespace

TEST(BudgetCap, OffByDefaultAndOnlyEverShortens) {
  MoveClock clock{};
  EXPECT_EQ(clock.budget_cap, -1) << "a clock has no cap unless given one";
  EXPECT_EQ(ThinkRequest{}.depth_cap, -1) << "nor a request";
  // Unset: a budget of a minute is not used up at once.
  start_clock(clock);
  set_clock_budget(clock, 60000);
  EXPECT_EQ(clock_used_up(clock), 0);

  // Cap 0: the same budget is used up at once.
  clock.budget_cap = 0;
  start_clock(clock);
  set_clock_budget(clock, 60000);
  EXPECT_EQ(clock_used_up(clock), 1);

  // A budget below the cap stays as it is, a negative one included.
  clock.budget_cap = 60000;
  start_clock(clock);
  set_clock_budget(clock, 50000);
  EXPECT_EQ(clock_used_up(clock), 0);
  set_clock_budget(clock, -1);
  EXPECT_EQ(clock_used_up(clock), 1);
}

// The fuzzers' depth cap ends every search after the pass of that depth,
// with that pass's move; unset, the search runs its own depth.
TEST(BudgetCap, DepthCapEndsEverySearchAfterItsPass) {
  Board b = board_from_moves("e2e4 e7e5");
  const ThinkResult uncapped = deep_search(b, -1);
  for (int cap : {2, 3}) {
    SCOPED_TRACE(cap);
    const Board before = b;
    const ThinkResult r = deep_search(b, cap);
    EXPECT_LT(r.evaluations, uncapped.evaluations / 4);
    EXPECT_TRUE(moves_a_piece_of_side_to_move(move_name(move_from(r.move), move_to(r.move)), "e2e4 e7e5"));
    EXPECT_TRUE(same_position(b, before));
    // The same as a search asked for that depth.
    const ThinkResult asked = deep_search(b, -1, cap);
    EXPECT_EQ(asked.move, r.move);
    EXPECT_EQ(asked.evaluations, r.evaluations);
  }
}
