#include "notation/fen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <string>

#include "board/chess_cb.h"
#include "movegen/movegen.h"
#include "support/engine_process.h"
#include "support/test_board.h"

namespace {

constexpr const char *kStartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr uint8_t kAllLost =
    ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST | ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST;

// Board buffers inside a temporary working directory that catches the
// transcript, where dropped castling rights are noted.
class Fen : public ::testing::Test {
 protected:
  void SetUp() override { dir_.write_file("UCI_debug.txt", ""); }
  std::string transcript() const { return dir_.read_file("UCI_debug.txt").value_or("<missing>"); }

  TempDir dir_;
  ScopedWorkingDir cwd_{dir_.path()};
};

int marks_on(const uint8_t *cb) {
  int n = 0;
  for (int s = 0; s < CB_MAILBOX; ++s) n += has_ep_mark(cb[s]) ? 1 : 0;
  return n;
}

}  // namespace

TEST_F(Fen, StartPositionIsTheEnginesOwn) {
  uint8_t cb[CB_SIZE], start[CB_SIZE];
  std::memset(cb, 0x55, sizeof cb);
  start_position(start);
  FenSetup setup;
  ASSERT_TRUE(load_position_fen(cb, kStartFen, setup)) << setup.reason;
  EXPECT_EQ(std::memcmp(cb, start, CB_SIZE), 0) << "every byte, border and bytes 145/146 included";
  EXPECT_TRUE(setup.is_start);
  EXPECT_EQ(setup.half_moves, 0);
  EXPECT_EQ(setup.moves, nullptr);
  EXPECT_STREQ(setup.reason, "");

  // Counters do not make it another position; side, rights or a square do.
  struct Case {
    const char *fen;
    bool is_start;
    int half_moves;
  };
  const Case cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 7 20", true, 38},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w qkQK -", true, 0},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", false, 1},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQk - 0 1", false, 0},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN1 w Qkq - 0 1", false, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.fen);
    ASSERT_TRUE(load_position_fen(cb, c.fen, setup)) << setup.reason;
    EXPECT_EQ(setup.is_start, c.is_start);
    EXPECT_EQ(setup.half_moves, c.half_moves);
  }
}

TEST_F(Fen, FieldsCountersAndTheMoveList) {
  struct Case {
    const char *text;
    int halfmove_clock, fullmove, half_moves;
    const char *moves;  // nullptr: no "moves" keyword
  };
  const Case cases[] = {
      {"4k3/8/8/8/8/8/8/4K3 w - - 12 34", 12, 34, 66, nullptr},
      {"4k3/8/8/8/8/8/8/4K3 b - - 12 34", 12, 34, 67, nullptr},
      {"4k3/8/8/8/8/8/8/4K3 b - -", 0, 1, 1, nullptr},
      {"4k3/8/8/8/8/8/8/4K3 w - - 3", 3, 1, 0, nullptr},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 0", 0, 1, 0, nullptr},  // written by some tools for "unknown"
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 100000", 0, 100000, 199998, nullptr},
      {"  4k3/8/8/8/8/8/8/4K3\tw  -\t- 0 2  ", 0, 2, 2, nullptr},
      {"4k3/8/8/44/8/8/17/4K3 w - - 0 1", 0, 1, 0, nullptr},  // runs of empty squares split in two
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 1 moves e1e2 e8e7", 0, 1, 0, "e1e2 e8e7"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 5 moves e1e2", 5, 1, 0, "e1e2"},
      {"4k3/8/8/8/8/8/8/4K3 w - - moves e1e2", 0, 1, 0, "e1e2"},
      {"4k3/8/8/8/8/8/8/4K3 w - - moves", 0, 1, 0, ""},
      {"4k3/8/8/8/8/8/8/4K3 w - - moves ", 0, 1, 0, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    uint8_t cb[CB_SIZE];
    FenSetup setup;
    ASSERT_TRUE(load_position_fen(cb, c.text, setup)) << setup.reason;
    EXPECT_EQ(setup.halfmove_clock, c.halfmove_clock);
    EXPECT_EQ(setup.fullmove, c.fullmove);
    EXPECT_EQ(setup.half_moves, c.half_moves);
    if (c.moves == nullptr)
      EXPECT_EQ(setup.moves, nullptr);
    else
      EXPECT_STREQ(setup.moves, c.moves);
    EXPECT_EQ(cb[sq("e1")], KING);
    EXPECT_EQ(cb[sq("e8")], KING | COLOUR_BIT);
    EXPECT_EQ(cb[CB_STATE] & ~ST_BLACK_TO_MOVE, kAllLost);
  }
}

TEST_F(Fen, EnPassantSquareMarksOnlyThePawnThatJustAdvanced) {
  struct Case {
    const char *fen;
    const char *marked;  // the one marked square
  };
  const Case cases[] = {
      {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", "e4"},
      {"rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3", "d5"},
      {"4k3/8/8/8/Pp6/8/8/4K3 b - a3 0 1", "a4"},
      {"4k3/8/8/6pP/8/8/8/4K3 w - g6 0 1", "g5"},
      // A pawn that no enemy pawn stands beside still gets its mark, as a
      // game leaves it: only the generator decides whether it can be taken.
      {"4k3/8/8/8/7P/8/8/4K3 b - h3 0 1", "h4"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.fen);
    uint8_t cb[CB_SIZE];
    FenSetup setup;
    ASSERT_TRUE(load_position_fen(cb, c.fen, setup)) << setup.reason;
    EXPECT_TRUE(has_ep_mark(cb[sq(c.marked)]));
    EXPECT_EQ(piece_of(cb[sq(c.marked)]), PAWN);
    EXPECT_EQ(marks_on(cb), 1);
  }

  // The mark is what lets the pawn beside it take en passant.
  uint8_t cb[CB_SIZE];
  FenSetup setup;
  for (const char *ep : {"d6", "-"}) {
    const std::string fen =
        std::string("rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq ") + ep + " 0 3";
    ASSERT_TRUE(load_position_fen(cb, fen.c_str(), setup)) << setup.reason;
    uint32_t list[MAX_GENERATED_MOVES];
    const int n = generate_moves(cb, list);
    int en_passant = 0;
    for (int i = 0; i < n; ++i) en_passant += gm_kind(list[i]) == KIND_EN_PASSANT ? 1 : 0;
    EXPECT_EQ(en_passant, ep[0] == 'd' ? 1 : 0) << ep;
  }
}

TEST_F(Fen, CastlingRightsOnlyWhereKingAndRookAreHome) {
  struct Case {
    const char *fen;
    uint8_t lost;         // expected lost flags (byte 144 without the side)
    const char *dropped;  // rights the FEN gave that the board cannot carry
    const char *logged;   // a line the transcript must hold, or ""
  };
  const Case cases[] = {
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 0, "", ""},
      {"r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1", ST_WHITE_QUEEN_LOST | ST_BLACK_KING_LOST, "", ""},
      {"r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1", kAllLost, "", ""},
      {"r3k2r/8/8/8/8/8/8/R4K1R w KQkq - 0 1", ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST, "KQ",
       "FEN: castling right K dropped: the white king is not on its home square\n"},
      {"r3k3/8/8/8/8/8/8/R3K2R w KQkq - 0 1", ST_BLACK_KING_LOST, "k",
       "FEN: castling right k dropped: no black rook on h8\n"},
      {"r3k2n/8/8/8/8/8/8/R3K2R w KQkq - 0 1", ST_BLACK_KING_LOST, "k", "no black rook on h8"},
      // A rook of the other colour in the corner is no castling partner.
      {"r3k2r/8/8/8/8/8/8/r3K2R w KQkq - 0 1", ST_WHITE_QUEEN_LOST, "Q", "no white rook on a1"},
      {"1r2k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", ST_BLACK_QUEEN_LOST, "q", "no black rook on a8"},
      {"r2k3r/8/8/8/8/8/8/R3K2R b kq - 0 1",
       ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST | ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST, "kq",
       "the black king is not on its home square"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.fen);
    dir_.write_file("UCI_debug.txt", "");
    uint8_t cb[CB_SIZE];
    FenSetup setup;
    ASSERT_TRUE(load_position_fen(cb, c.fen, setup)) << setup.reason;
    EXPECT_EQ(cb[CB_STATE] & ~ST_BLACK_TO_MOVE, c.lost);
    EXPECT_STREQ(setup.dropped, c.dropped);
    if (c.logged[0] != '\0')
      EXPECT_NE(transcript().find(c.logged), std::string::npos) << transcript();
    else
      EXPECT_EQ(transcript(), "");
  }

  // A right that the FEN gives to a king off its home square must not let
  // the generator castle: with the king on d1 and a rook on g1, the path
  // e1, f1 is empty and the rook three squares away.
  uint8_t cb[CB_SIZE];
  FenSetup setup;
  ASSERT_TRUE(load_position_fen(cb, "4k3/8/8/8/8/8/8/3K2R1 w K - 0 1", setup)) << setup.reason;
  uint32_t list[MAX_GENERATED_MOVES];
  const int n = generate_moves(cb, list);
  for (int i = 0; i < n; ++i) EXPECT_NE(gm_kind(list[i]), KIND_CASTLE_KING);
  // A right refused with the rest of the FEN is not noted.
  dir_.write_file("UCI_debug.txt", "");
  EXPECT_FALSE(load_position_fen(cb, "r3k2r/8/8/8/8/8/8/R4K1R w KQkq e9 0 1", setup));
  EXPECT_EQ(transcript(), "");
}

// Chess960 castling fields: Shredder-FEN file letters and X-FEN's KQkq (the
// outermost rook on that side), each right kept with its rook's square; a
// letter the board cannot carry drops its right with a transcript line, as
// does a file letter under standard rules. What is kept is written back.
TEST_F(Fen, Chess960CastlingFieldsNameTheirRooks) {
  struct Case {
    const char *fen;
    uint8_t rules;
    uint8_t lost;
    const char *rooks;    // start squares of the rights kept, in lost-flag order (Q K q k), "-" none
    const char *dropped;  // rights dropped
    const char *logged;   // a line the transcript must hold, or ""
    const char *written;  // the castling field written back
  };
  const Case cases[] = {
      {"bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w HFhf - 0 1", RULES_CHESS960, 0, "f1h1f8h8", "", "", "KQkq"},
      {"bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w KQkq - 0 1", RULES_CHESS960, 0, "f1h1f8h8", "", "", "KQkq"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1", RULES_CHESS960, 0, "a1h1a8h8", "", "", "KQkq"},
      // Two rooks on the h-file side: K is the outermost, the inner one only
      // its letter names, and it is written back by its letter.
      {"4k3/8/8/8/8/8/8/R3KRR1 w GA - 0 1", RULES_CHESS960, ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST, "a1g1--",
       "", "", "KQ"},
      {"4k3/8/8/8/8/8/8/R3KRR1 w FA - 0 1", RULES_CHESS960, ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST, "a1f1--",
       "", "", "FQ"},
      {"1r2k1r1/8/8/8/8/8/8/4K3 b eb - 0 1", RULES_CHESS960,
       ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST | ST_BLACK_KING_LOST, "--b8-", "e", "no black rook on e8", "q"},
      // Bad input: no rook on the file, two rooks for one side, no rook on
      // the side the letter says, the king off its first rank.
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkqC - 0 1", RULES_CHESS960, 0, "", "", "", ""},  // five letters: refused
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkc - 0 1", RULES_CHESS960, ST_BLACK_QUEEN_LOST, "a1h1-h8", "c",
       "FEN: castling right c dropped: no black rook on c8\n", "KQk"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KHQ - 0 1", RULES_CHESS960, ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST, "a1h1--",
       "H", "a second white castling rook on the h-file side of the king", "KQ"},
      {"r3k2r/8/8/8/8/8/8/4K2R w KQ - 0 1", RULES_CHESS960, ST_WHITE_QUEEN_LOST | ST_BLACK_QUEEN_LOST |
       ST_BLACK_KING_LOST, "-h1--", "Q", "no white rook on the a-file side of the king", "K"},
      {"4k3/8/8/8/8/8/4K3/R6R w HA - 0 1", RULES_CHESS960, kAllLost, "----", "HA",
       "the white king is not on its first rank", "-"},
      // Under standard rules file letters name nothing: dropped and noted.
      {"r3k2r/8/8/8/8/8/8/R3K2R w HAk - 0 1", RULES_STANDARD,
       ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST | ST_BLACK_QUEEN_LOST, "---h8", "HA",
       "FEN: castling right H dropped: a file letter names a Chess960 rook, and UCI_Chess960 is off\n", "k"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.fen);
    dir_.write_file("UCI_debug.txt", "");
    uint8_t cb[CB_SIZE];
    FenSetup setup;
    if (c.rooks[0] == '\0') {
      EXPECT_FALSE(load_position_fen(cb, c.fen, setup, c.rules));
      continue;
    }
    ASSERT_TRUE(load_position_fen(cb, c.fen, setup, c.rules)) << setup.reason;
    EXPECT_EQ(is_chess960(cb), c.rules == RULES_CHESS960);
    EXPECT_EQ(cb[CB_STATE] & ~ST_BLACK_TO_MOVE, c.lost);
    // The kept rights' rook squares, in lost-flag order.
    std::string rooks;
    for (int right = 0; right < 4; ++right)
      rooks += (cb[CB_STATE] & (2u << right)) ? std::string("-")
                                              : square_name(castling_rook_square(cb, right / 2, right % 2));
    EXPECT_EQ(rooks, c.rooks);
    EXPECT_STREQ(setup.dropped, c.dropped);
    if (c.logged[0] != '\0')
      EXPECT_NE(transcript().find(c.logged), std::string::npos) << transcript();
    else
      EXPECT_EQ(transcript(), "");
    char fen[FEN_TEXT_SIZE];
    ASSERT_GT(position_to_fen(cb, 0, fen, sizeof fen), 0);
    std::istringstream fields(fen);
    std::string placement, side, castling;
    fields >> placement >> side >> castling;
    EXPECT_EQ(castling, c.written);
    // What is written reads back as the same board.
    uint8_t again[CB_SIZE];
    FenSetup second;
    ASSERT_TRUE(load_position_fen(again, fen, second, c.rules)) << fen;
    EXPECT_EQ(std::memcmp(cb, again, CB_SIZE), 0) << fen;
  }
}

TEST_F(Fen, InvalidFensAreRefusedWithAReasonAndTheBoardUntouched) {
  const std::string thirty_digits(30, '9');
  struct Case {
    std::string fen;
    const char *reason;  // part of the reason
  };
  const Case cases[] = {
      {"", "missing field: piece placement"},
      {"moves e2e4", "missing field: piece placement"},
      // Ranks and squares.
      {"4k3/8/8/8/8/8/4K3 w - - 0 1", "7 ranks, not 8"},
      {"4k3/8/8/8/8/8/8/8/4K3 w - - 0 1", "more than 8 ranks"},
      {"4k3/8/8/8/8/8/8/4K3/ w - - 0 1", "more than 8 ranks"},
      {"4k2/8/8/8/8/8/8/4K3 w - - 0 1", "rank 8 has 7 squares"},
      {"4k3/8/8/8/8/8/8/4K2 w - - 0 1", "rank 1 has 7 squares"},
      {"4k4/8/8/8/8/8/8/4K3 w - - 0 1", "rank 8 has more than 8 squares"},
      {"4k3/8/8/8/8/8/8/4K3R w - - 0 1", "rank 1 has more than 8 squares"},
      {"4k3/8/8/9/8/8/8/4K3 w - - 0 1", "'9' is neither a piece letter"},
      {"4k3/8/8/8/8/8/8//4K3 w - - 0 1", "rank 1 has 0 squares"},
      // Letters.
      {"4k3/8/8/3x4/8/8/8/4K3 w - - 0 1", "'x' is neither a piece letter"},
      {"4k3/8/8/3\xc3\xa9"
       "3/8/8/8/4K3 w - - 0 1",
       "byte 195 is neither"},
      // Kings.
      {"8/8/8/8/8/8/8/4K3 w - - 0 1", "Black has 0 kings"},
      {"4k3/8/8/8/8/8/8/8 w - - 0 1", "White has 0 kings"},
      {"4k3/8/8/8/8/8/8/3KK3 w - - 0 1", "White has 2 kings"},
      // Pawns on the first or eighth rank.
      {"P3k3/8/8/8/8/8/8/4K3 w - - 0 1", "White pawn on a8"},
      {"4k3/8/8/8/8/8/8/4K2p b - - 0 1", "Black pawn on h1"},
      // Side to move.
      {"4k3/8/8/8/8/8/8/4K3", "missing field: side to move"},
      {"4k3/8/8/8/8/8/8/4K3 W - - 0 1", "side to move"},
      {"4k3/8/8/8/8/8/8/4K3 moves e1e2", "missing field: side to move"},
      // Castling field.
      {"4k3/8/8/8/8/8/8/4K3 w", "missing field: castling rights"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KK - 0 1", "'K' given twice"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkqK - 0 1", "more than four letters"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkx - 0 1", "'x' is not one of K, Q, k, q"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkI - 0 1", "'I' is not one of K, Q, k, q"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w K- - 0 1", "'-' is not one of"},
      // En-passant square.
      {"4k3/8/8/8/8/8/8/4K3 w -", "missing field: en-passant square"},
      {"4k3/8/8/8/8/8/8/4K3 w - e9 0 1", "not '-' nor a square"},
      {"4k3/8/8/8/8/8/8/4K3 w - e 0 1", "not '-' nor a square"},
      {"4k3/8/8/8/8/8/8/4K3 w - e6x 0 1", "not '-' nor a square"},
      {"4k3/8/8/8/4P3/8/8/4K3 w - e3 0 1", "with White to move it lies on rank 6"},
      {"4k3/8/8/4p3/8/8/8/4K3 b - e6 0 1", "with Black to move it lies on rank 3"},
      {"4k3/8/8/8/8/8/8/4K3 w - e6 0 1", "no Black pawn stands just past it"},
      {"4k3/8/8/4P3/8/8/8/4K3 w - e6 0 1", "no Black pawn stands just past it"},
      {"4k3/8/4n3/4p3/8/8/8/4K3 w - e6 0 1", "its path is not empty"},
      {"4k3/4n3/8/4p3/8/8/8/4K3 w - e6 0 1", "its path is not empty"},
      {"4k3/8/8/8/4P3/8/4N3/4K3 b - e3 0 1", "its path is not empty"},
      // The side not to move in check, kings side by side included.
      {"4k3/8/8/8/8/8/8/4K2r b - - 0 1", "White, not to move, is in check"},
      {"R3k3/8/8/8/8/8/8/4K3 w - - 0 1", "Black, not to move, is in check"},
      {"8/8/8/8/8/8/8/3kK3 w - - 0 1", "Black, not to move, is in check"},
      {"4k3/3P4/8/8/8/8/8/4K3 w - - 0 1", "Black, not to move, is in check"},
      // Counters.
      {"4k3/8/8/8/8/8/8/4K3 w - - -1 1", "halfmove clock: not a plain decimal number"},
      {"4k3/8/8/8/8/8/8/4K3 w - - +1 1", "halfmove clock: not a plain decimal number"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 x", "fullmove number: not a plain decimal number"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 100001 1", "halfmove clock: larger than 100000"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 100001", "fullmove number: larger than 100000"},
      {"4k3/8/8/8/8/8/8/4K3 w - - " + thirty_digits + " 1", "halfmove clock: larger than"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 " + thirty_digits, "fullmove number: larger than"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 4294967297", "fullmove number: larger than"},
      // Extra fields.
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 1 extra", "unexpected text after the fullmove number"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 1 0", "unexpected text"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 1 movesx e2e4", "unexpected text"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.fen);
    uint8_t cb[CB_SIZE], before[CB_SIZE];
    start_position(cb);
    cb[sq("e4")] = PAWN | EP_MARK;  // anything that a setup would change
    std::memcpy(before, cb, CB_SIZE);
    FenSetup setup;
    EXPECT_FALSE(load_position_fen(cb, c.fen.c_str(), setup));
    EXPECT_NE(std::string(setup.reason).find(c.reason), std::string::npos) << setup.reason;
    EXPECT_EQ(std::memcmp(cb, before, CB_SIZE), 0);
    EXPECT_EQ(std::strchr(setup.reason, '\n'), nullptr);
  }
}

TEST_F(Fen, HostileTextNeverOverrunsAnything) {
  uint8_t cb[CB_SIZE];
  FenSetup setup;
  // Fields far longer than any buffer: each is read in place.
  std::string huge_rank(1 << 20, '8');
  EXPECT_FALSE(load_position_fen(cb, huge_rank.c_str(), setup));
  std::string huge_placement;
  for (int i = 0; i < 100000; ++i) huge_placement += "8/";
  EXPECT_FALSE(load_position_fen(cb, huge_placement.c_str(), setup));
  std::string huge_counter = "4k3/8/8/8/8/8/8/4K3 w - - " + std::string(1 << 20, '7');
  EXPECT_FALSE(load_position_fen(cb, huge_counter.c_str(), setup));
  std::string huge_tail = "4k3/8/8/8/8/8/8/4K3 w - - 0 1 " + std::string(1 << 20, 'z');
  EXPECT_FALSE(load_position_fen(cb, huge_tail.c_str(), setup));
  EXPECT_FALSE(load_position_fen(cb, nullptr, setup));

  // Random bytes, and random mixtures of the FEN's own characters, which
  // reach the deeper checks more often. Every answer is either a board with
  // one king per side or a refusal with a reason.
  std::mt19937 rng(20240611);
  const std::string alphabet = "pnbrqkPNBRQK12345678/ wb-KQkqabcdefgh0369 \t";
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    const int length = int(rng() % 90);
    for (int j = 0; j < length; ++j) {
      char c = i % 2 == 0 ? alphabet[rng() % alphabet.size()] : char(1 + rng() % 255);
      text += c;
    }
    start_position(cb);
    if (load_position_fen(cb, text.c_str(), setup)) {
      int white_kings = 0, black_kings = 0;
      for (int s : boardin) {
        white_kings += cb[s] == KING ? 1 : 0;
        black_kings += cb[s] == (KING | COLOUR_BIT) ? 1 : 0;
      }
      EXPECT_EQ(white_kings, 1) << text;
      EXPECT_EQ(black_kings, 1) << text;
    } else {
      EXPECT_NE(setup.reason[0], '\0') << text;
    }
  }
}

TEST(PositionToFen, WritesWhatTheBoardHolds) {
  uint8_t cb[CB_SIZE];
  start_position(cb);
  char fen[FEN_TEXT_SIZE];
  EXPECT_EQ(position_to_fen(cb, 0, fen, sizeof fen), int(std::strlen(kStartFen)));
  EXPECT_STREQ(fen, kStartFen);
  // Too small a buffer: nothing written, 0 returned.
  char small[10] = "untouched";
  EXPECT_EQ(position_to_fen(cb, 0, small, sizeof small), 0);
  EXPECT_STREQ(small, "untouched");
}
