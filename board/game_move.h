// Game moves: applying a move of the game to the board.
#pragma once

#include <cstdint>

// Applies a game move (a Move word with score field 0) to the board. Castling
// (under standard rules a king moving two columns from e1 or e8, under
// Chess960 rules a king moving onto its own rook on its back rank),
// promotion and en passant are recognised from the board and the move alone;
// castling-lost flags and en-passant marks are kept up to date, and the
// other side is to move after it (bit 0 of byte 144 turned over). Legality
// is not tested.
void play_move(uint8_t *cb, uint32_t move);

// Whether the game move (a Move word as play_move reads it) starts the
// count of the fifty-move rule afresh: a pawn moves, or a piece of the
// other side is taken. A Chess960 castling, the king onto its own rook,
// takes nothing.
bool resets_fifty_move_count(const uint8_t *cb, uint32_t move);

// Clears every en-passant mark on the mailbox except those on pawns of the
// side other than colour.
void unset_ep(uint8_t *cb, uint8_t colour);
