// Transposition table: one slot per key, always replace, emptied (with fresh
// Zobrist keys) before every fixed-depth pass. Its size is chosen in
// megabytes between searches (the "Hash" option); it is usable at the
// default size from the start, without any call.
//
// Every pass searches to one nominal depth, so the distance from the root at
// which a result was stored tells how deeply it was searched: entries keep
// that ply instead of a remaining depth, and there is no best-move memory.
#pragma once

#include <cstdint>

enum HashType : uint8_t { HASH_EXACT = 0, HASH_NOTHING_IMPROVED = 1, HASH_CUTOFF = 2, HASH_EMPTY = 3 };

// Entries per megabyte of the "Hash" option: 62,500 entries of 16 bytes are
// one million bytes, so the default 64 gives 4,000,000 entries, the size the
// engine's play and its bench count were measured with.
inline constexpr uint64_t HASH_ENTRIES_PER_MB = 62500;
inline constexpr int HASH_DEFAULT_MB = 64;
// 65536 MB (4,096,000,000 entries) is as far as the option goes: the count
// still fits in 32 bits.
inline constexpr int HASH_MIN_MB = 1;
inline constexpr int HASH_MAX_MB = 65536;
inline constexpr uint64_t HASH_TABLE_ENTRIES = HASH_DEFAULT_MB * HASH_ENTRIES_PER_MB;  // the default size
static_assert(HASH_MAX_MB * HASH_ENTRIES_PER_MB <= UINT32_MAX);

// One slot: two words, each written and read whole. Several searching
// threads store and probe the same table without a lock, so a reader may
// see one word of one store and the other of another. The check word is
// the key XOR the data word XOR the table's salt: a slot whose two words do
// not belong together reads as another key's, that is as nothing.
//
// The salt is the table's emptiness: every clear draws a new one, and an
// entry stored under an earlier salt reads as another key's too, so that
// emptying the table writes nothing (the keys, redrawn for each pass, would
// do as much for a pass, but the analysis lines and a glance empty the table
// within one pass, with the same keys). A stale entry answers only if its
// key XOR the two salts equals a probed key: the odds of two positions'
// keys colliding.
struct HashEntry {
  uint64_t check;  // full Zobrist key of the stored position XOR data XOR salt
  uint64_t data;   // value in bits 0..31, ply (signed byte) in 32..39, HashType in 40..47
};
static_assert(sizeof(HashEntry) == 16, "a table entry is 16 bytes: 62,500 of them make one MB");

// Replaces the table with an empty one of megabytes * 62,500 entries, where
// a key's slot is key % entries, and makes it resident (every page written)
// before it returns, so that no search pays for its first touch. Only
// between searches: nothing may probe or store meanwhile. Returns false,
// keeping the previous table, its entries and its residency, when megabytes
// is outside HASH_MIN_MB..HASH_MAX_MB, when the system says that it has not
// that much memory available (a table written into memory the machine does
// not have would get the process killed), or when the memory cannot be had.
// The same size as now keeps the allocation and empties it.
bool resize_hash_table(int megabytes);

// Writes every page of the current table that has not been written yet, so
// that the first search costs what later ones cost; once per table. The
// default table, allocated before main, is not resident until this is
// called: the engine's session calls it before it reads its first command.
void hash_table_make_resident();

// Bytes of the current table (entries and tags) resident in memory now;
// after hash_table_make_resident, the table's whole size.
uint64_t hash_table_resident_bytes();

// Entries in the current table (4,000,000 at the default size; 1 only if not
// even the default could be allocated at start, when the engine still plays
// with a one-slot table).
uint64_t hash_table_entries();

// Reset before a search pass: redraws all Zobrist keys and empties every
// entry. Returns the board's key under the new keys.
uint64_t ini_hash_table(const uint8_t *cb);

// Empties every entry as seen by ProbeHash, without touching the keys and
// without writing the table, whatever its size: a new salt is drawn (see
// HashEntry).
void clear_hash_table();

// Writes every entry of the current table as empty, tags included.
void wipe_hash_table();

// How full the table is in the current pass, per mille: the share of a
// sample of 1,000 slots (the first ones) stored since the last reset.
int hash_table_permille();

// Answer for the position of key from the table, or 0 when the table has
// nothing usable: the stored value for an exact entry stored at this ply or
// nearer the root; best when a nothing-improved entry shows best cannot be
// beaten; bound when a cut-off entry reaches bound. side: 0 White to move
// (larger is better), 1 Black. All value comparisons are unsigned.
uint32_t ProbeHash(uint64_t key, int ply, uint32_t best, uint32_t bound, uint8_t side);

// Starts loading the slot of key into the processor's cache, without waiting
// for it: the search calls it as soon as a child's key is known, so that the
// child's probe finds the slot at hand. Changes nothing that can be observed.
void prefetch_hash_slot(uint64_t key);

// Stores value, type and ply (their low 8 bits) for the position of key,
// replacing whatever its slot held.
void RecordHash(uint64_t key, int ply, uint32_t value, int type);

// What a probe may meet while another thread stores into the same slot: the
// tag and only one word of the entry RecordHash(key, ply, value, type) would
// write, the other word left as it was. For the tests of torn entries, which
// build that state word by word instead of hoping a race shows it; the
// search never calls it.
enum HashWord : uint8_t { HASH_CHECK_WORD, HASH_DATA_WORD };
void record_hash_one_word(uint64_t key, int ply, uint32_t value, int type, HashWord word);
