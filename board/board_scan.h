// Occupancy of the 64 playable squares, read eight squares at a time.
//
// A rank's eight playable bytes lie next to each other in the mailbox (a-file
// first), so one 64-bit load reads a whole rank and a few word operations
// tell which of its bytes hold a piece. The evaluator and the generators
// then visit only the squares that matter instead of testing all 92 bytes
// from a1 to h8 one by one. Bit b of a scan (rank * 8 + file) stands for
// square boardin[b], so walking the bits upwards visits squares in the same
// ascending order as walking the board: generation order is unchanged.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "board/chess_cb.h"

namespace board_scan {

inline constexpr uint64_t LOW_NIBBLES = 0x0F0F0F0F0F0F0F0Full;
inline constexpr uint64_t PIECE_BITS = 0x0707070707070707ull;
inline constexpr uint64_t SEVEN_BITS = 0x7F7F7F7F7F7F7F7Full;
inline constexpr uint64_t HIGH_BITS = 0x8080808080808080ull;
inline constexpr uint64_t ONES = 0x0101010101010101ull;

// Bytes a1..h1 of rank r (0 = rank 1) in one word, the a-file in the lowest byte.
inline uint64_t rank_word(const uint8_t *cb, int rank) {
  const uint8_t *p = cb + square_of(0, rank);
  if constexpr (std::endian::native == std::endian::little) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
  } else {
    uint64_t w = 0;
    for (int i = 7; i >= 0; --i) w = (w << 8) | p[i];
    return w;
  }
}

// 0x80 in every byte whose value is non-zero (exact: no carries between bytes).
constexpr uint64_t nonzero_bytes(uint64_t w) { return (((w & SEVEN_BITS) + SEVEN_BITS) | w) & HIGH_BITS; }

// 0x80 in every byte equal to v.
constexpr uint64_t bytes_equal(uint64_t w, uint8_t v) { return ~nonzero_bytes(w ^ (ONES * v)) & HIGH_BITS; }

// The high bits of the eight bytes gathered into one byte, byte i to bit i.
constexpr uint8_t gather_high_bits(uint64_t m) {
  return uint8_t(((m >> 7) * 0x0102040810204080ull) >> 56);
}

// Squares holding a piece (any code 1..6; border bytes never lie on the
// playable ranks), split by colour. Empty squares may carry the en-passant
// mark, which the piece bits ignore.
struct Occupancy {
  uint64_t by_colour[2];
};

inline Occupancy occupancy(const uint8_t *cb) {
  Occupancy o{{0, 0}};
  for (int r = 0; r < 8; ++r) {
    const uint64_t w = rank_word(cb, r);
    const uint64_t occupied = nonzero_bytes(w & PIECE_BITS);
    const uint64_t black = occupied & (w << 4);  // colour bit 3 moved to bit 7
    o.by_colour[WHITE] |= uint64_t(gather_high_bits(occupied & ~black)) << (8 * r);
    o.by_colour[BLACK] |= uint64_t(gather_high_bits(black)) << (8 * r);
  }
  return o;
}

// Squares holding a piece of either colour.
inline uint64_t occupied(const uint8_t *cb) {
  uint64_t bits = 0;
  for (int r = 0; r < 8; ++r)
    bits |= uint64_t(gather_high_bits(nonzero_bytes(rank_word(cb, r) & PIECE_BITS))) << (8 * r);
  return bits;
}

// Squares of one colour only.
inline uint64_t occupancy_of(const uint8_t *cb, uint8_t colour) {
  uint64_t bits = 0;
  for (int r = 0; r < 8; ++r) {
    const uint64_t w = rank_word(cb, r);
    const uint64_t occupied = nonzero_bytes(w & PIECE_BITS);
    const uint64_t black = occupied & (w << 4);
    bits |= uint64_t(gather_high_bits(colour == WHITE ? occupied & ~black : black)) << (8 * r);
  }
  return bits;
}

// Removes the lowest set bit and answers its square.
inline int pop_square(uint64_t &bits) {
  const int b = std::countr_zero(bits);
  bits &= bits - 1;
  return boardin[b];
}

}  // namespace board_scan

// ---------------------------------------------------------------------------
// Piece sets: the squares of every piece code (piece | colour << 3) as a
// 64-bit set in the bit order above. The search keeps one up to date through
// its make and unmake, so that the evaluator, the king's square and the
// attack test read who stands where without walking the board.
// ---------------------------------------------------------------------------

// Bit of a mailbox square in a scan, -1 for border squares.
inline constexpr std::array<int8_t, CB_MAILBOX> square_bit = [] {
  std::array<int8_t, CB_MAILBOX> t{};
  for (int sq = 0; sq < CB_MAILBOX; ++sq) t[sq] = -1;
  for (int b = 0; b < 64; ++b) t[boardin[b]] = int8_t(b);
  return t;
}();

struct PieceSets {
  // Indexed by the square byte's low nibble; codes 0, 7, 8 and 15 (empty,
  // border) are never set by piece_sets_of and never compared.
  uint64_t of[16];
  uint64_t by_colour[2];  // every piece of each colour
};

inline PieceSets piece_sets_of(const uint8_t *cb) {
  PieceSets s{};
  for (uint64_t bits = board_scan::occupied(cb); bits != 0; bits &= bits - 1) {
    const int b = std::countr_zero(bits);
    const uint8_t code = cb[boardin[b]] & (PIECE_MASK | COLOUR_BIT);
    s.of[code] |= uint64_t(1) << b;
    s.by_colour[code >> 3] |= uint64_t(1) << b;
  }
  return s;
}

// Whether two sets agree on every piece code.
inline bool same_pieces(const PieceSets &a, const PieceSets &b) {
  for (int code = PAWN; code <= KING; ++code)
    if (a.of[code] != b.of[code] || a.of[code | COLOUR_BIT] != b.of[code | COLOUR_BIT]) return false;
  return a.by_colour[WHITE] == b.by_colour[WHITE] && a.by_colour[BLACK] == b.by_colour[BLACK];
}

// Lowest square of a set (the first a walk over the board meets), -1 if empty.
inline int first_square(uint64_t set) { return set == 0 ? -1 : boardin[std::countr_zero(set)]; }

// ---------------------------------------------------------------------------
// Lines and steps on the 64-bit sets, for finding the first piece along a
// line with one look-up instead of a walk, and for ruling out steps and
// jumps that reach no piece of interest before probing them one by one.
// ---------------------------------------------------------------------------

namespace board_scan {

// Index 0..7 of a slider direction in LINE: +12, -12, +1, -1, +11, +13, -11, -13.
constexpr int line_index(int mailbox_step) {
  switch (mailbox_step) {
    case 12: return 0;
    case -12: return 1;
    case 1: return 2;
    case -1: return 3;
    case 11: return 4;
    case 13: return 5;
    case -11: return 6;
    default: return 7;  // -13
  }
}
inline constexpr int LINE_STEPS[8] = {12, -12, 1, -1, 11, 13, -11, -13};

// A slider's direction list (ended by 0) as LINE indexes, in the same order.
template <size_t N>
constexpr std::array<uint8_t, N - 1> line_indexes(const std::array<int8_t, N> &dirs) {
  std::array<uint8_t, N - 1> t{};
  for (size_t i = 0; i + 1 < N; ++i) t[i] = uint8_t(line_index(dirs[i]));
  return t;
}

// The squares from a square along a direction up to the board's edge, the
// square itself excluded.
inline constexpr std::array<std::array<uint64_t, 64>, 8> LINE = [] {
  std::array<std::array<uint64_t, 64>, 8> t{};
  for (int d = 0; d < 8; ++d)
    for (int b = 0; b < 64; ++b)
      for (int sq = boardin[b] + LINE_STEPS[d]; square_bit[sq] >= 0; sq += LINE_STEPS[d])
        t[d][b] |= uint64_t(1) << square_bit[sq];
  return t;
}();

// First square (as a bit) of `pieces` along direction d from bit b, -1 if
// the line reaches the edge without meeting one. Directions that raise the
// square's index meet the lowest bit first, the others the highest.
inline int first_on_line(uint64_t pieces, int d, int b) {
  const uint64_t met = LINE[d][b] & pieces;
  if (met == 0) return -1;
  return LINE_STEPS[d] > 0 ? std::countr_zero(met) : 63 - std::countl_zero(met);
}

// Every square reached by the steps of a list (ended by 0) from each square.
template <size_t N>
constexpr std::array<uint64_t, 64> step_targets(const std::array<int8_t, N> &steps) {
  std::array<uint64_t, 64> t{};
  for (int b = 0; b < 64; ++b)
    for (size_t i = 0; i + 1 < N; ++i) {
      const int sq = boardin[b] + steps[i];
      if (sq >= 0 && sq < CB_MAILBOX && square_bit[sq] >= 0) t[b] |= uint64_t(1) << square_bit[sq];
    }
  return t;
}
// Every square along the four straight lines, and along the four diagonal
// ones: what a rook and a bishop (a queen: both) could reach on an empty board.
inline constexpr std::array<std::array<uint64_t, 64>, 2> REACH = [] {
  std::array<std::array<uint64_t, 64>, 2> t{};
  for (int b = 0; b < 64; ++b)
    for (int d = 0; d < 8; ++d) t[d < 4 ? 0 : 1][b] |= LINE[d][b];
  return t;
}();
inline constexpr int STRAIGHT = 0, DIAGONAL = 1;

inline constexpr auto BISHOP_LINES = line_indexes(argbishop);
inline constexpr auto ROOK_LINES = line_indexes(argrook);
inline constexpr auto QUEEN_LINES = line_indexes(argqueen);
inline constexpr std::array<uint64_t, 64> KNIGHT_TARGETS = step_targets(argknight);
inline constexpr std::array<uint64_t, 64> KING_TARGETS = step_targets(argking);
// Indexed by the pawn's colour: the squares it captures on.
inline constexpr std::array<std::array<uint64_t, 64>, 2> PAWN_TARGETS = {step_targets(argpwhite),
                                                                          step_targets(argpblack)};

// Squares holding a piece, and those holding a piece of each colour, where a
// piece is a code 1..6: the scan the generators start from. A byte holding
// the border code inside the playable squares (no game reaches one) counts
// as occupied by nobody, as a walk over the board treats it: it stops lines
// but is neither side's piece.
struct Pieces {
  uint64_t all;           // every non-empty playable byte
  uint64_t by_colour[2];  // codes 1..6 of each colour
};

inline Pieces pieces_of(const uint8_t *cb) {
  Pieces p{0, {0, 0}};
  for (int r = 0; r < 8; ++r) {
    const uint64_t w = rank_word(cb, r);
    const uint64_t kinds = w & PIECE_BITS;
    const uint64_t occupied = nonzero_bytes(kinds);
    const uint64_t real = occupied & ~bytes_equal(kinds, BORDER);
    const uint64_t black = real & (w << 4);  // colour bit 3 moved to bit 7
    p.all |= uint64_t(gather_high_bits(occupied)) << (8 * r);
    p.by_colour[WHITE] |= uint64_t(gather_high_bits(real & ~black)) << (8 * r);
    p.by_colour[BLACK] |= uint64_t(gather_high_bits(black)) << (8 * r);
  }
  return p;
}

// The same from piece sets kept for a board whose playable squares hold
// only pieces and empty squares.
inline Pieces pieces_of(const PieceSets &sets) {
  return {sets.by_colour[WHITE] | sets.by_colour[BLACK], {sets.by_colour[WHITE], sets.by_colour[BLACK]}};
}

}  // namespace board_scan
