#include "board/game_move.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cctype>
#include <random>
#include <sstream>
#include <string>

#include "board/chess_cb.h"
#include "support/test_board.h"

namespace {

// A board in the start position on the stack, released with the test.
struct Board {
  uint8_t cb[CB_SIZE];
  Board() { start_position(cb); }
  // Makes a move given as squares; the other side is to move after it.
  void play(int from, int to, uint32_t promo = 0) { play_move(cb, move_word(from, to) | promo); }
  void clear(int sq) { cb[sq] = EMPTY; }
  void put(int sq, uint8_t piece, uint8_t colour) { cb[sq] = uint8_t(piece | (colour << 3)); }
};

}  // namespace

TEST(PlayMove, DoublePushMarksOnlyUntilTheMoversNextMove) {
  Board b;
  b.play(sq("e2"), sq("e4"));
  EXPECT_EQ(b.cb[sq("e2")], EMPTY);
  EXPECT_EQ(b.cb[sq("e4")], PAWN | EP_MARK);
  EXPECT_EQ(b.cb[CB_STATE], ST_BLACK_TO_MOVE);  // only the side to move changes

  b.play(sq("e7"), sq("e5"));
  EXPECT_EQ(b.cb[sq("e4")], PAWN | EP_MARK) << "the other side's mark survives one move";
  EXPECT_EQ(b.cb[sq("e5")], PAWN | COLOUR_BIT | EP_MARK);

  b.play(sq("g1"), sq("f3"));
  EXPECT_EQ(b.cb[sq("e4")], PAWN) << "the mover's own mark expires";
  EXPECT_EQ(b.cb[sq("e5")], PAWN | COLOUR_BIT | EP_MARK);

  b.play(sq("d7"), sq("d6"));
  EXPECT_EQ(b.cb[sq("d6")], PAWN | COLOUR_BIT) << "a single step sets no mark";
}

TEST(PlayMove, CastlingBothSidesAndColours) {
  struct Case {
    const char *name;
    int side;
    int from, to;
    int rook_from, rook_to, king_to;
    uint8_t flags;
  };
  const Case cases[] = {
      {"white king side", WHITE, sq("e1"), sq("g1"), sq("h1"), sq("f1"), sq("g1"),
       ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST},
      {"white queen side", WHITE, sq("e1"), sq("c1"), sq("a1"), sq("d1"), sq("c1"),
       ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST},
      {"black king side", BLACK, sq("e8"), sq("g8"), sq("h8"), sq("f8"), sq("g8"),
       ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST},
      {"black queen side", BLACK, sq("e8"), sq("c8"), sq("a8"), sq("d8"), sq("c8"),
       ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Board b;
    const int rank = c.side == WHITE ? 0 : 7;
    for (int f = 1; f <= 6; ++f)
      if (f != 4) b.clear(square_of(f, rank));  // empty between king and rooks
    b.cb[CB_STATE] = uint8_t(c.side);
    play_move(b.cb, move_word(c.from, c.to));
    EXPECT_EQ(piece_of(b.cb[c.rook_from]), EMPTY);
    EXPECT_EQ(piece_of(b.cb[c.from]), EMPTY);
    EXPECT_EQ(b.cb[c.rook_to], ROOK | (c.side << 3));
    EXPECT_EQ(b.cb[c.king_to], KING | (c.side << 3));
    EXPECT_EQ(b.cb[CB_STATE], (c.side ^ 1) | c.flags);
  }
}

TEST(PlayMove, EnPassantRemovesThePawnBehindTheTarget) {
  Board b;
  // White pawn on e5, Black has just played d7d5.
  b.play(sq("e2"), sq("e4"));
  b.play(sq("a7"), sq("a6"));
  b.play(sq("e4"), sq("e5"));
  b.play(sq("d7"), sq("d5"));
  ASSERT_EQ(b.cb[sq("d5")], PAWN | COLOUR_BIT | EP_MARK);
  b.play(sq("e5"), sq("d6"));
  EXPECT_EQ(piece_of(b.cb[sq("e5")]), EMPTY);
  EXPECT_EQ(b.cb[sq("d5")], EP_MARK) << "the taken pawn's square keeps its mark until the next expiry";
  EXPECT_EQ(b.cb[sq("d6")], PAWN);

  // Black takes en passant the other way: its pawn lands behind White's.
  Board c;
  c.play(sq("a2"), sq("a3"));
  c.play(sq("d7"), sq("d5"));
  c.play(sq("a3"), sq("a4"));
  c.play(sq("d5"), sq("d4"));
  c.play(sq("e2"), sq("e4"));
  c.play(sq("d4"), sq("e3"));
  EXPECT_EQ(piece_of(c.cb[sq("e4")]), EMPTY);
  EXPECT_EQ(c.cb[sq("e3")], PAWN | COLOUR_BIT);
}

TEST(PlayMove, PromotionPieceFromTheMoveWord) {
  struct Case {
    uint32_t bits;
    uint8_t piece;
  };
  const Case cases[] = {{0, QUEEN}, {MW_PROMO_KNIGHT, KNIGHT}, {MW_PROMO_ROOK, ROOK}, {MW_PROMO_BISHOP, BISHOP}};
  for (const Case &c : cases) {
    Board b;
    b.put(sq("b7"), PAWN, WHITE);  // takes the rook on a8
    play_move(b.cb, move_word(sq("b7"), sq("a8")) | c.bits);
    EXPECT_EQ(b.cb[sq("a8")], c.piece) << "bits " << c.bits;
    EXPECT_EQ(piece_of(b.cb[sq("b7")]), EMPTY);

    Board d;  // and for Black on rank 1
    d.put(sq("g2"), PAWN, BLACK);
    d.cb[CB_STATE] = BLACK;
    play_move(d.cb, move_word(sq("g2"), sq("h1")) | c.bits);
    EXPECT_EQ(d.cb[sq("h1")], c.piece | COLOUR_BIT) << "bits " << c.bits;
  }
}

TEST(PlayMove, RookAndKingMovesCostCastlingRights) {
  Board b;
  b.clear(sq("a2"));
  b.play(sq("a1"), sq("a3"));
  EXPECT_EQ(b.cb[CB_STATE] & ~ST_BLACK_TO_MOVE, ST_WHITE_QUEEN_LOST);
  b.play(sq("h7"), sq("h6"));
  b.play(sq("a3"), sq("b3"));  // leaving the a-file from rank 3 sets it again
  EXPECT_EQ(b.cb[CB_STATE] & ~ST_BLACK_TO_MOVE, ST_WHITE_QUEEN_LOST);
  b.play(sq("h8"), sq("h7"));
  EXPECT_EQ(b.cb[CB_STATE] & ~ST_BLACK_TO_MOVE, ST_WHITE_QUEEN_LOST | ST_BLACK_KING_LOST);

  Board k;
  k.clear(sq("e2"));
  k.play(sq("e1"), sq("e2"));
  EXPECT_EQ(k.cb[CB_STATE], ST_BLACK_TO_MOVE | ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST);
  EXPECT_EQ(k.cb[sq("e2")], KING);

  // A rook taken in its corner costs its owner that right, whoever takes it.
  struct {
    const char *from, *to;
    uint8_t colour, lost;
  } captures[] = {
      {"g7", "h8", WHITE, ST_BLACK_KING_LOST},  {"b7", "a8", WHITE, ST_BLACK_QUEEN_LOST},
      {"g2", "h1", BLACK, ST_WHITE_KING_LOST},  {"b2", "a1", BLACK, ST_WHITE_QUEEN_LOST},
  };
  for (const auto &c : captures) {
    Board t;
    t.put(sq(c.from), BISHOP, c.colour);
    t.cb[CB_STATE] = c.colour;
    play_move(t.cb, move_word(sq(c.from), sq(c.to)));
    EXPECT_EQ(t.cb[CB_STATE], (c.colour ^ 1) | c.lost) << c.from << c.to;
  }
}

// Under Chess960 rules a right goes with its rook's start square only: the
// rook moving off it, any piece landing on it, or a king move; a rook
// leaving the a- or h-file elsewhere costs nothing. Castling is the king
// taking its own rook on the back rank: king and rook land on g/f or c/d.
TEST(PlayMove, Chess960RightsFollowTheRooksSquaresAndCastlingLands) {
  // Rooks b1 and g1 with the king on d1 (Black alike): rights 0..3 kept.
  auto board960 = [] {
    Board b;
    for (int f = 0; f < 8; ++f) {
      b.clear(square_of(f, 0));
      b.clear(square_of(f, 7));
    }
    for (const char *s : {"b1", "g1"}) b.put(sq(s), ROOK, WHITE);
    for (const char *s : {"b8", "g8"}) b.put(sq(s), ROOK, BLACK);
    b.put(sq("d1"), KING, WHITE);
    b.put(sq("d8"), KING, BLACK);
    b.cb[CB_CASTLING_ROOKS + 0] = uint8_t(sq("b1"));
    b.cb[CB_CASTLING_ROOKS + 1] = uint8_t(sq("g1"));
    b.cb[CB_CASTLING_ROOKS + 2] = uint8_t(sq("b8"));
    b.cb[CB_CASTLING_ROOKS + 3] = uint8_t(sq("g8"));
    set_castling_rules(b.cb, RULES_CHESS960);
    return b;
  };
  struct Case {
    const char *moves;  // pairs of squares, White first; a1-h1 pawns are gone from the rank only
    uint8_t lost;
    const char *placed;  // "square piece" pairs expected after the moves, "" none
  };
  const Case cases[] = {
      {"g1g3", ST_WHITE_KING_LOST, ""},
      {"b1a1 b8b7 a1a2", ST_WHITE_QUEEN_LOST | ST_BLACK_QUEEN_LOST, ""},
      {"d1e1", ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST, ""},
      // Castling: king d1 takes its rook g1 -> king g1, rook f1; and b1 ->
      // king c1, rook d1 (the rook lands on the king's start square).
      {"d1g1", ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST, "g1K f1R d1. e1."},
      {"d1b1", ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST, "c1K d1R b1."},
      {"h2h3 d8g8", ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST, "g8k f8r"},
      // Taking a castling rook on its square takes its owner's right.
      {"g1g7 b8b7 g7g8", ST_WHITE_KING_LOST | ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.moves);
    Board b = board960();
    std::istringstream moves(c.moves);
    int played = 0;
    for (std::string m; moves >> m; ++played) b.play(sq(m.substr(0, 2)), sq(m.substr(2, 2)));
    EXPECT_EQ(b.cb[CB_STATE] & 0x1E, c.lost);
    EXPECT_EQ(b.cb[CB_STATE] & ST_BLACK_TO_MOVE, played % 2) << "castling turns the side over too";
    std::istringstream placed(c.placed);
    for (std::string p; placed >> p;) {
      const bool black = std::islower(static_cast<unsigned char>(p[2])) != 0;
      const uint8_t expected = p[2] == '.' ? uint8_t(EMPTY) : uint8_t(piece_code(p[2]) | (black ? COLOUR_BIT : 0));
      EXPECT_EQ(b.cb[sq(p.substr(0, 2))] & (PIECE_MASK | COLOUR_BIT), expected) << p;
    }
  }
  // The same rook move under standard rules is a plain rook move that costs
  // the h-file right only when it leaves the h-file.
  Board standard = board960();
  set_castling_rules(standard.cb, RULES_STANDARD);
  standard.play(sq("g1"), sq("g3"));
  EXPECT_EQ(standard.cb[CB_STATE] & 0x1E, 0);
}

TEST(PlayMove, NoCastlingWithARookThatReachedAnEmptiedCorner) {
  // The h1 rook is taken in its corner; later the a1 rook walks round to h1
  // along the first rank without ever leaving the h-file. Castling king side
  // must stay lost: that rook has moved.
  Board b;
  for (const char *s : {"f1", "g1", "b1", "c1", "d1", "a2"}) b.clear(sq(s));
  b.put(sq("g2"), KNIGHT, BLACK);
  b.cb[CB_STATE] = BLACK;
  b.play(sq("g2"), sq("h1"));  // knight takes the h1 rook
  b.play(sq("a1"), sq("a3"));
  b.play(sq("h1"), sq("g3"));
  b.play(sq("a3"), sq("g3"));  // rook takes the knight
  b.play(sq("h7"), sq("h6"));
  b.play(sq("g3"), sq("g1"));
  b.play(sq("h6"), sq("h5"));
  b.play(sq("g1"), sq("h1"));
  EXPECT_EQ(b.cb[sq("h1")], ROOK);
  EXPECT_TRUE(b.cb[CB_STATE] & ST_WHITE_KING_LOST);
}

TEST(UnsetEp, KeepsOnlyTheOtherSidesPawnMarks) {
  uint8_t cb[CB_SIZE];
  start_position(cb);
  cb[66] = PAWN | EP_MARK;                // white pawn
  cb[77] = PAWN | COLOUR_BIT | EP_MARK;   // black pawn
  cb[50] = EP_MARK;                       // stale mark on an empty square
  cb[51] = KNIGHT | COLOUR_BIT | EP_MARK; // a piece on a marked square
  unset_ep(cb, WHITE);
  EXPECT_EQ(cb[66], PAWN);
  EXPECT_EQ(cb[77], PAWN | COLOUR_BIT | EP_MARK);
  EXPECT_EQ(cb[50], EMPTY);
  EXPECT_EQ(cb[51], KNIGHT | COLOUR_BIT);
  unset_ep(cb, BLACK);
  EXPECT_EQ(cb[77], PAWN | COLOUR_BIT);
}

TEST(UnsetEp, EveryByteOfTheMailboxAsJudgedOneByOne) {
  // The expiry reads eight bytes at once; each byte must come out as the
  // rule says for that byte alone, wherever it lies and whatever it holds.
  std::mt19937 rng(1313);
  for (int round = 0; round < 300; ++round) {
    uint8_t cb[CB_SIZE];
    for (uint8_t &b : cb) b = uint8_t(rng() & 0x1F);
    const uint8_t colour = uint8_t(round % 3);  // 2: neither side
    uint8_t expected[CB_SIZE];
    std::memcpy(expected, cb, CB_SIZE);
    for (int sq = 0; sq < CB_MAILBOX; ++sq) {
      const bool other_pawn = piece_of(cb[sq]) == PAWN && colour_of(cb[sq]) != colour;
      if (!other_pawn) expected[sq] = uint8_t(cb[sq] & ~EP_MARK);
    }
    unset_ep(cb, colour);
    for (int i = 0; i < CB_SIZE; ++i) ASSERT_EQ(cb[i], expected[i]) << "byte " << i << " colour " << int(colour);
  }
}

TEST(PlayMove, KingTwoColumnsAwayFromItsHomeSquareIsAPlainMove) {
  // A front end's list can bring a king anywhere; moved two columns from
  // elsewhere it must not "castle" with squares in the border.
  struct Case {
    const char *from, *to;
  };
  const Case cases[] = {{"c1", "a1"}, {"f1", "h1"}, {"c8", "a8"}, {"f8", "h8"}, {"f6", "h6"}, {"c3", "a3"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.from) + c.to);
    for (const uint8_t colour : {WHITE, BLACK}) {
      Board b;
      for (int s = SQ_FIRST; s <= SQ_LAST; ++s)
        if (piece_of(b.cb[s]) != BORDER) b.clear(s);
      b.put(sq(c.from), KING, colour);
      b.cb[CB_STATE] = colour;
      play_move(b.cb, move_word(sq(c.from), sq(c.to)));
      for (int s = 0; s < CB_MAILBOX; ++s) {
        const bool playable =
            square_row(s) >= 2 && square_row(s) <= 9 && square_column(s) >= 2 && square_column(s) <= 9;
        if (!playable) {
          EXPECT_EQ(b.cb[s], BORDER) << "square " << s;
        }
      }
      EXPECT_EQ(b.cb[sq(c.to)], KING | (colour << 3));
      for (int s = SQ_FIRST; s <= SQ_LAST; ++s) {
        if (s != sq(c.to) && piece_of(b.cb[s]) != BORDER) {
          EXPECT_EQ(piece_of(b.cb[s]), EMPTY) << "square " << s;
        }
      }
    }
  }
}

// Only a pawn's two-square advance from its start rank marks the square it
// reaches; every other move leaves its destination unmarked, whatever mark
// the square carried (the mark of a pawn just taken there, or one left
// behind). A front end's list is not checked for legality, so the table
// also holds two-square steps that are no advance: a pawn stepping two
// squares onto the last rank promotes and must not leave a marked queen.
TEST(PlayMove, OnlyATwoSquareAdvanceLeavesItsDestinationMarked) {
  struct Case {
    const char *name;
    const char *from, *to;
    uint8_t mover;     // piece and colour on the from-square
    uint8_t target;    // square byte on the to-square before the move
    uint8_t expected;  // square byte on the to-square after it
  };
  const uint8_t black = COLOUR_BIT;
  const Case cases[] = {
      {"white advance", "e2", "e4", PAWN, EMPTY, PAWN | EP_MARK},
      {"black advance", "d7", "d5", PAWN | black, EMPTY, PAWN | black | EP_MARK},
      {"white pawn takes a marked pawn", "e4", "d5", PAWN, PAWN | black | EP_MARK, PAWN},
      {"black pawn takes a marked pawn", "g5", "h4", PAWN | black, PAWN | EP_MARK, PAWN | black},
      {"white knight takes a marked pawn", "c3", "b5", KNIGHT, PAWN | black | EP_MARK, KNIGHT},
      {"black queen takes a marked pawn", "d8", "a5", QUEEN | black, PAWN | EP_MARK, QUEEN | black},
      {"onto a left-over mark", "g1", "f3", KNIGHT, EP_MARK, KNIGHT},
      {"pawn steps two onto the last rank", "e6", "e8", PAWN, EMPTY, QUEEN},
      {"black pawn steps two onto the first rank", "b3", "b1", PAWN | black, EMPTY, QUEEN | black},
      {"pawn steps two backwards", "e5", "e3", PAWN, EMPTY, PAWN},
      {"pawn steps two from its third rank", "c3", "c5", PAWN, EMPTY, PAWN},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Board b;
    for (int s = SQ_FIRST; s <= SQ_LAST; ++s)
      if (piece_of(b.cb[s]) != BORDER) b.clear(s);
    b.put(sq("e1"), KING, WHITE);
    b.put(sq("e8"), KING, BLACK);
    b.cb[sq(c.from)] = c.mover;
    b.cb[sq(c.to)] = c.target;
    b.cb[CB_STATE] = colour_of(c.mover);
    play_move(b.cb, move_word(sq(c.from), sq(c.to)));
    EXPECT_EQ(b.cb[sq(c.to)], c.expected);
    for (int s = SQ_FIRST; s <= SQ_LAST; ++s) {
      if (s != sq(c.to) && piece_of(b.cb[s]) != BORDER) {
        EXPECT_FALSE(has_ep_mark(b.cb[s])) << "square " << s;
      }
    }
  }
}
