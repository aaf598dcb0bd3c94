#include "search/root_moves.h"

RootMoves g_root_moves{};

namespace {

bool contains(const uint32_t *keys, int count, uint32_t key) {
  for (int i = 0; i < count; ++i)
    if (keys[i] == key) return true;
  return false;
}

void update_filtered() { g_root_moves.filtered = g_root_moves.only_count > 0 || g_root_moves.excluded_count > 0; }

}  // namespace

uint32_t root_move_key_of_word(const uint8_t *cb, uint32_t word) {
  return root_move_key(move_from(word), move_to(word), move_promotion_on(cb, word));
}

bool root_move_allowed(uint32_t gm) {
  const uint32_t key = root_move_key_of_generated(gm);
  if (g_root_moves.only_count > 0 && !contains(g_root_moves.only, g_root_moves.only_count, key)) return false;
  return !contains(g_root_moves.excluded, g_root_moves.excluded_count, key);
}

void root_moves_only(const uint32_t *keys, int count) {
  g_root_moves.only_count = 0;
  g_root_moves.excluded_count = 0;
  for (int i = 0; i < count && g_root_moves.only_count < ROOT_MOVES_CAPACITY; ++i)
    if (!contains(g_root_moves.only, g_root_moves.only_count, keys[i]))
      g_root_moves.only[g_root_moves.only_count++] = keys[i];
  update_filtered();
}

bool root_moves_exclude(uint32_t key) {
  if (g_root_moves.excluded_count >= ROOT_MOVES_CAPACITY) return false;
  g_root_moves.excluded[g_root_moves.excluded_count++] = key;
  update_filtered();
  return true;
}

void root_moves_clear_exclusions() {
  g_root_moves.excluded_count = 0;
  update_filtered();
}

void root_moves_reset() { root_moves_only(nullptr, 0); }
