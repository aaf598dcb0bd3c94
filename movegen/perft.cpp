#include "movegen/perft.h"

#include <bit>
#include <cstring>

#include "board/board_scan.h"

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
  return king_attacked(child, mover, where_is_king(child, mover)) == 0;
}

namespace {

// Square of the colour's king when it has exactly one, else -1 (none, or
// several: a board built by a nonsensical move list can hold two).
int sole_king_square(const uint8_t *cb, uint8_t colour) {
  const uint8_t king = uint8_t(KING | (colour << 3));
  int found = -1;
  for (int r = 0; r < 8; ++r) {
    uint64_t match = board_scan::bytes_equal(board_scan::rank_word(cb, r) & board_scan::LOW_NIBBLES, king);
    for (; match != 0; match &= match - 1) {
      if (found >= 0) return -1;
      found = square_of(std::countr_zero(match) / 8, r);
    }
  }
  return found;
}

}  // namespace

uint64_t perft(const uint8_t *cb, int depth) {
  if (depth == 0) return 1;
  uint32_t list[MAX_GENERATED_MOVES];
  const int n = generate_moves(cb, list);
  uint64_t total = 0;
  uint8_t child[CB_SIZE];
  // The mover's king is found once per node rather than after every move:
  // after a move it stands where it stood, or where it moved to. Only a sole
  // king is followed this way.
  const uint8_t mover = side_to_move(cb);
  const int king = sole_king_square(cb, mover);
  // A king that stands unattacked can only come under attack by a move of
  // another piece along a line through the square that piece leaves (or,
  // en passant, the square of the pawn taken): a move from a square on no
  // line of the king's keeps it safe, and needs no test.
  uint64_t king_lines = ~uint64_t(0);  // every square: always test
  if (king >= 0 && !king_attacked(cb, mover, king)) {
    const int kb = square_bit[king];
    king_lines = board_scan::REACH[board_scan::STRAIGHT][kb] | board_scan::REACH[board_scan::DIAGONAL][kb];
  }
  for (int i = 0; i < n; ++i) {
    const uint32_t gm = list[i];
    std::memcpy(child, cb, CB_SIZE);
    play_move(child, game_move_of(gm));
    const int from = gm_from(gm);
    const bool safe = from != king && gm_kind(gm) != KIND_EN_PASSANT &&
                      ((king_lines >> (square_bit[from] & 63)) & 1) == 0;
    if (safe) {
      total += perft(child, depth - 1);
      continue;
    }
    int square = king;
    if (king < 0)
      square = where_is_king(child, mover);
    else if (from == king)  // castling: the g- or c-file, whatever square names the move
      square = gm_kind(gm) == KIND_CASTLE_KING    ? castled_king_square(mover, 1)
               : gm_kind(gm) == KIND_CASTLE_QUEEN ? castled_king_square(mover, 0)
                                                  : gm_to(gm);
    if (king_attacked(child, mover, square) == 0) total += perft(child, depth - 1);
  }
  return total;
}

uint64_t perft_all_promotions(const uint8_t *cb, int depth, PerftStop *stop) {
  if (depth == 0) return 1;
  if (stop != nullptr && depth >= 2 && (stop->stopped || (stop->stopped = stop->asked(stop->context)))) return 0;
  uint32_t list[MAX_GENERATED_MOVES];
  const int n = generate_moves(cb, list);
  const uint8_t mover = side_to_move(cb);
  uint64_t total = 0;
  uint8_t child[CB_SIZE];
  for (int i = 0; i < n; ++i) {
    const uint32_t gm = list[i];
    // A queen promotion stands for the rook and the bishop promotions too.
    const uint32_t plain = move_word(gm_from(gm), gm_to(gm));
    const uint32_t words[3] = {game_move_of(gm), plain | MW_PROMO_ROOK, plain | MW_PROMO_BISHOP};
    const int count = gm_kind(gm) == KIND_PROMO_QUEEN ? 3 : 1;
    for (int k = 0; k < count; ++k) {
      std::memcpy(child, cb, CB_SIZE);
      play_move(child, words[k]);
      if (king_attacked(child, mover, where_is_king(child, mover)) != 0) continue;
      total += depth == 1 ? 1 : perft_all_promotions(child, depth - 1, stop);
    }
  }
  return total;
}

uint64_t perft_divide(const uint8_t *cb, int depth, PerftPromotions promotions, const PerftVisit &visit,
                      PerftStop *stop) {
  if (depth < 1) return 0;
  uint32_t list[MAX_GENERATED_MOVES];
  const int n = generate_moves(cb, list);
  const bool all = promotions == PERFT_ALL_PROMOTIONS;
  const uint8_t mover = side_to_move(cb);
  uint64_t total = 0;
  uint8_t child[CB_SIZE];
  for (int i = 0; i < n; ++i) {
    const uint32_t gm = list[i];
    const uint8_t kind = gm_kind(gm);
    const uint8_t promoted = kind == KIND_PROMO_QUEEN ? QUEEN : kind == KIND_PROMO_KNIGHT ? KNIGHT : EMPTY;
    // A queen promotion stands for the rook and the bishop promotions too.
    const uint32_t plain = move_word(gm_from(gm), gm_to(gm));
    const uint32_t words[3] = {game_move_of(gm), plain | MW_PROMO_ROOK, plain | MW_PROMO_BISHOP};
    const uint8_t pieces[3] = {promoted, ROOK, BISHOP};
    const int count = all && kind == KIND_PROMO_QUEEN ? 3 : 1;
    for (int k = 0; k < count; ++k) {
      std::memcpy(child, cb, CB_SIZE);
      play_move(child, words[k]);
      if (king_attacked(child, mover, where_is_king(child, mover)) != 0) continue;
      const uint64_t nodes = all ? perft_all_promotions(child, depth - 1, stop) : perft(child, depth - 1);
      if (stop != nullptr && stop->stopped) return total;
      total += nodes;
      if (!visit(PerftRootMove{gm_from(gm), gm_to(gm), pieces[k]}, nodes)) return total;
    }
  }
  return total;
}
