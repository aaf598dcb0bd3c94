#include "search/root_moves.h"

namespace {

bool contains(const uint32_t *keys, int count, uint32_t key) {
  for (int i = 0; i < count; ++i)
    if (keys[i] == key) return true;
  return false;
}

void update_filtered(RootMoves &root) { root.filtered = root.only_count > 0 || root.excluded_count > 0; }

}  // namespace

uint32_t root_move_key_of_word(const uint8_t *cb, uint32_t word) {
  return root_move_key(move_from(word), move_to(word), move_promotion_on(cb, word));
}

bool root_move_allowed(const RootMoves &root, uint32_t gm) {
  const uint32_t key = root_move_key_of_generated(gm);
  if (root.only_count > 0 && !contains(root.only, root.only_count, key)) return false;
  return !contains(root.excluded, root.excluded_count, key);
}

void root_moves_only(RootMoves &root, const uint32_t *keys, int count) {
  root.only_count = 0;
  root.excluded_count = 0;
  for (int i = 0; i < count && root.only_count < ROOT_MOVES_CAPACITY; ++i)
    if (!contains(root.only, root.only_count, keys[i])) root.only[root.only_count++] = keys[i];
  update_filtered(root);
}

bool root_moves_exclude(RootMoves &root, uint32_t key) {
  if (root.excluded_count >= ROOT_MOVES_CAPACITY) return false;
  root.excluded[root.excluded_count++] = key;
  update_filtered(root);
  return true;
}

void root_moves_clear_exclusions(RootMoves &root) {
  root.excluded_count = 0;
  update_filtered(root);
}
