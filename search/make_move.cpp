#include "search/make_move.h"

#include <bit>
#include <cassert>

#include "board/board_scan.h"
#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "eval/piece_square_values.h"
#include "hash/hash_table.h"
#include "hash/zobrist.h"
#include "search/search_context.h"

namespace {

using phase_terms::PieceSquareValues;

// Marks are only ever set on the squares a pawn reaches by a two-square
// advance: ranks 4 and 5 (a FEN's en-passant square marks the pawn that
// has just advanced, on one of them too). Bit i of a set of marks stands
// for file i % 8 of rank 4 + i / 8.
constexpr int MARK_RANKS[2] = {3, 4};
constexpr int mark_square(int i) { return square_of(i % 8, MARK_RANKS[i / 8]); }
inline uint16_t mark_bit(int square) {
  return uint16_t(1u << (square_column(square) - 2 + 8 * (square_row(square) - 2 - MARK_RANKS[0])));
}

// The marks of ranks 4 and 5, read from the board.
uint16_t marks_on(const uint8_t *cb) {
  uint16_t marks = 0;
  for (int i = 0; i < 16; ++i)
    if (has_ep_mark(cb[mark_square(i)])) marks = uint16_t(marks | (1u << i));
  return marks;
}

inline uint64_t bit_of(int square) { return uint64_t(1) << (square_bit[square] & 63); }

// A piece code enters or leaves the square(s) of `squares`: its set and its
// colour's set follow. Every change of the kept sets goes through here.
[[gnu::always_inline]] inline void kept_flip(KeptPieces &kept, uint8_t code, uint64_t squares) {
  kept.sets.of[code] ^= squares;
  kept.sets.by_colour[code >> 3] ^= squares;
}

// A piece code enters or leaves a square: its sets and the sum follow.
[[gnu::always_inline]] inline void kept_add(KeptPieces &kept, uint8_t code, int square) {
  kept_flip(kept, code, bit_of(square));
  kept.material += (*kept.values)[code][square_bit[square] & 63];
}
[[gnu::always_inline]] inline void kept_remove(KeptPieces &kept, uint8_t code, int square) {
  kept_flip(kept, code, bit_of(square));
  kept.material -= (*kept.values)[code][square_bit[square] & 63];
}

// The key after a move of mover from `from` to `to`, where target stood,
// with the turn handed over: the child's key for every move that takes no
// right, promotes nothing and is neither en passant nor castling.
inline uint64_t moved_key(uint64_t key, uint8_t mover, uint8_t target, uint8_t from, uint8_t to) {
  return key ^ zobrist_black ^ zobrist_code_key(mover, from) ^ zobrist_code_key(mover, to) ^
         zobrist_code_key(target, to);
}

constexpr uint8_t PIECE_AND_COLOUR = PIECE_MASK | COLOUR_BIT;

// The make's writes to squares, key and kept pieces for the moves of two
// pieces (en passant, castling). A square keeps its en-passant mark whatever
// is written on it, and the mark is not keyed.

// Takes whatever stands on the square off the board, out of the key and out
// of the kept pieces.
[[gnu::always_inline]] inline void lift(Search &s, uint8_t *cb, int square) {
  s.key ^= zobrist_value(cb[square], square);
  kept_remove(s.kept, cb[square] & PIECE_AND_COLOUR, square);
  cb_set_value(uint8_t(square), EMPTY, WHITE, cb);
}

// Puts a piece on an empty square, into the board, the key and the kept
// pieces.
[[gnu::always_inline]] inline void place(Search &s, uint8_t *cb, int square, uint8_t piece, uint8_t colour) {
  cb_set_value(uint8_t(square), piece, colour, cb);
  s.key ^= zobrist_value(cb[square], square);
  kept_add(s.kept, cb[square] & PIECE_AND_COLOUR, square);
}

// The writes of a move of one piece (every kind but en passant and
// castling), in the make and the unmake alike: the squares and the piece
// sets. The key and the sum are the make's own (it knows the child's key
// before any write, to load its table slot early, and the unmake takes both
// back whole from the undo record).

// On square, piece code out (no piece if its piece is EMPTY) gives way to
// code in (likewise); the square's byte becomes in with the mark given.
[[gnu::always_inline]] inline void replace_piece(KeptPieces &kept, uint8_t *cb, uint8_t square, uint8_t out,
                                                 uint8_t in, uint8_t mark) {
  const uint64_t bit = bit_of(square);
  if (piece_of(out) != EMPTY) kept_flip(kept, out, bit);
  if (piece_of(in) != EMPTY) kept_flip(kept, in, bit);
  cb[square] = uint8_t(in | mark);
}

// Code leaving goes off from, which keeps its mark, and code arriving
// replaces code taken on to (with to_mark): a move, a capture, a
// promotion (arriving the new piece).
[[gnu::always_inline]] inline void move_piece(KeptPieces &kept, uint8_t *cb, uint8_t from, uint8_t to, uint8_t leaving,
                                              uint8_t arriving, uint8_t taken, uint8_t to_mark) {
  kept_flip(kept, leaving, bit_of(from));
  cb[from] &= EP_MARK;
  replace_piece(kept, cb, to, taken, arriving, to_mark);
}

// Sets the lost flag of colour's right on side `which` (0 a-file, 1 h-file)
// if it was still clear, with its key.
inline void take_right(Search &s, uint8_t *cb, int colour, int which) {
  const uint8_t bit = uint8_t(1u << (castling_shift(colour) + which));
  if (cb[CB_STATE] & bit) return;
  cb[CB_STATE] |= bit;
  s.key ^= zobrist_castling[2 * colour + which];
}

// Chess960: a move from or onto a castling rook's start square takes that
// rook's right, whoever moves.
[[gnu::noinline]] void take_rook_square_right(Search &s, uint8_t *cb, int square) {
  const int right = castling_right_of_rook_square(cb, square);
  if (right >= 0) take_right(s, cb, right / 2, right % 2);
}

// A move onto a rook's corner takes that corner's right from its owner, as a
// game move does: the rook there is captured, or it left earlier and the
// right went with it. Otherwise another rook reaching the empty corner along
// the back rank would make castling look possible again further down the line.
inline void take_corner_right(Search &s, uint8_t *cb, uint8_t to) {
  if (is_chess960(cb)) [[unlikely]] {
    take_rook_square_right(s, cb, to);
    return;
  }
  switch (to) {
    case SQ_A1: take_right(s, cb, WHITE, 0); break;
    case SQ_H1: take_right(s, cb, WHITE, 1); break;
    case SQ_A8: take_right(s, cb, BLACK, 0); break;
    case SQ_H8: take_right(s, cb, BLACK, 1); break;
    default: break;
  }
}

// Rook's corner and the squares king and rook reach, for a castling move.
struct CastlingSquares {
  uint8_t rook_from, king_to, rook_to;
};

inline CastlingSquares castling_squares(const uint8_t *cb, uint8_t king_from, uint8_t kind) {
  // Chess960: the rook starts wherever the game put it; king and rook end
  // on the g- and f-file or the c- and d-file of their back rank.
  if (is_chess960(cb)) [[unlikely]] {
    const int colour = square_row(king_from) == 9 ? BLACK : WHITE, which = kind == KIND_CASTLE_KING ? 1 : 0;
    return {uint8_t(castling_rook_square(cb, colour, which)), uint8_t(castled_king_square(colour, which)),
            uint8_t(castled_rook_square(colour, which))};
  }
  if (kind == KIND_CASTLE_KING)
    return {uint8_t(king_from + 3), uint8_t(king_from + 2), uint8_t(king_from + 1)};
  return {uint8_t(king_from - 4), uint8_t(king_from - 2), uint8_t(king_from - 1)};
}

// Square of the pawn an en-passant capture takes: behind the to-square as
// seen by the mover.
inline uint8_t en_passant_victim(uint8_t to, uint8_t colour) {
  return colour == WHITE ? uint8_t(to - 12) : uint8_t(to + 12);
}

// Clears every mark the game would clear before a move of colour (all but
// those on the other side's pawns) and answers which, for the unmake. The
// kept record says where the marks are: most positions have none, and no
// rank is read as a word just after its squares were written byte by byte.
inline uint16_t expire_marks(KeptPieces &kept, uint8_t *cb, uint8_t colour) {
  uint16_t expired = 0;
  const uint8_t kept_pawn = uint8_t(PAWN | ((colour ^ 1) << 3));
  for (uint16_t m = kept.marks; m != 0; m &= uint16_t(m - 1)) {
    const int i = std::countr_zero(m);
    uint8_t &b = cb[mark_square(i)];
    if ((b & PIECE_AND_COLOUR) == kept_pawn) continue;
    b = uint8_t(b & ~EP_MARK);
    expired = uint16_t(expired | (1u << i));
  }
  kept.marks = uint16_t(kept.marks & ~expired);
  return expired;
}

// The mark of a move's destination, taken off the kept marks and answered
// for the unmake (the caller writes the square without it). Games and FEN
// positions mark only ranks 4 and 5; a mark anywhere else (a board set up
// by hand) stays, answered as 0, since nothing reads it.
inline uint16_t unmark_destination(KeptPieces &kept, uint8_t to) {
  const int rank = square_row(to) - 2;
  if (rank != MARK_RANKS[0] && rank != MARK_RANKS[1]) return 0;
  const uint16_t bit = mark_bit(to);
  kept.marks = uint16_t(kept.marks & ~bit);
  return bit;
}

inline void restore_marks(KeptPieces &kept, uint8_t *cb, uint16_t expired) {
  kept.marks = uint16_t(kept.marks | expired);
  for (; expired != 0; expired &= uint16_t(expired - 1)) cb[mark_square(std::countr_zero(expired))] |= EP_MARK;
}

// The unmake's writes: the squares and the piece sets. The key and the sum
// come back whole from the undo record.

// Empties a square that holds a piece.
[[gnu::always_inline]] inline void take_back(KeptPieces &kept, uint8_t *cb, int square) {
  kept_flip(kept, cb[square] & PIECE_AND_COLOUR, bit_of(square));
  cb_set_value(uint8_t(square), EMPTY, WHITE, cb);
}

// Puts the byte's piece and colour on an empty square (nothing for 0).
[[gnu::always_inline]] inline void put_back(KeptPieces &kept, uint8_t *cb, int square, uint8_t sqbyte) {
  cb_set_value(uint8_t(square), piece_of(sqbyte), colour_of(sqbyte), cb);
  if (piece_of(sqbyte) == EMPTY) return;
  kept_flip(kept, sqbyte & PIECE_AND_COLOUR, bit_of(square));
}

}  // namespace

void search_set_position(Search &s, const uint8_t *cb) {
  s.key = first_zobrist_key(cb);
  s.kept.marks = marks_on(cb);
  s.kept.sets = piece_sets_of(cb);
  s.kept.values = &phase_terms::phase_values(s.phase);
  s.kept.material = piece_square_sum(cb, s.phase);
}

bool search_board_is_sound(const Search &s, const uint8_t *cb) {
  for (int sq = 0; sq < CB_MAILBOX; ++sq) {
    const int row = square_row(sq), column = square_column(sq);
    const bool border = row < 2 || row > 9 || column < 2 || column > 9;
    if (border ? cb[sq] != BORDER : (piece_of(cb[sq]) == BORDER || (cb[sq] & 0xE0) != 0)) return false;
  }
  if ((cb[CB_STATE] & 0x80) != 0 || s.key != first_zobrist_key(cb)) return false;
  return same_pieces(s.kept.sets, piece_sets_of(cb)) && s.kept.material == piece_square_sum(cb, s.phase) &&
         s.kept.marks == marks_on(cb);
}

int search_evaluate(Search &s, const uint8_t *cb) {
  count_evaluation(s);
  return heuristic_kept(cb, s.kept.sets, s.kept.material, s.phase);
}

int search_king_square(const Search &s, uint8_t colour) {
  if (colour > BLACK) return -1;  // no king has that colour
  return first_square(s.kept.sets.of[KING | (colour << 3)]);
}

void search_prefetch(const Search &s, const uint8_t *cb, uint32_t gm) {
  // The child's key of nearly every move, known before any square changes;
  // for the others another slot is loaded, which only wastes the load.
  const uint8_t from = gm_from(gm), to = gm_to(gm);
  prefetch_hash_slot(moved_key(s.key, cb[from], cb[to], from, to));
}

namespace {

// En passant and castling: each square change through lift and place.
[[gnu::noinline]] void make_two_piece_move(Search &s, uint8_t *cb, uint8_t from, uint8_t to, uint8_t kind, uint8_t colour,
                                           SearchUndo &undo) {
  if (kind == KIND_EN_PASSANT) {
    const uint8_t victim = en_passant_victim(to, colour);
    undo.victim = cb[victim] & PIECE_AND_COLOUR;
    // The victim's square keeps its mark: marks follow squares, and the
    // unmake's write brings the pawn back under it.
    lift(s, cb, victim);
    lift(s, cb, from);
    place(s, cb, to, PAWN, colour);
    return;
  }
  const CastlingSquares sq = castling_squares(cb, from, kind);
  lift(s, cb, from);
  lift(s, cb, sq.rook_from);
  place(s, cb, sq.king_to, KING, colour);
  place(s, cb, sq.rook_to, ROOK, colour);
  take_right(s, cb, colour, 0);
  take_right(s, cb, colour, 1);
  // Read by the evaluation's castling bonus; never keyed, and gone again
  // when the node writes its copy of byte 144 back.
  cb[CB_STATE] |= castled_bit(colour);
}

}  // namespace

void search_make(Search &s, uint8_t *cb, uint32_t gm, SearchUndo &undo) {
  const uint8_t from = gm_from(gm), to = gm_to(gm), kind = gm_kind(gm);
  const uint8_t colour = side_to_move(cb);
  // Everything is read before the first write: a write through the board's
  // byte pointer would make the compiler read again whatever it had in hand.
  const uint8_t mover = cb[from] & PIECE_AND_COLOUR, target = cb[to] & PIECE_AND_COLOUR;
  const uint64_t key = s.key;
  const uint64_t moved = moved_key(key, mover, target, from, to);
  prefetch_hash_slot(moved);

  KeptPieces &kept = s.kept;
  undo.key = key;
  undo.material = kept.material;
  undo.mover = piece_of(mover);
  undo.target = target;
  undo.victim = EMPTY;
  cb[CB_TRY_FROM] = from;
  cb[CB_TRY_TO] = to;
  undo.marks = kind == KIND_PLAIN_CAPTURE ? 0 : expire_marks(kept, cb, colour);

  if (kind == KIND_EN_PASSANT || kind == KIND_CASTLE_KING || kind == KIND_CASTLE_QUEEN) [[unlikely]] {
    make_two_piece_move(s, cb, from, to, kind, colour, undo);
    s.key ^= zobrist_black;
  } else {
    // One piece leaves from, whatever stood on to is taken, and the mover
    // (or the piece it promotes to, whose code is the kind) stands on to.
    const bool promotes = kind == KIND_PROMO_KNIGHT || kind == KIND_PROMO_QUEEN;
    const uint8_t placed = uint8_t((promotes ? kind : piece_of(mover)) | (colour << 3));
    const int from_bit = square_bit[from] & 63, to_bit = square_bit[to] & 63;
    const PieceSquareValues &values = *kept.values;
    int32_t material = kept.material - values[mover][from_bit] + values[placed][to_bit];
    if (piece_of(target) != EMPTY) material -= values[target][to_bit];
    kept.material = material;
    // The from-square keeps its mark (expired at the next move, as in the
    // game). The to-square does not: a mark still there belongs to the pawn
    // just taken, and the piece that took it must not inherit it (a pawn
    // recapturing there would be open to a phantom en-passant capture). It
    // goes back with the marks the make expired.
    uint8_t to_mark = cb[to] & EP_MARK;
    if (to_mark != 0) [[unlikely]] {
      const uint16_t taken = unmark_destination(kept, to);
      undo.marks = uint16_t(undo.marks | taken);
      if (taken != 0) to_mark = 0;
    }
    move_piece(kept, cb, from, to, mover, placed, target, to_mark);
    // The prefetched key, but for the piece that stands on to.
    s.key = moved ^ zobrist_code_key(mover, to) ^ zobrist_code_key(placed, to);
    if (kind != KIND_PLAIN_CAPTURE) {
      // The mark is not keyed; set here, cleared by hand in the unmake.
      if (kind == KIND_DOUBLE_PUSH) {
        cb[to] |= EP_MARK;
        kept.marks = uint16_t(kept.marks | mark_bit(to));
      }
      if (undo.mover == KING && !promotes) {
        take_right(s, cb, colour, 0);
        take_right(s, cb, colour, 1);
      } else if (undo.mover == ROOK && !promotes && is_chess960(cb)) [[unlikely]] {
        take_rook_square_right(s, cb, from);
      } else if (undo.mover == ROOK && !promotes) {
        // Only the file counts, not the rank: a rook leaving a4 with the
        // a-file right intact costs that right.
        const int column = square_column(from);
        if (column == 2)
          take_right(s, cb, colour, 0);
        else if (column == 9)
          take_right(s, cb, colour, 1);
      }
      take_corner_right(s, cb, to);
    }
  }
  cb[CB_STATE] ^= ST_BLACK_TO_MOVE;
  assert(search_board_is_sound(s, cb));
}

void search_unmake(Search &s, uint8_t *cb, uint32_t gm, uint8_t state, const SearchUndo &undo) {
  const uint8_t from = gm_from(gm), to = gm_to(gm), kind = gm_kind(gm);
  const uint8_t colour = state & ST_BLACK_TO_MOVE;
  KeptPieces &kept = s.kept;

  switch (kind) {
    case KIND_EN_PASSANT:
      put_back(kept, cb, en_passant_victim(to, colour), undo.victim);
      take_back(kept, cb, to);
      put_back(kept, cb, from, uint8_t(undo.mover | (colour << 3)));
      break;
    case KIND_CASTLE_KING:
    case KIND_CASTLE_QUEEN: {
      const CastlingSquares sq = castling_squares(cb, from, kind);
      take_back(kept, cb, sq.king_to);
      take_back(kept, cb, sq.rook_to);
      put_back(kept, cb, from, uint8_t(KING | (colour << 3)));
      put_back(kept, cb, sq.rook_from, uint8_t(ROOK | (colour << 3)));
      break;
    }
    default: {  // promotions, plain captures, KIND_NORMAL, KIND_DOUBLE_PUSH
      // The piece on to gives way to the one taken there (or to nothing),
      // and the mover is back on from. Squares keep their marks; the one
      // the make set on a double push is cleared by hand, and one the
      // square carried before comes back with the expired marks.
      uint8_t to_mark = cb[to] & EP_MARK;
      if (kind == KIND_DOUBLE_PUSH) {
        to_mark = 0;
        kept.marks = uint16_t(kept.marks & ~mark_bit(to));
      }
      replace_piece(kept, cb, to, cb[to] & PIECE_AND_COLOUR, undo.target, to_mark);
      replace_piece(kept, cb, from, EMPTY, uint8_t(undo.mover | (colour << 3)), cb[from] & EP_MARK);
      break;
    }
  }
  restore_marks(kept, cb, undo.marks);
  cb[CB_STATE] = state;
  // Every key change of the make is undone at once, and so is the sum.
  s.key = undo.key;
  kept.material = undo.material;
  assert(search_board_is_sound(s, cb));
}
