// The limits of a "go" line and the budget that follows from them.
#include "frontend/go_limits.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "board/chess_cb.h"
#include "search/time_control.h"

namespace {

const std::string thirty_digits(30, '9');

}  // namespace

TEST(GoLimits, ReadAsWholeWordsWithSoundNumbers) {
  struct Case {
    std::string line;
    uint8_t side;
    GoLimits expected;
  };
  const Case cases[] = {
      {"go", WHITE, NO_GO_LIMITS},
      {"go depth 7", WHITE, {7, -1, -1, false, 0, false}},
      {"go nodes 50000", WHITE, {0, 50000, -1, false, 0, false}},
      {"go movetime 200", WHITE, {0, -1, 200, false, 0, false}},
      {"go infinite", WHITE, {0, -1, -1, true, 0, false}},
      {"go\tdepth\t5\tinfinite", BLACK, {5, -1, -1, true, 0, false}},
      // Each side reads its own increment.
      {"go wtime 60000 btime 50000 winc 1000 binc 2000", WHITE, {0, -1, -1, false, 1000, true}},
      {"go wtime 60000 btime 50000 winc 1000 binc 2000", BLACK, {0, -1, -1, false, 2000, true}},
      {"go wtime 60000 binc 2000", BLACK, {0, -1, -1, false, 2000, false}},
      // The engine's smallest depth and its cap.
      {"go depth 0", WHITE, {2, -1, -1, false, 0, false}},
      {"go depth 1", WHITE, {2, -1, -1, false, 0, false}},
      {"go depth 65", WHITE, {64, -1, -1, false, 0, false}},
      {"go nodes 0", WHITE, {0, 0, -1, false, 0, false}},
      {"go movetime 0", WHITE, {0, -1, 0, false, 0, false}},
      // Numbers too large for their field count as the largest it holds.
      {"go depth " + thirty_digits, WHITE, {64, -1, -1, false, 0, false}},
      {"go nodes " + thirty_digits, WHITE, {0, INT64_MAX, -1, false, 0, false}},
      {"go movetime " + thirty_digits, WHITE, {0, -1, INT32_MAX, false, 0, false}},
      {"go winc " + thirty_digits, WHITE, {0, -1, -1, false, INT32_MAX, false}},
      // Not numbers: the keyword is ignored, and its next word read in turn.
      {"go depth -5 nodes +7 movetime 1e3 winc 12ms", WHITE, NO_GO_LIMITS},
      {"go depth infinite", WHITE, {0, -1, -1, true, 0, false}},
      {"go movetime", WHITE, NO_GO_LIMITS},
      // Whole words only.
      {"go depth5 xdepth 5 infinites nodes5", WHITE, NO_GO_LIMITS},
      {"godepth 5", WHITE, NO_GO_LIMITS},  // the first word is the command
      // The last of a repeated keyword holds.
      {"go depth 3 depth 9", WHITE, {9, -1, -1, false, 0, false}},
  };
  for (const Case &c : cases) {
    GoLimits l = NO_GO_LIMITS;
    GoParameters clock{0, 0, false};
    read_go(c.line.c_str(), c.side, clock, l);
    EXPECT_EQ(l.depth, c.expected.depth) << c.line;
    EXPECT_EQ(l.nodes, c.expected.nodes) << c.line;
    EXPECT_EQ(l.movetime, c.expected.movetime) << c.line;
    EXPECT_EQ(l.infinite, c.expected.infinite) << c.line;
    EXPECT_EQ(l.increment, c.expected.increment) << c.line;
    EXPECT_EQ(l.clock_in_line, c.expected.clock_in_line) << c.line;
  }
}

// The one pass over the line ends "searchmoves" at the next keyword, clock
// keywords included, while the clock is read wherever it stands.
TEST(GoLimits, SearchmovesRunToTheNextKeyword) {
  struct Case {
    const char *line;
    const char *moves;  // nullptr: no "searchmoves"
    int clock;          // White's clock read from the line, -1: none
  };
  const Case cases[] = {
      {"go depth 2", nullptr, -1},
      {"go searchmoves", "", -1},
      {"go searchmoves e2e4 d2d4", "e2e4 d2d4", -1},
      {"go searchmoves\te2e4  d2d4 depth 3", "e2e4  d2d4", -1},
      {"go searchmoves e2e4 wtime 100 d2d4", "e2e4", 100},
      {"go searchmoves e2e4 btime 100 d2d4", "e2e4", -1},
      {"go searchmoves e2e4 xwtime 100 d2d4", "e2e4 xwtime 100 d2d4", 100},
      {"go searchmoves a2a3 searchmoves h2h3 infinite", "h2h3", -1},
  };
  for (const Case &c : cases) {
    GoLimits l = NO_GO_LIMITS;
    GoParameters clock{-1, 0, false};
    read_go(c.line, WHITE, clock, l);
    if (c.moves == nullptr) {
      EXPECT_EQ(l.searchmoves, nullptr) << c.line;
    } else {
      ASSERT_NE(l.searchmoves, nullptr) << c.line;
      EXPECT_EQ(std::string(l.searchmoves, size_t(l.searchmoves_length)), c.moves) << c.line;
    }
    EXPECT_EQ(clock.own_clock, c.clock) << c.line;
    EXPECT_EQ(l.clock_in_line, c.clock >= 0) << c.line;
  }
}

TEST(GoLimits, MovetimeKeepsAMarginAndAFloor) {
  struct Case {
    int movetime, budget;
  };
  const Case cases[] = {{200, 180},
                        {1000, 950},
                        {500, 450},
                        {60000, 59950},
                        {30, 27},
                        {6, 6},
                        {5, 5},
                        {3, 5},
                        {0, 5},
                        {-7, 5},
                        {INT32_MAX, INT32_MAX - 50}};
  for (const Case &c : cases) EXPECT_EQ(movetime_budget(c.movetime), c.budget) << c.movetime;
}

TEST(GoLimits, LinesWithoutTheNewTokensKeepTodaysBudget) {
  for (const bool given : {false, true})
    for (const int clock : {0, 1, 999, 5000, 5001, 30000, 30001, 300000, INT32_MAX})
      for (const int to_go : {0, 1, 10, 40})
        for (const int half_moves : {0, 1, 57, 199, 300})
          EXPECT_EQ(go_budget(NO_GO_LIMITS, GoParameters{clock, to_go, given}, half_moves),
                    thinking_budget(given, clock, to_go, half_moves))
              << given << " " << clock << " " << to_go << " " << half_moves;
}

TEST(GoLimits, BudgetOfEachLimit) {
  struct Case {
    const char *name;
    GoLimits limits;
    GoParameters clock;
    int half_moves;
    int budget;
  };
  const GoParameters no_clock{0, 0, false};
  const GoParameters minute{60000, 0, true};
  const Case cases[] = {
      {"infinite", {0, -1, -1, true, 0, false}, minute, 0, NO_CLOCK_BUDGET},
      {"infinite ignores movetime and the clock", {0, -1, 100, true, 0, true}, minute, 0, NO_CLOCK_BUDGET},
      {"movetime alone", {0, -1, 1000, false, 0, false}, no_clock, 0, 950},
      // A clock remembered from an earlier "go" does not shorten it.
      {"movetime, earlier clock", {0, -1, 1000, false, 0, false}, GoParameters{100, 0, true}, 0, 950},
      {"movetime with a clock in the line that allows less",
       {0, -1, 5000, false, 0, true},
       minute,
       0,
       (60000 - 20000) / 42},
      {"movetime with a clock in the line that allows more", {0, -1, 200, false, 0, true}, minute, 0, 180},
      {"depth alone: no clock", {6, -1, -1, false, 0, false}, minute, 0, NO_CLOCK_BUDGET},
      {"nodes alone: no clock", {0, 1000, -1, false, 0, false}, no_clock, 0, NO_CLOCK_BUDGET},
      {"depth with the clock in the line", {6, -1, -1, false, 0, true}, minute, 0, (60000 - 20000) / 42},
      {"nodes and movetime", {0, 1000, 300, false, 0, false}, no_clock, 0, 270},
      // Three quarters of the increment, never more than half the clock less
      // the reserve, but a quarter of the increment below the reserve.
      {"increment", {0, -1, -1, false, 2000, true}, minute, 0, (60000 - 20000) / 42 + 1500},
      {"increment on a short clock", {0, -1, -1, false, 5000, true}, GoParameters{3000, 0, true}, 0,
       (3000 - INCREMENT_RESERVE_MS) / 2},
      {"bullet increment, clock above the reserve", {0, -1, -1, false, 10, true}, GoParameters{140, 0, true}, 0,
       (140 - INCREMENT_RESERVE_MS) / 2},
      {"bullet increment, clock in the reserve", {0, -1, -1, false, 10, true}, GoParameters{60, 0, true}, 0, 10 / 4},
      {"bullet increment, clock nearly gone", {0, -1, -1, false, 10, true}, GoParameters{3, 0, true}, 0, 1},
      {"increment on an empty clock", {0, -1, -1, false, 5000, true}, GoParameters{0, 0, true}, 0, 0},
      {"increment on an overdrawn clock", {0, -1, -1, false, 5000, true}, GoParameters{-100, 0, true}, 0, 0},
      {"increment without any clock", {0, -1, -1, false, 400, false}, no_clock, 0, 1000 / 40 + 300},
      {"huge increment",
       {0, -1, -1, false, INT32_MAX, true},
       GoParameters{INT32_MAX, 1, true},
       0,
       (INT32_MAX - INCREMENT_RESERVE_MS) / 2},
  };
  for (const Case &c : cases) EXPECT_EQ(go_budget(c.limits, c.clock, c.half_moves), c.budget) << c.name;
}

TEST(GoBudget, MoveOverheadComesOffButNeverBelowTheMinimum) {
  struct Case {
    int budget, overhead, expected;
  } cases[] = {
      {1000, 0, 1000},  {1000, 100, 900}, {1000, 995, 5}, {1000, 5000, 5},
      {3, 100, 3},      {0, 100, 0},      {NO_CLOCK_BUDGET, 100, NO_CLOCK_BUDGET},
  };
  for (const Case &c : cases)
    EXPECT_EQ(apply_move_overhead(c.budget, c.overhead), c.expected) << c.budget << " less " << c.overhead;
}
