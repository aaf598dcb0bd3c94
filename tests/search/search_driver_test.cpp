// The iterative-deepening driver and its "info" reports, in process, with the
// engine's standard output captured.
#include "search/search_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eval/chess_heuristic.h"
#include "frontend/reports.h"
#include "search/alpha_beta.h"
#include "search/search_limits.h"
#include "search/search_test_support.h"
#include "search/time_control.h"
#include "support/transcript_check.h"

namespace {

struct DriverRun {
  uint32_t result;
  std::vector<std::string> out;
};

DriverRun drive(Board &b, int budget_ms, int moves_played = 0) {
  set_game_position(get_game_position(b.data(), moves_played / 2));
  start_timer();
  set_limit_time(budget_ms);
  testing::internal::CaptureStdout();
  const uint32_t result = alpha_beta_time(b.data(), SEARCH_FIRST_DEPTH, search_depth_limit(), UCI_sendinfos);
  return {result, split_lines(testing::internal::GetCapturedStdout())};
}

std::string result_move(uint32_t result) { return move_name(move_from(result), move_to(result)); }

}  // namespace

TEST(SearchDriver, MateInOneStopsAfterDepthTwoAndReportsMateOne) {
  struct Case {
    const char *moves;
    uint32_t score;
    const char *mate, *info;
  } cases[] = {
      {"e2e4 e7e5 g1f3 d7d6 f1c4 c8g4 b1c3 g7g6 f3e5 g4d1 c4f7 e8e7", SCORE_WHITE_WINS, "c3d5",
       "info depth 2 score mate 1 time "},
      {"f2f3 e7e5 g2g4", SCORE_BLACK_WINS, "d8h4", "info depth 2 score mate 1 time "},
  };
  for (const auto &c : cases) {
    int n = 0;
    Board b = board_from_moves(c.moves, &n);
    const Board before = b;
    const DriverRun run = drive(b, 60000, n);
    EXPECT_EQ(move_score(run.result), c.score) << c.moves;
    EXPECT_EQ(result_move(run.result), c.mate) << c.moves;
    ASSERT_EQ(run.out.size(), 1u) << c.moves;
    EXPECT_TRUE(run.out[0].starts_with(c.info)) << run.out[0];
    EXPECT_TRUE(run.out[0].ends_with(std::string(" pv ") + c.mate)) << run.out[0];
    EXPECT_TRUE(same_position(b, before));
  }
}

TEST(SearchDriver, MatedInOneStopsAtDepthThreeWithoutAMove) {
  // White's only move Kh2 is answered by Ra8-h8 mate: depth 2 cannot see it,
  // depth 3 scores every move 0 and, the depth being odd, ends the search.
  Board b = board_from_fen("r7/8/8/8/8/8/5k2/7K w - - 0 1");
  const DriverRun run = drive(b, 60000, 40);
  EXPECT_EQ(run.result, SCORE_BLACK_WINS) << "score 0, no squares: the command loop falls back";
  ASSERT_EQ(run.out.size(), 2u);
  EXPECT_TRUE(run.out[0].starts_with("info depth 2 score cp ")) << run.out[0];
  EXPECT_TRUE(run.out[1].starts_with("info depth 3 score mate -")) << run.out[1];
}

TEST(SearchDriver, StopsAfterTheIterationOfDepthSixtyFour) {
  // Stalemate: every pass returns at once with the draw score, no mate ends
  // the loop and the budget is far away; only the depth cap stops it.
  Board b = board_from_fen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
  const DriverRun run = drive(b, 600000, 60);
  EXPECT_EQ(run.result, SCORE_DRAW);
  ASSERT_EQ(run.out.size(), 63u) << "depths 2 to 64";
  for (size_t i = 0; i < run.out.size(); ++i) EXPECT_EQ(info_depth(run.out[i]), std::to_string(i + 2));
  EXPECT_TRUE(run.out.back().starts_with("info depth 64 score cp 0 time ")) << run.out.back();
  EXPECT_EQ(run.out.back().find(" pv"), std::string::npos) << "no move, no pv";
}

TEST(SearchDriver, BudgetUsedUpBeforeAnyMoveIsSearchedClaimsNoMate) {
  // The first root move's reply node sees the clock, hands up the worst value,
  // and the root stops with nothing improved: no squares, and no report,
  // which would read "score mate -0" with an empty line.
  Board b = board_from_moves("");
  const DriverRun run = drive(b, 0);
  EXPECT_EQ(move_from(run.result), 0);
  EXPECT_EQ(move_to(run.result), 0);
  EXPECT_TRUE(run.out.empty()) << run.out.front();
}
