// Square tables of the static evaluation: a bonus for each piece by the square
// it stands on. Each table is written below as a chess board seen from White,
// rank 8 on top and files a to h from left to right, and turned into an array
// indexed by mailbox square (border entries 0) at compile time.
#pragma once

#include <array>
#include <cstdint>

#include "board/chess_cb.h"

// One 8 x 8 grid as printed: row 0 is rank 8, row 7 is rank 1.
template <typename T>
using SquareGrid = std::array<std::array<T, 8>, 8>;

// Per-square table indexed by mailbox square.
template <typename T>
using SquareTable = std::array<T, CB_MAILBOX>;

// Table with one half per colour, looked up as table[colour][square].
using ColourTable = std::array<SquareTable<uint8_t>, 2>;

// Entry of square (file f, rank r) is the grid's cell on that square.
template <typename T>
constexpr SquareTable<T> table_from_grid(const SquareGrid<T> &grid) {
  SquareTable<T> t{};
  for (int r = 0; r < 8; ++r)
    for (int f = 0; f < 8; ++f) t[square_of(f, r)] = grid[7 - r][f];
  return t;
}

// Black's view of a White grid: Black's entry on rank r is White's entry on
// rank 9 - r of the same file, so a Black pawn on e5 scores as a White pawn
// on e4.
template <typename T>
constexpr SquareTable<T> table_from_grid_mirrored(const SquareGrid<T> &grid) {
  SquareTable<T> t{};
  for (int r = 0; r < 8; ++r)
    for (int f = 0; f < 8; ++f) t[square_of(f, r)] = grid[r][f];
  return t;
}

constexpr ColourTable colour_table_mirrored(const SquareGrid<uint8_t> &white) {
  return {table_from_grid(white), table_from_grid_mirrored(white)};
}

namespace grid {

// Knights: one table for both colours on the same square, NOT mirrored. A
// Black knight on b8 earns 1 while a White one on b1 earns 0, so the start
// position is 2 points in Black's favour.
inline constexpr SquareGrid<uint8_t> knight = {{
    /* 8 */ {0, 1, 3, 3, 3, 3, 1, 0},
    /* 7 */ {0, 3, 7, 7, 7, 7, 3, 0},
    /* 6 */ {0, 3, 7, 5, 5, 7, 3, 0},
    /* 5 */ {0, 3, 7, 5, 5, 7, 3, 0},
    /* 4 */ {0, 3, 7, 7, 7, 7, 3, 0},
    /* 3 */ {0, 1, 3, 3, 3, 3, 1, 0},
    /* 2 */ {0, 0, 0, 0, 0, 0, 0, 0},
    /* 1 */ {0, 0, 0, 0, 0, 0, 0, 0},
}};
//           a  b  c  d  e  f  g  h

// Bishops: one table for both colours; the only signed table (corners and
// edges cost points). The grid is symmetric between ranks 1 and 8, so
// sharing it treats both colours alike.
inline constexpr SquareGrid<int8_t> bishop = {{
    /* 8 */ {-7, -3, 0, 0, 0, 0, -3, -7},
    /* 7 */ {-3,  3, 1, 1, 1, 1,  3, -3},
    /* 6 */ { 0,  2, 7, 5, 5, 7,  2,  0},
    /* 5 */ { 0,  5, 5, 7, 7, 5,  5,  0},
    /* 4 */ { 0,  5, 5, 7, 7, 5,  5,  0},
    /* 3 */ { 0,  2, 7, 5, 5, 7,  2,  0},
    /* 2 */ {-3,  3, 1, 1, 1, 1,  3, -3},
    /* 1 */ {-7, -3, 0, 0, 0, 0, -3, -7},
}};
//            a   b  c  d  e  f   g   h

// Pawns in the opening, White's half (Black's is its mirror).
inline constexpr SquareGrid<uint8_t> ope_pawn = {{
    /* 8 */ {0, 0, 0, 0, 0, 0, 0, 0},
    /* 7 */ {0, 0, 0, 0, 0, 0, 0, 0},
    /* 6 */ {0, 0, 0, 0, 0, 0, 0, 0},
    /* 5 */ {1, 1, 1, 3, 3, 1, 1, 1},
    /* 4 */ {1, 1, 2, 8, 8, 2, 1, 1},
    /* 3 */ {1, 1, 5, 7, 7, 5, 1, 1},
    /* 2 */ {0, 0, 0, 0, 0, 0, 0, 0},
    /* 1 */ {0, 0, 0, 0, 0, 0, 0, 0},
}};
//           a  b  c  d  e  f  g  h

// Pawns in the middle game, White's half (Black's is its mirror).
inline constexpr SquareGrid<uint8_t> mid_pawn = {{
    /* 8 */ { 0,  0,  0,  0,  0,  0,  0,  0},
    /* 7 */ {15, 15, 15, 15, 15, 15, 15, 15},
    /* 6 */ { 7,  7,  9, 10, 10,  9,  7,  7},
    /* 5 */ { 3,  3,  5,  8,  8,  5,  3,  3},
    /* 4 */ { 2,  2,  3,  5,  5,  3,  2,  2},
    /* 3 */ { 2,  2,  2,  2,  2,  2,  2,  2},
    /* 2 */ { 0,  0,  0,  0,  0,  0,  0,  0},
    /* 1 */ { 0,  0,  0,  0,  0,  0,  0,  0},
}};
//            a   b   c   d   e   f   g   h

// Pawns in the ending, White's half (Black's is its mirror).
inline constexpr SquareGrid<uint8_t> end_pawn = {{
    /* 8 */ { 0,  0,  0,  0,  0,  0,  0,  0},
    /* 7 */ {20, 20, 20, 20, 20, 20, 20, 20},
    /* 6 */ {12, 12, 12, 12, 12, 12, 12, 12},
    /* 5 */ { 7,  7,  7,  7,  7,  7,  7,  7},
    /* 4 */ { 3,  3,  3,  3,  3,  3,  3,  3},
    /* 3 */ { 0,  0,  0,  0,  0,  0,  0,  0},
    /* 2 */ { 0,  0,  0,  0,  0,  0,  0,  0},
    /* 1 */ { 0,  0,  0,  0,  0,  0,  0,  0},
}};
//            a   b   c   d   e   f   g   h

// King in the opening and middle game, White's half.
inline constexpr SquareGrid<uint8_t> ope_king_white = {{
    /* 8 */ { 0,  0, 0, 0, 0, 0,  0,  0},
    /* 7 */ { 0,  0, 0, 0, 0, 0,  0,  0},
    /* 6 */ { 0,  0, 0, 0, 0, 0,  0,  0},
    /* 5 */ { 0,  0, 0, 0, 0, 0,  0,  0},
    /* 4 */ { 0,  0, 0, 0, 0, 0,  0,  0},
    /* 3 */ { 3,  3, 2, 0, 0, 2,  3,  3},
    /* 2 */ {10, 10, 2, 0, 0, 2, 10, 10},
    /* 1 */ {12, 12, 5, 0, 0, 5, 12, 12},
}};
//            a   b  c  d  e  f   g   h

// King in the opening and middle game, Black's half. Given by hand, not
// mirrored: on the a-, b-, g- and h-files the back rank is worth 10 and the
// second rank 12 for Black, the other way round from White's 12 and 10, so a
// Black king that steps from g8 to g7 gains 2.
inline constexpr SquareGrid<uint8_t> ope_king_black = {{
    /* 8 */ {10, 10, 5, 0, 0, 5, 10, 10},
    /* 7 */ {12, 12, 2, 0, 0, 2, 12, 12},
    /* 6 */ { 3,  3, 2, 0, 0, 2,  3,  3},
    /* 5 */ { 0,  0, 0, 0, 0, 0,  0,  0},
    /* 4 */ { 0,  0, 0, 0, 0, 0,  0,  0},
    /* 3 */ { 0,  0, 0, 0, 0, 0,  0,  0},
    /* 2 */ { 0,  0, 0, 0, 0, 0,  0,  0},
    /* 1 */ { 0,  0, 0, 0, 0, 0,  0,  0},
}};
//            a   b  c  d  e  f   g   h

// King in the ending, White's half (Black's is its mirror): towards the centre.
inline constexpr SquareGrid<uint8_t> end_king = {{
    /* 8 */ {2, 2, 2, 2, 2, 2, 2, 2},
    /* 7 */ {2, 3, 3, 3, 3, 3, 3, 2},
    /* 6 */ {2, 3, 5, 5, 5, 5, 3, 2},
    /* 5 */ {2, 3, 5, 7, 7, 5, 3, 2},
    /* 4 */ {2, 3, 5, 7, 7, 5, 3, 2},
    /* 3 */ {2, 3, 5, 5, 5, 5, 3, 2},
    /* 2 */ {2, 2, 2, 2, 2, 2, 2, 2},
    /* 1 */ {0, 0, 0, 0, 0, 0, 0, 0},
}};
//           a  b  c  d  e  f  g  h

}  // namespace grid

// The tables the evaluators read, indexed by mailbox square.
inline constexpr SquareTable<uint8_t> position_good_knight = table_from_grid(grid::knight);
inline constexpr SquareTable<int8_t> position_good_bishop = table_from_grid(grid::bishop);

inline constexpr ColourTable ope_position_pawn = colour_table_mirrored(grid::ope_pawn);
inline constexpr ColourTable mid_position_pawn = colour_table_mirrored(grid::mid_pawn);
inline constexpr ColourTable end_position_pawn = colour_table_mirrored(grid::end_pawn);
inline constexpr ColourTable ope_position_king = {table_from_grid(grid::ope_king_white),
                                                   table_from_grid(grid::ope_king_black)};
inline constexpr ColourTable end_position_king = colour_table_mirrored(grid::end_king);
