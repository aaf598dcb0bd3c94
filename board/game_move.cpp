#include "board/game_move.h"

#include "board/chess_cb.h"

void unset_ep(uint8_t *cb, uint8_t colour) {
  for (int sq = 0; sq < CB_MAILBOX; ++sq) {
    const uint8_t b = cb[sq];
    // Only the other side's pawns keep their mark: they may have just advanced
    // two squares and can still be taken en passant on this move.
    if (piece_of(b) == PAWN && colour_of(b) != colour) continue;
    cb[sq] = uint8_t(b & ~EP_MARK);
  }
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

}  // namespace

void play_move(uint8_t *cb, uint32_t move) {
  const int from = move_from(move);
  const int to = move_to(move);
  const uint8_t piece = piece_of(cb[from]);
  const uint8_t colour = colour_of(cb[from]);
  // The lost-flag pair belongs to the side named by the state byte, which
  // still names the mover here (the caller toggles it afterwards).
  const int mover = side_to_move(cb);
  const uint8_t both_rights = uint8_t(queen_side_lost_bit(mover) | king_side_lost_bit(mover));

  unset_ep(cb, colour);

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
  } else if (piece == PAWN && (square_row(to) == 2 || square_row(to) == 9)) {
    cb_set_value(uint8_t(to), move_promotion_piece(move), colour, cb);
    cb_set_value(uint8_t(from), EMPTY, WHITE, cb);
  } else if (piece == PAWN && piece_of(cb[to]) == EMPTY && square_column(from) != square_column(to)) {
    // En passant: the pawn taken stands beside the mover, behind the target.
    cb_set_value(uint8_t(from), EMPTY, WHITE, cb);
    cb_set_value(uint8_t(colour == WHITE ? to - 12 : to + 12), EMPTY, WHITE, cb);
    cb_set_value(uint8_t(to), PAWN, colour, cb);
  } else if (piece == ROOK) {
    // Any rook leaving the a- or h-file costs that side's right, whatever rank
    // it leaves from.
    if (square_column(from) == 2)
      cb[CB_STATE] |= queen_side_lost_bit(mover);
    else if (square_column(from) == 9)
      cb[CB_STATE] |= king_side_lost_bit(mover);
    cb_set_value(uint8_t(to), ROOK, colour, cb);
    cb_set_value(uint8_t(from), EMPTY, WHITE, cb);
  } else {
    cb_set_value(uint8_t(to), piece, colour, cb);
    cb_set_value(uint8_t(from), EMPTY, WHITE, cb);
    if (piece == KING) cb[CB_STATE] |= both_rights;
  }

  if (piece == PAWN && (to - from == 24 || from - to == 24)) cb[to] |= EP_MARK;

  // A move onto a rook's corner takes that corner's right from its owner: the
  // rook there is captured, or it left earlier and the right went with it.
  // Without this, another rook that later reaches the empty corner along the
  // first or last rank would make castling look possible again.
  cb[CB_STATE] |= corner_right(to);
}
