// Positions given as FEN text: setting the board up from one, checked
// field by field, and writing the board back as one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/chess_cb.h"

// Bounds of the two counters. No game reaches them; they keep every count
// derived from them (the phase's half-move count, moves to go) far inside int.
inline constexpr int FEN_HALFMOVE_CLOCK_MAX = 100000;
inline constexpr int FEN_FULLMOVE_MAX = 100000;

// Room for any FEN that position_to_fen writes, with its terminating zero.
inline constexpr int FEN_TEXT_SIZE = 128;

// What load_position_fen found besides the board.
struct FenSetup {
  // Half-moves a game from the start position would have played to reach the
  // FEN: 2 * (fullmove - 1), plus 1 when Black is to move. The phase and the
  // default moves to go count from here.
  int half_moves;
  int halfmove_clock;  // the fifth field, 0 when missing (the engine keeps no fifty-move count)
  int fullmove;        // the sixth field, 1 when missing; a 0 that some writers emit is taken as 1
  bool is_start;       // the board set up equals the start position: side, rights and all
  // Text after the "moves" keyword that may follow the fields (the move list
  // to replay), nullptr when there is none.
  const char *moves;
  // Letters of the castling rights the FEN gave but the board cannot carry
  // (king or rook away from home, no rook where the letter says, a second
  // rook for one side, a file letter under standard rules); empty when none.
  char dropped[5];
  // Why the FEN was refused; empty when it was accepted.
  char reason[160];
};

// Sets cb up from the FEN at the start of text: blank- or tab-separated
// fields, piece placement, side to move, castling rights, en-passant square,
// then optionally the halfmove clock and the fullmove number, then
// optionally the keyword "moves" and a move list (not read here).
//
// The castling field is read under the game's castling rules (the board's
// byte 151, which rules sets): under standard rules the letters KQkq, each
// kept only where king and rook stand on their home squares; under Chess960
// rules Shredder-FEN file letters ("HAha": the rook on that file of its
// side's first rank) and X-FEN's KQkq (the outermost rook on that side of
// the king) alike. A letter the board cannot carry drops its right, with a
// line in the transcript; that includes file letters under standard rules.
//
// On success returns true and the board is exactly what a game reaching the
// position through play_move leaves: castled bits clear, bytes 145 and 146
// zero, an en-passant mark only on the pawn that the en-passant square says
// has just advanced two squares, and the castling rights as above.
//
// On failure returns false, leaves cb untouched and says why in
// setup.reason. Refused: a missing field, anything after the sixth field
// other than "moves", a rank that is not eight squares or a placement that
// is not eight ranks, a letter that is not a piece, not exactly one king per
// side, a pawn on the first or eighth rank, a side other than "w" or "b", a
// castling field other than "-" or up to four distinct letters of "KQkq",
// "A" to "H" and "a" to "h", an
// en-passant square that no pawn of the side not to move has just passed
// (wrong rank, no such pawn just past it, or the square or the one behind it
// not empty), the side not to move in check, counters that are not plain
// decimal numbers within their bounds.
bool load_position_fen(uint8_t *cb, const char *text, FenSetup &setup, uint8_t rules = RULES_STANDARD);

// Writes the board as a FEN into out (size bytes, FEN_TEXT_SIZE suffice) and
// returns its length, or 0 if it does not fit. The fullmove number is
// half_moves / 2 + 1 for a game that has played half_moves half-moves (the
// count FenSetup::half_moves starts), the halfmove clock 0 (the board does
// not keep it). Castling rights are those whose lost flag is clear, written
// KQkq, except that under Chess960 rules a rook with another of its colour
// further out on its side of the king is written by its file letter; the
// en-passant square is the one behind a marked pawn of the side not to move
// that stands where a two-square advance leaves it.
int position_to_fen(const uint8_t *cb, int half_moves, char *out, size_t size);
