#include "hash/zobrist.h"

#include <cstring>
#include <utility>

#include "base/rand.h"
#include "board/chess_cb.h"

uint64_t zobrist[6][2][ZOBRIST_SQUARES];
uint64_t zobrist_black;
uint64_t zobrist_castling[4];
uint64_t zobrist_by_code[16][128];

// Returns the next 64-bit draw; consumes exactly five velkor_rand() values.
uint64_t rand64() {
  // The generator gives 31 bits; the key layout assumes 15 (what the classic
  // runtime's rand gave), so each call is masked. The five calls are separate
  // statements because the order of draws is part of the engine's
  // reproducible behaviour, and operands of one expression have no order.
  const uint64_t r1 = uint64_t(velkor_rand() & 0x7FFF);
  const uint64_t r2 = uint64_t(velkor_rand() & 0x7FFF);
  const uint64_t r3 = uint64_t(velkor_rand() & 0x7FFF);
  const uint64_t r4 = uint64_t(velkor_rand() & 0x7FFF);
  const uint64_t r5 = uint64_t(velkor_rand() & 0x7FFF);
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

// The redraw's uniqueness test as look-ups instead of a pass over all 1,421
// keys (two million comparisons a redraw, paid before every search pass).
// While entry i is drawn, the values held are the new values of entries
// 0..i-1 and the old values of entries i..1420. Two open-addressing sets
// answer that: the old values, each with the highest entry holding it (a
// draw equal to one is refused while that entry is not yet redrawn), and
// the new values drawn so far. The new set of one redraw is the old set of
// the next, as long as nothing else wrote the tables meanwhile (a copy of
// them tells; otherwise the old set is built from the tables). A slot
// belongs to its set when its stamp is the set's, so emptying a set writes
// nothing.
struct KeySlot {
  uint64_t value;
  uint32_t stamp;
  uint32_t entry;  // the highest entry (in drawing order) holding value
};
constexpr uint32_t KEY_SET_SLOTS = 4096;
static_assert((KEY_SET_SLOTS & (KEY_SET_SLOTS - 1)) == 0 && KEY_SET_SLOTS > 2 * ZOBRIST_KEY_COUNT);

struct KeySet {
  KeySlot slots[KEY_SET_SLOTS];
  uint32_t stamp;

  // Afterwards the set is empty.
  void clear() {
    if (++stamp == 0) {
      for (KeySlot &s : slots) s.stamp = 0;
      stamp = 1;
    }
  }
  // Where value is, or the free slot where it would go.
  KeySlot &slot(uint64_t value) {
    uint32_t i = uint32_t((value * 0x9E3779B97F4A7C15ull) >> 52);
    while (slots[i].stamp == stamp && slots[i].value != value) i = (i + 1) & (KEY_SET_SLOTS - 1);
    return slots[i];
  }
  bool holds(const KeySlot &s) const { return s.stamp == stamp; }
  void put(KeySlot &s, uint64_t value, uint32_t entry) { s = KeySlot{value, stamp, entry}; }
};

KeySet key_sets[2];
KeySet *old_keys = &key_sets[0];
KeySet *new_keys = &key_sets[1];

// The tables as the last redraw left them.
struct KeyTables {
  uint64_t pieces[6][2][ZOBRIST_SQUARES];
  uint64_t black;
  uint64_t castling[4];
};
KeyTables last_drawn;
bool last_drawn_valid = false;

// Calls f(key) for every entry, in drawing order.
template <typename F>
void for_each_key(F f) {
  for (auto &piece : zobrist)
    for (auto &colour : piece)
      for (uint64_t &key : colour) f(key);
  f(zobrist_black);
  for (uint64_t &key : zobrist_castling) f(key);
}

bool tables_as_last_drawn() {
  return last_drawn_valid && std::memcmp(last_drawn.pieces, zobrist, sizeof zobrist) == 0 &&
         last_drawn.black == zobrist_black &&
         std::memcmp(last_drawn.castling, zobrist_castling, sizeof zobrist_castling) == 0;
}

}  // namespace

// Afterwards all 1,421 keys are fresh draws, pairwise distinct: exactly the
// keys that drawing each entry in turn with ini_zobrist would give.
void set_zobrist() {
  if (!tables_as_last_drawn()) {
    old_keys->clear();
    uint32_t entry = 0;
    for_each_key([&](uint64_t &key) {
      KeySlot &s = old_keys->slot(key);
      old_keys->put(s, key, entry++);  // a later entry of the same value raises it
    });
  }
  new_keys->clear();
  uint32_t entry = 0;
  for_each_key([&](uint64_t &key) {
    for (;;) {
      const uint64_t candidate = rand64();
      const KeySlot &old = old_keys->slot(candidate);
      if (old_keys->holds(old) && old.entry >= entry) continue;  // its holder is not redrawn yet
      KeySlot &fresh = new_keys->slot(candidate);
      if (new_keys->holds(fresh)) continue;  // drawn earlier in this redraw
      new_keys->put(fresh, candidate, entry);
      key = candidate;
      break;
    }
    ++entry;
  });
  std::swap(old_keys, new_keys);
  std::memcpy(last_drawn.pieces, zobrist, sizeof zobrist);
  last_drawn.black = zobrist_black;
  std::memcpy(last_drawn.castling, zobrist_castling, sizeof zobrist_castling);
  last_drawn_valid = true;
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
