#include "movegen/movegen.h"

#include <algorithm>

#include "movegen/attack.h"
#include "board/board_scan.h"

namespace {

// Everything the generator appends goes through this cursor, so the count
// returned is always the number of entries written, and never more than the
// list holds. No position of a game comes near the bound; a board built by a
// nonsensical move list (game moves are not checked, and a king's two-file
// step always brings a rook) can, and its surplus moves are dropped.
struct MoveList {
  uint32_t *list;
  int count;
  const PieceSets *sets;  // the board's piece sets when the caller keeps them
  void add(int from, int to, uint8_t kind, int32_t first) {
    if (count < MAX_GENERATED_MOVES) list[count++] = fill_move(uint8_t(from), uint8_t(to), kind, first);
  }
};

inline bool is_empty(uint8_t sqbyte) { return piece_of(sqbyte) == EMPTY; }
inline bool is_enemy_piece(uint8_t sqbyte, uint8_t side) {
  const uint8_t p = piece_of(sqbyte);
  return p != EMPTY && p != BORDER && colour_of(sqbyte) != side;
}

// Pawn moves in the order the search relies on: two-square advance, one-square
// advance (queen before knight on promotion), then for each capture offset
// en passant before the plain capture.
void pawn_moves(const uint8_t *cb, int sq, uint8_t side, MoveList &out) {
  const int up = side == WHITE ? 12 : -12;
  const int row = square_row(sq);
  const int home_row = side == WHITE ? 3 : 8;
  const int last_before_promotion = side == WHITE ? 8 : 3;
  const int en_passant_row = side == WHITE ? 6 : 5;
  const bool promotes = row == last_before_promotion;

  if (row == home_row && is_empty(at(cb, sq + up)) && is_empty(at(cb, sq + 2 * up)))
    out.add(sq, sq + 2 * up, KIND_DOUBLE_PUSH, 0);
  if (is_empty(at(cb, sq + up))) {
    if (promotes) {
      out.add(sq, sq + up, KIND_PROMO_QUEEN, 1);
      out.add(sq, sq + up, KIND_PROMO_KNIGHT, 1);
    } else {
      out.add(sq, sq + up, KIND_NORMAL, 0);
    }
  }

  const int8_t *captures = side == WHITE ? argpwhite.data() : argpblack.data();
  for (; *captures != 0; ++captures) {
    const int off = *captures;
    const int target = sq + off;
    const uint8_t tbyte = at(cb, target);
    if (piece_of(tbyte) == BORDER) continue;

    // The pawn that may be taken en passant stands beside the capturer on the
    // target's file. The mark follows the square, not the piece, so the
    // neighbour must also still hold a pawn: a square left empty by a marked
    // pawn keeps the mark for a while, and taking "nothing" there would be a
    // phantom capture.
    if (row == en_passant_row && is_empty(tbyte)) {
      const int beside = (off == 11 || off == -13) ? sq - 1 : sq + 1;
      const uint8_t nbyte = at(cb, beside);
      if (colour_of(nbyte) != side && has_ep_mark(nbyte) && piece_of(nbyte) == PAWN)
        out.add(sq, target, KIND_EN_PASSANT, 1);
    }
    if (is_enemy_piece(tbyte, side)) {
      if (promotes) {
        out.add(sq, target, KIND_PROMO_QUEEN, 1);
        out.add(sq, target, KIND_PROMO_KNIGHT, 1);
      } else {
        out.add(sq, target, KIND_NORMAL, 1);
      }
    }
  }
}

// Rook, bishop and queen: each ray until the border or the first piece, which
// is taken if it is an enemy.
void slider_moves(const uint8_t *cb, int sq, uint8_t side, const int8_t *dirs, MoveList &out) {
  for (; *dirs != 0; ++dirs) {
    for (int target = sq + *dirs;; target += *dirs) {
      const uint8_t tbyte = at(cb, target);
      if (piece_of(tbyte) == BORDER) break;
      if (is_empty(tbyte)) {
        out.add(sq, target, KIND_NORMAL, 0);
        continue;
      }
      if (colour_of(tbyte) != side) out.add(sq, target, KIND_NORMAL, 1);
      break;
    }
  }
}

void knight_moves(const uint8_t *cb, int sq, uint8_t side, MoveList &out) {
  for (const int8_t *d = argknight.data(); *d != 0; ++d) {
    const int target = sq + *d;
    const uint8_t tbyte = at(cb, target);
    if (piece_of(tbyte) == BORDER) continue;
    if (is_empty(tbyte))
      out.add(sq, target, KIND_NORMAL, 0);
    else if (colour_of(tbyte) != side)
      out.add(sq, target, KIND_NORMAL, 1);
  }
}

bool king_attacked_here(const uint8_t *cb, uint8_t colour, int square, const MoveList &out) {
  return out.sets != nullptr ? king_attacked(cb, *out.sets, colour, square) != 0
                             : king_attacked(cb, colour, square) != 0;
}

// Chess960 castling, king side then queen side, written as the king taking
// its own rook: every square between the outermost of the king's and the
// rook's start and end squares holds nothing but these two, and no square
// from the king's start to its end square is attacked. The rook may shield
// the king's end square from a piece behind it on the rank (king d1, rook
// b1, a queen on a1); the legality test after the move, which sees the rook
// gone, refuses that one as it does any move into check.
[[gnu::noinline]] void chess960_castling(const uint8_t *cb, int king, uint8_t colour, uint8_t state,
                                         MoveList &out) {
  const int back_row = colour == WHITE ? 2 : 9;
  if (square_row(king) != back_row) return;  // a right stands only while the king is home
  const uint8_t own_rook = uint8_t(ROOK | (colour << 3));
  for (int which = 1; which >= 0; --which) {
    if (state & (1u << (castling_shift(colour) + which))) continue;
    const int rook = castling_rook_square(cb, colour, which);
    if ((at(cb, rook) & (PIECE_MASK | COLOUR_BIT)) != own_rook || (rook > king) != (which == 1)) continue;
    const int king_to = castled_king_square(colour, which), rook_to = castled_rook_square(colour, which);
    const int low = std::min({king, rook, king_to, rook_to}), high = std::max({king, rook, king_to, rook_to});
    bool clear = true;
    for (int s = low; s <= high && clear; ++s) clear = s == king || s == rook || is_empty(cb[s]);
    if (!clear) continue;
    const int step = king_to >= king ? 1 : -1;
    for (int s = king;; s += step) {
      if (king_attacked_here(cb, colour, s, out)) {
        clear = false;
        break;
      }
      if (s == king_to) break;
    }
    if (clear) out.add(king, rook, which ? KIND_CASTLE_KING : KIND_CASTLE_QUEEN, 1);
  }
}

// Castling first (king side, then queen side), then the single steps.
void king_moves(const uint8_t *cb, int sq, uint8_t side, MoveList &out) {
  const uint8_t colour = colour_of(cb[sq]);
  const uint8_t state = cb[CB_STATE];
  const bool queen_side_lost = (state & queen_side_lost_bit(side)) != 0;
  const bool king_side_lost = (state & king_side_lost_bit(side)) != 0;

  // The king's own square is not checked: the flags, set whenever the king or
  // a corner rook moves, and the rook standing in its corner stand for it.
  // The attack tests are stricter than the rules of chess: an attacked rook
  // corner (either side) or b-file square (queen side) refuses castling too.
  if (!(queen_side_lost && king_side_lost) && is_chess960(cb)) [[unlikely]] {
    chess960_castling(cb, sq, colour, state, out);
  } else if (!(queen_side_lost && king_side_lost)) {
    const uint8_t own_rook = uint8_t(ROOK | (colour << 3));
    if (!king_side_lost && is_empty(at(cb, sq + 1)) && is_empty(at(cb, sq + 2)) &&
        (at(cb, sq + 3) & (PIECE_MASK | COLOUR_BIT)) == own_rook && king_not_attacked_right(cb, colour, sq))
      out.add(sq, sq + 2, KIND_CASTLE_KING, 1);
    if (!queen_side_lost && is_empty(at(cb, sq - 1)) && is_empty(at(cb, sq - 2)) &&
        is_empty(at(cb, sq - 3)) && (at(cb, sq - 4) & (PIECE_MASK | COLOUR_BIT)) == own_rook &&
        king_not_attacked_left(cb, colour, sq))
      out.add(sq, sq - 2, KIND_CASTLE_QUEEN, 1);
  }

  for (const int8_t *d = argking.data(); *d != 0; ++d) {
    const int target = sq + *d;
    const uint8_t tbyte = at(cb, target);
    if (piece_of(tbyte) == BORDER) continue;
    if (!is_empty(tbyte) && colour_of(tbyte) == side) continue;
    // Tested with the king still on its square: a step away from a checking
    // slider along its line reads as safe here, and the search refuses it one
    // ply later when it finds the mover's king attacked.
    if (out.sets != nullptr ? king_attacked(cb, *out.sets, colour, target) : king_attacked(cb, colour, target))
      continue;
    out.add(sq, target, KIND_NORMAL, is_empty(tbyte) ? 0 : 1);
  }
}

}  // namespace

namespace {

int generate(const uint8_t *cb, uint32_t *list, const PieceSets *sets, uint64_t own_pieces) {
  const uint8_t side = side_to_move(cb);
  MoveList out{list, 0, sets};
  // The mover's pieces in ascending square order: the order of the list.
  for (uint64_t own = own_pieces; own != 0;) {
    const int sq = board_scan::pop_square(own);
    switch (piece_of(cb[sq])) {
      case PAWN:
        pawn_moves(cb, sq, side, out);
        break;
      case KNIGHT:
        knight_moves(cb, sq, side, out);
        break;
      case BISHOP:
        slider_moves(cb, sq, side, argbishop.data(), out);
        break;
      case ROOK:
        slider_moves(cb, sq, side, argrook.data(), out);
        break;
      case QUEEN:
        slider_moves(cb, sq, side, argqueen.data(), out);
        break;
      case KING:
        king_moves(cb, sq, side, out);
        break;
      default:
        break;
    }
  }
  return out.count;
}

}  // namespace

int generate_moves(const uint8_t *cb, uint32_t *list) {
  return generate(cb, list, nullptr, board_scan::occupancy_of(cb, side_to_move(cb)));
}

int generate_moves(const uint8_t *cb, uint32_t *list, const PieceSets &sets) {
  return generate(cb, list, &sets, sets.by_colour[side_to_move(cb)]);
}
