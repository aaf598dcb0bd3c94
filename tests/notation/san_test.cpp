// Moves in SAN: read against the legal moves of a position and written for
// them, as the test-suite runner uses them.
#include "notation/san.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>

#include "notation/fen.h"
#include "board/game_move.h"
#include "support/test_board.h"

namespace {

struct Position {
  uint8_t cb[CB_SIZE];
};

Position from_fen(const char *fen) {
  Position p{};
  FenSetup setup;
  EXPECT_TRUE(load_position_fen(p.cb, fen, setup)) << fen << ": " << setup.reason;
  return p;
}

std::string coordinates(const LegalMove &m) {
  std::string s = move_name(m.from, m.to);
  if (m.promotion != EMPTY) s += "  nbrq"[m.promotion];
  return s;
}

// What reading the text gives: the move in coordinates, or "-" when it is
// refused.
std::string read(const uint8_t *cb, const char *text) {
  LegalMove m{};
  const char *why = nullptr;
  if (!san_to_move(cb, text, m, why)) return "-";
  return coordinates(m);
}

std::string written(const uint8_t *cb, const char *coords) {
  LegalMove m{};
  const char *why = nullptr;
  if (!san_to_move(cb, coords, m, why)) return std::string("not legal: ") + coords;
  char text[16];
  if (move_to_san(cb, m, text, sizeof text) == 0) return "too long";
  return text;
}

}  // namespace

TEST(San, ReadsEveryFormAgainstTheLegalMoves) {
  struct Case {
    const char *fen, *text, *expected;
  };
  const char *start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
  // Knights on b1 and f1 both reach d2; rooks on a1 and a5 both reach a3.
  const char *twins = "4k3/8/8/R7/8/8/8/RN1K1N2 w - - 0 1";
  // e-pawn may advance or take on d5 or, en passant, f6; the d-pawn is pinned.
  const char *pawns = "4k3/8/8/3pPp2/8/8/8/4K3 w - f6 0 1";
  const char *promotions = "5r1k/4P3/8/8/8/8/8/4K3 w - - 0 1";
  const char *castles = "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1";
  const char *pinned = "4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1";
  const Case cases[] = {
      {start, "e4", "e2e4"},
      {start, "Nf3", "g1f3"},
      {start, "Nf3!?", "g1f3"},
      {start, "Pe4", "e2e4"},
      {start, "e2e4", "e2e4"},
      {start, "g1f3", "g1f3"},  // coordinates name any piece
      {start, "Ke2", "-"},      // no legal move fits
      {start, "Nd2", "-"},
      {start, "e5", "-"},
      {twins, "Nd2", "-"},  // two fit
      {twins, "Nbd2", "b1d2"},
      {twins, "Nfd2", "f1d2"},
      {twins, "Nb1d2", "b1d2"},
      {twins, "Nb1-d2", "b1d2"},
      {twins, "Ra3", "-"},
      {twins, "R1a3", "a1a3"},
      {twins, "R5a3", "a5a3"},
      {twins, "Rxa3", "-"},  // a capture mark where nothing is taken
      {pawns, "e6", "e5e6"},
      {pawns, "exd6", "-"},     // no en passant on d6
      {pawns, "exf6", "e5f6"},  // en passant
      {pawns, "ef6", "e5f6"},
      {pawns, "f6", "-"},  // a pawn's capture names its file
      {pawns, "Kd2", "e1d2"},
      {promotions, "e8=Q", "e7e8q"},
      {promotions, "e8Q", "e7e8q"},
      {promotions, "e8", "e7e8q"},
      {promotions, "e8=N", "e7e8n"},
      {promotions, "e8=R+", "e7e8r"},
      {promotions, "e8=B", "e7e8b"},
      {promotions, "exf8=Q#", "e7f8q"},
      {promotions, "exf8=N", "e7f8n"},
      {promotions, "e7e8n", "e7e8n"},
      {promotions, "e7e8", "e7e8q"},
      {promotions, "e8=K", "-"},
      {promotions, "Ke8=Q", "-"},
      {castles, "O-O", "e1g1"},
      {castles, "0-0", "e1g1"},
      {castles, "O-O-O", "e1c1"},
      {castles, "0-0-0+", "e1c1"},
      {start, "O-O", "-"},
      {pinned, "Nc3", "-"},  // the knight shields its king
      {pinned, "Kd1", "e1d1"},
      {start, "", "-"},
      {start, "+", "-"},
      {start, "Z9", "-"},
      {start, "e9", "-"},
      {start, "Nf3f3", "-"},
      {start, "=Q", "-"},
      {start, "e2e4e6", "-"},
      {start, "e4 ", "-"},
      {start, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "-"},
  };
  for (const Case &c : cases) {
    const Position p = from_fen(c.fen);
    EXPECT_EQ(read(p.cb, c.text), c.expected) << c.fen << " \"" << c.text << "\"";
  }
}

TEST(San, WritesWhatATestSuiteWrites) {
  struct Case {
    const char *fen, *coords, *san;
  };
  const Case cases[] = {
      {"4k3/8/8/R7/8/8/8/RN1K1N2 w - - 0 1", "b1d2", "Nbd2"},
      {"4k3/8/8/R7/8/8/8/RN1K1N2 w - - 0 1", "a5a3", "R5a3"},
      {"4k3/8/8/R7/8/8/8/RN1K1N2 w - - 0 1", "a5b5", "Rb5"},
      // Three queens on one square's lines: file and rank both.
      {"6k1/8/8/8/Q2Q4/8/8/Q6K w - - 0 1", "a4d1", "Qa4d1"},
      {"6k1/8/8/8/Q2Q4/8/8/Q6K w - - 0 1", "d4d1", "Qdd1"},
      {"6k1/8/8/8/Q2Q4/8/8/Q6K w - - 0 1", "a1d1", "Q1d1"},
      {"4k3/8/8/3pPp2/8/8/8/4K3 w - f6 0 1", "e5f6", "exf6"},
      {"r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5Q2/PPPP1PPP/RNB1K1NR w KQkq - 4 4", "f3f7", "Qxf7#"},
      {"r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5Q2/PPPP1PPP/RNB1K1NR w KQkq - 4 4", "c4f7", "Bxf7+"},
      {"5r1k/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7f8q", "exf8=Q+"},
      {"5r1k/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8n", "e8=N"},
      {"r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R b KQkq - 0 1", "e8c8", "O-O-O"},
      {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", "d1d8", "Rd8#"},
  };
  for (const Case &c : cases) {
    const Position p = from_fen(c.fen);
    EXPECT_EQ(written(p.cb, c.coords), c.san) << c.fen << " " << c.coords;
  }
}

TEST(San, EveryLegalMoveOfRandomGamesReadsBackFromItsSan) {
  std::mt19937 random(2024);
  int positions = 0;
  for (int game = 0; game < 10; ++game) {
    Position p = from_fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    for (int ply = 0; ply < 90; ++ply) {
      LegalMove list[MAX_LEGAL_MOVES];
      const int count = legal_moves(p.cb, list);
      if (count == 0) break;
      ++positions;
      std::set<std::string> texts;
      for (int i = 0; i < count; ++i) {
        char text[16];
        ASSERT_GT(move_to_san(p.cb, list[i], text, sizeof text), 0);
        EXPECT_TRUE(texts.insert(text).second) << "two moves written " << text;
        LegalMove back{};
        const char *why = nullptr;
        ASSERT_TRUE(san_to_move(p.cb, text, back, why)) << text << ": " << why;
        EXPECT_EQ(coordinates(back), coordinates(list[i])) << text;
        // The Move word names the same move again.
        LegalMove named{};
        ASSERT_TRUE(legal_move_of_word(p.cb, legal_move_word(list[i]), named)) << text;
        EXPECT_EQ(coordinates(named), coordinates(list[i]));
      }
      // On with a random legal move.
      const LegalMove &m = list[random() % unsigned(count)];
      play_move(p.cb, legal_move_word(m));
    }
  }
  EXPECT_GT(positions, 500);
}
