// The alpha-beta and quiescence searches on positions whose answers are known.
#include "search/alpha_beta.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "eval/chess_heuristic.h"
#include "hash/hash_table.h"
#include "hash/zobrist.h"
#include "movegen/movegen.h"
#include "notation/san.h"
#include "search/root_moves.h"
#include "search/make_move.h"
#include "search/search_limits.h"
#include "search/root_search.h"
#include "search/search_test_support.h"
#include "search/time_control.h"

namespace {

constexpr uint32_t W = SCORE_WHITE_WINS, B = SCORE_BLACK_WINS;

class AlphaBeta : public testing::Test {
 protected:
  // One pass as the driver runs it: fresh table and keys, root window of the
  // side to move.
  uint32_t search(Board &b, int depth, tagLINE &line) {
    t.new_pass(b.data());
    const bool white = side_to_move(b.data()) == WHITE;
    return search_root(t.s, b.data(), uint8_t(depth), white ? B : W, white ? W : B, &line);
  }

  static std::string line_text(const tagLINE &line) {
    std::string text;
    for (int i = 0; i < line.length; ++i) {
      if (i > 0) text += ' ';
      text += move_name(line.from[i], line.to[i]);
    }
    return text;
  }

  tagLINE line{};
  TestSearch t;
};

}  // namespace

TEST(SearchComparisons, StrictImprovementAndNonStrictCutOffForBothColours) {
  struct Case {
    uint32_t reference, score;
    uint8_t side;
    int better, reaches;
  } cases[] = {
      {30000, 30001, WHITE, 1, 1},
      {30000, 30000, WHITE, 0, 1},
      {30000, 29999, WHITE, 0, 0},
      {30000, 29999, BLACK, 1, 1},
      {30000, 30000, BLACK, 0, 1},
      {30000, 30001, BLACK, 0, 0},
      // The illegal value is never better and never cuts, for either side.
      {0, SCORE_ILLEGAL, WHITE, 0, 0},
      {60000, SCORE_ILLEGAL, BLACK, 0, 0},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(is_better_result(c.reference, c.score, c.side), c.better)
        << c.reference << " " << c.score << " side " << int(c.side);
    EXPECT_EQ(is_better_beta(c.reference, c.score, c.side), c.reaches)
        << c.reference << " " << c.score << " side " << int(c.side);
  }
}

TEST_F(AlphaBeta, MateInOneIsFoundAtDepthTwoWithTheMatingLine) {
  struct Case {
    const char *moves;
    uint32_t score;
    const char *mate;
  } cases[] = {
      // Legal's trap: earlier root moves improve before the mate cuts, and
      // the reported line is the mate's, not theirs.
      {"e2e4 e7e5 g1f3 d7d6 f1c4 c8g4 b1c3 g7g6 f3e5 g4d1 c4f7 e8e7", W, "c3d5"},
      {"f2f3 e7e5 g2g4", B, "d8h4"},
  };
  for (const auto &c : cases) {
    Board b = board_from_moves(c.moves);
    line.length = 0;
    const uint32_t result = search(b, 2, line);
    EXPECT_EQ(move_score(result), c.score) << c.moves;
    EXPECT_EQ(move_name(move_from(result), move_to(result)), c.mate) << c.moves;
    EXPECT_EQ(line_text(line), c.mate) << c.moves;
  }
}

TEST_F(AlphaBeta, NoLegalMoveScoresMateOrStalemateWithAnEmptyLine) {
  struct Case {
    const char *fen;
    uint32_t score;
  } cases[] = {
      {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", B},       // fool's mate: White mated
      {"r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq - 0 4", W},  // scholar's mate
      {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", SCORE_DRAW},                             // stalemate
  };
  for (const auto &c : cases) {
    for (int depth = 1; depth <= 3; ++depth) {
      Board b = board_from_fen(c.fen);
      line.length = 7;
      const uint32_t result = search(b, depth, line);
      EXPECT_EQ(result, c.score) << c.fen << " depth " << depth << ": bare score, no squares";
      EXPECT_EQ(line.length, 0) << c.fen;
    }
  }
}

TEST_F(AlphaBeta, IllegalRootIsAnsweredWithoutSquares) {
  // White to move while the black king stands in check from the e1 rook.
  Board b = board_from_fen("4k3/8/8/8/8/8/8/4RK2 w - - 0 1");
  line.length = 3;
  EXPECT_EQ(search(b, 3, line), SCORE_ILLEGAL);
  EXPECT_EQ(line.length, 0);
}

// After a search the root's list holds each move's result (SCORE_ILLEGAL
// exactly for the moves that leave their king attacked), and the move
// answered holds the answer's score and line.
TEST_F(AlphaBeta, TheRootListKeepsEachMovesResultAndTheAnswersLine) {
  const char *fens[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "4k3/8/8/8/1b6/8/3N4/4K2R w K - 0 1",         // a pinned knight, castling
      "4k3/1P6/8/8/8/8/8/4K2r w - - 0 1",           // in check; promotions
      "r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 2",    // en passant, castling both ways
  };
  for (const char *fen : fens) {
    Board b = board_from_fen(fen);
    LegalMove legal[MAX_GENERATED_MOVES];
    const int legal_count = legal_moves(b.data(), legal);
    const uint32_t result = search(b, 3, line);
    const RootMoves &root = t.shared.root;
    int answered = -1, illegal = 0;
    for (int i = 0; i < root.count; ++i) {
      const RootMove &m = root.moves[i];
      illegal += m.score == SCORE_ILLEGAL;
      if (root_move_word(m.move, move_score(result)) == result) answered = i;
    }
    EXPECT_EQ(root.count - illegal, legal_count) << fen;
    ASSERT_GE(answered, 0) << fen << ": the answer is a move of the list";
    const RootMove &m = root.moves[answered];
    EXPECT_EQ(m.score, move_score(result)) << fen;
    ASSERT_EQ(m.line.length, line.length) << fen;
    ASSERT_GT(line.length, 0) << fen;
    EXPECT_EQ(line.from[0], gm_from(m.move)) << fen;
    for (int k = 0; k < line.length; ++k)
      EXPECT_TRUE(m.line.from[k] == line.from[k] && m.line.to[k] == line.to[k]) << fen << " move " << k;
  }
}

// "searchmoves" narrows the list as it is made, in the search's order; an
// analysis's later lines leave moves out of it one at a time.
TEST_F(AlphaBeta, OnlyListedMovesAreMadeAndExcludedOnesAreNotSearched) {
  Board b = board_from_moves("e2e4 d7d5");
  const uint32_t only[] = {root_move_key(sq("g1"), sq("f3"), 0), root_move_key(sq("e4"), sq("d5"), 0),
                           root_move_key(sq("a2"), sq("a6"), 0)};  // not a move
  t.new_pass(b.data());
  RootMoves &root = t.shared.root;
  root_moves_generate(root, b.data(), t.s.kept.sets, only, 3);
  ASSERT_EQ(root.count, 2);
  EXPECT_EQ(move_name(gm_from(root.moves[0].move), gm_to(root.moves[0].move)), "e4d5") << "the capture first";
  EXPECT_EQ(move_name(gm_from(root.moves[1].move), gm_to(root.moves[1].move)), "g1f3");

  EXPECT_TRUE(root_moves_exclude(root, only[1]));  // e4d5
  EXPECT_FALSE(root_moves_exclude(root, only[1])) << "already left out";
  EXPECT_FALSE(root_moves_exclude(root, only[2])) << "not in the list";
  const uint32_t result = search_root(t.s, b.data(), 3, B, W, &line);
  EXPECT_EQ(move_name(move_from(result), move_to(result)), "g1f3");

  EXPECT_TRUE(root_moves_exclude(root, only[0]));  // g1f3
  line.length = 5;
  EXPECT_EQ(search_root(t.s, b.data(), 3, B, W, &line), SCORE_DRAW)
      << "nothing left to play: no move, no squares";
  EXPECT_EQ(line.length, 0);
}

TEST_F(AlphaBeta, CapturesAreTriedFirstThenGenerationOrder) {
  // With the budget already used up, the root stops after its first move
  // and returns it: the first capture, however late it was generated.
  struct Case {
    const char *moves, *first;
  } cases[] = {
      {"e2e4 d7d5", "e4d5"},            // the knights' quiet moves are generated earlier
      {"e2e4 d7d5 b1c3 g8f6", "c3d5"},  // of two captures, the one generated first
      {"", "b1a3"},                     // no capture: the first quiet move
  };
  for (const auto &c : cases) {
    Board b = board_from_moves(c.moves);
    t.budget(0);
    const uint32_t result = search(b, 1, line);
    EXPECT_EQ(move_name(move_from(result), move_to(result)), c.first) << c.moves;
  }
}

TEST_F(AlphaBeta, EqualScoresKeepTheFirstMoveScanned) {
  // Each root move's value searched on its own with the full window; the
  // root must return the first move, in scan order, of those with the best
  // value. The positions are chosen so that ties for the best occur.
  const char *lists[] = {
      "",
      "e2e4 e7e5 g1f3 b8c6",
      "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1g5 f8e7 e2e3 e8g8 g1f3 b8d7",
  };
  int ties = 0;
  for (const char *list : lists) {
    int n = 0;
    Board b = board_from_moves(list, &n);
    t.s.phase = get_game_position(b.data(), n / 2);
    const uint8_t side = side_to_move(b.data());
    // The root's search first: a search from the root forgets any stop an
    // earlier search decided, which the searches from ply 1 below would
    // otherwise still obey.
    const uint32_t result = search(b, 2, line);
    uint32_t moves[MAX_GENERATED_MOVES];
    const int count = generate_moves(b.data(), moves);
    std::vector<uint32_t> order;
    for (int pass = 1; pass >= 0; --pass)
      for (int i = 0; i < count; ++i)
        if (gm_first(moves[i]) == pass) order.push_back(moves[i]);

    uint32_t best_value = 0;
    int best_count = 0;
    std::string expected;
    for (uint32_t gm : order) {
      t.new_pass(b.data());
      const uint8_t state = b[CB_STATE];
      SearchUndo undo;
      search_make(t.s, b.data(), gm, undo);
      tagLINE child{};
      const uint32_t v = alpha_beta(t.s, b.data(), 1, 2, side == WHITE ? W : B, side == WHITE ? B : W, &child);
      search_unmake(t.s, b.data(), gm, state, undo);
      if (v == SCORE_ILLEGAL) continue;
      const bool better = expected.empty() || (side == WHITE ? v > best_value : v < best_value);
      if (better) {
        best_value = v;
        best_count = 1;
        expected = move_name(gm_from(gm), gm_to(gm));
      } else if (v == best_value) {
        ++best_count;
      }
    }
    if (best_count > 1) ++ties;
    EXPECT_EQ(move_score(result), best_value) << list;
    EXPECT_EQ(move_name(move_from(result), move_to(result)), expected) << list;
  }
  EXPECT_GT(ties, 0) << "no position had two moves sharing the best value";
}

TEST_F(AlphaBeta, BoardStateByteAndKeyAreUnchangedAfterASearch) {
  const char *lists[] = {
      "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 d2d3 f8c5 b1c3 d7d6 c1g5 c8g4 d1d2 d8d7 h2h3",  // castling everywhere
      "e2e4 a7a6 e4e5 d7d5",                                                         // en passant
      "a2a4 h7h5 a4a5 h5h4 a5a6 h4h3 a6b7 h3g2",                                     // promotions
      "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 f3g5 d7d5 e4d5 f6d5 g5f7 e8f7 d1f3 f7e6 b1c3",  // king in the open
  };
  for (const char *list : lists) {
    Board b = board_from_moves(list);
    const uint64_t key = t.new_pass(b.data());
    const Board before = b;
    const bool white = side_to_move(b.data()) == WHITE;
    search_root(t.s, b.data(), 4, white ? B : W, white ? W : B, &line);
    for (int i = 0; i <= CB_STATE; ++i) EXPECT_EQ(b[i], before[i]) << list << " byte " << i;
    EXPECT_EQ(t.s.key, key) << list;
    EXPECT_TRUE(search_board_is_sound(t.s, b.data())) << list << ": the kept pieces as before";
  }
}

TEST_F(AlphaBeta, QuiescenceWithoutCapturesStandsPatOrKeepsItsValues) {
  // Nothing can capture: the value is the evaluation, clipped by the window.
  Board b = board_from_moves("e2e4 e7e5 g1f3 b8c6");
  t.new_pass(b.data());
  const uint32_t s = uint32_t(heuristic(b.data(), t.s.phase));
  struct Case {
    uint32_t best, bound, expected;
  } cases[] = {
      {s - 50, s, s},            // the evaluation reaches the bound: the bound
      {s - 50, s + 50, s},       // it improves on best: the evaluation
      {s + 10, s + 50, s + 10},  // it does not: best
  };
  for (const Case &c : cases) {
    line.length = 9;
    EXPECT_EQ(quies(t.s, b.data(), 3, 3, c.best, c.bound, &line), c.expected);
    EXPECT_EQ(line.length, 0);
  }
}

TEST_F(AlphaBeta, QuiescenceTriesOnlyTheFourBestOrderedCaptures) {
  // The white queen on d4 can take six undefended pieces, the king one more;
  // no black piece can take anything back. Ordering scores: rook g7 -400,
  // knights f2, d8 and h4 -600 each (generated in that order), pawns b2 and
  // a7 -800, the king's capture on d8 -3900. Tried: g7, f2, d8, h4.
  Board b = board_from_fen("2Kn4/p5r1/8/k7/3Q3n/8/1p3n2/8 w - - 0 1");
  const uint64_t key = t.new_pass(b.data());
  const Board before = b;
  quies(t.s, b.data(), 0, 0, B, W, &line);
  EXPECT_EQ(t.s.evaluations, 1u + 4u) << "stand pat and four leaves";
  EXPECT_EQ(move_name(b[CB_TRY_FROM], b[CB_TRY_TO]), "d4h4") << "the fourth and last capture tried";
  for (int i = 0; i <= CB_STATE; ++i) EXPECT_EQ(b[i], before[i]) << "byte " << i;
  EXPECT_EQ(t.s.key, key);
  ASSERT_EQ(line.length, 1);
}
