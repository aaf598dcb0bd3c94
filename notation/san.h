// Moves in standard algebraic notation (SAN), as test suites and game
// records write them: read against the legal moves of a position, and
// written for one of them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/chess_cb.h"

// A legal move of the side to move: its squares and, for a pawn that reaches
// the last rank, the piece it becomes (EMPTY otherwise).
struct LegalMove {
  uint8_t from, to;
  uint8_t promotion;
  uint8_t kind;  // the generator's MoveKind; a promotion's kind is the new piece's code
};

// Room for every legal move of any position, under-promotions included.
inline constexpr int MAX_LEGAL_MOVES = 2 * MAX_GENERATED_MOVES;

// Writes the legal moves of the side to move into list (room for
// MAX_LEGAL_MOVES) and returns their number: the generator's moves that do
// not leave the own king attacked, with the rook and bishop promotions that
// the generator leaves out added beside its queen promotions.
int legal_moves(const uint8_t *cb, LegalMove *list);

// The Move word that makes the move with play_move (score field 0).
uint32_t legal_move_word(const LegalMove &move);

// The legal move a Move word names (a pawn reaching the last rank becomes
// the piece the word's promotion bits say); false if it names none.
bool legal_move_of_word(const uint8_t *cb, uint32_t word, LegalMove &move);

// The same, looked up in list, the count legal moves of the board (for a
// caller that names several moves of one position).
bool legal_move_in_list(const uint8_t *cb, const LegalMove *list, int count, uint32_t word, LegalMove &move);

// Reads one move written in SAN ("Nf3", "exd5", "Rad1", "R1e2", "Qh4xe1",
// "e8=Q", "e8Q", "O-O", "0-0-0"; check, mate and comment marks "+", "#",
// "!", "?" ignored) or in coordinates ("e2e4", "e7e8q"). A pawn promotion
// without a piece becomes a queen; a capture mark is required of pawns (it
// tells a capture from an advance) and checked for pieces when written.
// Answers true with the one legal move that fits; false, with the reason in
// why, when the text is no move, no legal move fits, or several do.
bool san_to_move(const uint8_t *cb, const char *text, LegalMove &move, const char *&why);

// Writes the legal move in SAN into out (size bytes; 16 suffice), with the
// file, the rank or both of its square of departure where another piece of
// its kind could go to the same square, "=Q" and the like for a promotion,
// and "+" or "#" when it gives check or mate. Returns the length, 0 if it
// does not fit.
int move_to_san(const uint8_t *cb, const LegalMove &move, char *out, size_t size);
