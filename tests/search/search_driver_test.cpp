// The iterative-deepening driver and its "info" reports, in process, with the
// engine's standard output captured.
#include "search/search_driver.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "eval/chess_heuristic.h"
#include "frontend/reports.h"
#include "search/alpha_beta.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
#include "search/search_limits.h"
#include "search/think.h"
#include "search/search_test_support.h"
#include "search/think.h"
#include "search/time_control.h"
#include "support/transcript_check.h"

namespace {

struct DriverRun {
  uint32_t result;
  std::vector<std::string> out;
};

DriverRun drive(Board &b, int budget_ms, int moves_played = 0) {
  TestSearch t(get_game_position(b.data(), moves_played / 2), budget_ms);
  testing::internal::CaptureStdout();
  const uint32_t result =
      alpha_beta_time(t.s, t.driver, b.data(), SEARCH_FIRST_DEPTH, search_depth_limit(t.shared), UCI_sendinfos);
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

// Mate distances of short mates for either side to move, the side to move
// mating (positive) or mated (negative), as stockfish gives them: the
// mates of the engine's test suite, and the position after the first move
// of each mate in two or three. The distance comes from the first pass that
// shows the mate, whatever line a table hit left behind (reading it from the
// line reported mate 3 for the doubled rooks' mate in 2, and mate 1 for
// most of the others); the move is the one the engine always played there.
TEST(SearchDriver, MateDistancesAreExactForEitherSide) {
  struct Case {
    const char *fen;
    const char *move;
    int mate;
  } cases[] = {
      {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", "d1d8", 1},
      {"3r2k1/8/8/8/8/8/5PPP/6K1 b - - 0 1", "d8d1", 1},
      {"6rk/6pp/8/6N1/8/8/8/6K1 w - - 0 1", "g5f7", 1},
      {"r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5Q2/PPPP1PPP/RNB1K1NR w KQkq - 0 1", "f3f7", 1},
      {"7k/1P6/6K1/8/8/8/8/8 w - - 0 1", "b7b8", 1},
      {"r5k1/ppp2ppp/8/3q4/8/8/PPP2PPP/3R2K1 b - - 0 1", "d5d1", 1},
      {"6k1/5ppp/8/8/8/8/r4PPP/1Q4K1 w - - 0 1", "b1b8", 1},
      {"r5k1/5ppp/8/8/8/8/3R1PPP/3R2K1 w - - 0 1", "d2d8", 2},
      {"r2R2k1/5ppp/8/8/8/8/5PPP/3R2K1 b - - 0 1", "a8d8", -1},
      {"3r2k1/3r1ppp/8/8/8/8/5PPP/R5K1 b - - 0 1", "d7d1", 2},
      {"3r2k1/5ppp/8/8/8/8/5PPP/R2r2K1 w - - 0 2", "a1d1", -1},
      {"7k/8/5K2/8/8/8/8/6R1 w - - 0 1", "f6f7", 2},
      {"7k/5K2/8/8/8/8/8/6R1 b - - 0 1", "h8h7", -1},
      {"r6k/6pp/7N/8/8/1Q6/6PP/6K1 w - - 0 1", "b3g8", 2},
      {"r5Qk/6pp/7N/8/8/8/6PP/6K1 b - - 0 1", "a8g8", -1},
      {"8/8/6p1/2p5/2QK4/k4N2/8/8 w - - 0 1", "d4c3", 2},
      {"8/8/6p1/2p5/2Q5/k1K2N2/8/8 b - - 0 1", "g6g5", -1},
      {"8/8/2Q3p1/1K5p/8/8/k6B/8 w - - 0 1", "c6c2", 2},
      {"8/8/6p1/1K5p/8/8/k1Q4B/8 b - - 0 1", "a2a1", -1},
      {"8/7Q/8/6N1/3K4/7p/4p3/3k4 w - - 0 1", "h7b1", 2},
      {"8/8/8/6N1/3K4/7p/4p3/1Q1k4 b - - 0 1", "d1d2", -1},
      {"3N4/8/6p1/8/1k6/7p/Q1K5/8 w - - 0 1", "a2d5", 3},
      {"3N4/8/6p1/3Q4/1k6/7p/2K5/8 b - - 0 1", "h3h2", -2},
      {"8/3pN3/7p/8/4Q3/7k/8/4K3 w - - 0 1", "e1f2", 3},
      {"8/3pN3/7p/8/4Q3/7k/5K2/8 b - - 0 1", "d7d6", -2},
      {"4K3/8/8/8/1R1p4/6pp/k7/4N1B1 w - - 0 1", "g1d4", 3},
      {"4K3/8/8/8/1R1B4/6pp/k7/4N3 b - - 0 1", "a2a3", -2},
      {"4n3/8/8/1P1q4/6PK/8/7k/8 b - - 0 1", "e8g7", 3},
      {"8/6n1/8/1P1q4/6PK/8/7k/8 w - - 0 2", "b5b6", -2},
      {"5q2/8/b7/P7/8/3P2K1/8/4k3 b - - 0 1", "a6c8", 3},
      {"2b2q2/8/8/P7/8/3P2K1/8/4k3 w - - 0 2", "g3h2", -2},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.fen);
    Board b = board_from_fen(c.fen);
    const Board before = b;
    // The game's half-moves as the engine counts them for "position fen".
    const std::string fen = c.fen;
    const int fullmove = std::stoi(fen.substr(fen.rfind(' ') + 1));
    ThinkRequest request{};
    const int half_moves = 2 * (fullmove - 1) + (side_to_move(b.data()) == BLACK ? 1 : 0);
    request.phase = get_game_position(b.data(), half_moves / 2);
    request.budget_ms = NO_CLOCK_BUDGET;
    request.limits = SearchLimits{12, -1};
    request.report = UCI_sendinfos;
    start_clock(request.clock);
    testing::internal::CaptureStdout();
    const ThinkResult r = think(b.data(), request);
    const std::vector<std::string> out = split_lines(testing::internal::GetCapturedStdout());
    ASSERT_FALSE(out.empty());
    EXPECT_NE(out.back().find(" score mate " + std::to_string(c.mate) + " "), std::string::npos) << out.back();
    EXPECT_EQ(result_move(r.move), c.move);
    EXPECT_TRUE(same_position(b, before));
  }
}

namespace {

// Ends the helper threads a test started: a search that asks for one thread
// shrinks the pool, so the tests after it search alone.
void back_to_one_thread() {
  ThinkRequest one{};
  one.threads = 1;
  one.budget_ms = NO_CLOCK_BUDGET;
  one.limits = SearchLimits{2, -1};
  Board b = board_from_moves("");
  start_clock(one.clock);
  one.phase = PHASE_OPENING;
  think(b.data(), one);
}

}  // namespace

TEST(SearchDriver, SeveralThreadsAnswerWithALegalMoveOfAWholePass) {
  // Two, three, eight and sixty-four threads on one table (on a machine
  // of two cores, most of them wait for one): every pass is whole (the
  // helpers' entries never make the main thread return a torn or foreign
  // result), so the score is one thread's, whichever thread searched,
  // helped with or answered for which move; the move is legal and leads the
  // line, the board is as before, and a mate in one is found and kept. The
  // helpers stay parked afterwards.
  struct Case {
    const char *moves;
    uint32_t mate;  // the mating score, 0 if none
  } cases[] = {
      {"", 0},
      {"e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 d2d3 f8c5 b1c3 d7d6 c1g5 c8g4 d1d2 d8d7 h2h3", 0},
      {"e2e4 e7e5 g1f3 d7d6 f1c4 c8g4 b1c3 g7g6 f3e5 g4d1 c4f7 e8e7", SCORE_WHITE_WINS},
      {"a2a4 h7h5 a4a5 h5h4 a5a6 h4h3 a6b7 h3g2", 0},
  };
  const auto search = [](Board &b, int n, int threads) {
    ThinkRequest request{};
    start_clock(request.clock);
    request.phase = get_game_position(b.data(), n / 2);
    request.budget_ms = NO_CLOCK_BUDGET;
    request.limits = SearchLimits{5, -1};
    request.threads = threads;
    return think(b.data(), request);
  };
  uint32_t one_thread[std::size(cases)];
  for (size_t i = 0; i < std::size(cases); ++i) {
    int n = 0;
    Board b = board_from_moves(cases[i].moves, &n);
    one_thread[i] = move_score(search(b, n, 1).move);
  }
  for (int threads : {2, 3, 8, 64}) {
    for (size_t i = 0; i < std::size(cases); ++i) {
      const Case &c = cases[i];
      SCOPED_TRACE(std::string(c.moves) + ", threads " + std::to_string(threads));
      int n = 0;
      Board b = board_from_moves(c.moves, &n);
      const Board before = b;
      const ThinkResult result = search(b, n, threads);
      EXPECT_EQ(move_score(result.move), one_thread[i]);
      EXPECT_TRUE(same_position(b, before));
      ASSERT_TRUE(names_a_move(result.move));
      uint32_t moves[MAX_GENERATED_MOVES];
      const int count = generate_moves(b.data(), moves);
      bool legal = false;
      for (int i = 0; i < count; ++i) {
        Board after = b;
        legal |= gm_from(moves[i]) == move_from(result.move) && gm_to(moves[i]) == move_to(result.move) &&
                 play_if_legal(after.data(), moves[i]);
      }
      EXPECT_TRUE(legal) << result_move(result.move);
      ASSERT_GE(result.line.length, 1);
      EXPECT_EQ(result.line.from[0], move_from(result.move));
      EXPECT_EQ(result.line.to[0], move_to(result.move));
      EXPECT_GT(result.evaluations, 0);
      if (c.mate != 0) {
        EXPECT_EQ(move_score(result.move), c.mate);
      }
    }
  }
  back_to_one_thread();
}

namespace {

// The score of the last report a search sent (side to move's view).
int last_reported_score = 0;
void keep_score(const uint8_t *, const ThinkReport &r) { last_reported_score = r.score; }

}  // namespace

// The root's moves shared out between threads, where some thread may hold
// only illegal moves, or none: the only legal move is found by whichever
// thread takes it; a position whose every move is mated reports the mate,
// not the stalemate that a thread without a legal move of its own would
// see; a stalemate and a mate at the root are told as with one thread.
TEST(SearchDriver, SharedRootAnswersAsOneThreadWhereFewMovesAreLegal) {
  const char *fens[] = {
      "k7/8/8/8/8/8/1r6/K7 w - - 0 1",                // only the king's capture
      "3r2k1/5ppp/8/8/8/8/5PPP/R2r2K1 w - - 0 2",     // every move is mated next
      // Not in check, one legal move of five (the pinned knight's are not,
      // and its capture comes first), mated next: a thread whose moves were
      // all illegal would see a stalemate.
      "rr5k/8/8/2b5/2p5/N7/8/K7 w - - 0 1",
      "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",               // stalemate
      "7k/6Q1/6K1/8/8/8/8/8 b - - 0 1",               // mate
  };
  // The move found and the last report's score, with that many threads.
  auto search = [](const char *fen, int threads) {
    Board b = board_from_fen(fen);
    ThinkRequest request{};
    start_clock(request.clock);
    request.phase = get_game_position(b.data(), 40);
    request.budget_ms = NO_CLOCK_BUDGET;
    request.limits = SearchLimits{5, -1};
    request.threads = threads;
    request.report = keep_score;
    last_reported_score = 12345;
    const uint32_t move = think(b.data(), request).move;
    return std::make_pair(move, last_reported_score);
  };
  for (const char *fen : fens) {
    SCOPED_TRACE(fen);
    const auto [move, score] = search(fen, 1);
    // Which thread takes which move varies from run to run.
    for (int threads : {2, 3, 3, 3, 3, 3, 3}) {
      SCOPED_TRACE(threads);
      const auto [shared_move, shared_score] = search(fen, threads);
      EXPECT_EQ(move_word(move_from(shared_move), move_to(shared_move)), move_word(move_from(move), move_to(move)));
      EXPECT_EQ(shared_score, score);
      if (!names_a_move(move)) {
        EXPECT_EQ(shared_move, move) << "mate and stalemate score alike";
      }
    }
  }
  back_to_one_thread();
}
