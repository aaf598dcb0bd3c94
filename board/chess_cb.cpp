#include "board/chess_cb.h"

#include <cstring>

uint8_t *init_chessboard() {
  uint8_t *cb = new uint8_t[CB_SIZE];
  start_position(cb);
  return cb;
}

void release_chessboard(uint8_t *cb) { delete[] cb; }

void start_position(uint8_t *cb) {
  cb[CB_STATE] = 0;
  cb[CB_TRY_FROM] = 0;
  cb[CB_TRY_TO] = 0;
  cb[CB_CASTLING_ROOKS + 0] = SQ_A1;
  cb[CB_CASTLING_ROOKS + 1] = SQ_H1;
  cb[CB_CASTLING_ROOKS + 2] = SQ_A8;
  cb[CB_CASTLING_ROOKS + 3] = SQ_H8;
  cb[CB_RULES] = RULES_STANDARD;
  std::memset(cb + SQ_FIRST, 0, SQ_LAST - SQ_FIRST + 1);
  std::memset(cb, BORDER, 24);        // rows 0 and 1
  std::memset(cb + 120, BORDER, 24);  // rows 10 and 11
  for (int start : {24, 25, 34, 35})  // columns 0, 1, 10 and 11 of rows 2..9
    for (int sq = start; sq <= 119; sq += 12) cb[sq] = BORDER;

  static constexpr uint8_t back_rank[8] = {ROOK, KNIGHT, BISHOP, QUEEN, KING, BISHOP, KNIGHT, ROOK};
  for (int f = 0; f < 8; ++f) {
    cb_set_value(uint8_t(square_of(f, 1)), PAWN, WHITE, cb);
    cb_set_value(uint8_t(square_of(f, 6)), PAWN, BLACK, cb);
    cb_set_value(uint8_t(square_of(f, 0)), back_rank[f], WHITE, cb);
    cb_set_value(uint8_t(square_of(f, 7)), back_rank[f], BLACK, cb);
  }
}

void set_castling_rules(uint8_t *cb, uint8_t rules) { cb[CB_RULES] = rules & RULES_CHESS960; }

void cb_set_value(uint8_t square, uint8_t piece, uint8_t colour, uint8_t *cb) {
  cb[square] = uint8_t((piece & PIECE_MASK) | ((colour & 1) << 3) | (cb[square] & EP_MARK));
}

uint8_t cb_get_value(uint8_t square, const uint8_t *cb) { return cb[square]; }
