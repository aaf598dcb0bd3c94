// Transposition table: one slot per key, always replace, emptied (with fresh
// Zobrist keys) before every fixed-depth pass.
//
// Every pass searches to one nominal depth, so the distance from the root at
// which a result was stored tells how deeply it was searched: entries keep
// that ply instead of a remaining depth, and there is no best-move memory.
#pragma once

#include <cstdint>

enum HashType : uint8_t { HASH_EXACT = 0, HASH_NOTHING_IMPROVED = 1, HASH_CUTOFF = 2, HASH_EMPTY = 3 };

inline constexpr uint32_t HASH_TABLE_ENTRIES = 4000000;

// One slot. The two bytes between type and value would be padding anyway;
// they hold the reset generation the entry was stored in, so that a reset
// can empty the table without writing it (see clear_hash_table).
struct HashEntry {
  uint64_t key;         // full Zobrist key of the stored position
  int8_t ply;           // distance from the root of the storing node (read signed)
  uint8_t type;         // HashType
  uint16_t generation;  // reset generation of the store; other generations read as empty
  uint32_t value;       // score (the whole Move word for the root's entry)
};
static_assert(sizeof(HashEntry) == 16, "a table entry is 16 bytes: 4,000,000 of them make 64 MB");

// Reset before a search pass: redraws all Zobrist keys, sets hash_key to the
// board's key, and empties every entry.
void ini_hash_table(const uint8_t *cb);

// Empties every entry as seen by ProbeHash, without touching the keys. Costs
// a counter increment, except once every 65,535 calls when the generation
// counter wraps and every entry is written (wipe_hash_table).
void clear_hash_table();

// Writes every one of the 4,000,000 entries as empty (key 0, ply 0, value 0,
// type empty, generation 0): afterwards every probe answers 0, whatever the
// current generation.
void wipe_hash_table();

// Current reset generation (1..65535 once the table has been reset).
uint16_t hash_table_generation();

// Answer for the position hash_key from the table, or 0 when the table has
// nothing usable: the stored value for an exact entry stored at this ply or
// nearer the root; best when a nothing-improved entry shows best cannot be
// beaten; bound when a cut-off entry reaches bound. side: 0 White to move
// (larger is better), 1 Black. All value comparisons are unsigned.
uint32_t ProbeHash(int ply, uint32_t best, uint32_t bound, uint8_t side);

// Stores value, type and ply (their low 8 bits) for the position hash_key,
// replacing whatever its slot held.
void RecordHash(int ply, uint32_t value, int type);
