// Boards built square by square for the move generator tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/chess_cb.h"
#include "support/test_board.h"

// One piece of a test table's position. An EMPTY piece stands for an empty
// square that carries the en-passant mark (placing nothing else makes sense).
struct PlacedPiece {
  const char *square;
  uint8_t piece, colour;
};

// A board with its border and nothing on the playable squares, White to
// move, every castling right lost unless a test grants it.
struct TestBoard {
  uint8_t cb[CB_SIZE];
  TestBoard() {
    clear_board(cb);
    cb[CB_STATE] = ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST | ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST;
  }
  TestBoard &put(const char *square, uint8_t piece, uint8_t colour, bool marked = false) {
    const int s = sq(square);
    cb[s] = uint8_t(piece | (colour << 3) | (marked ? EP_MARK : 0));
    return *this;
  }
  TestBoard &put_all(const std::vector<PlacedPiece> &pieces) {
    for (const PlacedPiece &p : pieces) put(p.square, p.piece, p.colour, p.piece == EMPTY);
    return *this;
  }
  TestBoard &black_to_move() {
    cb[CB_STATE] |= ST_BLACK_TO_MOVE;
    return *this;
  }
  TestBoard &rights(uint8_t lost_flags) {
    cb[CB_STATE] = uint8_t((cb[CB_STATE] & ST_BLACK_TO_MOVE) | lost_flags);
    return *this;
  }
};

// A Generated move written as text: "e2e4/11/0" (from, to, kind, first).
inline std::string gm_text(uint32_t gm) {
  return square_name(gm_from(gm)) + square_name(gm_to(gm)) + "/" + std::to_string(gm_kind(gm)) + "/" +
         std::to_string(gm_first(gm));
}
