// velkor-tool eval, driven through a pipe as a script would use it.
#include <gtest/gtest.h>

#include <string>

#include "support/test_board.h"
#include "support/tool_run.h"

namespace {

TEST(ToolEval, PrintsThePhaseAndAllThreeScores) {
  struct {
    std::string list;
    const char *want;
  } cases[] = {
      {"", "phase 1 opening 29998 middle 29998 ending 29998\n"},
      {"e2e4 e7e5", "phase 1 opening 29998 middle 29998 ending 29998\n"},
      // Fifteen half-moves: move 7, still the opening, Black knight on f6.
      {knight_shuffle(15), "phase 1 opening 29992 middle 29992 ending 29992\n"},
      // Sixteen: move 8 with all pieces on the board, the middle game.
      {knight_shuffle(16), "phase 2 opening 29998 middle 29998 ending 29998\n"},
      // White gives a bishop for a pawn: 300 in the opening, 310 later, with
      // Black's doubled a-pawns (+50), the a8 rook behind them (-30) and, in
      // the later phases, pawn protection and king cover.
      {"e2e4 e7e6 f1a6 b7a6", "phase 1 opening 29718 middle 29694 ending 29696\n"},
  };
  for (const auto &c : cases) {
    const ToolRun run = run_tool("eval '" + c.list + "'");
    EXPECT_EQ(run.status, 0) << c.list;
    EXPECT_EQ(run.out, c.want) << c.list;
  }
}

TEST(ToolEval, MissingListIsTheStartPosition) {
  const ToolRun run = run_tool("eval");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "phase 1 opening 29998 middle 29998 ending 29998\n");
}

TEST(ToolEval, WrongArgumentsAreAUsageError) {
  for (const char *args : {"eval e2e4 e7e5", "eval '' e2e4"}) {
    const ToolRun run = run_tool(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_EQ(run.out, "") << args;
  }
}

}  // namespace
