#include "search/make_move.h"

#include "board/chess_cb.h"
#include "hash/zobrist.h"

namespace {

constexpr int8_t NO_KEY = -1;
constexpr uint8_t PIECE_AND_COLOUR = PIECE_MASK | COLOUR_BIT;

// Key of a square byte on a square (the mark is not keyed).
inline uint64_t key_of(const uint8_t *cb, uint8_t sqbyte, int square) {
  return zobrist_value_debug(square, cb, sqbyte, square);
}

// Sets the lost flag of colour's right on side `which` (0 a-file, 1 h-file)
// if it was still clear, XORing its key in and noting the key in slot.
inline void take_right(uint8_t *cb, int colour, int which, int8_t &slot) {
  const uint8_t bit = uint8_t(1u << (castling_shift(colour) + which));
  if (cb[CB_STATE] & bit) return;
  cb[CB_STATE] |= bit;
  const int index = 2 * colour + which;
  hash_key ^= zobrist_castling[index];
  slot = int8_t(index);
}

// A move onto a rook's corner takes that corner's right from its owner, as a
// game move does: the rook there is captured, or it left earlier and the
// right went with it. Otherwise another rook reaching the empty corner along
// the back rank would make castling look possible again further down the line.
inline void take_corner_right(uint8_t *cb, uint8_t to, int8_t &slot) {
  switch (to) {
    case SQ_A1:
      take_right(cb, WHITE, 0, slot);
      break;
    case SQ_H1:
      take_right(cb, WHITE, 1, slot);
      break;
    case SQ_A8:
      take_right(cb, BLACK, 0, slot);
      break;
    case SQ_H8:
      take_right(cb, BLACK, 1, slot);
      break;
    default:
      break;
  }
}

// XORs out every castling key the make XORed in; the flags themselves come
// back with the node's copy of byte 144.
inline void give_rights_back(SearchUndo &undo) {
  for (int8_t &slot : undo.castling_key)
    if (slot != NO_KEY) {
      hash_key ^= zobrist_castling[slot];
      slot = NO_KEY;
    }
}

// Rook's corner and the squares king and rook reach, for a castling move.
struct CastlingSquares {
  uint8_t rook_from, king_to, rook_to;
};

inline CastlingSquares castling_squares(uint8_t king_from, uint8_t kind) {
  if (kind == KIND_CASTLE_KING)
    return {uint8_t(king_from + 3), uint8_t(king_from + 2), uint8_t(king_from + 1)};
  return {uint8_t(king_from - 4), uint8_t(king_from - 2), uint8_t(king_from - 1)};
}

// Square of the pawn an en-passant capture takes: behind the to-square as
// seen by the mover.
inline uint8_t en_passant_victim(uint8_t to, uint8_t colour) {
  return colour == WHITE ? uint8_t(to - 12) : uint8_t(to + 12);
}

}  // namespace

void search_make(uint8_t *cb, uint32_t gm, SearchUndo &undo) {
  const uint8_t from = gm_from(gm), to = gm_to(gm), kind = gm_kind(gm);
  const uint8_t colour = side_to_move(cb);

  undo.key = hash_key;
  cb[CB_TRY_FROM] = from;
  cb[CB_TRY_TO] = to;
  undo.mover = piece_of(cb[from]);
  undo.target = cb[to] & PIECE_AND_COLOUR;
  undo.victim = EMPTY;
  undo.castling_key[0] = undo.castling_key[1] = undo.castling_key[2] = undo.castling_key[3] = NO_KEY;

  switch (kind) {
    case KIND_EN_PASSANT: {
      const uint8_t victim = en_passant_victim(to, colour);
      const uint8_t pawn = cb[from];
      undo.victim = cb[victim] & PIECE_AND_COLOUR;
      hash_key ^=
          key_of(cb, pawn, from) ^ key_of(cb, cb[victim], victim) ^ key_of(cb, pawn, to) ^ zobrist_black;
      cb_set_value(from, EMPTY, WHITE, cb);
      cb_set_value(to, PAWN, colour, cb);
      // The victim's square keeps its mark: marks follow squares, and the
      // unmake's write brings the pawn back under it.
      cb_set_value(victim, EMPTY, WHITE, cb);
      break;
    }
    case KIND_CASTLE_KING:
    case KIND_CASTLE_QUEEN: {
      const CastlingSquares sq = castling_squares(from, kind);
      const uint8_t king = cb[from], rook = cb[sq.rook_from];
      hash_key ^= key_of(cb, king, from) ^ key_of(cb, rook, sq.rook_from) ^ key_of(cb, king, sq.king_to) ^
                  key_of(cb, rook, sq.rook_to) ^ zobrist_black;
      cb_set_value(from, EMPTY, WHITE, cb);
      cb_set_value(sq.king_to, KING, colour, cb);
      cb_set_value(sq.rook_from, EMPTY, WHITE, cb);
      cb_set_value(sq.rook_to, ROOK, colour, cb);
      take_right(cb, colour, 0, undo.castling_key[0]);
      take_right(cb, colour, 1, undo.castling_key[1]);
      // Read by the evaluation's castling bonus; never keyed, and gone again
      // when the node writes its copy of byte 144 back.
      cb[CB_STATE] |= castled_bit(colour);
      break;
    }
    case KIND_PROMO_KNIGHT:
    case KIND_PROMO_QUEEN: {
      // The kind is the new piece's code. The pawn's and the captured piece's
      // keys go before the board changes, the new piece's after.
      hash_key ^= key_of(cb, cb[from], from);
      if (piece_of(cb[to]) != EMPTY) hash_key ^= key_of(cb, cb[to], to);
      hash_key ^= zobrist_black;
      cb_set_value(from, EMPTY, WHITE, cb);
      cb_set_value(to, kind, colour, cb);
      hash_key ^= key_of(cb, cb[to], to);
      take_corner_right(cb, to, undo.castling_key[3]);
      break;
    }
    default: {  // KIND_NORMAL, KIND_DOUBLE_PUSH
      set_hash_move(cb, from, to);
      // The mark is not keyed; set here, cleared by hand in the unmake.
      if (kind == KIND_DOUBLE_PUSH) cb[to] |= EP_MARK;
      cb_set_value(from, EMPTY, WHITE, cb);
      cb_set_value(to, undo.mover, colour, cb);
      if (undo.mover == KING) {
        take_right(cb, colour, 0, undo.castling_key[0]);
        take_right(cb, colour, 1, undo.castling_key[1]);
      } else if (undo.mover == ROOK) {
        // Only the file counts, not the rank: a rook leaving a4 with the
        // a-file right intact costs that right.
        const int column = square_column(from);
        if (column == 2)
          take_right(cb, colour, 0, undo.castling_key[2]);
        else if (column == 9)
          take_right(cb, colour, 1, undo.castling_key[2]);
      }
      take_corner_right(cb, to, undo.castling_key[3]);
      break;
    }
  }
  cb[CB_STATE] ^= ST_BLACK_TO_MOVE;
}

void search_unmake(uint8_t *cb, uint32_t gm, uint8_t state, SearchUndo &undo) {
  const uint8_t from = gm_from(gm), to = gm_to(gm), kind = gm_kind(gm);
  cb[CB_STATE] = state;
  const uint8_t colour = state & ST_BLACK_TO_MOVE;

  switch (kind) {
    case KIND_EN_PASSANT: {
      const uint8_t victim = en_passant_victim(to, colour);
      cb_set_value(victim, piece_of(undo.victim), colour_of(undo.victim), cb);
      cb_set_value(from, undo.mover, colour, cb);
      cb_set_value(to, piece_of(undo.target), colour_of(undo.target), cb);
      const uint8_t pawn = cb[from];
      hash_key ^=
          key_of(cb, pawn, from) ^ key_of(cb, pawn, to) ^ key_of(cb, cb[victim], victim) ^ zobrist_black;
      break;
    }
    case KIND_CASTLE_KING:
    case KIND_CASTLE_QUEEN: {
      const CastlingSquares sq = castling_squares(from, kind);
      cb_set_value(sq.king_to, EMPTY, WHITE, cb);
      cb_set_value(sq.rook_to, EMPTY, WHITE, cb);
      cb_set_value(from, KING, colour, cb);
      cb_set_value(sq.rook_from, ROOK, colour, cb);
      const uint8_t king = cb[from], rook = cb[sq.rook_from];
      hash_key ^= key_of(cb, king, sq.king_to) ^ key_of(cb, rook, sq.rook_to) ^ key_of(cb, king, from) ^
                  key_of(cb, rook, sq.rook_from) ^ zobrist_black;
      give_rights_back(undo);
      break;
    }
    case KIND_PROMO_KNIGHT:
    case KIND_PROMO_QUEEN: {
      hash_key ^= key_of(cb, cb[to], to);
      cb_set_value(from, undo.mover, colour, cb);
      cb_set_value(to, piece_of(undo.target), colour_of(undo.target), cb);
      if (piece_of(cb[to]) != EMPTY) hash_key ^= key_of(cb, cb[to], to);
      hash_key ^= key_of(cb, cb[from], from) ^ zobrist_black;
      break;
    }
    default: {  // KIND_NORMAL, KIND_DOUBLE_PUSH
      cb_set_value(from, undo.mover, colour, cb);
      cb_set_value(to, piece_of(undo.target), colour_of(undo.target), cb);
      give_rights_back(undo);
      unset_hash_move(cb, from, to);
      // The one mark the search itself set. A mark the square carried before
      // the move (left behind by an earlier pawn) goes with it.
      if (kind == KIND_DOUBLE_PUSH) cb[to] &= uint8_t(~EP_MARK);
      break;
    }
  }

  // With the updates above the key always comes back; if it ever does not,
  // the saved key is the truth and the search goes on.
  if (hash_key != undo.key) hash_key = undo.key;
}
