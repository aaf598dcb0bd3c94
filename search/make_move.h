// Making and unmaking a move inside the search, in place on the thread's
// board, with the thread's key (Search::key), kept pieces and the
// castling-lost flags kept in step: the one make and unmake of alpha_beta
// and quies alike.
//
// A node copies state byte 144 once on entry; every unmake writes that copy
// back (side to move, lost flags and castled bits at once) before it puts
// the squares back, so the make is free to set flags without remembering
// them. The key is restored from the undo record.
#pragma once

#include <cstdint>

#include "board/board_scan.h"

struct Search;  // search_context.h

// What one make needs its unmake to know. Lives on the searching node's stack.
struct SearchUndo {
  uint64_t key;      // the thread's key before the make
  int32_t material;  // the kept piece-square sum before the make
  uint8_t mover;   // piece code on the from-square before the make
  uint8_t target;  // piece code and colour on the to-square (0 if empty)
  uint8_t victim;  // en passant: piece code and colour of the pawn taken
  uint16_t marks;  // en-passant marks the make expired: bit i = file i % 8 of rank 4 + i / 8
};

// Applies the Generated move gm (of the side to move) to the board: bytes 145
// and 146 take its squares, the key, the kept pieces and the lost flags
// follow the move, and
// the side to move is toggled. As with a game move, the mover's move expires
// every en-passant mark but those on the opponent's pawns, so that a pawn
// can be taken en passant only on the reply to its two-square advance; and
// the move's destination loses its mark (the piece that arrives there is not
// the pawn that advanced), also on a KIND_PLAIN_CAPTURE.
// KIND_PLAIN_CAPTURE moves the piece as it is and leaves the rights and the
// other marks alone (the captures that follow it are never en passant).
// Before: undo is any record. After: undo holds what search_unmake needs.
void search_make(Search &s, uint8_t *cb, uint32_t gm, SearchUndo &undo);

// Starts loading the table slot of the position after gm (of the side to
// move) into the processor's cache, so that the child's probe finds it at
// hand: search_make does so first thing, and a node may do so earlier for a
// move it is about to try. Changes nothing that can be observed.
void search_prefetch(const Search &s, const uint8_t *cb, uint32_t gm);

// Takes gm back: byte 144 := state (the node's copy from before the make),
// squares, en-passant marks, key and kept pieces exactly as before the make.
void search_unmake(Search &s, uint8_t *cb, uint32_t gm, uint8_t state, const SearchUndo &undo);

// Besides the key, the make and unmake keep a record of the pieces for the
// evaluator, the legality test and the en-passant expiry (Search::kept):
// the piece sets (board_scan.h), the sum of the search's phase's
// piece-square values (piece_square_sum) and where the en-passant marks
// stand. search_set_position builds it, with the key, from the board; it
// then stays true for as long as the board changes only through
// search_make and search_unmake. Code that sets up another board, or
// changes squares or marks by other means, calls search_set_position again.

// The static evaluation of the board (as heuristic, which it equals) from
// the kept record, counted as one of the thread's evaluations.
int search_evaluate(Search &s, const uint8_t *cb);

// Square of the colour's king as where_is_king answers it (the first in
// ascending order, -1 for none), from the kept record.
int search_king_square(const Search &s, uint8_t colour);

// Whether the board, its key and the kept record agree: the key equals the
// key computed from scratch, every border byte holds the border code and
// byte 144 has no stray bit, and the kept record holds the board's piece
// sets, piece-square sum and marks. Checked after every make and unmake in
// debug builds.
bool search_board_is_sound(const Search &s, const uint8_t *cb);
