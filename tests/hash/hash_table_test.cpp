#include "hash/hash_table.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include <array>
#include <atomic>
#include <thread>
#include <climits>
#include <cstdlib>

#include "base/platform_memory.h"
#include "board/chess_cb.h"
#include "hash/zobrist.h"

namespace {

class HashTable : public ::testing::Test {
 protected:
  void TearDown() override { resize_hash_table(HASH_DEFAULT_MB); }
  void SetUp() override {
    // Every test starts from the default table, whatever ran before it.
    ASSERT_TRUE(resize_hash_table(HASH_DEFAULT_MB));
    start_position(board.data());
    ini_hash_table(board.data());
  }
  std::array<uint8_t, CB_SIZE> board{};
};

void store(uint64_t key, int ply, uint32_t value, int type) { RecordHash(key, ply, value, type); }

uint32_t probe(uint64_t key, int ply, uint32_t best, uint32_t bound, uint8_t side) {
  return ProbeHash(key, ply, best, bound, side);
}

// Every exact entry answers any window: a probe that sees one returns non-zero.
bool answers(uint64_t key) { return probe(key, 127, 30000, 30000, 0) != 0; }

}  // namespace

TEST_F(HashTable, ProbeAnswers) {
  struct Row {
    const char *name;
    int stored_ply;
    uint32_t value;
    int type;
    int ply;
    uint8_t side;
    uint32_t best, bound, expected;
  };
  const uint32_t root_word = move_word(42, 66) | 30010;
  const Row rows[] = {
      {"exact, same ply", 3, 30100, HASH_EXACT, 3, 0, 29000, 31000, 30100},
      {"exact, deeper ply", 3, 30100, HASH_EXACT, 4, 1, 31000, 29000, 30100},
      {"exact, nearer the root", 3, 30100, HASH_EXACT, 2, 0, 29000, 31000, 0},
      {"stored ply read signed (200 is -56)", 200, 30100, HASH_EXACT, 0, 0, 29000, 31000, 30100},
      {"exact 0 is no answer", 1, 0, HASH_EXACT, 1, 0, 29000, 31000, 0},
      {"root entry gives its whole move word", 0, root_word, HASH_EXACT, 0, 0, 0, 60000, root_word},
      {"white, nothing improved below best", 2, 29950, HASH_NOTHING_IMPROVED, 2, 0, 30000, 31000, 30000},
      {"white, nothing improved equal to best", 2, 29950, HASH_NOTHING_IMPROVED, 2, 0, 29950, 31000, 29950},
      {"white, nothing improved above best", 2, 29950, HASH_NOTHING_IMPROVED, 2, 0, 29900, 31000, 0},
      {"black, nothing improved above best", 2, 30050, HASH_NOTHING_IMPROVED, 2, 1, 30000, 29000, 30000},
      {"black, nothing improved below best", 2, 30050, HASH_NOTHING_IMPROVED, 2, 1, 30100, 29000, 0},
      {"white, cut-off reaches bound", 2, 30200, HASH_CUTOFF, 2, 0, 29000, 30100, 30100},
      {"white, cut-off at bound", 2, 30200, HASH_CUTOFF, 2, 0, 29000, 30200, 30200},
      {"white, cut-off short of bound", 2, 30200, HASH_CUTOFF, 2, 0, 29000, 30300, 0},
      {"black, cut-off reaches bound", 2, 29800, HASH_CUTOFF, 2, 1, 31000, 29900, 29900},
      {"black, cut-off short of bound", 2, 29800, HASH_CUTOFF, 2, 1, 31000, 29700, 0},
      // A white nothing-improved rule applied at a black node would answer.
      {"black, white's reading of nothing improved", 2, 29950, HASH_NOTHING_IMPROVED, 2, 1, 30000, 29000, 0},
      {"white, black's reading of a cut-off", 2, 29800, HASH_CUTOFF, 2, 0, 29000, 29900, 0},
      // Values compare unsigned: bit 31 set is huge, not negative.
      {"unsigned cut-off", 2, 0x80000000u | 30000, HASH_CUTOFF, 2, 0, 29000, 30100, 30100},
      {"unsigned nothing improved", 2, 0x80000000u, HASH_NOTHING_IMPROVED, 2, 0, 30000, 31000, 0},
      {"empty type", 2, 30100, HASH_EMPTY, 2, 0, 29000, 31000, 0},
      {"type keeps only its low 8 bits", 2, 30100, 0x100 | HASH_EXACT, 2, 0, 29000, 31000, 30100},
  };
  const uint64_t key = 0x0123456789ABCDEFull;
  for (const Row &r : rows) {
    SCOPED_TRACE(r.name);
    store(key, r.stored_ply, r.value, r.type);
    EXPECT_EQ(probe(key, r.ply, r.best, r.bound, r.side), r.expected);
  }
}

TEST_F(HashTable, OneSlotPerRemainderAlwaysReplaced) {
  const uint64_t key = 123456789, same_slot = key + HASH_TABLE_ENTRIES;
  store(key, 2, 30100, HASH_EXACT);
  EXPECT_EQ(probe(same_slot, 2, 29000, 31000, 0), 0u) << "the full key must match";
  store(key, 5, 30200, HASH_EXACT);
  EXPECT_EQ(probe(key, 3, 29000, 31000, 0), 0u) << "the ply-5 store replaced the ply-2 entry";
  store(key, 1, 30300, HASH_CUTOFF);
  EXPECT_EQ(probe(key, 1, 29000, 30300, 0), 30300u) << "and a shallower store replaces it again";
  store(same_slot, 5, 29000, HASH_EXACT);
  EXPECT_EQ(probe(key, 1, 29000, 30300, 0), 0u) << "another position with the same remainder took the slot";
  EXPECT_EQ(probe(same_slot, 5, 29000, 31000, 0), 29000u);
}

TEST_F(HashTable, ResetEmptiesEveryEntryStoredBefore) {
  // Key 0 is what an empty slot holds; an entry stored under it must go too.
  std::array<uint64_t, 2000> keys;
  for (size_t i = 0; i < keys.size(); ++i) keys[i] = i * 0x9E3779B97F4A7C15ull;
  for (uint64_t k : keys) store(k, 0, 30100, HASH_EXACT);
  for (uint64_t k : keys) ASSERT_TRUE(answers(k));

  const uint64_t key = ini_hash_table(board.data());
  EXPECT_EQ(key, first_zobrist_key(board.data())) << "the board's key under the new keys";
  int answered = 0;
  for (uint64_t k : keys) answered += answers(k);
  EXPECT_EQ(answered, 0);
  // Nor does anything answer for keys never stored.
  for (uint64_t k : keys) answered += answers(k ^ 0x5555);
  EXPECT_EQ(answered, 0);
}

TEST_F(HashTable, ClearsEmptyTheTableEveryTime) {
  // Many clears (each only a new salt): an entry stored just before a clear
  // never answers after it, nor does one from long ago, at the default size
  // and at the smallest; and the table works on afterwards.
  for (const int megabytes : {HASH_DEFAULT_MB, HASH_MIN_MB}) {
    SCOPED_TRACE(megabytes);
    ASSERT_TRUE(resize_hash_table(megabytes));
    const uint64_t old_key = hash_table_entries() - 1;
    store(old_key, 0, 30100, HASH_EXACT);
    int survived = 0, old_came_back = 0;
    for (uint64_t i = 1; i <= 70000; ++i) {
      store(i * 0x9E3779B97F4A7C15ull, 0, 30100, HASH_EXACT);
      clear_hash_table();
      survived += answers(i * 0x9E3779B97F4A7C15ull);
      old_came_back += answers(old_key);
    }
    EXPECT_EQ(survived, 0);
    EXPECT_EQ(old_came_back, 0);
    store(42, 3, 30100, HASH_EXACT);
    EXPECT_EQ(probe(42, 3, 29000, 31000, 0), 30100u);
  }
}

// "hashfull": the share of the first thousand slots stored in this pass.
TEST_F(HashTable, PermilleCountsTheSlotsStoredSinceTheReset) {
  ASSERT_TRUE(resize_hash_table(1));
  const uint64_t entries = hash_table_entries();
  clear_hash_table();
  EXPECT_EQ(hash_table_permille(), 0);
  for (uint64_t k = 0; k < 500; ++k) store(k, 1, 30100, HASH_EXACT);
  EXPECT_EQ(hash_table_permille(), 500);
  store(entries + 1, 1, 30100, HASH_EXACT);  // slot 1 again
  store(999, 1, 30100, HASH_EXACT);
  store(1000, 1, 30100, HASH_EXACT);  // outside the sample
  EXPECT_EQ(hash_table_permille(), 501);
  clear_hash_table();
  EXPECT_EQ(hash_table_permille(), 0) << "entries of an earlier pass are not counted";
}

// Every page of a table is written when it is made, and a refused size
// leaves the table in use as it was: same size, same entries, still
// resident. The default table, made before main, becomes resident on
// request.
TEST_F(HashTable, ResizedTableIsResidentAndARefusalKeepsItSo) {
  ASSERT_TRUE(resize_hash_table(3));
  const uint64_t bytes = 3 * HASH_ENTRIES_PER_MB * (sizeof(HashEntry) + 1);
  EXPECT_EQ(hash_table_resident_bytes(), bytes);
  store(7, 1, 30100, HASH_EXACT);
  for (int megabytes : {0, HASH_MAX_MB + 1}) {
    EXPECT_FALSE(resize_hash_table(megabytes));
    EXPECT_EQ(hash_table_entries(), 3 * HASH_ENTRIES_PER_MB);
    EXPECT_EQ(hash_table_resident_bytes(), bytes);
    EXPECT_EQ(probe(7, 1, 29000, 31000, 0), 30100u);
  }
  ASSERT_TRUE(resize_hash_table(HASH_DEFAULT_MB));
  hash_table_make_resident();
  EXPECT_EQ(hash_table_resident_bytes(), HASH_TABLE_ENTRIES * (sizeof(HashEntry) + 1));
}

TEST_F(HashTable, ThreadsStoringOneSlotNeverReadAnotherKeysValue) {
  // Two threads store, without any lock, entries of keys that share one
  // slot, each entry's value a function of its key, while a third probes:
  // a probe answers nothing or the value of the key it asked for, never a
  // mix of two stores (a torn entry). The race, for the thread sanitizer's
  // sake; HalfWrittenStoreAnswersNothing builds the torn states themselves.
  const uint64_t entries = hash_table_entries();
  auto key_of = [entries](uint64_t i) { return 77 + i * entries; };
  auto value_of = [](uint64_t key) { return uint32_t(key * 0x9E3779B1u) | 1u; };
  std::atomic<bool> done{false};
  auto writer = [&](uint64_t first) {
    for (uint64_t n = 0; n < 200000; ++n) {
      const uint64_t key = key_of(first + n % 8);
      store(key, int(n % 3), value_of(key), HASH_EXACT);
    }
  };
  int wrong = 0, answered = 0;
  std::thread a(writer, 0), b(writer, 8);
  std::thread reader([&] {
    // Probes while the writers store, then once more for each key after
    // they are done: a reader that ran only before the first store (a
    // loaded machine may schedule it so) still meets the last entry stored.
    for (uint64_t n = 0, after = 0; after < 16; ++n) {
      if (done.load()) ++after;
      const uint64_t key = key_of(n % 16);
      const uint32_t got = probe(key, 2, 29000, 31000, 0);
      if (got == 0) continue;
      ++answered;
      if (got != value_of(key)) ++wrong;
    }
  });
  a.join();
  b.join();
  done = true;
  reader.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(answered, 0) << "the reader saw no entry at all";
}

TEST_F(HashTable, HalfWrittenStoreAnswersNothing) {
  // What a probe meets when another thread's store into its slot is half
  // done: the slot holds one key's whole entry, then the tag and one word of
  // another key's store land. Neither key may get the other's value, in
  // either order of the two words; once the second word lands too, the new
  // entry answers as any store does. The keys share a slot and, being small,
  // the tag too, so that only the check word can tell the halves apart.
  const uint64_t a = 77, b = 77 + hash_table_entries();
  const uint32_t value_a = 30100, value_b = 30200;
  for (const HashWord first : {HASH_CHECK_WORD, HASH_DATA_WORD}) {
    SCOPED_TRACE(first == HASH_CHECK_WORD ? "check word first" : "data word first");
    const HashWord second = first == HASH_CHECK_WORD ? HASH_DATA_WORD : HASH_CHECK_WORD;
    store(a, 1, value_a, HASH_EXACT);
    ASSERT_EQ(probe(a, 1, 29000, 31000, 0), value_a);
    record_hash_one_word(b, 2, value_b, HASH_EXACT, first);
    EXPECT_EQ(probe(a, 2, 29000, 31000, 0), 0u);
    EXPECT_EQ(probe(b, 2, 29000, 31000, 0), 0u);
    record_hash_one_word(b, 2, value_b, HASH_EXACT, second);
    EXPECT_EQ(probe(a, 2, 29000, 31000, 0), 0u);
    EXPECT_EQ(probe(b, 2, 29000, 31000, 0), value_b);
  }
}

TEST_F(HashTable, ResizeGivesAnEmptyTableWithItsOwnSlots) {
  EXPECT_EQ(hash_table_entries(), HASH_TABLE_ENTRIES);
  std::array<uint64_t, 1000> keys;
  for (size_t i = 0; i < keys.size(); ++i) keys[i] = i * 0x9E3779B97F4A7C15ull;
  for (int megabytes : {1, 3, HASH_DEFAULT_MB, HASH_DEFAULT_MB}) {
    SCOPED_TRACE(megabytes);
    for (uint64_t k : keys) store(k, 0, 30100, HASH_EXACT);
    ASSERT_TRUE(resize_hash_table(megabytes));
    const uint64_t entries = uint64_t(megabytes) * HASH_ENTRIES_PER_MB;
    EXPECT_EQ(hash_table_entries(), entries);
    int answered = 0;
    for (uint64_t k : keys) answered += answers(k);
    EXPECT_EQ(answered, 0) << "nothing stored before the resize is seen";

    // Keys a multiple of the table's length apart share a slot; a key one
    // further does not.
    const uint64_t key = 1000000007, other = key + entries * 12345;
    store(key, 2, 30100, HASH_EXACT);
    store(other + 1, 2, 30200, HASH_EXACT);
    EXPECT_EQ(probe(key, 2, 29000, 31000, 0), 30100u);
    store(other, 2, 30300, HASH_EXACT);
    EXPECT_EQ(probe(key, 2, 29000, 31000, 0), 0u);
    EXPECT_EQ(probe(other, 2, 29000, 31000, 0), 30300u);
  }
}

#if defined(__SANITIZE_ADDRESS__)
#define VELKOR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELKOR_ASAN 1
#endif
#endif

TEST_F(HashTable, RefusedOrFailedSizeKeepsTheTableAndItsEntries) {
  ASSERT_TRUE(resize_hash_table(2));
  store(5, 1, 30100, HASH_EXACT);
  auto kept = [] {
    return hash_table_entries() == 2 * HASH_ENTRIES_PER_MB && probe(5, 1, 29000, 31000, 0) == 30100u;
  };
  for (int megabytes : {0, -1, HASH_MAX_MB + 1, INT_MAX, INT_MIN}) {
    EXPECT_FALSE(resize_hash_table(megabytes)) << megabytes;
    EXPECT_TRUE(kept()) << megabytes;
  }
#if defined(_WIN32)
  // The largest size, where the machine cannot hold it (a 32-bit program
  // never can): refused before anything is allocated.
  if (memory_available_bytes() < uint64_t(HASH_MAX_MB) * HASH_ENTRIES_PER_MB * (sizeof(HashEntry) + 1)) {
    EXPECT_FALSE(resize_hash_table(HASH_MAX_MB));
    EXPECT_TRUE(kept());
  }
#elif !defined(VELKOR_ASAN)  // whose allocator aborts instead of failing
  // The largest size, in a child process whose address space is capped at
  // 8 GiB, far above its use and far below the 64 GB asked for.
  auto child = [&] {
    const rlimit cap{rlim_t(8) << 30, rlim_t(8) << 30};
    if (setrlimit(RLIMIT_AS, &cap) != 0) std::exit(3);
    std::exit(resize_hash_table(HASH_MAX_MB) ? 1 : kept() ? 0 : 2);
  };
  EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "");
#endif
}
