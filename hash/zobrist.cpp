#include "hash/zobrist.h"

#include <cstdlib>

#include "board/chess_cb.h"

uint64_t zobrist[6][2][ZOBRIST_SQUARES];
uint64_t zobrist_black;
uint64_t zobrist_castling[4];
uint64_t hash_key;
uint64_t zobrist_by_code[16][128];

// Returns the next 64-bit draw; consumes exactly five rand() values.
uint64_t rand64() {
  // The runtime's rand may give more than 15 bits (glibc gives 31); the key
  // layout assumes 15, so each call is masked. The five calls are separate
  // statements because the order of draws is part of the engine's
  // reproducible behaviour, and operands of one expression have no order.
  const uint64_t r1 = uint64_t(std::rand() & 0x7FFF);
  const uint64_t r2 = uint64_t(std::rand() & 0x7FFF);
  const uint64_t r3 = uint64_t(std::rand() & 0x7FFF);
  const uint64_t r4 = uint64_t(std::rand() & 0x7FFF);
  const uint64_t r5 = uint64_t(std::rand() & 0x7FFF);
  // Only the low 4 bits of r5 survive the shift by 60.
  return r1 ^ (r2 << 15) ^ (r3 << 30) ^ (r4 << 45) ^ (r5 << 60);
}

// Returns 1 when candidate equals none of the values the tables hold now.
int test_zobrist(uint64_t candidate) {
  // Compared against the whole tables, so entries not yet redrawn in this
  // generation still hold (and block) their previous values.
  for (const auto &piece : zobrist)
    for (const auto &colour : piece)
      for (uint64_t key : colour)
        if (key == candidate) return 0;
  if (zobrist_black == candidate) return 0;
  for (uint64_t key : zobrist_castling)
    if (key == candidate) return 0;
  return 1;
}

// Returns the first draw that differs from every key held now.
uint64_t ini_zobrist() {
  for (;;) {
    const uint64_t candidate = rand64();
    if (test_zobrist(candidate)) return candidate;
  }
}

// Afterwards all 1,421 keys are fresh draws, pairwise distinct.
void set_zobrist() {
  for (auto &piece : zobrist)
    for (auto &colour : piece)
      for (uint64_t &key : colour) key = ini_zobrist();
  zobrist_black = ini_zobrist();
  for (uint64_t &key : zobrist_castling) key = ini_zobrist();
  for (int piece = PAWN; piece <= KING; ++piece)
    for (int colour = WHITE; colour <= BLACK; ++colour)
      for (int sq = 0; sq < ZOBRIST_SQUARES; ++sq) zobrist_by_code[piece | (colour << 3)][sq] = zobrist[piece - 1][colour][sq];
}

// Returns the board's key from its pieces, side to move and lost rights.
uint64_t first_zobrist_key(const uint8_t *cb) {
  uint64_t key = 0;
  for (int sq = 0; sq < ZOBRIST_SQUARES; ++sq) {
    const uint8_t piece = piece_of(cb[sq]);
    if (piece != EMPTY && piece != BORDER) key ^= zobrist_value(cb[sq], sq);
  }
  const uint8_t state = cb[CB_STATE];
  if (state & ST_BLACK_TO_MOVE) key ^= zobrist_black;
  for (int i = 0; i < 4; ++i)
    if (state & (2u << i)) key ^= zobrist_castling[i];
  return key;
}
