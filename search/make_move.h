// Making and unmaking a Generated move inside the search, in place on the one
// board, with hash_key and the castling-lost flags kept in step.
//
// A node copies state byte 144 once on entry; every unmake writes that copy
// back (side to move, lost flags and castled bits at once) before it puts the
// squares back, so the make is free to set flags without remembering them.
// Only their Zobrist keys must be XORed out again: the undo record keeps which
// ones the make XORed in.
#pragma once

#include <cstdint>

// What one make needs its unmake to know. Lives on the searching node's stack.
struct SearchUndo {
  uint64_t key;            // hash_key before the make; the unmake checks against it
  uint8_t mover;           // piece code on the from-square before the make
  uint8_t target;          // piece code and colour on the to-square (0 if empty)
  uint8_t victim;          // en passant: piece code and colour of the pawn taken
  int8_t castling_key[4];  // zobrist_castling indices XORed by the make, -1 = none:
                           // [0], [1] king move or castling, [2] rook move,
                           // [3] a move onto a rook's corner
};

// Applies the Generated move gm (of the side to move) to the board: bytes 145
// and 146 take its squares, hash_key and the lost flags follow the move, and
// the side to move is toggled. Before: undo is any record. After: undo holds
// what search_unmake needs.
void search_make(uint8_t *cb, uint32_t gm, SearchUndo &undo);

// Takes gm back: byte 144 := state (the node's copy from before the make),
// squares and hash_key as before the make. If the key then differs from the
// one saved by the make, the saved key is reinstated and UCI_debug is told.
// The one byte not restored: a to-square of a two-square advance loses any
// en-passant mark it carried before the make.
void search_unmake(uint8_t *cb, uint32_t gm, uint8_t state, SearchUndo &undo);
