// Boards for the evaluation tests: the start position's border with pieces
// placed from a short text such as "Ke1 ke8 Pd2" (upper case White, lower
// case Black, piece letter then square).
#pragma once

#include <array>
#include <cstdint>
#include <sstream>
#include <string>

#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "support/test_board.h"

using Board = std::array<uint8_t, CB_SIZE>;

// Start-position board with every playable square emptied: White to move, no
// castling flags, border intact.
inline Board empty_board() {
  Board b{};
  clear_board(b.data());
  return b;
}

inline void place(Board &b, const std::string &pieces) {
  std::istringstream in(pieces);
  std::string token;
  while (in >> token) {
    const uint8_t colour = (token[0] >= 'a' && token[0] <= 'z') ? BLACK : WHITE;
    cb_set_value(uint8_t(sq(token.substr(1))), piece_code(token[0]), colour, b.data());
  }
}

inline Board board_with(const std::string &pieces) {
  Board b = empty_board();
  place(b, pieces);
  return b;
}

// The evaluator of a phase, called directly (no counter or dispatch checks).
inline int evaluate_in(int phase, const Board &b) {
  switch (phase) {
    case PHASE_OPENING: return heuristic_opening(b.data(), side_to_move(b.data()));
    case PHASE_MIDDLE: return heuristic_middle(b.data(), side_to_move(b.data()));
    default: return heuristic_ending(b.data(), side_to_move(b.data()));
  }
}
