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
  const int from = move_from(word), to = move_to(word);
  const int to_row = square_row(to);
  const bool promotes = piece_of(cb_get_value(uint8_t(from), cb)) == PAWN && (to_row == 2 || to_row == 9);
  return root_move_key(from, to, promotes ? move_promotion_piece(word) : 0);
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
