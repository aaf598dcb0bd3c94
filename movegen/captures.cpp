#include "movegen/captures.h"

#include <array>
#include <bit>
#include <cstddef>

#include "board/chess_cb.h"
#include "movegen/attack.h"
#include "board/board_scan.h"

namespace {

// Codes (piece | colour << 3) of the side's enemies, as a 16-bit set: one
// shift and test per probed square. Empty squares and border bytes are in
// no set.
constexpr uint16_t enemy_codes(uint8_t side) {
  const int enemy = (side ^ 1) << 3;
  uint16_t set = 0;
  for (int p = PAWN; p <= KING; ++p) set = uint16_t(set | (1u << (p | enemy)));
  return set;
}
inline bool in_set(uint16_t set, uint8_t sqbyte) { return (set >> (sqbyte & (PIECE_MASK | COLOUR_BIT))) & 1; }

// Value of the piece on a square for the ordering score; a border byte (which
// no capture involves) counts as nothing rather than indexing past the table.
inline int32_t value_at(const uint8_t *cb, int sq) {
  const uint8_t p = piece_of(at(cb, sq));
  return p < value_piece.size() ? value_piece[p] : 0;
}

// Captures by a piece that jumps or steps: one probe per offset (the lists
// end with a 0, which is not an offset).
template <size_t N>
void step_captures(s_mv &list, const uint8_t *cb, int sq, uint16_t enemies, const std::array<int8_t, N> &dirs) {
  for (size_t i = 0; i + 1 < N; ++i)
    if (in_set(enemies, at(cb, sq + dirs[i]))) CheckScore(list, cb, sq, sq + dirs[i]);
}

// Captures by a slider: the first piece on each ray, if it is an enemy. The
// first piece comes from the board's sets in one look-up; a ray that meets
// nothing before the edge ends on the border, which is no capture.
template <size_t N>
void ray_captures(s_mv &list, const uint8_t *cb, int sq, int b, const board_scan::Pieces &pieces,
                  uint64_t enemies, const std::array<uint8_t, N> &lines) {
  for (size_t i = 0; i < N; ++i) {
    const int first = board_scan::first_on_line(pieces.all, lines[i], b);
    if (first >= 0 && ((enemies >> first) & 1)) CheckScore(list, cb, sq, boardin[first]);
  }
}

}  // namespace

void CheckScore(s_mv &list, const uint8_t *cb, int from, int to) {
  // The record has room for S_MV_CAPACITY captures; later ones are dropped.
  // Only boards that no game reaches (built by nonsensical move lists) have
  // that many captures.
  if (list.count < 0 || list.count >= S_MV_CAPACITY) return;
  const int i = list.count;
  list.from[i] = uint8_t(from);
  list.to[i] = uint8_t(to);
  list.reserved[i] = 0;
  list.score[i] = value_at(cb, to) - value_at(cb, from);
  list.count = i + 1;
}

s_mv generate_qsearch_moves(const uint8_t *cb) { return generate_qsearch_moves(cb, board_scan::pieces_of(cb)); }

s_mv generate_qsearch_moves(const uint8_t *cb, const PieceSets &sets) {
  using namespace board_scan;
  s_mv list;
  list.count = 0;
  const uint8_t side = side_to_move(cb);
  const int own = side << 3;
  const uint16_t enemies = enemy_codes(side);
  const Pieces pieces = pieces_of(sets);
  const uint64_t enemy_squares = pieces.by_colour[side ^ 1];

  // Piece kind by piece kind, each piece only if something it could reach
  // on an empty board is an enemy; the list is put into board order below.
  const uint64_t pawns = sets.of[PAWN | own];
  uint64_t pawn_reach = 0;
  for (uint64_t p = pawns; p != 0; p &= p - 1) pawn_reach |= PAWN_TARGETS[side][std::countr_zero(p)];
  if (pawn_reach & enemy_squares) {
    for (uint64_t p = pawns; p != 0; p &= p - 1) {
      const int b = std::countr_zero(p);
      if (PAWN_TARGETS[side][b] & enemy_squares)
        step_captures(list, cb, boardin[b], enemies, side == WHITE ? argpwhite : argpblack);
    }
  }
  for (uint64_t p = sets.of[KNIGHT | own]; p != 0; p &= p - 1) {
    const int b = std::countr_zero(p);
    if (KNIGHT_TARGETS[b] & enemy_squares) step_captures(list, cb, boardin[b], enemies, argknight);
  }
  for (uint64_t p = sets.of[BISHOP | own]; p != 0; p &= p - 1) {
    const int b = std::countr_zero(p);
    if (REACH[DIAGONAL][b] & enemy_squares) ray_captures(list, cb, boardin[b], b, pieces, enemy_squares, BISHOP_LINES);
  }
  for (uint64_t p = sets.of[ROOK | own]; p != 0; p &= p - 1) {
    const int b = std::countr_zero(p);
    if (REACH[STRAIGHT][b] & enemy_squares) ray_captures(list, cb, boardin[b], b, pieces, enemy_squares, ROOK_LINES);
  }
  for (uint64_t p = sets.of[QUEEN | own]; p != 0; p &= p - 1) {
    const int b = std::countr_zero(p);
    if ((REACH[STRAIGHT][b] | REACH[DIAGONAL][b]) & enemy_squares)
      ray_captures(list, cb, boardin[b], b, pieces, enemy_squares, QUEEN_LINES);
  }
  for (uint64_t p = sets.of[KING | own]; p != 0; p &= p - 1) {
    const int b = std::countr_zero(p);
    if ((KING_TARGETS[b] & enemy_squares) == 0) continue;
    const int sq = boardin[b];
    for (const int8_t *d = argking.data(); *d != 0; ++d) {
      const int target = sq + *d;
      if (in_set(enemies, at(cb, target)) && !king_attacked(cb, sets, side, target)) CheckScore(list, cb, sq, target);
    }
  }

  // A full record may have dropped other captures than the board walk
  // would: such a board (none a game reaches) is walked instead.
  // (Assigned, not returned: one returned name lets the record be built in
  // the caller's place instead of copied.)
  if (list.count >= S_MV_CAPACITY) {
    list = generate_qsearch_moves(cb, pieces);
    return list;
  }

  // Board order: each piece's captures are one run in direction order, so a
  // stable sort by from-square gives the walk's list exactly.
  for (int i = 1; i < list.count; ++i) {
    const uint8_t from = list.from[i], to = list.to[i];
    const int32_t score = list.score[i];
    int j = i;
    for (; j > 0 && list.from[j - 1] > from; --j) {
      list.from[j] = list.from[j - 1];
      list.to[j] = list.to[j - 1];
      list.score[j] = list.score[j - 1];
    }
    list.from[j] = from;
    list.to[j] = to;
    list.score[j] = score;
  }
  return list;
}

s_mv generate_qsearch_moves(const uint8_t *cb, const board_scan::Pieces &pieces) {
  s_mv list;
  list.count = 0;
  const uint8_t side = side_to_move(cb);
  const uint16_t enemies = enemy_codes(side);
  const uint64_t enemy_squares = pieces.by_colour[side ^ 1];
  // The mover's pieces in ascending square order, as a walk over the board
  // would meet them. A piece none of whose steps reaches an enemy is passed
  // over without probing them.
  for (uint64_t own = pieces.by_colour[side]; own != 0; own &= own - 1) {
    const int b = std::countr_zero(own);
    const int sq = boardin[b];
    switch (piece_of(cb[sq])) {
      // A pawn's capture onto the last rank is listed as a plain capture:
      // the quiescence search makes its captures as plain moves.
      case PAWN:
        if (board_scan::PAWN_TARGETS[side][b] & enemy_squares)
          step_captures(list, cb, sq, enemies, side == WHITE ? argpwhite : argpblack);
        break;
      case KNIGHT:
        if (board_scan::KNIGHT_TARGETS[b] & enemy_squares) step_captures(list, cb, sq, enemies, argknight);
        break;
      case BISHOP:
        ray_captures(list, cb, sq, b, pieces, enemy_squares, board_scan::BISHOP_LINES);
        break;
      case ROOK:
        ray_captures(list, cb, sq, b, pieces, enemy_squares, board_scan::ROOK_LINES);
        break;
      case QUEEN:
        ray_captures(list, cb, sq, b, pieces, enemy_squares, board_scan::QUEEN_LINES);
        break;
      case KING:
        if ((board_scan::KING_TARGETS[b] & enemy_squares) == 0) break;
        for (const int8_t *d = argking.data(); *d != 0; ++d) {
          const int target = sq + *d;
          // Only captures of undefended pieces: the king may not take into
          // an attack (tested with the king still on its square).
          if (in_set(enemies, at(cb, target)) && !king_attacked(cb, side, target))
            CheckScore(list, cb, sq, target);
        }
        break;
      default:
        break;
    }
  }
  return list;
}
