#include "movegen/attack.h"

#include "board/chess_cb.h"

namespace {

// 1 if the byte holds a piece of that code whose colour differs from the
// defender's; border bytes (code 7) and empty squares never match.
inline bool is_enemy(uint8_t sqbyte, uint8_t piece, uint8_t defender) {
  return piece_of(sqbyte) == piece && colour_of(sqbyte) != defender;
}

// Walks a ray from square outward; 1 if the first piece met is an enemy of
// kind a or kind b, 0 if the ray ends on anything else (own piece, other
// enemy piece, border).
inline bool ray_hits(const uint8_t *cb, uint8_t defender, int square, int offset, uint8_t a, uint8_t b) {
  int sq = square + offset;
  while (piece_of(cb[uint8_t(sq)]) == EMPTY) sq += offset;
  const uint8_t byte = cb[uint8_t(sq)];
  return colour_of(byte) != defender && (piece_of(byte) == a || piece_of(byte) == b);
}

constexpr int knight_probes[8] = {23, 25, 10, 14, -23, -25, -10, -14};
constexpr int king_probes[8] = {-1, 1, -13, 11, -11, 13, -12, 12};
constexpr int straight_rays[4] = {12, -12, 1, -1};
constexpr int diagonal_rays[4] = {-13, -11, 13, 11};

}  // namespace

int king_attacked(const uint8_t *cb, uint8_t colour, int square) {
  // Nothing to probe from: a missing king (-1) or any index off the playable
  // rows would let the probes run outside the buffer.
  if (square < SQ_FIRST || square > SQ_LAST) return 0;

  // The border bytes within 26..117 may be asked about (the castling tests
  // reach square + 3 from a king that stands on g1); from them every probe
  // still lands between 1 and 142, so nothing outside the mailbox is read.
  for (int off : knight_probes)
    if (is_enemy(cb[uint8_t(square + off)], KNIGHT, colour)) return 1;
  for (int off : king_probes)
    if (is_enemy(cb[uint8_t(square + off)], KING, colour)) return 1;
  for (int off : straight_rays)
    if (ray_hits(cb, colour, square, off, ROOK, QUEEN)) return 1;
  for (int off : diagonal_rays)
    if (ray_hits(cb, colour, square, off, BISHOP, QUEEN)) return 1;

  // Enemy pawns attack towards the defender's side: a white square is hit
  // from above (+11, +13), a black one from below.
  for (int off : {11, 13}) {
    const int probe = square + pawn_move(off, colour);
    const int rows_apart = square_row(probe) - square_row(square);
    if (rows_apart != 1 && rows_apart != -1) continue;
    if (is_enemy(cb[uint8_t(probe)], PAWN, colour)) return 1;
  }
  return 0;
}

int where_is_king(const uint8_t *cb, uint8_t colour) {
  for (int sq = SQ_FIRST; sq <= SQ_LAST; ++sq)
    if (piece_of(cb[sq]) == KING && colour_of(cb[sq]) == colour) return sq;
  return -1;
}

int king_not_attacked_right(const uint8_t *cb, uint8_t colour, int square) {
  // The rook's corner (square + 3) counts too: castling is refused when it is
  // attacked, although the king never crosses it.
  for (int sq = square; sq <= square + 3; ++sq)
    if (king_attacked(cb, colour, sq)) return 0;
  return 1;
}

int king_not_attacked_left(const uint8_t *cb, uint8_t colour, int square) {
  // Stricter than the king's path: the b-file square (square - 3) and the
  // rook's corner (square - 4) must be unattacked as well.
  for (int sq = square; sq >= square - 4; --sq)
    if (king_attacked(cb, colour, sq)) return 0;
  return 1;
}
