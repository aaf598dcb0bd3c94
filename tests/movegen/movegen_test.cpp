#include "movegen/movegen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "movegen/perft.h"
#include "notation/fen.h"

#include "tests/movegen/movegen_fixture.h"

namespace {

std::vector<std::string> generate(const uint8_t *cb) {
  uint32_t list[MAX_GENERATED_MOVES];
  const int n = generate_moves(cb, list);
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back(gm_text(list[i]));
  return out;
}

// The entries whose from-square is the given square, in list order.
std::vector<std::string> moves_from(const uint8_t *cb, const char *square) {
  std::vector<std::string> out;
  for (const std::string &m : generate(cb))
    if (m.compare(0, 2, square) == 0) out.push_back(m);
  return out;
}

using Moves = std::vector<std::string>;

}  // namespace

TEST(GenerateMoves, StartPositionOrder) {
  uint8_t cb[CB_SIZE];
  start_position(cb);
  // Knights first (b1, g1 precede a2 in the walk), each in jump order; then
  // each pawn's two-square advance before its one-square advance.
  const Moves expected = {"b1a3/0/0",  "b1c3/0/0",  "g1f3/0/0",  "g1h3/0/0",  "a2a4/11/0",
                          "a2a3/0/0",  "b2b4/11/0", "b2b3/0/0",  "c2c4/11/0", "c2c3/0/0",
                          "d2d4/11/0", "d2d3/0/0",  "e2e4/11/0", "e2e3/0/0",  "f2f4/11/0",
                          "f2f3/0/0",  "g2g4/11/0", "g2g3/0/0",  "h2h4/11/0", "h2h3/0/0"};
  EXPECT_EQ(generate(cb), expected);
}

TEST(GenerateMoves, PromotionsQueenBeforeKnightPushBeforeCapture) {
  TestBoard b;
  b.put("a7", PAWN, WHITE).put("b8", KNIGHT, BLACK).put("h1", KING, WHITE).put("h8", KING, BLACK);
  EXPECT_EQ(moves_from(b.cb, "a7"), (Moves{"a7a8/5/1", "a7a8/2/1", "a7b8/5/1", "a7b8/2/1"}));

  TestBoard black;
  black.put("e2", PAWN, BLACK).put("d1", ROOK, WHITE).put("f1", BISHOP, BLACK).put("a8", KING, BLACK);
  black.black_to_move();
  // Offsets -11 (towards h) then -13: f1 is Black's own bishop, d1 is taken.
  EXPECT_EQ(moves_from(black.cb, "e2"), (Moves{"e2e1/5/1", "e2e1/2/1", "e2d1/5/1", "e2d1/2/1"}));
}

TEST(GenerateMoves, EnPassantNeedsTheMarkedPawnBeside) {
  struct Case {
    const char *name;
    bool marked;
    uint8_t neighbour;  // piece on d5, Black's
    Moves expected;
  };
  const Case cases[] = {
      {"marked pawn", true, PAWN, {"e5e6/0/0", "e5d6/10/1"}},
      {"unmarked pawn", false, PAWN, {"e5e6/0/0"}},
      // Marks follow the square: a piece that took a marked pawn carries its
      // mark until the next game move, and is no pawn to take en passant.
      {"marked knight", true, KNIGHT, {"e5e6/0/0"}},
  };
  for (const Case &c : cases) {
    TestBoard b;
    b.put("e5", PAWN, WHITE).put("d5", c.neighbour, BLACK, c.marked);
    EXPECT_EQ(moves_from(b.cb, "e5"), c.expected) << c.name;
  }

  // Black takes towards h (offset -11, square + 1) as well.
  TestBoard black;
  black.put("d4", PAWN, BLACK).put("e4", PAWN, WHITE, true).black_to_move();
  EXPECT_EQ(moves_from(black.cb, "d4"), (Moves{"d4d3/0/0", "d4e3/10/1"}));

  // A mark left on the square a pawn has since left (byte 16, which reads
  // as White's colour): nothing stands there to be taken.
  TestBoard vacated;
  vacated.put("d4", PAWN, BLACK).put("e4", EMPTY, WHITE, true).black_to_move();
  EXPECT_EQ(moves_from(vacated.cb, "d4"), (Moves{"d4d3/0/0"}));

  // Only from the fifth rank: the same neighbour one rank lower gives nothing.
  TestBoard low;
  low.put("e4", PAWN, WHITE).put("d4", PAWN, BLACK, true);
  EXPECT_EQ(moves_from(low.cb, "e4"), (Moves{"e4e5/0/0"}));
}

TEST(GenerateMoves, PawnOnTheEdgeSkipsTheBorder) {
  TestBoard b;
  b.put("a4", PAWN, BLACK).put("b3", KNIGHT, WHITE).black_to_move();
  EXPECT_EQ(moves_from(b.cb, "a4"), (Moves{"a4a3/0/0", "a4b3/0/1"}));
  // Blocked pawn: no advance of either length.
  TestBoard blocked;
  blocked.put("c2", PAWN, WHITE).put("c3", PAWN, BLACK);
  EXPECT_TRUE(moves_from(blocked.cb, "c2").empty());
  TestBoard half;
  half.put("c2", PAWN, WHITE).put("c4", PAWN, BLACK);
  EXPECT_EQ(moves_from(half.cb, "c2"), (Moves{"c2c3/0/0"}));
}

TEST(GenerateMoves, SlidersInDirectionOrder) {
  TestBoard b;
  b.put("a1", ROOK, WHITE).put("a2", PAWN, WHITE).put("d1", KNIGHT, BLACK);
  // -12 nothing (border), -1 nothing, +12 own pawn, +1 up to the knight.
  EXPECT_EQ(moves_from(b.cb, "a1"), (Moves{"a1b1/0/0", "a1c1/0/0", "a1d1/0/1"}));

  TestBoard q;
  q.put("b2", QUEEN, WHITE).put("c3", PAWN, BLACK).put("b3", PAWN, WHITE).put("c2", BISHOP, WHITE);
  // -11 c1, -13 a1, -12 b1, -1 a2, +11 a3, +13 c3 (capture), +12 own, +1 own.
  EXPECT_EQ(moves_from(q.cb, "b2"),
            (Moves{"b2c1/0/0", "b2a1/0/0", "b2b1/0/0", "b2a2/0/0", "b2a3/0/0", "b2c3/0/1"}));
}

TEST(GenerateMoves, KnightJumpOrder) {
  TestBoard b;
  b.put("d4", KNIGHT, WHITE).put("e6", PAWN, BLACK).put("c2", PAWN, WHITE);
  // -10 f3, -14 b3, -23 e2, -25 c2 (own), +10 b5, +14 f5, +23 c6, +25 e6.
  EXPECT_EQ(moves_from(b.cb, "d4"),
            (Moves{"d4f3/0/0", "d4b3/0/0", "d4e2/0/0", "d4b5/0/0", "d4f5/0/0", "d4c6/0/0", "d4e6/0/1"}));
}

// White king on e1 with both rooks home, and whatever a case adds.
struct CastleCase {
  const char *name;
  uint8_t lost;
  std::vector<std::pair<const char *, uint8_t>> black_pieces;  // square, piece
  std::vector<const char *> white_pieces;                      // extra white knights
  Moves castles;                                               // kind 8/9 entries expected
};

TEST(GenerateMoves, CastlingConditions) {
  const CastleCase cases[] = {
      {"both sides free", 0, {}, {}, {"e1g1/8/1", "e1c1/9/1"}},
      {"king side lost", ST_WHITE_KING_LOST, {}, {}, {"e1c1/9/1"}},
      {"queen side lost", ST_WHITE_QUEEN_LOST, {}, {}, {"e1g1/8/1"}},
      {"both lost", ST_WHITE_KING_LOST | ST_WHITE_QUEEN_LOST, {}, {}, {}},
      {"black's flags do not matter",
       ST_BLACK_KING_LOST | ST_BLACK_QUEEN_LOST,
       {},
       {},
       {"e1g1/8/1", "e1c1/9/1"}},
      {"king in check", 0, {{"e4", ROOK}}, {}, {}},
      {"f1 attacked", 0, {{"f5", ROOK}}, {}, {"e1c1/9/1"}},
      // Stricter than the rules: the rook's corner and the b-file square.
      {"h1 attacked", 0, {{"h5", ROOK}}, {}, {"e1c1/9/1"}},
      {"b1 attacked", 0, {{"b5", ROOK}}, {}, {"e1g1/8/1"}},
      {"a1 attacked", 0, {{"a6", ROOK}}, {}, {"e1g1/8/1"}},
      {"rook's corner taken by the enemy", 0, {{"h1", KNIGHT}}, {}, {"e1c1/9/1"}},
      {"b1 occupied", 0, {}, {"b1"}, {"e1g1/8/1"}},
      {"g1 occupied", 0, {}, {"g1"}, {"e1c1/9/1"}},
  };
  for (const CastleCase &c : cases) {
    TestBoard b;
    b.put("e1", KING, WHITE)
        .put("a1", ROOK, WHITE)
        .put("h1", ROOK, WHITE)
        .put("e8", KING, BLACK)
        .rights(c.lost);
    for (const auto &[square, piece] : c.black_pieces) b.put(square, piece, BLACK);
    for (const char *square : c.white_pieces) b.put(square, KNIGHT, WHITE);
    Moves castles;
    const Moves king = moves_from(b.cb, "e1");
    for (const std::string &m : king)
      if (m.find("/8/") != std::string::npos || m.find("/9/") != std::string::npos) castles.push_back(m);
    EXPECT_EQ(castles, c.castles) << c.name;
    // Castling comes before every step of the king.
    for (size_t i = 0; i < castles.size(); ++i) EXPECT_EQ(king[i], castles[i]) << c.name;
  }
}

// Chess960 castling, written as the king taking its rook: the squares
// between the outermost of the four start and end squares must hold nothing
// but king and rook, the king's squares from start to end must be
// unattacked (the rook's need not be), and the legality test refuses a
// castling whose rook shielded the king's end square.
TEST(GenerateMoves, Chess960CastlingConditions) {
  struct Case {
    const char *name;
    const char *fen;
    Moves castles;  // legal castling moves, king side first
  };
  const Case cases[] = {
      {"standard arrangement, both free", "4k3/8/8/8/8/8/8/R3K2R w HA - 0 1", {"e1h1/8/1", "e1a1/9/1"}},
      {"king on g1 stays, rook h1 to f1", "4k3/8/8/8/8/8/8/R5KR w HA - 0 1", {"g1h1/8/1", "g1a1/9/1"}},
      {"king b1 to c1, rook a1 to d1", "4k3/8/8/8/8/8/8/RK5R w HA - 0 1", {"b1h1/8/1", "b1a1/9/1"}},
      {"king c1 stays, rook b1 to d1", "4k3/8/8/8/8/8/8/1RK4R w HB - 0 1", {"c1h1/8/1", "c1b1/9/1"}},
      {"rook on g1 blocks nothing but itself", "4k3/8/8/8/8/8/8/1R3KR1 w GB - 0 1", {"f1g1/8/1", "f1b1/9/1"}},
      {"a piece on the king's path", "4k3/8/8/8/8/8/8/RK1N3R w HA - 0 1", {}},
      {"a knight on f1 blocks the h side only", "4k3/8/8/8/8/8/8/2R1KN1R w HC - 0 1", {"e1c1/9/1"}},
      {"the other rook on the king's end square", "4k3/8/8/8/8/8/8/RKR5 w CA - 0 1", {"b1c1/8/1"}},
      {"rook's start attacked: allowed", "r3k3/8/8/8/8/8/8/R5K1 w A - 0 1", {"g1a1/9/1"}},
      {"f1 attacked", "4k3/8/8/8/8/8/5r2/R3K2R w HA - 0 1", {"e1a1/9/1"}},
      {"d1 attacked", "3rk3/8/8/8/8/8/8/R3K2R w HA - 0 1", {"e1h1/8/1"}},
      {"king in check", "4k3/8/8/8/8/8/8/R3K1rR w HA - 0 1", {}},
      {"the rook shielded c1 from a1", "4k3/8/8/8/8/8/8/qR1K4 w B - 0 1", {}},
      {"black castles on its own rank", "rk5r/8/8/8/8/8/8/4K3 b ha - 0 1", {"b8h8/8/1", "b8a8/9/1"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    uint8_t cb[CB_SIZE];
    FenSetup setup;
    ASSERT_TRUE(load_position_fen(cb, c.fen, setup, RULES_CHESS960)) << setup.reason;
    uint32_t list[MAX_GENERATED_MOVES];
    const int n = generate_moves(cb, list);
    Moves castles;
    for (int i = 0; i < n; ++i) {
      const uint8_t kind = gm_kind(list[i]);
      uint8_t child[CB_SIZE];
      std::memcpy(child, cb, CB_SIZE);
      if ((kind == KIND_CASTLE_KING || kind == KIND_CASTLE_QUEEN) && play_if_legal(child, list[i]))
        castles.push_back(gm_text(list[i]));
    }
    EXPECT_EQ(castles, c.castles);
  }
}

TEST(GenerateMoves, BlackCastlesWithItsOwnFlags) {
  TestBoard b;
  b.put("e8", KING, BLACK).put("a8", ROOK, BLACK).put("h8", ROOK, BLACK).put("e1", KING, WHITE);
  b.rights(ST_BLACK_KING_LOST).black_to_move();
  const Moves king = moves_from(b.cb, "e8");
  ASSERT_FALSE(king.empty());
  EXPECT_EQ(king[0], "e8c8/9/1");
  EXPECT_EQ(
      std::count_if(king.begin(), king.end(), [](const std::string &m) { return m.find("/8/") != m.npos; }),
      0);
  // With White's flags lost instead, both black castles come back.
  b.rights(ST_WHITE_KING_LOST | ST_WHITE_QUEEN_LOST);
  const Moves again = moves_from(b.cb, "e8");
  ASSERT_GE(again.size(), 2u);
  EXPECT_EQ(again[0], "e8g8/8/1");
  EXPECT_EQ(again[1], "e8c8/9/1");
}

TEST(GenerateMoves, KingStepsAvoidAttackedSquaresAsSeenWithTheKingInPlace) {
  TestBoard b;
  b.put("e1", KING, WHITE).put("a1", ROOK, BLACK).put("d3", PAWN, BLACK).put("f2", PAWN, WHITE);
  // d1 (rook) and e2 (pawn on d3) are attacked, f2 is the king's own pawn;
  // f1 reads as safe because the king on e1 still blocks the rook's rank
  // (the search rejects that step one ply later).
  EXPECT_EQ(moves_from(b.cb, "e1"), (Moves{"e1d2/0/0", "e1f1/0/0"}));
}

TEST(GenerateMoves, CountMatchesEntriesAndSideWithoutMovesGivesNone) {
  TestBoard b;
  b.put("e8", KING, BLACK).put("a8", ROOK, BLACK);
  uint32_t list[MAX_GENERATED_MOVES];
  EXPECT_EQ(generate_moves(b.cb, list), 0);  // White has no piece at all
  // Stalemate: the pawn is blocked and both of the king's free squares are
  // covered by the black king.
  TestBoard boxed;
  boxed.put("a1", KING, WHITE).put("a2", PAWN, WHITE).put("a3", PAWN, BLACK).put("c2", KING, BLACK);
  EXPECT_EQ(generate_moves(boxed.cb, list), 0);
}

TEST(GenerateMoves, NeverWritesPastTheListBound) {
  // 28 queens round the edge have 288 moves, more than any game position;
  // the list stops at its capacity and the guard entries stay untouched.
  TestBoard b;
  for (int s : boardin)
    if (square_row(s) == 2 || square_row(s) == 9 || square_column(s) == 2 || square_column(s) == 9)
      b.cb[s] = QUEEN;
  constexpr uint32_t GUARD = 0xDEADBEEF;
  std::vector<uint32_t> list(MAX_GENERATED_MOVES + 16, GUARD);
  EXPECT_EQ(generate_moves(b.cb, list.data()), MAX_GENERATED_MOVES);
  for (int i = MAX_GENERATED_MOVES; i < int(list.size()); ++i) EXPECT_EQ(list[i], GUARD);
}

// perft divided by first move: each legal first move told once, the counts
// adding up to the whole count under the same promotion rules, and a visitor
// that answers false stops the count after the moves it was told.
TEST(PerftDivide, CountsPerFirstMoveAndStopsWhenAsked) {
  const char *promotions = "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1";  // three promoting moves
  const char *start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
  const struct {
    const char *fen;
    PerftPromotions promotions;
    int depth;
    size_t first_moves;
  } cases[] = {
      {promotions, PERFT_ALL_PROMOTIONS, 2, 24},
      {promotions, PERFT_GENERATED_PROMOTIONS, 2, 18},  // queen and knight only
      {start, PERFT_ALL_PROMOTIONS, 3, 20},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.fen) + (c.promotions == PERFT_ALL_PROMOTIONS ? ", all" : ", generated"));
    uint8_t cb[CB_SIZE];
    FenSetup setup;
    ASSERT_TRUE(load_position_fen(cb, c.fen, setup));
    std::vector<std::pair<std::string, uint64_t>> told;
    const uint64_t total = perft_divide(cb, c.depth, c.promotions, [&](const PerftRootMove &m, uint64_t n) {
      told.emplace_back(move_name(m.from, m.to) + char('0' + m.promotion), n);
      return true;
    });
    EXPECT_EQ(total,
              c.promotions == PERFT_ALL_PROMOTIONS ? perft_all_promotions(cb, c.depth) : perft(cb, c.depth));
    ASSERT_EQ(told.size(), c.first_moves);
    uint64_t sum = 0;
    for (size_t i = 0; i < told.size(); ++i) {
      sum += told[i].second;
      for (size_t j = 0; j < i; ++j) EXPECT_NE(told[i].first, told[j].first);
    }
    EXPECT_EQ(sum, total);

    int calls = 0;
    const uint64_t stopped =
        perft_divide(cb, c.depth, c.promotions, [&](const PerftRootMove &, uint64_t) { return ++calls < 3; });
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(stopped, told[0].second + told[1].second + told[2].second);
    EXPECT_EQ(perft_divide(cb, 0, c.promotions, [&](const PerftRootMove &, uint64_t) { return ++calls > 0; }),
              0u);
    EXPECT_EQ(calls, 3) << "depth 0 tells no move";
  }
}
