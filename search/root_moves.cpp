#include "search/root_moves.h"

#include "movegen/movegen.h"
#include "search/search_node.h"

namespace {

void set_move(RootMove &m, uint32_t gm) {
  m.move = gm;
  m.score = 0;
  m.excluded = false;
  m.line.length = 0;
}

bool listed(const uint32_t *keys, int count, uint32_t key) {
  for (int i = 0; i < count; ++i)
    if (keys[i] == key) return true;
  return false;
}

}  // namespace

uint32_t root_move_key_of_word(const uint8_t *cb, uint32_t word) {
  return root_move_key(move_from(word), move_to(word), move_promotion_on(cb, word));
}

void root_moves_generate(RootMoves &root, const uint8_t *cb, const PieceSets &sets, const uint32_t *only,
                         int only_count) {
  uint32_t moves[MAX_GENERATED_MOVES];
  uint32_t ordered[MAX_GENERATED_MOVES];
  const int n = order_moves(ordered, moves, generate_moves(cb, moves, sets));
  root.count = 0;
  for (int i = 0; i < n; ++i)
    if (only_count <= 0 || listed(only, only_count, root_move_key_of_generated(ordered[i])))
      set_move(root.moves[root.count++], ordered[i]);
}

void root_moves_one(RootMoves &root, uint32_t gm) {
  root.count = 1;
  set_move(root.moves[0], gm);
}

bool root_moves_exclude(RootMoves &root, uint32_t key) {
  for (int i = 0; i < root.count; ++i)
    if (!root.moves[i].excluded && root_move_key_of_generated(root.moves[i].move) == key) {
      root.moves[i].excluded = true;
      return true;
    }
  return false;
}
