// The material and square bonus of every piece on every square, per phase,
// as one table look-up per piece: the evaluator sums it over the board, and
// the search keeps the same sum up to date move by move.
#pragma once

#include <array>
#include <cstdint>

#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "eval/piece_square_tables.h"
#include "eval/weights.h"

namespace phase_terms {

// What differs between the three phase evaluators.
struct PhaseTerms {
  int bishop_value;
  const ColourTable *pawn_table;
  const ColourTable *king_table;
  bool pawn_and_king_safety;  // malus_pawn_security and check_security_king
};

inline constexpr PhaseTerms OPENING = {weights::BISHOP_OPENING_VALUE, &ope_position_pawn, &ope_position_king,
                                       false};
inline constexpr PhaseTerms MIDDLE = {weights::BISHOP_VALUE, &mid_position_pawn, &ope_position_king, true};
inline constexpr PhaseTerms ENDING = {weights::BISHOP_VALUE, &end_position_pawn, &end_position_king, true};

// Material and square bonus of every piece on every square, signed for
// White's point of view, looked up as [piece | colour][rank * 8 + file]: one
// addition per piece instead of a branch per piece kind.
using PieceSquareValues = std::array<std::array<int16_t, 64>, 16>;

constexpr PieceSquareValues piece_square_values(const PhaseTerms &t) {
  PieceSquareValues v{};
  for (int b = 0; b < 64; ++b) {
    const int s = boardin[b];
    for (int c = WHITE; c <= BLACK; ++c) {
      const int sign = c == WHITE ? 1 : -1;
      const auto row = [&](int piece) -> std::array<int16_t, 64> & { return v[piece | (c << 3)]; };
      row(PAWN)[b] = int16_t(sign * (weights::PAWN_VALUE + (*t.pawn_table)[c][s]));
      // Same entry for both colours: the knight table is not mirrored.
      row(KNIGHT)[b] = int16_t(sign * (weights::KNIGHT_VALUE + position_good_knight[s]));
      // Signed entry: a bishop on a corner loses points for its side.
      row(BISHOP)[b] = int16_t(sign * (t.bishop_value + position_good_bishop[s]));
      row(ROOK)[b] = int16_t(sign * weights::ROOK_VALUE);
      row(QUEEN)[b] = int16_t(sign * weights::QUEEN_VALUE);
      row(KING)[b] = int16_t(sign * (*t.king_table)[c][s]);
    }
  }
  return v;
}

inline constexpr PieceSquareValues OPENING_VALUES = piece_square_values(OPENING);
inline constexpr PieceSquareValues MIDDLE_VALUES = piece_square_values(MIDDLE);
inline constexpr PieceSquareValues ENDING_VALUES = piece_square_values(ENDING);

// Table of a phase; an undefined phase (which no evaluation accepts) reads
// the opening's, so that keeping the sum never indexes outside a table.
inline const PieceSquareValues &phase_values(int phase) {
  switch (phase) {
    case PHASE_MIDDLE: return MIDDLE_VALUES;
    case PHASE_ENDING: return ENDING_VALUES;
    default: return OPENING_VALUES;
  }
}

}  // namespace phase_terms
