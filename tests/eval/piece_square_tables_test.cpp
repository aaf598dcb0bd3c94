// Every square table must equal its board as printed (rank 8 first), read
// square by square through the mailbox index, so a transposed, shifted or
// wrongly mirrored row fails. The grids are typed again here on purpose.
#include "eval/piece_square_tables.h"

#include <gtest/gtest.h>

#include "eval_test_board.h"

namespace {

using Grid = int[8][8];  // [0] = rank 8 ... [7] = rank 1, files a..h

const Grid KNIGHT_GRID = {
    {0, 1, 3, 3, 3, 3, 1, 0}, {0, 3, 7, 7, 7, 7, 3, 0}, {0, 3, 7, 5, 5, 7, 3, 0},
    {0, 3, 7, 5, 5, 7, 3, 0}, {0, 3, 7, 7, 7, 7, 3, 0}, {0, 1, 3, 3, 3, 3, 1, 0},
    {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0},
};
const Grid BISHOP_GRID = {
    {-7, -3, 0, 0, 0, 0, -3, -7}, {-3, 3, 1, 1, 1, 1, 3, -3}, {0, 2, 7, 5, 5, 7, 2, 0},
    {0, 5, 5, 7, 7, 5, 5, 0},     {0, 5, 5, 7, 7, 5, 5, 0},   {0, 2, 7, 5, 5, 7, 2, 0},
    {-3, 3, 1, 1, 1, 1, 3, -3},   {-7, -3, 0, 0, 0, 0, -3, -7},
};
const Grid OPE_PAWN = {
    {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0},
    {1, 1, 1, 3, 3, 1, 1, 1}, {1, 1, 2, 8, 8, 2, 1, 1}, {1, 1, 5, 7, 7, 5, 1, 1},
    {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0},
};
const Grid MID_PAWN = {
    {0, 0, 0, 0, 0, 0, 0, 0},         {15, 15, 15, 15, 15, 15, 15, 15}, {7, 7, 9, 10, 10, 9, 7, 7},
    {3, 3, 5, 8, 8, 5, 3, 3},         {2, 2, 3, 5, 5, 3, 2, 2},         {2, 2, 2, 2, 2, 2, 2, 2},
    {0, 0, 0, 0, 0, 0, 0, 0},         {0, 0, 0, 0, 0, 0, 0, 0},
};
const Grid END_PAWN = {
    {0, 0, 0, 0, 0, 0, 0, 0},         {20, 20, 20, 20, 20, 20, 20, 20}, {12, 12, 12, 12, 12, 12, 12, 12},
    {7, 7, 7, 7, 7, 7, 7, 7},         {3, 3, 3, 3, 3, 3, 3, 3},         {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},         {0, 0, 0, 0, 0, 0, 0, 0},
};
const Grid OPE_KING_WHITE = {
    {0, 0, 0, 0, 0, 0, 0, 0},       {0, 0, 0, 0, 0, 0, 0, 0},       {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},       {0, 0, 0, 0, 0, 0, 0, 0},       {3, 3, 2, 0, 0, 2, 3, 3},
    {10, 10, 2, 0, 0, 2, 10, 10},   {12, 12, 5, 0, 0, 5, 12, 12},
};
const Grid OPE_KING_BLACK = {
    {10, 10, 5, 0, 0, 5, 10, 10},   {12, 12, 2, 0, 0, 2, 12, 12},   {3, 3, 2, 0, 0, 2, 3, 3},
    {0, 0, 0, 0, 0, 0, 0, 0},       {0, 0, 0, 0, 0, 0, 0, 0},       {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0},       {0, 0, 0, 0, 0, 0, 0, 0},
};
const Grid END_KING = {
    {2, 2, 2, 2, 2, 2, 2, 2}, {2, 3, 3, 3, 3, 3, 3, 2}, {2, 3, 5, 5, 5, 5, 3, 2},
    {2, 3, 5, 7, 7, 5, 3, 2}, {2, 3, 5, 7, 7, 5, 3, 2}, {2, 3, 5, 5, 5, 5, 3, 2},
    {2, 2, 2, 2, 2, 2, 2, 2}, {0, 0, 0, 0, 0, 0, 0, 0},
};

bool is_border(int index) {
  const int row = index / 12, col = index % 12;
  return row < 2 || row > 9 || col < 2 || col > 9;
}

// Entry of file f (0 = a) and rank r (1..8) as printed on the board.
int printed(const Grid &g, int f, int r) { return g[8 - r][f]; }
// The same square seen from the other side of the board.
int printed_mirrored(const Grid &g, int f, int r) { return g[r - 1][f]; }

const char files[] = "abcdefgh";

template <typename Table>
void expect_table(const Table &table, const Grid &g, bool mirrored, const char *name) {
  for (int r = 1; r <= 8; ++r)
    for (int f = 0; f < 8; ++f) {
      const int index = 26 + f + 12 * (r - 1);
      const int want = mirrored ? printed_mirrored(g, f, r) : printed(g, f, r);
      EXPECT_EQ(int(table[index]), want) << name << " on " << files[f] << r;
    }
  for (int index = 0; index < CB_MAILBOX; ++index)
    if (is_border(index)) {
      EXPECT_EQ(int(table[index]), 0) << name << " border index " << index;
    }
}

}  // namespace

TEST(SquareTables, SharedTablesMatchTheirBoards) {
  expect_table(position_good_knight, KNIGHT_GRID, false, "knight");
  expect_table(position_good_bishop, BISHOP_GRID, false, "bishop");
}

TEST(SquareTables, WhiteHalvesMatchTheirBoards) {
  expect_table(ope_position_pawn[WHITE], OPE_PAWN, false, "opening pawn");
  expect_table(mid_position_pawn[WHITE], MID_PAWN, false, "middle pawn");
  expect_table(end_position_pawn[WHITE], END_PAWN, false, "ending pawn");
  expect_table(ope_position_king[WHITE], OPE_KING_WHITE, false, "opening king");
  expect_table(end_position_king[WHITE], END_KING, false, "ending king");
}

TEST(SquareTables, BlackHalvesAreTheWhiteBoardsUpsideDown) {
  expect_table(ope_position_pawn[BLACK], OPE_PAWN, true, "opening pawn, Black");
  expect_table(mid_position_pawn[BLACK], MID_PAWN, true, "middle pawn, Black");
  expect_table(end_position_pawn[BLACK], END_PAWN, true, "ending pawn, Black");
  expect_table(end_position_king[BLACK], END_KING, true, "ending king, Black");
}

TEST(SquareTables, BlackOpeningKingHalfIsItsOwnBoard) {
  expect_table(ope_position_king[BLACK], OPE_KING_BLACK, false, "opening king, Black");
  // It is not the mirror of White's: back rank and second rank swap on the
  // wings (g8 is worth 10, g7 12).
  EXPECT_EQ(ope_position_king[BLACK][sq("g8")], 10);
  EXPECT_EQ(ope_position_king[BLACK][sq("g7")], 12);
  EXPECT_EQ(ope_position_king[WHITE][sq("g1")], 12);
  EXPECT_EQ(ope_position_king[WHITE][sq("g2")], 10);
}
