// Transposition table: one slot per key, always replace, emptied (with fresh
// Zobrist keys) before every fixed-depth pass.
#pragma once

#include <cstdint>

enum HashType : uint8_t { HASH_EXACT = 0, HASH_NOTHING_IMPROVED = 1, HASH_CUTOFF = 2, HASH_EMPTY = 3 };

inline constexpr uint32_t HASH_TABLE_ENTRIES = 4000000;

void ini_hash_table(const uint8_t *cb);
uint32_t ProbeHash(int ply, uint32_t best, uint32_t bound, uint8_t side);
void RecordHash(int ply, uint32_t value, int type);
