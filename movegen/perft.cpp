#include "movegen/perft.h"

#include <cstring>

#include "board/game_move.h"
#include "movegen/attack.h"
#include "movegen/movegen.h"

uint32_t game_move_of(uint32_t gm) {
  uint32_t mw = move_word(gm_from(gm), gm_to(gm));
  if (gm_kind(gm) == KIND_PROMO_KNIGHT) mw |= MW_PROMO_KNIGHT;
  return mw;
}

bool play_if_legal(uint8_t *child, uint32_t gm) {
  const uint8_t mover = side_to_move(child);
  play_move(child, game_move_of(gm));
  child[CB_STATE] ^= ST_BLACK_TO_MOVE;
  return king_attacked(child, mover, where_is_king(child, mover)) == 0;
}

uint64_t perft(const uint8_t *cb, int depth) {
  if (depth == 0) return 1;
  uint32_t list[MAX_GENERATED_MOVES];
  const int n = generate_moves(cb, list);
  uint64_t total = 0;
  uint8_t child[CB_SIZE];
  for (int i = 0; i < n; ++i) {
    std::memcpy(child, cb, CB_SIZE);
    if (play_if_legal(child, list[i])) total += perft(child, depth - 1);
  }
  return total;
}
