// On-demand attack detection: probes outward from a square over the board.
#pragma once

#include <cstdint>

#include "board/board_scan.h"

// 1 if a piece whose colour differs from colour attacks square, else 0.
// A square outside the playable board (such as the -1 of a missing king)
// is answered 0 without reading the board.
int king_attacked(const uint8_t *cb, uint8_t colour, int square);

// The same answer from the board's piece sets (piece_sets_of the board),
// with a look-up per stepping attacker and per line instead of probes; for
// a board whose playable squares hold only pieces and empty squares, as
// every board of the search. Squares off the playable board and colours
// other than White and Black are answered by probing the board.
int king_attacked(const uint8_t *cb, const PieceSets &sets, uint8_t colour, int square);

// Square of the king of that colour (first in ascending order), -1 if none.
int where_is_king(const uint8_t *cb, uint8_t colour);

// Castling path tests: 1 if none of square .. square+3 (king side) or
// square .. square-4 (queen side, including the b-file square and the rook's
// corner) is attacked.
int king_not_attacked_right(const uint8_t *cb, uint8_t colour, int square);
int king_not_attacked_left(const uint8_t *cb, uint8_t colour, int square);

// Turns a White-oriented pawn offset into the colour's own direction.
constexpr int pawn_move(int offset, uint8_t colour) { return colour == 1 ? -offset : offset; }
