#include "board/game_move.h"

#include <cstring>

#include "board/board_scan.h"
#include "board/chess_cb.h"

namespace {

// unset_ep's body, which play_move's standard path takes in line.
[[gnu::always_inline]] inline void expire_marks(uint8_t *cb, uint8_t colour) {
  // Eight bytes at a time over the whole mailbox: a game move makes this
  // call, so every perft node and every replayed move pays for it, and a
  // byte at a time it was most of perft's time. Each byte is judged alone
  // (no carries cross bytes), so the order of bytes in a word is irrelevant.
  // Only the other side's pawns keep their mark: they may have just advanced
  // two squares and can still be taken en passant on this move. A colour
  // that is neither side has every pawn as the other side's.
  using namespace board_scan;
  const bool any_colour = colour > BLACK;
  const uint8_t kept_pawn = uint8_t(PAWN | (((colour ^ 1) & 1) << 3));
  static_assert(CB_MAILBOX % 8 == 0);
  // Most moves find no mark at all: one pass ORs the words together, and
  // only a board with a mark is rewritten.
  uint64_t any = 0;
  for (int at = 0; at < CB_MAILBOX; at += 8) {
    uint64_t w;
    std::memcpy(&w, cb + at, 8);
    any |= w;
  }
  if ((any & (ONES * EP_MARK)) == 0) return;
  for (int at = 0; at < CB_MAILBOX; at += 8) {
    uint64_t w;
    std::memcpy(&w, cb + at, 8);
    const uint64_t marks = w & (ONES * EP_MARK);
    if (marks == 0) continue;
    const uint64_t low = w & LOW_NIBBLES;
    uint64_t keep = bytes_equal(low, kept_pawn);
    if (any_colour) keep |= bytes_equal(low, uint8_t(kept_pawn ^ COLOUR_BIT));
    // 0x80 per kept byte moved down to the mark's bit 4.
    w &= ~(marks & ~(keep >> 3));
    std::memcpy(cb + at, &w, 8);
  }
}

}  // namespace

void unset_ep(uint8_t *cb, uint8_t colour) { expire_marks(cb, colour); }

bool resets_fifty_move_count(const uint8_t *cb, uint32_t move) {
  const uint8_t mover = cb[move_from(move)], target = cb[move_to(move)];
  if (piece_of(mover) == PAWN) return true;
  const uint8_t taken = piece_of(target);
  return taken != EMPTY && taken != BORDER && colour_of(target) != colour_of(mover);
}

namespace {

// The right-lost flag that belongs to a rook corner, 0 for other squares.
uint8_t corner_right(int square) {
  switch (square) {
    case SQ_A1: return ST_WHITE_QUEEN_LOST;
    case SQ_H1: return ST_WHITE_KING_LOST;
    case SQ_A8: return ST_BLACK_QUEEN_LOST;
    case SQ_H8: return ST_BLACK_KING_LOST;
    default: return 0;
  }
}

// The en-passant mark belongs to the pawn that has just advanced two
// squares, but it is kept on its square. Whatever else arrives on a marked
// square (a pawn or piece capturing the advanced pawn) must not inherit
// it: a pawn that took there and is then recaptured by a pawn would leave
// the recapturing pawn marked, open to an en-passant capture that is no
// move of chess. So the destination is marked by a two-square advance of
// a pawn from its start rank, and left unmarked by every other move (a
// list of moves from a front end can hold any pair of squares; a mark
// anywhere but on the fourth rank from the mover's side would follow no
// rule the rest of the engine knows).
[[gnu::always_inline]] inline void mark_destination(uint8_t *cb, uint8_t piece, uint8_t colour, int from,
                                                   int to) {
  const bool double_push = piece == PAWN && (colour == WHITE ? from - to == -24 && square_row(to) == 5
                                                             : from - to == 24 && square_row(to) == 6);
  if (double_push)
    cb[to] |= EP_MARK;
  else
    cb[to] &= uint8_t(~EP_MARK);
}

// A Chess960 castling: the king moving onto its own rook on the same rank.
// King and rook go to the g- and f-file (rook towards h) or the c- and d-file
// (rook towards a), whichever squares they start from; false, with the board
// untouched, for any other move.
bool play_chess960_castling(uint8_t *cb, int from, int to, uint8_t piece, uint8_t colour) {
  if (piece != KING || from == to || square_row(from) != square_row(to)) return false;
  if (piece_of(cb[to]) != ROOK || colour_of(cb[to]) != colour) return false;
  const int row = square_row(from);
  if (row != 2 && row != 9) return false;  // castling happens on a back rank only
  const int which = to > from ? 1 : 0;
  const int base = row == 2 ? SQ_A1 : SQ_A8;
  // Both leave before either lands: the squares may overlap (a king on g1
  // castling with the rook on h1 stays where it is).
  cb_set_value(uint8_t(from), EMPTY, WHITE, cb);
  cb_set_value(uint8_t(to), EMPTY, WHITE, cb);
  cb_set_value(uint8_t(base + (which ? 6 : 2)), KING, colour, cb);
  cb_set_value(uint8_t(base + (which ? 5 : 3)), ROOK, colour, cb);
  return true;
}

// Chess960's rights: a king move costs both of the mover's rights; a move
// from or onto a castling rook's start square costs that rook's right,
// whoever moves (while the right stands, the rook is still there).
void play_chess960_rights(uint8_t *cb, int from, int to, uint8_t piece, int mover) {
  if (piece == KING) cb[CB_STATE] |= uint8_t(queen_side_lost_bit(mover) | king_side_lost_bit(mover));
  for (const int square : {from, to}) {
    const int right = castling_right_of_rook_square(cb, square);
    if (right >= 0) cb[CB_STATE] |= uint8_t(2u << right);
  }
}

// Every move but castling, with no right changed: promotion, en passant or
// a piece going from one square to the other. Both rule sets' game moves end
// here, after each has taken the rights its own way.
[[gnu::always_inline]] inline void play_plain_move(uint8_t *cb, uint32_t move, int from, int to, uint8_t piece,
                                                 uint8_t colour) {
  if (piece == PAWN && (square_row(to) == 2 || square_row(to) == 9)) {
    cb_set_value(uint8_t(to), move_promotion_piece(move), colour, cb);
    cb_set_value(uint8_t(from), EMPTY, WHITE, cb);
  } else if (piece == PAWN && piece_of(cb[to]) == EMPTY && square_column(from) != square_column(to)) {
    // En passant: the pawn taken stands beside the mover, behind the target.
    cb_set_value(uint8_t(from), EMPTY, WHITE, cb);
    cb_set_value(uint8_t(colour == WHITE ? to - 12 : to + 12), EMPTY, WHITE, cb);
    cb_set_value(uint8_t(to), PAWN, colour, cb);
  } else {
    cb_set_value(uint8_t(to), piece, colour, cb);
    cb_set_value(uint8_t(from), EMPTY, WHITE, cb);
  }
  mark_destination(cb, piece, colour, from, to);
}

// A game move under Chess960 rules. Kept out of play_move, whose standard
// path every perft node and replayed move runs.
[[gnu::noinline]] void play_chess960_move(uint8_t *cb, uint32_t move) {
  const int from = move_from(move), to = move_to(move);
  const uint8_t piece = piece_of(cb[from]), colour = colour_of(cb[from]);
  const int mover = side_to_move(cb);
  unset_ep(cb, colour);
  if (play_chess960_castling(cb, from, to, piece, colour)) {
    cb[CB_STATE] |= uint8_t(queen_side_lost_bit(mover) | king_side_lost_bit(mover));
    return;
  }
  play_chess960_rights(cb, from, to, piece, mover);
  play_plain_move(cb, move, from, to, piece, colour);
}

}  // namespace

void play_move(uint8_t *cb, uint32_t move) {
  if (is_chess960(cb)) [[unlikely]] {
    play_chess960_move(cb, move);
    cb[CB_STATE] ^= ST_BLACK_TO_MOVE;
    return;
  }
  const int from = move_from(move);
  const int to = move_to(move);
  const uint8_t piece = piece_of(cb[from]);
  const uint8_t colour = colour_of(cb[from]);
  // The lost-flag pair belongs to the side named by the state byte, which
  // still names the mover here (it is turned over last).
  const int mover = side_to_move(cb);
  const uint8_t both_rights = uint8_t(queen_side_lost_bit(mover) | king_side_lost_bit(mover));

  expire_marks(cb, colour);

  // Only a king on e1 or e8 castles. A front end's list can walk a king to
  // the edge of the board and then move it two columns; taken as castling,
  // that would write the rook's squares into the border.
  const bool castles = piece == KING && (from == SQ_E1 || from == SQ_E8);

  if (castles && from - to == 2) {  // queen-side castling
    cb_set_value(uint8_t(to - 2), EMPTY, WHITE, cb);
    cb_set_value(uint8_t(from), EMPTY, WHITE, cb);
    cb_set_value(uint8_t(from - 1), ROOK, colour, cb);
    cb_set_value(uint8_t(from - 2), KING, colour, cb);
    cb[CB_STATE] |= both_rights;
  } else if (castles && to - from == 2) {  // king-side castling
    cb_set_value(uint8_t(to + 1), EMPTY, WHITE, cb);
    cb_set_value(uint8_t(from), EMPTY, WHITE, cb);
    cb_set_value(uint8_t(from + 1), ROOK, colour, cb);
    cb_set_value(uint8_t(from + 2), KING, colour, cb);
    cb[CB_STATE] |= both_rights;
  } else {
    // Any rook leaving the a- or h-file costs that side's right, whatever rank
    // it leaves from; a king move costs both.
    if (piece == ROOK) {
      if (square_column(from) == 2)
        cb[CB_STATE] |= queen_side_lost_bit(mover);
      else if (square_column(from) == 9)
        cb[CB_STATE] |= king_side_lost_bit(mover);
    } else if (piece == KING) {
      cb[CB_STATE] |= both_rights;
    }
    play_plain_move(cb, move, from, to, piece, colour);
  }
  if (castles) mark_destination(cb, piece, colour, from, to);

  // A move onto a rook's corner takes that corner's right from its owner: the
  // rook there is captured, or it left earlier and the right went with it.
  // Without this, another rook that later reaches the empty corner along the
  // first or last rank would make castling look possible again.
  cb[CB_STATE] |= corner_right(to);
  cb[CB_STATE] ^= ST_BLACK_TO_MOVE;
}
