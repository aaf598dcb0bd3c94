#include "search/make_move.h"

#include <cassert>

#include "board/chess_cb.h"
#include "hash/zobrist.h"

namespace {

constexpr uint8_t PIECE_AND_COLOUR = PIECE_MASK | COLOUR_BIT;

// The make's only writes to squares and key. A square keeps its en-passant
// mark whatever is written on it, and the mark is not keyed.

// Takes whatever stands on the square off the board and out of the key.
inline void lift(uint8_t *cb, int square) {
  hash_key ^= zobrist_value(cb[square], square);
  cb_set_value(uint8_t(square), EMPTY, WHITE, cb);
}

// Puts a piece on an empty square, into the board and the key.
inline void place(uint8_t *cb, int square, uint8_t piece, uint8_t colour) {
  cb_set_value(uint8_t(square), piece, colour, cb);
  hash_key ^= zobrist_value(cb[square], square);
}

// Sets the lost flag of colour's right on side `which` (0 a-file, 1 h-file)
// if it was still clear, with its key.
inline void take_right(uint8_t *cb, int colour, int which) {
  const uint8_t bit = uint8_t(1u << (castling_shift(colour) + which));
  if (cb[CB_STATE] & bit) return;
  cb[CB_STATE] |= bit;
  hash_key ^= zobrist_castling[2 * colour + which];
}

// A move onto a rook's corner takes that corner's right from its owner, as a
// game move does: the rook there is captured, or it left earlier and the
// right went with it. Otherwise another rook reaching the empty corner along
// the back rank would make castling look possible again further down the line.
inline void take_corner_right(uint8_t *cb, uint8_t to) {
  switch (to) {
    case SQ_A1: take_right(cb, WHITE, 0); break;
    case SQ_H1: take_right(cb, WHITE, 1); break;
    case SQ_A8: take_right(cb, BLACK, 0); break;
    case SQ_H8: take_right(cb, BLACK, 1); break;
    default: break;
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

// Marks are only ever set on the squares a pawn reaches by a two-square
// advance: ranks 4 and 5.
constexpr int MARK_SQUARES = 16;
constexpr int mark_square(int i) { return i < 8 ? square_of(i, 3) : square_of(i - 8, 4); }

// Clears every mark the game would clear before a move of colour (all but
// those on the other side's pawns) and answers which, for the unmake.
inline uint16_t expire_marks(uint8_t *cb, uint8_t colour) {
  uint16_t expired = 0;
  for (int i = 0; i < MARK_SQUARES; ++i) {
    uint8_t &b = cb[mark_square(i)];
    if (!has_ep_mark(b) || (piece_of(b) == PAWN && colour_of(b) != colour)) continue;
    b = uint8_t(b & ~EP_MARK);
    expired = uint16_t(expired | (1u << i));
  }
  return expired;
}

inline void restore_marks(uint8_t *cb, uint16_t expired) {
  for (int i = 0; expired != 0; ++i, expired >>= 1)
    if (expired & 1u) cb[mark_square(i)] |= EP_MARK;
}

// Puts the byte's piece and colour back on the square (nothing for 0).
inline void restore(uint8_t *cb, int square, uint8_t sqbyte) {
  cb_set_value(uint8_t(square), piece_of(sqbyte), colour_of(sqbyte), cb);
}

}  // namespace

bool search_board_is_sound(const uint8_t *cb) {
  for (int sq = 0; sq < CB_MAILBOX; ++sq) {
    const int row = square_row(sq), column = square_column(sq);
    const bool border = row < 2 || row > 9 || column < 2 || column > 9;
    if (border ? cb[sq] != BORDER : (piece_of(cb[sq]) == BORDER || (cb[sq] & 0xE0) != 0)) return false;
  }
  return (cb[CB_STATE] & 0x80) == 0 && hash_key == first_zobrist_key(cb);
}

void search_make(uint8_t *cb, uint32_t gm, SearchUndo &undo) {
  const uint8_t from = gm_from(gm), to = gm_to(gm), kind = gm_kind(gm);
  const uint8_t colour = side_to_move(cb);

  undo.key = hash_key;
  cb[CB_TRY_FROM] = from;
  cb[CB_TRY_TO] = to;
  undo.mover = piece_of(cb[from]);
  undo.target = cb[to] & PIECE_AND_COLOUR;
  undo.victim = EMPTY;
  undo.marks = kind == KIND_PLAIN_CAPTURE ? 0 : expire_marks(cb, colour);

  switch (kind) {
    case KIND_EN_PASSANT: {
      const uint8_t victim = en_passant_victim(to, colour);
      undo.victim = cb[victim] & PIECE_AND_COLOUR;
      // The victim's square keeps its mark: marks follow squares, and the
      // unmake's write brings the pawn back under it.
      lift(cb, victim);
      lift(cb, from);
      place(cb, to, PAWN, colour);
      break;
    }
    case KIND_CASTLE_KING:
    case KIND_CASTLE_QUEEN: {
      const CastlingSquares sq = castling_squares(from, kind);
      lift(cb, from);
      lift(cb, sq.rook_from);
      place(cb, sq.king_to, KING, colour);
      place(cb, sq.rook_to, ROOK, colour);
      take_right(cb, colour, 0);
      take_right(cb, colour, 1);
      // Read by the evaluation's castling bonus; never keyed, and gone again
      // when the node writes its copy of byte 144 back.
      cb[CB_STATE] |= castled_bit(colour);
      break;
    }
    case KIND_PROMO_KNIGHT:
    case KIND_PROMO_QUEEN:
      // The kind is the new piece's code.
      if (piece_of(undo.target) != EMPTY) lift(cb, to);
      lift(cb, from);
      place(cb, to, kind, colour);
      take_corner_right(cb, to);
      break;
    case KIND_PLAIN_CAPTURE:
      if (piece_of(undo.target) != EMPTY) lift(cb, to);
      lift(cb, from);
      place(cb, to, undo.mover, colour);
      break;
    default:  // KIND_NORMAL, KIND_DOUBLE_PUSH
      if (piece_of(undo.target) != EMPTY) lift(cb, to);
      lift(cb, from);
      place(cb, to, undo.mover, colour);
      // The mark is not keyed; set here, cleared by hand in the unmake.
      if (kind == KIND_DOUBLE_PUSH) cb[to] |= EP_MARK;
      if (undo.mover == KING) {
        take_right(cb, colour, 0);
        take_right(cb, colour, 1);
      } else if (undo.mover == ROOK) {
        // Only the file counts, not the rank: a rook leaving a4 with the
        // a-file right intact costs that right.
        const int column = square_column(from);
        if (column == 2)
          take_right(cb, colour, 0);
        else if (column == 9)
          take_right(cb, colour, 1);
      }
      take_corner_right(cb, to);
      break;
  }
  cb[CB_STATE] ^= ST_BLACK_TO_MOVE;
  hash_key ^= zobrist_black;
  assert(search_board_is_sound(cb));
}

void search_unmake(uint8_t *cb, uint32_t gm, uint8_t state, const SearchUndo &undo) {
  const uint8_t from = gm_from(gm), to = gm_to(gm), kind = gm_kind(gm);
  cb[CB_STATE] = state;
  const uint8_t colour = state & ST_BLACK_TO_MOVE;

  switch (kind) {
    case KIND_EN_PASSANT:
      restore(cb, en_passant_victim(to, colour), undo.victim);
      cb_set_value(from, undo.mover, colour, cb);
      restore(cb, to, undo.target);
      break;
    case KIND_CASTLE_KING:
    case KIND_CASTLE_QUEEN: {
      const CastlingSquares sq = castling_squares(from, kind);
      cb_set_value(sq.king_to, EMPTY, WHITE, cb);
      cb_set_value(sq.rook_to, EMPTY, WHITE, cb);
      cb_set_value(from, KING, colour, cb);
      cb_set_value(sq.rook_from, ROOK, colour, cb);
      break;
    }
    default:  // promotions, plain captures, KIND_NORMAL, KIND_DOUBLE_PUSH
      cb_set_value(from, undo.mover, colour, cb);
      restore(cb, to, undo.target);
      // The mark the make set; one the square carried before comes back
      // with the expired marks.
      if (kind == KIND_DOUBLE_PUSH) cb[to] &= uint8_t(~EP_MARK);
      break;
  }
  restore_marks(cb, undo.marks);
  // Every key change of the make is undone at once.
  hash_key = undo.key;
  assert(search_board_is_sound(cb));
}
