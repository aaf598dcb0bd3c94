// Stopping a search that is under way: the decision is noticed within a poll
// at any depth, every node unwinds without recording, and the root never
// adopts a move whose search was cut short.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/rand.h"
#include "eval/chess_heuristic.h"
#include "hash/hash_table.h"
#include "hash/zobrist.h"
#include "movegen/attack.h"
#include "movegen/movegen.h"
#include "search/alpha_beta.h"
#include "search/make_move.h"
#include "search/root_search.h"
#include "search/search_test_support.h"
#include "search/time_control.h"

namespace {

// Middle-game positions without a mate in reach, one for each side to move.
const char *const WHITE_TO_MOVE =
    "d2d4 d7d5 c2c4 e7e6 g1f3 d5c4 e2e4 b7b5 a2a4 f8b4 c1d2 b4d2 b1d2 c7c6 a4b5 g8f6 e4e5 f6d5 d2c4 e8g8";
const char *const BLACK_TO_MOVE = "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 d2d3 f8c5 b1c3 d7d6 c1g5 c8g4 d1d2 d8d7 h2h3";

// One pass from the root as the driver runs it, with the move's budget in
// milliseconds; the keys are drawn from a fixed seed, so that two passes on
// the same position search the same tree until one of them is stopped.
uint32_t pass(TestSearch &t, Board &b, int depth, int32_t budget_ms, tagLINE &line) {
  velkor_srand(7);
  t.new_pass(b.data());
  t.budget(budget_ms);
  const bool white = side_to_move(b.data()) == WHITE;
  return search_root(t.s, b.data(), uint8_t(depth), white ? SCORE_BLACK_WINS : SCORE_WHITE_WINS,
                     white ? SCORE_WHITE_WINS : SCORE_BLACK_WINS, &line);
}

// The root moves that are legal on the board, as from/to pairs.
std::vector<std::pair<int, int>> legal_root_moves(Board b) {
  uint32_t moves[MAX_GENERATED_MOVES];
  const int count = generate_moves(b.data(), moves);
  std::vector<std::pair<int, int>> legal;
  const uint8_t side = side_to_move(b.data());
  const uint8_t state = b[CB_STATE];
  TestSearch t;
  search_set_position(t.s, b.data());
  for (int i = 0; i < count; ++i) {
    SearchUndo undo;
    search_make(t.s, b.data(), moves[i], undo);
    if (!king_attacked(b.data(), side, where_is_king(b.data(), side)))
      legal.emplace_back(gm_from(moves[i]), gm_to(moves[i]));
    search_unmake(t.s, b.data(), moves[i], state, undo);
  }
  return legal;
}

class SearchStop : public testing::Test {
 protected:
  tagLINE line{};
  TestSearch t{PHASE_MIDDLE};
};

}  // namespace

TEST_F(SearchStop, ABudgetUsedUpAtOnceStopsADeepPassWithinOnePoll) {
  // Depth 9: the first move at ply 2 alone would take a depth-6 search, so
  // only the node-count poll can stop the pass this early.
  for (const char *moves : {WHITE_TO_MOVE, BLACK_TO_MOVE}) {
    Board b = board_from_moves(moves);
    const Board before = b;
    const bool white = side_to_move(b.data()) == WHITE;
    velkor_srand(7);
    const uint64_t key = t.new_pass(b.data());
    t.budget(0);
    line.length = 0;
    const uint32_t result = search_root(t.s, b.data(), 9, white ? SCORE_BLACK_WINS : SCORE_WHITE_WINS,
                                        white ? SCORE_WHITE_WINS : SCORE_BLACK_WINS, &line);
    EXPECT_EQ(search_was_stopped(t.s), 1) << moves;
    EXPECT_LE(t.s.evaluations, 1024u) << moves;
    // The first root move was cut short: nothing is adopted, and the root
    // hands back its bare starting value without squares.
    EXPECT_EQ(result, white ? SCORE_BLACK_WINS : SCORE_WHITE_WINS) << moves;
    EXPECT_EQ(line.length, 0) << moves;
    EXPECT_TRUE(same_position(b, before)) << moves;
    EXPECT_EQ(t.s.key, key) << moves;
  }
}

TEST_F(SearchStop, AStoppedPassReturnsOnlyAMoveItSearchedToTheEnd) {
  struct Case {
    const char *moves;
    int depth;
  } cases[] = {{WHITE_TO_MOVE, 5}, {BLACK_TO_MOVE, 5}};
  for (const Case &c : cases) {
    Board b = board_from_moves(c.moves);
    const Board before = b;
    const bool white = side_to_move(b.data()) == WHITE;
    const auto legal = legal_root_moves(b);

    // The whole pass, unstopped: its score is the best over all root moves.
    const auto started = std::chrono::steady_clock::now();
    const uint32_t whole = pass(t, b, c.depth, INT32_MAX, line);
    const auto whole_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    ASSERT_EQ(search_was_stopped(t.s), 0);
    ASSERT_NE(move_from(whole), 0);
    const uint32_t best_score = move_score(whole);
    ASSERT_NE(best_score, SCORE_WHITE_WINS);
    ASSERT_NE(best_score, SCORE_BLACK_WINS);

    // Stopped at moments spread over the whole pass. Up to the stop both
    // searches are the same, so a stopped pass holds the best of a prefix of
    // the root's moves: never better than the whole pass, and exactly its
    // score when it holds the same move. A move whose search was cut would
    // bring a value from a half-searched tree (at first a mate).
    int stopped = 0;
    for (int step = 0; step <= 8; ++step) {
      const int32_t budget = int32_t(whole_ms * step / 8);
      const uint64_t key = t.s.key;
      line.length = 0;
      const uint32_t result = pass(t, b, c.depth, budget, line);
      stopped += search_was_stopped(t.s);
      const std::string at = std::string(c.moves) + ", budget " + std::to_string(budget) + " ms";
      EXPECT_TRUE(same_position(b, before)) << at;
      EXPECT_NE(t.s.key, key) << at;  // fresh keys, then restored to the board's
      const int from = move_from(result), to = move_to(result);
      if (from == 0 && to == 0) {
        EXPECT_EQ(result, white ? SCORE_BLACK_WINS : SCORE_WHITE_WINS) << at;
        continue;
      }
      EXPECT_NE(std::find(legal.begin(), legal.end(), std::make_pair(from, to)), legal.end()) << at;
      const uint32_t score = move_score(result);
      if (white)
        EXPECT_LE(score, best_score) << at;
      else
        EXPECT_GE(score, best_score) << at;
      if (from == move_from(whole) && to == move_to(whole)) {
        EXPECT_EQ(score, best_score) << at;
      }
      EXPECT_EQ(line.length > 0 ? line.from[0] : 0, from) << at;
      EXPECT_EQ(line.length > 0 ? line.to[0] : 0, to) << at;
    }
    // Budget 0 always stops; the rest depends on the machine's speed.
    EXPECT_GE(stopped, 1) << c.moves;
  }
}

TEST_F(SearchStop, ANewSearchForgetsTheLastStop) {
  // The one-ply fallback runs right after a stopped pass, with the clock
  // lifted: it must search, not unwind at once.
  Board b = board_from_moves(WHITE_TO_MOVE);
  pass(t, b, 9, 0, line);
  ASSERT_EQ(search_was_stopped(t.s), 1);
  const uint32_t result = pass(t, b, 1, INT32_MAX, line);
  EXPECT_EQ(search_was_stopped(t.s), 0);
  EXPECT_NE(move_from(result), 0);
}
