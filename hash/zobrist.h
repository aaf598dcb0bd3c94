// Zobrist keys of positions: random key tables, redrawn at every table reset,
// the key from scratch and the incremental updates of an ordinary move.
#pragma once

#include <cstdint>

extern uint64_t zobrist[6][2][118];  // [piece code - 1][colour][square]
extern uint64_t zobrist_black;       // Black to move
extern uint64_t zobrist_castling[4]; // state bit i + 1 set (a castling right lost)
extern uint64_t hash_key;            // key of the position on the board

uint64_t rand64();
int test_zobrist(uint64_t candidate);
uint64_t ini_zobrist();
void set_zobrist();

uint64_t zobrist_value(uint8_t sqbyte, int square);
uint64_t zobrist_value_debug(int ignored, const uint8_t *cb, uint8_t sqbyte, int square);
uint64_t first_zobrist_key(const uint8_t *cb);

// Key update of an ordinary move or capture: before the board changes, and
// its undo after the board is restored.
void set_hash_move(const uint8_t *cb, int from, int to);
void unset_hash_move(const uint8_t *cb, int from, int to);
