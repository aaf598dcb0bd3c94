#include "hash/hash_table.h"

#include "hash/zobrist.h"

// Static storage: 64 MB, zero at program start, never allocated.
static HashEntry hash_table[HASH_TABLE_ENTRIES];

// Entries whose generation differs from this one read as empty. 0 only
// before the first reset, and never again afterwards: a wrap goes to 1.
static uint16_t hash_generation;

static HashEntry &slot_of(uint64_t key) { return hash_table[key % HASH_TABLE_ENTRIES]; }

// Afterwards: fresh keys, hash_key = the board's key, every entry empty.
void ini_hash_table(const uint8_t *cb) {
  set_zobrist();
  hash_key = first_zobrist_key(cb);
  clear_hash_table();
}

// Afterwards no entry stored before the call is seen by ProbeHash.
void clear_hash_table() {
  // Moving to a new generation retires every stored entry at once. When the
  // counter wraps, entries of the generation about to be reused (and of
  // every other) may still sit in the table, so the table is written out in
  // full and numbering restarts at 1.
  if (++hash_generation == 0) {
    wipe_hash_table();
    hash_generation = 1;
  }
}

// Afterwards every entry holds key 0, ply 0, value 0, type empty, generation 0.
void wipe_hash_table() {
  for (HashEntry &e : hash_table) e = HashEntry{0, 0, HASH_EMPTY, 0, 0};
}

uint16_t hash_table_generation() { return hash_generation; }

// Returns a usable score for hash_key at this ply and window, or 0.
uint32_t ProbeHash(int ply, uint32_t best, uint32_t bound, uint8_t side) {
  const HashEntry &e = slot_of(hash_key);
  if (e.key != hash_key || e.generation != hash_generation) return 0;
  // Only a node at the storing node's distance from the root or deeper (so
  // with no more depth left to search) may use the entry. The stored ply is
  // a signed byte.
  if (e.ply > ply) return 0;
  if (e.type == HASH_EXACT) return e.value;  // an exact 0 reads as "nothing"
  if (side == 0) {
    // White maximises: a position where nothing beat e.value cannot beat best
    // if e.value <= best; a cut-off at e.value >= bound cuts here too.
    if (e.type == HASH_NOTHING_IMPROVED && e.value <= best) return best;
    if (e.type == HASH_CUTOFF && e.value >= bound) return bound;
  } else {
    if (e.type == HASH_NOTHING_IMPROVED && e.value >= best) return best;
    if (e.type == HASH_CUTOFF && e.value <= bound) return bound;
  }
  return 0;
}

// Afterwards hash_key's slot holds exactly this result, in this generation.
void RecordHash(int ply, uint32_t value, int type) {
  HashEntry &e = slot_of(hash_key);
  e.key = hash_key;
  e.ply = int8_t(uint8_t(ply));
  e.type = uint8_t(type);
  e.generation = hash_generation;
  e.value = value;
}
