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

namespace {

// The values the key tables hold while set_zobrist redraws them, counted by
// value, so that the uniqueness test of a draw is a look-up instead of a
// pass over all 1,421 keys (two million comparisons a redraw, paid before
// every search pass). Open addressing over a power-of-two number of slots,
// more than twice the 2,842 values one redraw can meet (the old keys and the
// new); a slot belongs to the current redraw when its stamp is the current
// one, so starting a redraw writes nothing. A value whose count falls to 0
// keeps its slot and counts as not held.
struct HeldSlot {
  uint64_t value;
  uint32_t stamp;
  uint32_t count;
};
constexpr uint32_t HELD_SLOTS = 8192;
static_assert((HELD_SLOTS & (HELD_SLOTS - 1)) == 0 && HELD_SLOTS > 4 * ZOBRIST_KEY_COUNT);
HeldSlot held[HELD_SLOTS];
uint32_t held_stamp = 0;

// The slot of value in the current redraw: where it is, or the free slot
// where it would go.
HeldSlot &held_slot(uint64_t value) {
  uint32_t i = uint32_t((value * 0x9E3779B97F4A7C15ull) >> 51) & (HELD_SLOTS - 1);
  while (held[i].stamp == held_stamp && held[i].value != value) i = (i + 1) & (HELD_SLOTS - 1);
  return held[i];
}

void held_add(uint64_t value) {
  HeldSlot &s = held_slot(value);
  if (s.stamp != held_stamp) s = HeldSlot{value, held_stamp, 0};
  ++s.count;
}

// Afterwards nothing is held: every slot's stamp is an old one.
void held_start() {
  if (++held_stamp == 0) {
    for (HeldSlot &s : held) s.stamp = 0;
    held_stamp = 1;
  }
}

// The next draw that equals no value held now: the rule of ini_zobrist
// (the same draws, the same refusals), with the look-up.
uint64_t draw_unheld() {
  for (;;) {
    const uint64_t candidate = rand64();
    const HeldSlot &s = held_slot(candidate);
    if (s.stamp != held_stamp || s.count == 0) return candidate;
  }
}

// key := a fresh draw; the set follows the table.
void redraw(uint64_t &key) {
  const uint64_t fresh = draw_unheld();
  --held_slot(key).count;
  key = fresh;
  held_add(fresh);
}

}  // namespace

// Afterwards all 1,421 keys are fresh draws, pairwise distinct: exactly the
// keys that drawing each entry in turn with ini_zobrist would give.
void set_zobrist() {
  held_start();
  for (const auto &piece : zobrist)
    for (const auto &colour : piece)
      for (uint64_t key : colour) held_add(key);
  held_add(zobrist_black);
  for (uint64_t key : zobrist_castling) held_add(key);

  for (auto &piece : zobrist)
    for (auto &colour : piece)
      for (uint64_t &key : colour) redraw(key);
  redraw(zobrist_black);
  for (uint64_t &key : zobrist_castling) redraw(key);
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
