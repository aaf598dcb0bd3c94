#include "movegen/attack.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "board/board_scan.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
#include "notation/fen.h"

#include "tests/movegen/movegen_fixture.h"

TEST(KingAttacked, StartPosition) {
  uint8_t cb[CB_SIZE];
  start_position(cb);
  EXPECT_EQ(king_attacked(cb, WHITE, SQ_E1), 0);
  EXPECT_EQ(king_attacked(cb, BLACK, SQ_E8), 0);
  EXPECT_EQ(where_is_king(cb, WHITE), SQ_E1);
  EXPECT_EQ(where_is_king(cb, BLACK), SQ_E8);
  // Squares in front of each camp: f3 is covered by White's pawns and
  // knight, so only Black asking about it sees an attack.
  EXPECT_EQ(king_attacked(cb, BLACK, sq("f3")), 1);
  EXPECT_EQ(king_attacked(cb, WHITE, sq("f3")), 0);
  EXPECT_EQ(king_attacked(cb, WHITE, sq("f6")), 1);
  EXPECT_EQ(king_attacked(cb, WHITE, sq("e5")), 0);
}

TEST(KingAttacked, EachKindOfAttacker) {
  struct Case {
    const char *name;
    std::vector<PlacedPiece> pieces;
    uint8_t defender;
    const char *target;
    int expected;
  };
  const Case cases[] = {
      {"rook down the file", {{"e8", ROOK, BLACK}}, WHITE, "e1", 1},
      {"rook blocked by a white piece", {{"e8", ROOK, BLACK}, {"e4", PAWN, WHITE}}, WHITE, "e1", 0},
      {"rook blocked by a black piece", {{"e8", ROOK, BLACK}, {"e4", KNIGHT, BLACK}}, WHITE, "e1", 0},
      {"queen on a straight line", {{"a1", QUEEN, BLACK}}, WHITE, "e1", 1},
      {"bishop does not move straight", {{"e8", BISHOP, BLACK}}, WHITE, "e1", 0},
      {"queen on the diagonal h4-e1", {{"h4", QUEEN, BLACK}}, WHITE, "e1", 1},
      {"diagonal blocked on g3", {{"h4", QUEEN, BLACK}, {"g3", PAWN, BLACK}}, WHITE, "e1", 0},
      {"bishop on the diagonal", {{"a5", BISHOP, BLACK}}, WHITE, "e1", 1},
      {"rook does not move diagonally", {{"a5", ROOK, BLACK}}, WHITE, "e1", 0},
      {"knight", {{"f3", KNIGHT, BLACK}}, WHITE, "e1", 1},
      {"knight on a non-jump square", {{"f4", KNIGHT, BLACK}}, WHITE, "e1", 0},
      {"king next to it", {{"d2", KING, BLACK}}, WHITE, "e1", 1},
      {"black pawn on d2", {{"d2", PAWN, BLACK}}, WHITE, "e1", 1},
      {"black pawn on f2", {{"f2", PAWN, BLACK}}, WHITE, "e1", 1},
      {"black pawn straight ahead on e2", {{"e2", PAWN, BLACK}}, WHITE, "e1", 0},
      {"white pawn on d7 hits e8", {{"d7", PAWN, WHITE}}, BLACK, "e8", 1},
      {"white pawn on d1 hits e2", {{"d1", PAWN, WHITE}}, BLACK, "e2", 1},
      {"white pawn above does not", {{"d3", PAWN, WHITE}}, BLACK, "e2", 0},
      {"own rook never counts", {{"e8", ROOK, WHITE}}, WHITE, "e1", 0},
      {"own knight never counts", {{"f3", KNIGHT, WHITE}}, WHITE, "e1", 0},
      {"white queen attacks for black", {{"e8", QUEEN, WHITE}}, BLACK, "e1", 1},
      // A marked empty square is still empty: the ray passes through it.
      {"ray through a marked empty square", {{"e8", ROOK, BLACK}, {"e4", EMPTY, WHITE}}, WHITE, "e1", 1},
      {"empty target square", {{"h8", BISHOP, BLACK}}, WHITE, "a1", 1},
  };
  for (const Case &c : cases) {
    TestBoard b;
    b.put_all(c.pieces);
    EXPECT_EQ(king_attacked(b.cb, c.defender, sq(c.target)), c.expected) << c.name;
  }
}

TEST(KingAttacked, EveryKnightJumpAndKingStep) {
  const int jumps[] = {23, 25, 10, 14, -23, -25, -10, -14};
  const int steps[] = {-1, 1, -13, 11, -11, 13, -12, 12};
  for (int off : jumps) {
    TestBoard b;
    b.cb[sq("e4") + off] = KNIGHT | COLOUR_BIT;
    EXPECT_EQ(king_attacked(b.cb, WHITE, sq("e4")), 1) << "knight at offset " << off;
    EXPECT_EQ(king_attacked(b.cb, BLACK, sq("e4")), 0) << "own knight at offset " << off;
  }
  for (int off : steps) {
    TestBoard b;
    b.cb[sq("e4") + off] = KING;
    EXPECT_EQ(king_attacked(b.cb, BLACK, sq("e4")), 1) << "king at offset " << off;
    EXPECT_EQ(king_attacked(b.cb, WHITE, sq("e4")), 0) << "own king at offset " << off;
  }
}

TEST(KingAttacked, TheKingStillBlocksTheSquareBehindIt) {
  // Rook a1 checks the king on e1; f1 reads as safe while the king stands on
  // e1, and as attacked once the king has gone.
  TestBoard b;
  b.put("e1", KING, WHITE).put("a1", ROOK, BLACK);
  EXPECT_EQ(king_attacked(b.cb, WHITE, sq("e1")), 1);
  EXPECT_EQ(king_attacked(b.cb, WHITE, sq("f1")), 0);
  b.put("e1", EMPTY, WHITE);
  EXPECT_EQ(king_attacked(b.cb, WHITE, sq("f1")), 1);
}

TEST(KingAttacked, NoSquareReadsNothingAndAnswersNo) {
  // On a heap board the sanitizer build sees any read outside the buffer.
  uint8_t *cb = init_chessboard();
  for (int s = SQ_FIRST; s <= SQ_LAST; ++s)
    if (piece_of(cb[s]) == KING && colour_of(cb[s]) == BLACK) cb[s] = EMPTY;
  EXPECT_EQ(where_is_king(cb, BLACK), -1);
  for (int square : {-1, -200, 0, 25, 118, 143, 255, 1000}) {
    EXPECT_EQ(king_attacked(cb, BLACK, square), 0) << square;
    EXPECT_EQ(king_attacked(cb, WHITE, square), 0) << square;
  }
  release_chessboard(cb);
}

TEST(CastlingPathTests, RookCornerAndBFileCount) {
  struct Case {
    const char *name;
    const char *attacker_square;
    uint8_t attacker;
    int right, left;  // king_not_attacked_right / _left from e1
  };
  const Case cases[] = {
      {"nothing attacked", "e5", KNIGHT, 1, 1},
      {"bishop on the long diagonal hits h1 only", "a8", BISHOP, 0, 1},
      {"rook on the g-file", "g6", ROOK, 0, 1},
      {"rook on the b-file", "b6", ROOK, 1, 0},
      {"rook on the a-file", "a6", ROOK, 1, 0},
      {"rook on the e-file: the king's own square", "e6", ROOK, 0, 0},
      {"knight on c3 hits d1 and b1", "c3", KNIGHT, 1, 0},
      {"knight on h3 hits g1", "h3", KNIGHT, 0, 1},
  };
  for (const Case &c : cases) {
    TestBoard b;
    b.put("e1", KING, WHITE)
        .put("a1", ROOK, WHITE)
        .put("h1", ROOK, WHITE)
        .put(c.attacker_square, c.attacker, BLACK);
    EXPECT_EQ(king_not_attacked_right(b.cb, WHITE, SQ_E1), c.right) << c.name;
    EXPECT_EQ(king_not_attacked_left(b.cb, WHITE, SQ_E1), c.left) << c.name;
  }
  TestBoard black;
  black.put("e8", KING, BLACK).put("b3", ROOK, WHITE);  // b-file up to b8
  EXPECT_EQ(king_not_attacked_right(black.cb, BLACK, SQ_E8), 1);
  EXPECT_EQ(king_not_attacked_left(black.cb, BLACK, SQ_E8), 0);
}

// The attack test that reads piece sets answers as the probing one, for
// every square and both colours, on boards from seeded random games (every
// kind of attacker, near and far, pinned lines and open ones).
TEST(KingAttacked, FromPieceSetsAsFromTheBoardOnEverySquare) {
  std::mt19937 rng(4242);
  uint32_t list[MAX_GENERATED_MOVES];
  long compared = 0;
  for (int game = 0; game < 12; ++game) {
    uint8_t cb[CB_SIZE];
    start_position(cb);
    for (int ply = 0; ply < 120; ++ply) {
      const PieceSets sets = piece_sets_of(cb);
      for (int b = 0; b < 64; ++b)
        for (uint8_t colour : {WHITE, BLACK}) {
          const int sq = boardin[b];
          ASSERT_EQ(king_attacked(cb, sets, colour, sq), king_attacked(cb, colour, sq))
              << "game " << game << " ply " << ply << " square " << sq << " colour " << int(colour);
          ++compared;
        }
      const int n = generate_moves(cb, list);
      std::vector<uint32_t> legal;
      for (int i = 0; i < n; ++i) {
        uint8_t child[CB_SIZE];
        std::memcpy(child, cb, CB_SIZE);
        if (play_if_legal(child, list[i])) legal.push_back(list[i]);
      }
      if (legal.empty()) break;
      play_if_legal(cb, legal[rng() % legal.size()]);
    }
  }
  EXPECT_GT(compared, 100000);
}

// perft counts a move without the attack test only when it cannot expose
// the king; its counts equal those of testing every move, on positions with
// pins, checks, en passant along the king's rank and castling.
TEST(Perft, SkippingTheTestWhereNoLineOpensCountsAsTestingEveryMove) {
  const std::function<uint64_t(const uint8_t *, int)> every_move = [&](const uint8_t *cb, int depth) -> uint64_t {
    if (depth == 0) return 1;
    uint32_t list[MAX_GENERATED_MOVES];
    const int n = generate_moves(cb, list);
    uint64_t total = 0;
    for (int i = 0; i < n; ++i) {
      uint8_t child[CB_SIZE];
      std::memcpy(child, cb, CB_SIZE);
      if (play_if_legal(child, list[i])) total += every_move(child, depth - 1);
    }
    return total;
  };
  const char *fens[] = {
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
      "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
      "8/8/8/K2pP2r/8/8/8/7k w - d6 0 1",  // taking en passant would open the rank
      "7k/5b2/8/3pP3/8/8/K7/8 w - d6 0 1",  // ... or a diagonal through the pawn taken only
      "4k3/8/8/8/1b6/8/3P4/4K3 w - - 0 1",  // the d-pawn is pinned
  };
  for (const char *fen : fens) {
    uint8_t cb[CB_SIZE];
    FenSetup setup;
    ASSERT_TRUE(load_position_fen(cb, fen, setup)) << fen << ": " << setup.reason;
    EXPECT_EQ(perft(cb, 3), every_move(cb, 3)) << fen;
  }
}
