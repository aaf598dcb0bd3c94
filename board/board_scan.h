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
