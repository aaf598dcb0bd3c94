// Test support: squares and pieces by name, boards built by hand, and games
// of any length, for tests that set positions up themselves.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "board/chess_cb.h"
#include "notation/position.h"

// Mailbox index of a square named like "e4".
constexpr int sq(const char *name) { return square_of(name[0] - 'a', name[1] - '1'); }
inline int sq(const std::string &name) { return sq(name.c_str()); }

// Name of a playable square ("e4").
inline std::string square_name(int s) {
  return std::string{char('a' + square_column(s) - 2), char('1' + square_row(s) - 2)};
}

// A move as coordinate text ("e2e4"), without a promotion letter.
inline std::string move_name(int from, int to) { return square_name(from) + square_name(to); }

// Piece code of a letter of either case ("p" to "k"); any other letter
// throws, so that a mistyped test position fails rather than lose a piece.
inline uint8_t piece_code(char letter) {
  switch (letter | 0x20) {
    case 'p':
      return PAWN;
    case 'n':
      return KNIGHT;
    case 'b':
      return BISHOP;
    case 'r':
      return ROOK;
    case 'q':
      return QUEEN;
    case 'k':
      return KING;
    default:
      throw std::invalid_argument(std::string("piece letter ") + letter);
  }
}

// The start position with every playable square emptied: border intact,
// White to move, the start's state byte (no castling right lost).
inline void clear_board(uint8_t *cb) {
  start_position(cb);
  for (int s : boardin) cb[s] = EMPTY;
}

// Whether the coordinate text ("e2e4") is a move from a square that holds a
// piece of the side to move, once the move list is replayed from the start.
inline bool moves_a_piece_of_side_to_move(const std::string &move, const std::string &move_list) {
  uint8_t cb[CB_SIZE];
  start_position(cb);
  load_position_txt2(cb, move_list.c_str());
  const uint32_t word = convert_move(move.c_str(), side_to_move(cb));
  if ((word & MW_SCORE_MASK) != 0) return false;
  const uint8_t from = cb[move_from(word)];
  return piece_of(from) != EMPTY && colour_of(from) == side_to_move(cb);
}

// Knights out and home again, White first (or Black first): a legal game of
// any length that leaves the material whole and, after a multiple of four
// half-moves from the start, the start position.
inline std::string knight_shuffle(int half_moves, bool black_first = false) {
  const char *white[] = {"g1f3", "f3g1"};
  const char *black[] = {"g8f6", "f6g8"};
  std::string list;
  for (int i = 0; i < half_moves; ++i) {
    const bool black_moves = (i % 2 == 0) == black_first;
    const int step = (i / 2) % 2;
    list += std::string(i > 0 ? " " : "") + (black_moves ? black[step] : white[step]);
  }
  return list;
}
