#include "hash/hash_table.h"

#include <cstdlib>
#include <cstring>

#include "base/platform_memory.h"

#include "hash/zobrist.h"

namespace {

// The entries, and one tag byte per entry: 0 when the entry was not stored
// in the current generation, else a few bits of the stored key (never 0).
// Most probes of a pass are of positions never stored in it, or of slots
// that hold another position; the tags (4 MB for the default table, a
// sixteenth of the entries, so mostly in the processor's cache) answer
// nearly all of those without waiting for the entry's memory. An entry
// whose tag does not match reads as empty, as its key or generation would
// say.
struct Table {
  HashEntry *entries;
  uint8_t *tags;   // count bytes
  uint64_t count;  // at least 1
};

// Where the table points until the default one is allocated, and stays if
// even that fails: one slot keeps every probe and store valid (always
// replace, full-key check), only weaker.
HashEntry one_slot[1];
uint8_t one_slot_tag[1];
constinit Table table{one_slot, one_slot_tag, 1};

// The tag of a key: its top byte, 0 taken as 1.
inline uint8_t tag_of(uint64_t key) {
  const uint8_t t = uint8_t(key >> 56);
  return t != 0 ? t : 1;
}

}  // namespace

// The default table, before main: calloc takes memory of this size straight
// from the system as zero pages that become resident only when written, so
// the process starts no larger than with the static table it replaces.
[[maybe_unused]] static const bool default_table_allocated = resize_hash_table(HASH_DEFAULT_MB);

// Entries whose generation differs from this one read as empty. 0 only
// before the first reset, and never again afterwards: a wrap goes to 1.
static uint16_t hash_generation;

static uint64_t index_of(uint64_t key) {
  // At the default size the divisor is a constant, which the compiler turns
  // into a multiplication: a division per probe and per store costs the
  // search a few percent of its speed. Other sizes pay for the division.
  if (table.count == HASH_TABLE_ENTRIES) [[likely]] return key % HASH_TABLE_ENTRIES;
  return key % table.count;
}


bool resize_hash_table(int megabytes) {
  if (megabytes < HASH_MIN_MB || megabytes > HASH_MAX_MB) return false;
  const uint64_t count = uint64_t(megabytes) * HASH_ENTRIES_PER_MB;
  if (count == table.count) {
    clear_hash_table();
    return true;
  }
  // Entries from calloc hold generation 0, which no reset ever makes current
  // again once the first has run (before it, they read as key 0, value 0:
  // nothing), so the new table is empty as the generation rule sees it.
  void *memory = std::calloc(count, sizeof(HashEntry));
  if (memory == nullptr) return false;
  void *tags = std::calloc(count, 1);
  if (tags == nullptr) {
    std::free(memory);
    return false;
  }
  memory_advise_large_pages(memory, count * sizeof(HashEntry));
  memory_advise_large_pages(tags, count);
  if (table.entries != one_slot) {
    std::free(table.entries);
    std::free(table.tags);
  }
  table = Table{static_cast<HashEntry *>(memory), static_cast<uint8_t *>(tags), count};
  return true;
}

uint64_t hash_table_entries() {
  return table.count;
}

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
  std::memset(table.tags, 0, table.count);
}

// Afterwards every entry holds key 0, ply 0, value 0, type empty, generation 0.
void wipe_hash_table() {
  for (uint64_t i = 0; i < table.count; ++i) table.entries[i] = HashEntry{0, 0, HASH_EMPTY, 0, 0};
  std::memset(table.tags, 0, table.count);
}

uint16_t hash_table_generation() { return hash_generation; }

// Returns a usable score for hash_key at this ply and window, or 0.
uint32_t ProbeHash(int ply, uint32_t best, uint32_t bound, uint8_t side) {
  const uint64_t index = index_of(hash_key);
  if (table.tags[index] != tag_of(hash_key)) return 0;
  const HashEntry &e = table.entries[index];
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

// Both loads are started at once: the entry's does not wait for the tag.
void prefetch_hash_slot(uint64_t key) {
  const uint64_t index = index_of(key);
  __builtin_prefetch(&table.tags[index]);
  __builtin_prefetch(&table.entries[index]);
}

// Afterwards hash_key's slot holds exactly this result, in this generation.
void RecordHash(int ply, uint32_t value, int type) {
  const uint64_t index = index_of(hash_key);
  table.tags[index] = tag_of(hash_key);
  HashEntry &e = table.entries[index];
  e.key = hash_key;
  e.ply = int8_t(uint8_t(ply));
  e.type = uint8_t(type);
  e.generation = hash_generation;
  e.value = value;
}
