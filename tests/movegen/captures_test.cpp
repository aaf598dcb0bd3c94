#include "movegen/captures.h"

#include <gtest/gtest.h>

#include <cstring>

#include "notation/position.h"
#include "tests/movegen/movegen_fixture.h"

namespace {

// The record's entries as "e4d5/0" (from, to, score), in list order.
std::vector<std::string> entries(const s_mv &list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.count; ++i)
    out.push_back(square_name(list.from[i]) + square_name(list.to[i]) + "/" + std::to_string(list.score[i]));
  return out;
}

using Entries = std::vector<std::string>;

}  // namespace

TEST(CaptureList, StartPositionAndAfterE4D5) {
  uint8_t cb[CB_SIZE];
  start_position(cb);
  EXPECT_EQ(generate_qsearch_moves(cb).count, 0);
  load_position_txt2(cb, "e2e4 d7d5");
  const s_mv list = generate_qsearch_moves(cb);
  EXPECT_EQ(entries(list), (Entries{"e4d5/0"}));
  EXPECT_EQ(list.reserved[0], 0);
}

TEST(CaptureList, OrderAndScores) {
  struct Case {
    const char *name;
    std::vector<PlacedPiece> pieces;
    bool black_to_move;
    Entries expected;
  };
  const Case cases[] = {
      {"rook takes the first piece of the file only",
       {{"a1", ROOK, WHITE}, {"a5", KNIGHT, BLACK}, {"a8", QUEEN, BLACK}},
       false,
       {"a1a5/-200"}},
      {"pawn captures in table order, no promotion kinds",
       {{"g7", PAWN, WHITE}, {"h8", ROOK, BLACK}, {"f8", KNIGHT, BLACK}},
       false,
       {"g7f8/200", "g7h8/400"}},
      {"king takes an undefended pawn", {{"e1", KING, WHITE}, {"d2", PAWN, BLACK}}, false, {"e1d2/-4100"}},
      {"king does not take a defended pawn",
       {{"e1", KING, WHITE}, {"d2", PAWN, BLACK}, {"c3", PAWN, BLACK}},
       false,
       {}},
      {"no en passant", {{"b4", PAWN, BLACK}, {"a4", PAWN, WHITE}}, true, {}},
      {"board order, then direction order",
       {{"d4", QUEEN, WHITE},
        {"b2", KNIGHT, WHITE},
        {"d6", ROOK, BLACK},
        {"c3", PAWN, BLACK},
        {"g4", BISHOP, BLACK},
        {"a4", PAWN, BLACK}},
       false,
       // b2 before d4 in the walk; the queen's rays in table order: -13 c3,
       // -1 a4, +12 d6, +1 g4.
       {"b2a4/-200", "d4c3/-800", "d4a4/-800", "d4d6/-400", "d4g4/-600"}},
      {"black captures upwards of white pieces",
       {{"e5", PAWN, BLACK}, {"d4", QUEEN, WHITE}, {"f4", PAWN, WHITE}},
       true,
       {"e5f4/0", "e5d4/800"}},
      {"own pieces are never taken", {{"c1", BISHOP, WHITE}, {"d2", PAWN, WHITE}}, false, {}},
  };
  for (const Case &c : cases) {
    TestBoard b;
    b.put_all(c.pieces);
    if (c.black_to_move) b.black_to_move();
    EXPECT_EQ(entries(generate_qsearch_moves(b.cb)), c.expected) << c.name;
  }
}

TEST(CaptureList, StopsAtItsCapacity) {
  // White queens and black knights on alternate squares: 112 orthogonal
  // captures, more than the record holds. The record keeps the first 96 in
  // generator order and nothing spills into the neighbouring arrays.
  TestBoard b;
  for (int s : boardin)
    b.cb[s] = ((square_row(s) + square_column(s)) % 2 == 0) ? QUEEN : (KNIGHT | COLOUR_BIT);
  const s_mv list = generate_qsearch_moves(b.cb);
  ASSERT_EQ(list.count, S_MV_CAPACITY);
  for (int i = 0; i < list.count; ++i) {
    EXPECT_EQ(b.cb[list.from[i]], QUEEN) << i;
    EXPECT_EQ(b.cb[list.to[i]], KNIGHT | COLOUR_BIT) << i;
    EXPECT_EQ(list.score[i], 300 - 900) << i;
    EXPECT_EQ(list.reserved[i], 0) << i;
    if (i > 0) {
      EXPECT_LE(list.from[i - 1], list.from[i]) << i;
    }
  }
  // Appending to a full record changes nothing.
  s_mv full = list;
  CheckScore(full, b.cb, sq("a1"), sq("b1"));
  EXPECT_EQ(full.count, S_MV_CAPACITY);
  EXPECT_EQ(std::memcmp(&full, &list, sizeof list), 0);
}
