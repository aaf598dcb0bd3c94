// The file term of the evaluation (doubled and isolated pawns, rooks on open
// and half-open files) computed from per-file masks with one table look-up
// per colour instead of a walk over the eight files.
//
// hoz_evaluation walks the files a to h keeping, per colour, the length of
// the current run of files that hold exactly one pawn of that colour: a file
// with two or more pawns is doubled and leaves the run as it is, an empty file
// ends it (a run of one is an isolated pawn), and a rook is judged by
// the run counters once that file's pawns are counted. Everything a colour's
// own walk produces depends only on which files hold no, one, or several of
// its pawns, so it is tabulated once for all 3^8 such patterns.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "eval/weights.h"

namespace file_structure {

// One colour's pawn pattern: the points it costs its own side, and bit f set
// when the run counter stands at zero after file f (an empty file, or files
// with several pawns since the last empty one).
struct Entry {
  int16_t penalty;
  uint8_t zero_after;
};

inline constexpr int PATTERNS = 6561;  // 3^8

// Walk of hoz_evaluation for one colour, pattern given as per-file classes.
constexpr Entry walk(const int (&cls)[8]) {
  int penalty = 0, run = 0;
  uint8_t zero_after = 0;
  for (int f = 0; f < 8; ++f) {
    if (cls[f] == 2) {
      penalty += weights::DOUBLED_PAWNS;
    } else if (cls[f] == 0) {
      if (run == 1) penalty += weights::ISOLATED_PAWN;
      run = 0;
    } else {
      ++run;
    }
    if (run == 0) zero_after |= uint8_t(1u << f);
  }
  if (run == 1) penalty += weights::ISOLATED_PAWN;
  return {int16_t(penalty), zero_after};
}

inline constexpr std::array<Entry, PATTERNS> TABLE = [] {
  std::array<Entry, PATTERNS> t{};
  for (int i = 0; i < PATTERNS; ++i) {
    int cls[8] = {};
    for (int f = 0, n = i; f < 8; ++f, n /= 3) cls[f] = n % 3;
    t[i] = walk(cls);
  }
  return t;
}();

// Sum of 3^f over the set bits f of a file mask.
inline constexpr std::array<uint16_t, 256> BASE3 = [] {
  std::array<uint16_t, 256> t{};
  for (int m = 0; m < 256; ++m) {
    int v = 0;
    for (int f = 7; f >= 0; --f) v = v * 3 + ((m >> f) & 1);
    t[m] = uint16_t(v);
  }
  return t;
}();

// Number of set bits of a file mask (a table: the portable build has no
// population-count instruction and would call a library routine).
inline constexpr std::array<uint8_t, 256> BITS = [] {
  std::array<uint8_t, 256> t{};
  for (int m = 0; m < 256; ++m) t[m] = uint8_t(std::popcount(unsigned(m)));
  return t;
}();

// Table entry of a colour with pawns on the files of one, two or more on
// those of two (two is a subset of one).
inline const Entry &entry(uint8_t one, uint8_t two) { return TABLE[BASE3[one] + BASE3[two]]; }

}  // namespace file_structure

// Same result as hoz_evaluation(score, pawn file counts, rook file counts),
// with per colour (index 0 White, 1 Black) the masks of files holding at
// least one pawn, at least two pawns, and at least one rook.
inline int file_evaluation(int score, const uint8_t pawns_one[2], const uint8_t pawns_two[2],
                           const uint8_t rooks[2]) {
  const file_structure::Entry &w = file_structure::entry(pawns_one[0], pawns_two[0]);
  const file_structure::Entry &b = file_structure::entry(pawns_one[1], pawns_two[1]);
  score += b.penalty - w.penalty;
  const uint8_t both_zero = w.zero_after & b.zero_after;
  score +=
      weights::ROOK_OPEN_FILE * file_structure::BITS[uint8_t(rooks[0] & both_zero)] +
      weights::ROOK_HALF_OPEN_FILE * file_structure::BITS[uint8_t(rooks[0] & w.zero_after & ~b.zero_after)];
  score -=
      weights::ROOK_OPEN_FILE * file_structure::BITS[uint8_t(rooks[1] & both_zero)] +
      weights::ROOK_HALF_OPEN_FILE * file_structure::BITS[uint8_t(rooks[1] & b.zero_after & ~w.zero_after)];
  return score;
}
