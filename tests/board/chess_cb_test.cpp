#include "board/chess_cb.h"

#include <gtest/gtest.h>

TEST(Chessboard, StartPositionLayout) {
  uint8_t *cb = init_chessboard();
  EXPECT_EQ(cb[CB_STATE], 0);
  EXPECT_EQ(cb[CB_TRY_FROM], 0);
  EXPECT_EQ(cb[CB_TRY_TO], 0);
  EXPECT_EQ(cb[SQ_E1], KING);
  EXPECT_EQ(cb[SQ_E8], KING | COLOUR_BIT);
  EXPECT_EQ(cb[38], PAWN);
  EXPECT_EQ(cb[98], PAWN | COLOUR_BIT);
  for (int sq = 0; sq < CB_MAILBOX; ++sq) {
    const int row = sq / 12, col = sq % 12;
    const bool border = row < 2 || row > 9 || col < 2 || col > 9;
    if (border) {
      EXPECT_EQ(cb[sq], BORDER) << "square " << sq;
    } else if (row >= 4 && row <= 7) {
      EXPECT_EQ(cb[sq], EMPTY) << "square " << sq;
    }
  }
  release_chessboard(cb);
}

TEST(Chessboard, SetValueKeepsTheSquaresMark) {
  uint8_t cb[CB_SIZE] = {};
  cb[66] = PAWN | EP_MARK;
  cb_set_value(66, EMPTY, WHITE, cb);
  EXPECT_EQ(cb_get_value(66, cb), EP_MARK);
  EXPECT_EQ(piece_of(cb_get_value(66, cb)), EMPTY);
  cb_set_value(66, ROOK, BLACK, cb);
  EXPECT_EQ(cb_get_value(66, cb), 28);
}

TEST(Chessboard, MoveWordLayout) {
  const uint32_t e2e4 = move_word(42, 66);
  EXPECT_EQ((e2e4 >> 16) & 0x7F, 42u);
  EXPECT_EQ((e2e4 >> 23) & 0x7F, 66u);
  EXPECT_EQ(move_score(e2e4), 0u);
  EXPECT_EQ(fill_move(27, 50, 0, 0), 27u + 50u * 256u);
  EXPECT_EQ(gm_kind(fill_move(98, 110, KIND_PROMO_QUEEN, 1)), KIND_PROMO_QUEEN);
  EXPECT_EQ(gm_first(fill_move(98, 110, KIND_PROMO_QUEEN, 1)), 1);
}
