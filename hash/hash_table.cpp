#include "hash/hash_table.h"

#include <cstdlib>
#include <cstring>

#include "base/platform_memory.h"

#include "hash/zobrist.h"

namespace {

// The entries, and one tag byte per entry: 0 when the entry was never
// stored since the table was made or wiped, else a few bits of the stored
// key mixed with the generation of the store (never 0). Most probes of a
// pass are of positions never stored in it, or of slots that hold another
// position or an older pass's entry; the tags (4 MB for the default table,
// a sixteenth of the entries, so mostly in the processor's cache) answer
// nearly all of those without waiting for the entry's memory. The tag only
// filters: whether an entry answers is decided by its full key and its
// generation, so a tag that matches by chance costs a wait, nothing else,
// and a new generation needs no tag written.
struct Table {
  HashEntry *entries;
  uint8_t *tags;   // count bytes
  uint64_t count;  // at least 1
  bool resident;   // every page has been written: no first-touch faults left
};

// Where the table points until the default one is allocated, and stays if
// even that fails: one slot keeps every probe and store valid (always
// replace, full-key check), only weaker.
HashEntry one_slot[1];
uint8_t one_slot_tag[1];
constinit Table table{one_slot, one_slot_tag, 1, true};

// Entries whose generation differs from this one read as empty. 0 only
// before the first reset, and never again afterwards: a wrap goes to 1.
uint16_t hash_generation;

// The tag of a key stored in the current generation: its top byte plus the
// generation's low byte, 0 taken as 1. One key stored in two generations
// less than 256 apart gets two different tags.
inline uint8_t tag_of(uint64_t key) {
  const uint8_t t = uint8_t((key >> 56) + hash_generation);
  return t != 0 ? t : 1;
}

// A table of count empty entries (zero-filled: key 0, generation 0), or
// none (entries nullptr) when the memory cannot be had. Its pages are not
// resident yet.
Table allocate_table(uint64_t count) {
  void *memory = std::calloc(count, sizeof(HashEntry));
  if (memory == nullptr) return Table{nullptr, nullptr, 0, false};
  void *tags = std::calloc(count, 1);
  if (tags == nullptr) {
    std::free(memory);
    return Table{nullptr, nullptr, 0, false};
  }
  memory_advise_large_pages(memory, count * sizeof(HashEntry));
  memory_advise_large_pages(tags, count);
  return Table{static_cast<HashEntry *>(memory), static_cast<uint8_t *>(tags), count, false};
}

void make_resident(Table &t) {
  if (t.resident) return;
  memory_make_resident(t.entries, t.count * sizeof(HashEntry));
  memory_make_resident(t.tags, t.count);
  t.resident = true;
}

// The default table, before main: calloc takes memory of this size straight
// from the system as zero pages that become resident only when written, so
// that a process that never searches (the developer tool's other commands,
// the tests) does not pay for it. The engine's session makes it resident
// (hash_table_make_resident) before it reads its first command.
[[maybe_unused]] const bool default_table_allocated = [] {
  const Table t = allocate_table(HASH_TABLE_ENTRIES);
  if (t.entries != nullptr) table = t;
  return t.entries != nullptr;
}();

}  // namespace

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
    make_resident(table);
    return true;
  }
  // Every page of the new table is written before it is used: a table the
  // machine cannot hold in memory would be killed by the system halfway
  // instead of failing here. The old table is still held meanwhile.
  const uint64_t bytes = count * (sizeof(HashEntry) + 1);
  const uint64_t available = memory_available_bytes();
  if (available != 0 && bytes > available) return false;
  // Entries from calloc hold generation 0, which no reset ever makes current
  // again once the first has run (before it, they read as key 0, value 0:
  // nothing), and tags 0, which no store writes: the new table is empty.
  Table fresh = allocate_table(count);
  if (fresh.entries == nullptr) return false;
  make_resident(fresh);
  if (table.entries != one_slot) {
    std::free(table.entries);
    std::free(table.tags);
  }
  table = fresh;
  return true;
}

void hash_table_make_resident() { make_resident(table); }

uint64_t hash_table_resident_bytes() {
  if (table.entries == one_slot) return sizeof one_slot + sizeof one_slot_tag;
  return memory_resident_bytes(table.entries, table.count * sizeof(HashEntry)) +
         memory_resident_bytes(table.tags, table.count);
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
  // Moving to a new generation retires every stored entry at once; the tags
  // need no writing (an old entry's tag matches only by chance, and its
  // generation then refuses it). When the counter wraps, entries of the
  // generation about to be reused (and of every other) may still sit in the
  // table, so the table is written out in full and numbering restarts at 1.
  if (++hash_generation == 0) {
    wipe_hash_table();
    hash_generation = 1;
  }
}

// Afterwards every entry holds key 0, ply 0, value 0, type empty, generation 0.
void wipe_hash_table() {
  for (uint64_t i = 0; i < table.count; ++i) table.entries[i] = HashEntry{0, 0, HASH_EMPTY, 0, 0};
  std::memset(table.tags, 0, table.count);
}

int hash_table_permille() {
  // Slots are the keys' remainders, so the first thousand are as good a
  // sample of the table as any.
  const uint64_t sample = table.count < 1000 ? table.count : 1000;
  uint64_t used = 0;
  for (uint64_t i = 0; i < sample; ++i)
    used += table.entries[i].generation == hash_generation && hash_generation != 0;
  return int(used * 1000 / sample);
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
