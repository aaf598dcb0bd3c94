#include "hash/hash_table.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/platform_memory.h"

#include "hash/zobrist.h"

namespace {

// The entries, and one tag byte per entry: 0 when the entry was never
// stored since the table was made or wiped, else the top byte of the stored
// key XOR the salt of the store (never 0). Most probes of a pass are of
// positions never stored in it, or of slots that hold another position or
// an older pass's entry; the tags (4 MB for the default table, a sixteenth
// of the entries, so mostly in the processor's cache) answer nearly all of
// those without waiting for the entry's memory. The tag only filters:
// whether an entry answers is decided by its check word, so a tag that
// matches by chance costs a wait, nothing else, and a new salt needs no tag
// written.
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

// Number of clears so far, and the salt they drew: salt_of(clears). Written
// only between searches, while no thread probes or stores.
uint64_t clears;
uint64_t salt;

// A clear's salt: the counter through a mixing bijection (splitmix64's
// finaliser), so that no two clears share a salt and the salts' bits look
// random. Drawn without the C generator, whose sequence makes the keys.
constexpr uint64_t salt_of(uint64_t n) {
  uint64_t z = n * 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// The tag of a key stored under the current salt: the top byte of the two
// XORed, 0 taken as 1.
inline uint8_t tag_of(uint64_t key) {
  const uint8_t t = uint8_t((key ^ salt) >> 56);
  return t != 0 ? t : 1;
}

// A table of count empty entries (zero-filled), or
// none (entries nullptr) when the memory cannot be had. Its pages are not
// resident yet.
Table allocate_table(uint64_t count) {
  // A 32-bit program cannot even name the largest tables: their size would
  // wrap around in size_t and ask for a small block.
  if (count > SIZE_MAX / sizeof(HashEntry)) return Table{nullptr, nullptr, 0, false};
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
  // Entries from calloc hold tags 0, which no store writes: the new table is
  // empty.
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

// Afterwards: fresh keys, every entry empty.
uint64_t ini_hash_table(const uint8_t *cb) {
  set_zobrist();
  clear_hash_table();
  return first_zobrist_key(cb);
}

// Afterwards no entry stored before the call is seen by ProbeHash.
void clear_hash_table() { salt = salt_of(++clears); }

// Afterwards every entry and every tag is 0.
void wipe_hash_table() {
  for (uint64_t i = 0; i < table.count; ++i) table.entries[i] = HashEntry{0, 0};
  std::memset(table.tags, 0, table.count);
}

namespace {

// The data word of an entry and its fields.
inline uint64_t entry_data(uint32_t value, int ply, int type) {
  return uint64_t(value) | uint64_t(uint8_t(ply)) << 32 | uint64_t(uint8_t(type)) << 40;
}
inline uint32_t data_value(uint64_t data) { return uint32_t(data); }
inline int data_ply(uint64_t data) { return int8_t(uint8_t(data >> 32)); }
inline int data_type(uint64_t data) { return uint8_t(data >> 40); }

// Each word of the table is read and written whole, never locked: threads
// that search together share it. Relaxed order is enough, since the check
// word is what ties the two words of an entry together.
inline uint64_t load_word(uint64_t &word) { return std::atomic_ref<uint64_t>(word).load(std::memory_order_relaxed); }
inline void store_word(uint64_t &word, uint64_t value) {
  std::atomic_ref<uint64_t>(word).store(value, std::memory_order_relaxed);
}
inline uint8_t load_tag(uint64_t index) {
  return std::atomic_ref<uint8_t>(table.tags[index]).load(std::memory_order_relaxed);
}

// The key an entry was stored for, if stored under the current salt (and
// its two words belong together); another value otherwise.
inline uint64_t stored_key(HashEntry &e, uint64_t data) { return load_word(e.check) ^ data ^ salt; }

}  // namespace

int hash_table_permille() {
  // Slots are the keys' remainders, so the first thousand are as good a
  // sample of the table as any. A slot stored under the current salt gives
  // back a key whose slot it is; any other slot (never stored, or stored
  // before the last clear) gives a key that lands there only by chance.
  const uint64_t sample = table.count < 1000 ? table.count : 1000;
  uint64_t used = 0;
  for (uint64_t i = 0; i < sample; ++i) {
    HashEntry &e = table.entries[i];
    used += load_tag(i) != 0 && index_of(stored_key(e, load_word(e.data))) == i;
  }
  return int(used * 1000 / sample);
}

// Returns a usable score for key at this ply and window, or 0.
uint32_t ProbeHash(uint64_t key, int ply, uint32_t best, uint32_t bound, uint8_t side) {
  const uint64_t index = index_of(key);
  if (load_tag(index) != tag_of(key)) return 0;
  HashEntry &e = table.entries[index];
  const uint64_t data = load_word(e.data);
  if (stored_key(e, data) != key) return 0;
  // Only a node at the storing node's distance from the root or deeper (so
  // with no more depth left to search) may use the entry. The stored ply is
  // a signed byte.
  if (data_ply(data) > ply) return 0;
  const int type = data_type(data);
  const uint32_t value = data_value(data);
  if (type == HASH_EXACT) return value;  // an exact 0 reads as "nothing"
  if (side == 0) {
    // White maximises: a position where nothing beat value cannot beat best
    // if value <= best; a cut-off at value >= bound cuts here too.
    if (type == HASH_NOTHING_IMPROVED && value <= best) return best;
    if (type == HASH_CUTOFF && value >= bound) return bound;
  } else {
    if (type == HASH_NOTHING_IMPROVED && value >= best) return best;
    if (type == HASH_CUTOFF && value <= bound) return bound;
  }
  return 0;
}

// Both loads are started at once: the entry's does not wait for the tag.
void prefetch_hash_slot(uint64_t key) {
  const uint64_t index = index_of(key);
  __builtin_prefetch(&table.tags[index]);
  __builtin_prefetch(&table.entries[index]);
}

namespace {

// The two words a store of this result for key writes, under the current
// salt.
inline HashEntry entry_of(uint64_t key, int ply, uint32_t value, int type) {
  const uint64_t data = entry_data(value, ply, type);
  return HashEntry{key ^ data ^ salt, data};
}

}  // namespace

// Afterwards key's slot holds exactly this result, under the current salt.
void RecordHash(uint64_t key, int ply, uint32_t value, int type) {
  const uint64_t index = index_of(key);
  std::atomic_ref<uint8_t>(table.tags[index]).store(tag_of(key), std::memory_order_relaxed);
  HashEntry &e = table.entries[index];
  const HashEntry stored = entry_of(key, ply, value, type);
  store_word(e.check, stored.check);
  store_word(e.data, stored.data);
}

void record_hash_one_word(uint64_t key, int ply, uint32_t value, int type, HashWord word) {
  const uint64_t index = index_of(key);
  std::atomic_ref<uint8_t>(table.tags[index]).store(tag_of(key), std::memory_order_relaxed);
  HashEntry &e = table.entries[index];
  const HashEntry stored = entry_of(key, ply, value, type);
  if (word == HASH_CHECK_WORD)
    store_word(e.check, stored.check);
  else
    store_word(e.data, stored.data);
}
