// The budget cap is a hook for tests and fuzzers: unset, it must leave every
// budget as given; set, it only ever shortens one.
#include <gtest/gtest.h>

#include "search/time_control.h"

namespace {

// Switches the cap off again however the test ends.
struct CapGuard {
  ~CapGuard() { g_budget_cap_ms = -1; }
};

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
