#include <gtest/gtest.h>

#include "board/chess_cb.h"
#include "frontend/go_limits.h"

TEST(Budget, DefaultMovesToGo) {
  struct Case {
    int half_moves, moves_to_go;
  };
  const Case cases[] = {{0, 40},  {1, 39},  {24, 16},  {25, 35},  {39, 21},  {40, 30},  {49, 21},
                        {50, 50}, {69, 31}, {70, 50},  {99, 21},  {100, 100}, {190, 10}, {199, 1},
                        // The table would give 0 at 200 half-moves and less beyond.
                        {200, 10}, {201, 10}, {1000, 10}};
  for (const Case &c : cases) EXPECT_EQ(default_moves_to_go(c.half_moves), c.moves_to_go) << c.half_moves;
}

TEST(Budget, TableAndMendedCases) {
  struct Case {
    const char *name;
    bool clock_given;
    int clock, moves_to_go, half_moves;
    int budget;
  };
  const Case cases[] = {
      // The table.
      {"300 s, black's first move", true, 300000, 0, 1, 6829},
      {"40 s, 10 to go", true, 40000, 10, 0, 1666},
      {"20 s, 10 to go", true, 20000, 10, 0, 1500},
      {"5 s, 10 to go", true, 5000, 10, 0, 100},
      {"no clock, first move", false, 0, 0, 0, 25},
      {"30001 ms", true, 30001, 40, 0, 238},
      {"30000 ms", true, 30000, 40, 0, 666},
      {"5001 ms", true, 5001, 40, 0, 71},
      {"no clock, 200 half-moves", false, 0, 0, 200, 100},
      {"no clock, 199 half-moves", false, 0, 0, 199, 1000},
      // No division by zero or by a negative number.
      {"movestogo -1 counts as 1", true, 60000, -1, 0, 13333},
      {"movestogo -3 with a short clock", true, 4000, -3, 0, 1000},
      {"movestogo -2 with a mid clock", true, 20000, -2, 0, 6000},
      {"movestogo INT_MIN", false, 0, INT_MIN, 0, 1000},
      {"movestogo INT_MAX", true, INT_MAX, INT_MAX, 0, 0},
      {"300 half-moves, 60 s", true, 60000, 0, 300, 3333},
      // Never more than half the clock that was given.
      {"1 s left, 1 to go", true, 1000, 1, 0, 500},
      {"100 ms left, 1 to go", true, 100, 1, 10, 50},
      {"100 ms left, default to go", true, 100, 0, 10, 33},
      {"clock 0 given", true, 0, 0, 0, 0},
      {"overdrawn clock", true, -500, 0, 0, 0},
      {"huge clock", true, INT_MAX, 1, 0, 715821215},
  };
  for (const Case &c : cases)
    EXPECT_EQ(thinking_budget(c.clock_given, c.clock, c.moves_to_go, c.half_moves), c.budget) << c.name;
}

TEST(GoParameters, OnlyTheSideToMovesClock) {
  struct Case {
    const char *line;
    uint8_t side;
    GoParameters before, after;
  };
  const Case cases[] = {
      {"go wtime 300000 btime 200000", WHITE, {0, 0, false}, {300000, 0, true}},
      {"go wtime 300000 btime 200000", BLACK, {0, 0, false}, {200000, 0, true}},
      {"go wtime 300000", BLACK, {0, 0, false}, {0, 0, false}},  // Black's clock not given
      {"go wtime 300000", BLACK, {7000, 12, true}, {7000, 12, true}},
      {"go movestogo 10 btime 40000", BLACK, {0, 0, false}, {40000, 10, true}},
      {"go movestogo 0", WHITE, {0, 25, false}, {0, 0, false}},  // 0 counts as absent
      {"go winc 1000 binc 1000 wtime 5000 depth 7 nodes 9", WHITE, {0, 0, false}, {5000, 0, true}},
      {"go infinite", WHITE, {1000, 5, true}, {1000, 5, true}},
      {"go wtime 1234567890123456", WHITE, {42, 0, false}, {42, 0, false}},  // 16 characters
      {"go wtime 999999999999999", WHITE, {0, 0, false}, {INT_MAX, 0, true}},
      {"go wtime -500", WHITE, {0, 0, false}, {-500, 0, true}},
      {"go wtime abc", WHITE, {0, 0, false}, {0, 0, false}},
      {"go wtime ", WHITE, {3000, 0, true}, {0, 0, true}},
      {"go xwtime 300", WHITE, {0, 0, false}, {300, 0, true}},  // found inside a word
      {"go wtime\t300", WHITE, {0, 0, false}, {0, 0, false}},
      {"go wtime  300", WHITE, {3000, 0, true}, {0, 0, true}},  // the token begins right after the space
      {"go wtime -99999999999999", WHITE, {0, 0, false}, {INT_MIN, 0, true}},
      // A figure is plain digits (a clock may be negative), as every number
      // of the line is: a sign or a unit makes it no number.
      {"go wtime +300", WHITE, {0, 0, false}, {0, 0, false}},
      {"go wtime 300ms", WHITE, {7000, 0, true}, {0, 0, true}},
      {"go movestogo 12x", WHITE, {0, 25, false}, {0, 0, false}},
      // A token that is no figure is read as a word in turn.
      {"go wtime movestogo 12", WHITE, {0, 0, false}, {0, 12, false}},
      {"go btime depth 5 btime 900", BLACK, {0, 0, false}, {900, 0, true}},
  };
  for (const Case &c : cases) {
    GoParameters p = c.before;
    GoLimits limits = NO_GO_LIMITS;
    read_go(c.line, c.side, p, limits);
    EXPECT_EQ(p.own_clock, c.after.own_clock) << c.line;
    EXPECT_EQ(p.moves_to_go, c.after.moves_to_go) << c.line;
    EXPECT_EQ(p.clock_given, c.after.clock_given) << c.line;
  }
}
