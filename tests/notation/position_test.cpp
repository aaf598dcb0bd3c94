#include "notation/position.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "base/text.h"
#include "board/chess_cb.h"
#include "support/engine_process.h"
#include "support/test_board.h"

namespace {

// A start-position board and an opening text, as the command loop owns them,
// inside a temporary working directory that catches the transcript.
class Replay : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write_file("UCI_debug.txt", "");
    start_position(cb);
    std::memset(&opening, 0, sizeof opening);
  }
  // Replays the list from the board's position, writing the opening text.
  int replay(const char *list) { return load_position_txt2(cb, list, &opening); }
  std::string transcript() const { return dir_.read_file("UCI_debug.txt").value_or("<missing>"); }

  TempDir dir_;
  ScopedWorkingDir cwd_{dir_.path()};
  uint8_t cb[CB_SIZE];
  OpeningText opening;
};

}  // namespace

TEST(ConvertMove, AcceptedTextsAndResults) {
  struct Case {
    const char *text;
    int side;
    uint32_t expected;
  };
  const Case cases[] = {
      {"e2e4", 0, move_word(sq("e2"), sq("e4"))},
      {"  \te2e4", 0, move_word(sq("e2"), sq("e4"))},
      {"e4xd5", 0, move_word(sq("e4"), sq("d5"))},
      {"e7e8", 0, move_word(sq("e7"), sq("e8"))},
      {"e7e8q", 0, move_word(sq("e7"), sq("e8"))},
      {"e7e8n", 0, move_word(sq("e7"), sq("e8")) | MW_PROMO_KNIGHT},
      {"e7e8k", 0, move_word(sq("e7"), sq("e8")) | MW_PROMO_KNIGHT},
      {"e7e8r", 0, move_word(sq("e7"), sq("e8")) | MW_PROMO_ROOK},
      {"e7e8b", 0, move_word(sq("e7"), sq("e8")) | MW_PROMO_BISHOP},
      {"e7e8z", 0, move_word(sq("e7"), sq("e8"))},
      {"e7xe8k", 0, move_word(sq("e7"), sq("e8")) | MW_PROMO_KNIGHT},
      {"e7xf8n", 0, move_word(sq("e7"), sq("f8")) | MW_PROMO_KNIGHT},
      // Inside a book line the next move follows at once: its file letter is
      // no promotion letter.
      {"e7e8b1b2", 0, move_word(sq("e7"), sq("e8"))},
      {"a1h8", 0, move_word(sq("a1"), sq("h8"))},
      {"0-0", 0, move_word(SQ_E1, SQ_G1)},
      {"00", 1, move_word(SQ_E8, SQ_G8)},
      {"0 0", 1, move_word(SQ_E8, SQ_G8)},
      {"0-0-0", 0, move_word(SQ_E1, SQ_C1)},
      {"000", 1, move_word(SQ_E8, SQ_C8)},
      {"0-00", 0, move_word(SQ_E1, SQ_C1)},
      {"0 00", 1, move_word(SQ_E8, SQ_C8)},
      {"e2e", 0, MW_NOT_A_MOVE},
      {"", 0, MW_NOT_A_MOVE},
      {"i2i4", 0, MW_NOT_A_MOVE},
      {"e9e4", 0, MW_NOT_A_MOVE},
      {"e2e9", 0, MW_NOT_A_MOVE},
      {"e2-e4", 0, MW_NOT_A_MOVE},
      {"E2E4", 0, MW_NOT_A_MOVE},
  };
  for (const Case &c : cases) EXPECT_EQ(convert_move(c.text, c.side), c.expected) << '"' << c.text << '"';
}

TEST(ConvertMove, PieceLetterDroppedByTheReplayOnly) {
  uint8_t cb[CB_SIZE];
  start_position(cb);
  EXPECT_EQ(set_new_move_txt2(cb, "Ng1f3", 0), move_word(sq("g1"), sq("f3")));
  EXPECT_EQ(convert_move("Ng1f3", 0), MW_NOT_A_MOVE);
}

TEST(WhereIsNextSpace, CountsToBlankTabOrEnd) {
  EXPECT_EQ(where_is_next_space(nullptr), 0);
  EXPECT_EQ(where_is_next_space(""), 0);
  EXPECT_EQ(where_is_next_space("e2e4 e7e5"), 4);
  EXPECT_EQ(where_is_next_space("e2e4\te7e5"), 4);
  EXPECT_EQ(where_is_next_space(" e2e4"), 0);
  EXPECT_EQ(where_is_next_space("e7e8q"), 5);
}

TEST_F(Replay, ListsAndTheirOpeningText) {
  struct Case {
    const char *list;
    int moves;
    const char *opening;
    uint8_t side;
  };
  const Case cases[] = {
      {"", 0, "", WHITE},
      {"e2e4 e7e5 g1f3", 3, "e2e4e7e5g1f3", BLACK},
      {"e2e4  e7e5", 1, "e2e4", BLACK},             // a second blank ends the list
      {" e2e4", 0, "", WHITE},                      // so does a leading one
      {"e2e4 zz e7e5", 2, "e2e4zze7e5", WHITE},     // not a move: skipped, kept in the text
      {"e2e4\te7e5", 2, "e2e4e7e5", WHITE},
      {"e2e4 e7e5xx e2e3", 1, "e2e4", BLACK},       // 6 characters: replay stops
      {"Ng1f3 Ng8f6", 2, "Ng1f3Ng8f6", WHITE},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.list);
    start_position(cb);
    std::memset(&opening, 0, sizeof opening);
    EXPECT_EQ(replay(c.list), c.moves);
    EXPECT_STREQ(opening.text, c.opening);
    EXPECT_EQ(side_to_move(cb), c.side);
  }
  // Only the overlong token wrote to the transcript, exactly once.
  EXPECT_EQ(transcript(), "*** WARNING **** : Invalid move\n");
}

TEST_F(Replay, CastlingAsFrontEndsSendIt) {
  const char *list = "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1 d7d6 d2d3 c8g4 b1c3 d8d7 c1g5 e8c8";
  EXPECT_EQ(replay(list), 14);
  EXPECT_EQ(cb[SQ_G1], KING);
  EXPECT_EQ(cb[SQ_F1], ROOK);
  EXPECT_EQ(piece_of(cb[SQ_H1]), EMPTY);
  EXPECT_EQ(cb[SQ_C8], KING | COLOUR_BIT);
  EXPECT_EQ(cb[SQ_D8], ROOK | COLOUR_BIT);
  EXPECT_EQ(piece_of(cb[SQ_A8]), EMPTY);
  EXPECT_EQ(cb[CB_STATE], ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST | ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST);
}

TEST_F(Replay, PromotionLettersGiveTheFrontEndsPiece) {
  // Legality is not tested, so a pawn can be brought to b7 directly.
  struct Case {
    const char *promotion;
    uint8_t piece;
  };
  const Case cases[] = {{"b7a8", QUEEN}, {"b7a8q", QUEEN}, {"b7a8n", KNIGHT}, {"b7a8k", KNIGHT},
                        {"b7a8r", ROOK}, {"b7a8b", BISHOP}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.promotion);
    start_position(cb);
    std::memset(&opening, 0, sizeof opening);
    const std::string list = std::string("b2b7 h7h6 ") + c.promotion + " g7g5";
    EXPECT_EQ(replay(list.c_str()), 4);
    EXPECT_EQ(cb[sq("a8")], c.piece);
  }
}

TEST_F(Replay, OpeningTextNeverOverflowsAndStopsAtTheFirstDroppedToken) {
  // 600 moves of four characters: 2400 characters, more than the text holds.
  std::string list;
  for (int i = 0; i < 150; ++i) list += "g1f3 g8f6 f3g1 f6g8 ";
  list += "g1f3";  // the 601st move: one more token after the drop
  list += " zz";   // short enough to fit where a four-character move did not
  EXPECT_EQ(replay(list.c_str()), 601);
  const size_t used = std::strlen(opening.text);
  EXPECT_EQ(used, 2044u) << "511 whole moves fit, no part of a 512th";
  EXPECT_EQ(std::string(opening.text).substr(2036), "g8f6f3g1");
  EXPECT_EQ(std::string(opening.text).find("zz"), std::string::npos)
      << "a later token must not follow a dropped one";
  EXPECT_EQ(opening.text[OPENING_TEXT_SIZE - 1], '\0');
  const std::string log = transcript();
  EXPECT_EQ(log.find("opening text full"), log.rfind("opening text full")) << "warned once";
  EXPECT_NE(log.find("opening text full"), std::string::npos);
  // The board still holds the whole game: after 601 moves a knight on f3.
  EXPECT_EQ(cb[sq("f3")], KNIGHT);
  EXPECT_EQ(piece_of(cb[SQ_G1]), EMPTY);
  EXPECT_EQ(side_to_move(cb), BLACK);
}
