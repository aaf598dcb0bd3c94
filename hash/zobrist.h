// Zobrist keys of positions: the random key tables and the key of a board
// computed from scratch. The search keeps its own key up to date move by
// move (search/make_move), reading the tables below.
//
// A key is the XOR of one table value per piece on its square, zobrist_black
// when Black is to move, and zobrist_castling[i] for every lost-right flag
// (state bit i + 1) that is set. En-passant marks, the castled bits 5 and 6
// and bytes 145/146 are not part of the key. Keys are redrawn before every
// search pass, so a key means something only within the pass that made it.
#pragma once

#include <cstdint>

inline constexpr int ZOBRIST_SQUARES = 118;  // mailbox 0..117: every square a piece can stand on
inline constexpr int ZOBRIST_KEY_COUNT = 6 * 2 * ZOBRIST_SQUARES + 1 + 4;  // 1,421

extern uint64_t zobrist[6][2][ZOBRIST_SQUARES];  // [piece code - 1][colour][square]
extern uint64_t zobrist_black;                   // Black to move
extern uint64_t zobrist_castling[4];             // state bit i + 1 set (a castling right lost)

// The piece keys again, as the search's make reads them: by the square
// byte's low nibble (piece | colour << 3) and the square, 0 for codes
// without a piece and for squares 118..127, so that a look-up needs neither
// a test nor a subtraction. Written by set_zobrist together with zobrist.
extern uint64_t zobrist_by_code[16][128];

// Next 64-bit draw: five calls of the C runtime's rand, 15 bits each. Never
// seeds the generator.
uint64_t rand64();

// 1 if candidate differs from every value the three key tables hold now
// (including values of the previous draw not yet replaced), else 0.
int test_zobrist(uint64_t candidate);

// Draws until test_zobrist accepts a value, and returns it.
uint64_t ini_zobrist();

// Redraws all 1,421 keys: pieces (piece, colour, square order), then the side
// key, then the four castling keys, each entry exactly as ini_zobrist would
// draw it at that moment (the same velkor_rand() values consumed, the same draws
// refused). The test of a draw against the values held is a look-up, not a
// pass over the tables: a redraw costs about as many instructions as its
// 7,105 velkor_rand() calls.
void set_zobrist();

// Key of a square byte on a square; the en-passant mark is ignored. A byte
// without a piece (empty or border) or a square outside 0..117 has no key: 0.
// Inline: every make and unmake of the search calls it a few times.
inline uint64_t zobrist_value(uint8_t sqbyte, int square) {
  const unsigned piece = sqbyte & 7u;
  // Callers pass piece bytes on playable squares; anything else would index
  // outside the table, so it gets no key rather than a stray read.
  if (piece - 1u >= 6u || unsigned(square) >= unsigned(ZOBRIST_SQUARES)) return 0;
  return zobrist[piece - 1][(sqbyte >> 3) & 1][square];
}

// zobrist_value for a square byte on a square the search's moves use
// (0..127): one load, no test.
inline uint64_t zobrist_code_key(uint8_t sqbyte, uint8_t square) { return zobrist_by_code[sqbyte & 15][square & 127]; }

// Key of the board computed from scratch.
uint64_t first_zobrist_key(const uint8_t *cb);
