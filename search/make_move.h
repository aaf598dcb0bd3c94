// Making and unmaking a move inside the search, in place on the one board,
// with hash_key and the castling-lost flags kept in step: the one make and
// unmake of alpha_beta and quies alike.
//
// A node copies state byte 144 once on entry; every unmake writes that copy
// back (side to move, lost flags and castled bits at once) before it puts
// the squares back, so the make is free to set flags without remembering
// them. The key is restored from the undo record.
#pragma once

#include <cstdint>

#include "board/board_scan.h"

// What one make needs its unmake to know. Lives on the searching node's stack.
struct SearchUndo {
  uint64_t key;      // hash_key before the make
  int32_t material;  // the kept piece-square sum before the make
  uint8_t phase;     // the phase that sum was taken for
  uint8_t mover;   // piece code on the from-square before the make
  uint8_t target;  // piece code and colour on the to-square (0 if empty)
  uint8_t victim;  // en passant: piece code and colour of the pawn taken
  uint16_t marks;  // en-passant marks the make expired: bit i = file i % 8 of rank 4 + i / 8
};

// Applies the Generated move gm (of the side to move) to the board: bytes 145
// and 146 take its squares, hash_key and the lost flags follow the move, and
// the side to move is toggled. As with a game move, the mover's move expires
// every en-passant mark but those on the opponent's pawns, so that a pawn
// can be taken en passant only on the reply to its two-square advance; and
// the move's destination loses its mark (the piece that arrives there is not
// the pawn that advanced), also on a KIND_PLAIN_CAPTURE.
// KIND_PLAIN_CAPTURE moves the piece as it is and leaves the rights and the
// other marks alone (the captures that follow it are never en passant).
// Before: undo is any record. After: undo holds what search_unmake needs.
void search_make(uint8_t *cb, uint32_t gm, SearchUndo &undo);

// Starts loading the table slot of the position after gm (of the side to
// move) into the processor's cache, so that the child's probe finds it at
// hand: search_make does so first thing, and a node may do so earlier for a
// move it is about to try. Changes nothing that can be observed.
void search_prefetch(const uint8_t *cb, uint32_t gm);

// Takes gm back: byte 144 := state (the node's copy from before the make),
// squares, en-passant marks and hash_key exactly as before the make.
void search_unmake(uint8_t *cb, uint32_t gm, uint8_t state, const SearchUndo &undo);

// Besides the key, the make and unmake keep a record of the pieces for the
// evaluator and the legality test: the piece sets (board_scan.h) and the sum
// of the current phase's piece-square values (piece_square_sum). The record
// names the key of the position it describes; whenever that is not hash_key
// (new keys were drawn for a pass, a test set up another board) or the phase
// has changed, it is rebuilt from the board at the next make or question,
// so it needs no setting up by the caller.

// The static evaluation of the board (as heuristic, which it equals) from
// the kept record. hash_key must be the board's key.
int search_evaluate(const uint8_t *cb);

// The board's piece sets (piece_sets_of), from the kept record.
const PieceSets &search_piece_sets(const uint8_t *cb);

// Square of the colour's king as where_is_king answers it (the first in
// ascending order, -1 for none), from the kept record.
int search_king_square(const uint8_t *cb, uint8_t colour);

// The kept record describes the position of hash_key, en-passant marks
// included, and marks are not part of the key: code that changes marks on
// the board outside search_make/search_unmake without drawing new keys (as
// every search pass does) must call this first.
void search_forget_kept();

// Whether the board and its key agree: hash_key equals the key computed
// from scratch, every border byte holds the border code and byte 144 has no
// stray bit, and the kept record, when it claims the board's key, holds
// the board's piece sets and piece-square sum. Checked after every make and
// unmake in debug builds.
bool search_board_is_sound(const uint8_t *cb);
