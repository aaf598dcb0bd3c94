// The "info" and "bestmove" lines, captured from the engine's standard output.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "board/game_move.h"
#include "frontend/engine_options.h"
#include "frontend/game_history.h"
#include "frontend/reports.h"
#include "notation/fen.h"
#include "notation/position.h"
#include "notation/san.h"
#include "search/think.h"
#include "search/time_control.h"
#include "search/alpha_beta.h"
#include "search/search_test_support.h"

namespace {

tagLINE line_of(const std::vector<std::string> &moves) {
  tagLINE line{};
  for (const std::string &m : moves) {
    line.from[line.length] = uint8_t(sq(m.c_str()));
    line.to[line.length] = uint8_t(sq(m.c_str() + 2));
    ++line.length;
  }
  return line;
}

// The report of a pass on the board (the start position unless given),
// whose kept move is the line's first unless played says otherwise.
std::string info(int depth, int score, const tagLINE &line, int time, uint32_t nodes, const Board *board = nullptr,
                 const char *played = nullptr, int mate_moves = 0, int hashfull = -1) {
  const Board b = board != nullptr ? *board : board_from_moves("");
  uint32_t move = 0;
  if (played != nullptr)
    move = move_word(sq(played), sq(played + 2));
  else if (line.length > 0)
    move = move_word(line.from[0], line.to[0]);
  ThinkReport r{depth, score, &line, time, nodes, move, 0};
  r.mate_moves = mate_moves;
  r.hashfull = hashfull;
  testing::internal::CaptureStdout();
  UCI_sendinfos(b.data(), r);
  return testing::internal::GetCapturedStdout();
}

std::string bestmove(int from, int to, uint8_t flag) {
  testing::internal::CaptureStdout();
  UCI_sendmove(uint8_t(from), uint8_t(to), flag);
  return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(SearchReport, InfoLineFields) {
  const tagLINE three = line_of({"e2e4", "e7e5", "g1f3"});
  const tagLINE four = line_of({"e2e4", "e7e5", "g1f3", "b8c6"});
  const tagLINE none{};
  struct Case {
    int depth, score;
    const tagLINE &line;
    int time;
    uint32_t nodes;
    const char *want;
  } cases[] = {
      // "depth" is the pass's; a longer line shows as "seldepth"; pv last.
      {5, 25, three, 1500, 30000, "info depth 5 score cp 25 time 1500 nodes 30000 nps 20000 pv e2e4 e7e5 g1f3\n"},
      {2, -12, four, 1000, 7, "info depth 2 seldepth 4 score cp -12 time 1000 nodes 7 nps 7 pv e2e4 e7e5 g1f3 b8c6\n"},
      // No time elapsed: no speed rather than a division by zero.
      {3, 0, three, 0, 12345, "info depth 3 score cp 0 time 0 nodes 12345 nps 0 pv e2e4 e7e5 g1f3\n"},
      // The speed's product is formed wide: 4e9 evaluations in 2 s.
      {3, 0, three, 2000, 4000000000u,
       "info depth 3 score cp 0 time 2000 nodes 4000000000 nps 2000000000 pv e2e4 e7e5 g1f3\n"},
      // Mates go out in the protocol's form with the distance from the line:
      // n / 2 + 1 moves when the engine mates, n / 2 when it is mated.
      {4, 30000, three, 10, 5, "info depth 4 score mate 2 time 10 nodes 5 nps 500 pv e2e4 e7e5 g1f3\n"},
      {5, -30000, four, 10, 5, "info depth 5 score mate -2 time 10 nodes 5 nps 500 pv e2e4 e7e5 g1f3 b8c6\n"},
      // Nothing to show: no "pv" word, and never "mate -0".
      {2, 30000, none, 1, 1, "info depth 2 score mate 1 time 1 nodes 1 nps 1000\n"},
      {2, -30000, none, 1, 1, "info depth 2 score mate -1 time 1 nodes 1 nps 1000\n"},
      {3, 29999, three, 1, 1, "info depth 3 score cp 29999 time 1 nodes 1 nps 1000 pv e2e4 e7e5 g1f3\n"},
  };
  for (const Case &c : cases) EXPECT_EQ(info(c.depth, c.score, c.line, c.time, c.nodes), c.want);
}

// A mate's distance, when the search knows it, is reported whatever the
// line's length; the table's fill stands before the line.
TEST(SearchReport, KnownMateDistanceAndHashfull) {
  const tagLINE one = line_of({"e2e4"});
  const tagLINE five = line_of({"e2e4", "e7e5", "g1f3", "b8c6", "f1c4"});
  struct Case {
    int score;
    const tagLINE &line;
    int mate_moves, hashfull;
    const char *want;
  } cases[] = {
      {30000, one, 3, -1, "info depth 6 score mate 3 time 9 nodes 9 nps 1000 pv e2e4\n"},
      {30000, five, 2, -1, "info depth 6 score mate 2 time 9 nodes 9 nps 1000 pv e2e4 e7e5 g1f3 b8c6 f1c4\n"},
      {-30000, one, 4, 0, "info depth 6 score mate -4 time 9 nodes 9 nps 1000 hashfull 0 pv e2e4\n"},
      {12, one, 5, 999, "info depth 6 score cp 12 time 9 nodes 9 nps 1000 hashfull 999 pv e2e4\n"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(info(6, c.score, c.line, 9, 9, nullptr, nullptr, c.mate_moves, c.hashfull), c.want);
}

// The line shown is the part of the search's line that is legal from the
// root: cut at the first move that is not, promotions with their letter, and
// beginning with the move the engine would play.
TEST(SearchReport, PrincipalVariationIsLegalFromTheRoot) {
  const Board promotion = board_from_moves("a2a4 h7h5 a4a5 h5h4 a5a6 h4h3 a6b7 h3g2");
  const Board mate = board_from_moves("f2f3 e7e5 g2g4");
  struct Case {
    const char *name;
    const Board *board;
    tagLINE line;
    const char *played;  // nullptr: the line's first move
    const char *pv;      // the text after " pv ", nullptr for none
  } cases[] = {
      {"a piece that is not there", nullptr, line_of({"e2e4", "e7e5", "e4e5", "g8f6"}), nullptr, "e2e4 e7e5"},
      {"a move of the wrong side", nullptr, line_of({"e2e4", "d2d4"}), nullptr, "e2e4"},
      {"promotions with their letter", &promotion, line_of({"b7a8", "g2h1"}), nullptr, "b7a8q g2h1q"},
      {"nothing after a mate", &mate, line_of({"d8h4", "e1f2", "h4f2"}), nullptr, "d8h4"},
      {"a line that does not begin with the move played", nullptr, line_of({"d2d4", "d7d5"}), "e2e4", "e2e4"},
      {"an illegal first move leaves no pv", nullptr, line_of({"e2e5"}), nullptr, nullptr},
  };
  for (const Case &c : cases) {
    const std::string text = info(3, 0, c.line, 1, 1, c.board, c.played);
    const size_t at = text.find(" pv ");
    if (c.pv == nullptr) {
      EXPECT_EQ(at, std::string::npos) << c.name << ": " << text;
      continue;
    }
    ASSERT_NE(at, std::string::npos) << c.name << ": " << text;
    EXPECT_EQ(text.substr(at + 4), std::string(c.pv) + "\n") << c.name;
  }
}

TEST(SearchReport, LongLineIsCutAfterTheLastWholeMoveThatFits) {
  // Knights out and back: legal for ever. 255 moves would take 1274
  // characters; 51 whole moves fit in 255.
  static const char *const shuffle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  tagLINE line{};
  line.length = 255;
  for (int i = 0; i < 255; ++i) {
    line.from[i] = uint8_t(sq(shuffle[i % 4]));
    line.to[i] = uint8_t(sq(shuffle[i % 4] + 2));
  }
  const std::string text = info(9, 30000, line, 5, 5);
  const size_t pv = text.find(" pv ") + 4;
  const std::string moves = text.substr(pv, text.size() - 1 - pv);
  EXPECT_EQ(moves.size(), 51u * 5 - 1) << moves;
  EXPECT_EQ(moves.substr(moves.size() - 5), " f3g1") << "ends on a whole move";
  EXPECT_EQ(text.substr(0, 39), "info depth 9 seldepth 255 score mate 12") << text;  // 255 / 2 + 1
  EXPECT_EQ(text.back(), '\n');
}

// A game as the command loop replays it: a FEN (nullptr: the start
// position) and the moves after it, with its positions since the last
// capture or pawn move.
struct ReplayedGame {
  Board board{};
  GameHistory history{};
};

ReplayedGame replayed(const char *fen, const char *moves, uint8_t rules) {
  ReplayedGame g;
  int clock = 0;
  start_position(g.board.data());
  if (fen != nullptr) {
    FenSetup setup;
    EXPECT_TRUE(load_position_fen(g.board.data(), fen, setup, rules)) << fen << ": " << setup.reason;
    clock = setup.halfmove_clock;
  }
  history_start(g.history, g.board.data(), clock);
  const ReplayListener listener{[](void *history, const uint8_t *cb, bool resets) {
                                  history_move(*static_cast<GameHistory *>(history), cb, resets);
                                },
                                &g.history};
  load_position_txt2(g.board.data(), moves, nullptr, &listener);
  return g;
}

tagLINE line_of_text(const std::string &text) {
  std::istringstream words(text);
  std::vector<std::string> moves;
  for (std::string w; words >> w;) moves.push_back(w);
  return line_of(moves);
}

// A line reported in a game ends at the move with which the game would end:
// a position standing for the third time, counting the game's positions
// since its last capture or pawn move and the line's own, or the hundredth
// half-move without either. That move stays; "ponder" names the line's
// second move only when the cut line still has one.
TEST(SearchReport, LineEndsWhereTheGameWouldEnd) {
  const char *knights_out = "g1f3 g8f6 f3g1 f6g8";
  struct Case {
    const char *name;
    const char *fen;    // nullptr: the start position
    const char *moves;  // of the position line
    const char *line;   // the search's
    const char *shown;  // the pv reported
    uint8_t rules = RULES_STANDARD;
  } cases[] = {
      {"third start position with the line's first move", nullptr, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1",
       "f6g8 g1f3 g8f6", "f6g8"},
      {"third start position with the line's fourth move", nullptr, knights_out, "g1f3 g8f6 f3g1 f6g8 b1c3 b8c6",
       "g1f3 g8f6 f3g1 f6g8"},
      // Only the game's positions before its last move make the third.
      {"the game's earlier positions count", nullptr, "g1f3 g8f6 f3g1 f6g8 g1f3", "g8f6 f3g1 f6g8 g1f3 g8f6",
       "g8f6 f3g1 f6g8"},
      {"no repetition, nothing cut", nullptr, "e2e4", "e7e5 g1f3 b8c6 f1b5", "e7e5 g1f3 b8c6 f1b5"},
      // The same squares twice before and twice in the line, but the rooks'
      // trip cost the short castling rights: the second position of the
      // kind, not the third.
      {"castling rights that differ", nullptr, "g1f3 g8f6 h1g1 h8g8 g1h1 g8h8", "h1g1 h8g8 g1h1 g8h8 b1c3",
       "h1g1 h8g8 g1h1 g8h8 b1c3"},
      // After d7d5 the pawn on e5 may take en passant: that position is not
      // the one the knight's trips come back to.
      // Under Chess960 rules the rooks' trip costs the rights of rooks the
      // Polyglot key cannot name (not in a corner).
      {"Chess960 castling rights that differ", "1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 w GBgb - 0 1",
       "g1h1 g8h8 h1g1 h8g8", "g1h1 g8h8 h1g1 h8g8 e1d1", "g1h1 g8h8 h1g1 h8g8 e1d1", RULES_CHESS960},
      {"an en-passant capture that differs", "7k/3p4/8/4P3/8/8/8/K5N1 b - - 0 1", "d7d5 g1f3 h8g8 f3g1 g8h8",
       "g1f3 h8g8 f3g1 g8h8 a1b1", "g1f3 h8g8 f3g1 g8h8 a1b1"},
      // The pawn on e5 is pinned: taking en passant would open the fifth
      // rank to the rook, so the mark makes no other position.
      {"an en-passant mark without a legal capture", "7k/3p4/8/K3P2r/8/8/8/1N6 b - - 0 1",
       "d7d5 b1c3 h8g8 c3b1 g8h8", "b1c3 h8g8 c3b1 g8h8 b1c3", "b1c3 h8g8 c3b1 g8h8"},
      // The hundredth half-move without a capture or a pawn move.
      {"fifty moves from the FEN's clock of 97", "7k/8/8/8/8/8/8/K5N1 w - - 97 60", "", "g1f3 h8g8 f3g1 g8h8",
       "g1f3 h8g8 f3g1"},
      {"fifty moves from the FEN's clock and the moves after it", "7k/8/8/8/8/8/8/K5N1 w - - 95 60",
       "a1b1 h8g8", "g1f3 g8h8 f3g1 h8g8", "g1f3 g8h8 f3g1"},
      {"a capture starts the count afresh", "7k/8/8/8/8/5p2/8/K5N1 w - - 97 60", "", "g1f3 h8g8 f3g1 g8h8 g1f3",
       "g1f3 h8g8 f3g1 g8h8 g1f3"},
      {"a capture in the game starts it afresh", "7k/8/8/8/8/5p2/8/K5N1 w - - 97 60", "g1f3 h8g8",
       "f3g1 g8h8 g1f3 h8g8", "f3g1 g8h8 g1f3 h8g8"},
  };
  const bool ponder = g_options.ponder;
  g_options.ponder = true;
  for (const Case &c : cases) {
    const ReplayedGame g = replayed(c.fen, c.moves, c.rules);
    const tagLINE line = line_of_text(c.line);
    ThinkReport r{2, 10, &line, 1, 1, move_word(line.from[0], line.to[0]), 0};
    r.context = &g.history;
    testing::internal::CaptureStdout();
    UCI_sendinfos(g.board.data(), r);
    const std::string text = testing::internal::GetCapturedStdout();
    const size_t at = text.find(" pv ");
    ASSERT_NE(at, std::string::npos) << c.name << ": " << text;
    EXPECT_EQ(text.substr(at + 4), std::string(c.shown) + "\n") << c.name;
    // Only the text is cut: the line's length still reads as seldepth.
    EXPECT_NE(text.find(" seldepth " + std::to_string(line.length) + " "), std::string::npos) << c.name;

    testing::internal::CaptureStdout();
    send_result(g.board.data(), r.move, &line, &g.history);
    const std::string best = testing::internal::GetCapturedStdout();
    const std::string shown = c.shown;
    const size_t second = shown.find(' ');
    const std::string want = "bestmove " + shown.substr(0, second) +
                             (second == std::string::npos ? "" : " ponder " + shown.substr(second + 1, 4)) + "\n";
    EXPECT_EQ(best, want) << c.name;
  }
  g_options.ponder = ponder;
}

TEST(SearchReport, BestmoveCarriesThePromotionLetter) {
  EXPECT_EQ(bestmove(sq("e2"), sq("e4"), PROMO_NONE), "bestmove e2e4\n");
  EXPECT_EQ(bestmove(sq("a7"), sq("a8"), PROMO_QUEEN), "bestmove a7a8q\n");
  EXPECT_EQ(bestmove(sq("b2"), sq("b1"), PROMO_QUEEN), "bestmove b2b1q\n");
  // Front ends know a knight as "n".
  EXPECT_EQ(bestmove(sq("a7"), sq("a8"), PROMO_KNIGHT), "bestmove a7a8n\n");
  EXPECT_EQ(bestmove(0, 0, PROMO_NONE), "bestmove (none)\n");
}

// Searches of positions from seeded random games, reported as the engine
// reports them: every move of every "pv" is legal when the line is played
// from the root, "depth" is the pass's, and the last report begins with the
// move the search returns.
TEST(SearchReport, ReportedLinesOfManySearchesAreLegal) {
  std::mt19937 rng(15);
  int searches = 0, moves_checked = 0;
  while (searches < 200) {
    // A random game of 4 to 60 plies; positions without a move are skipped.
    Board b = board_from_moves("");
    int plies = 4 + int(rng() % 57), played = 0;
    for (; played < plies; ++played) {
      LegalMove list[MAX_LEGAL_MOVES];
      const int n = legal_moves(b.data(), list);
      if (n == 0) break;
      play_move(b.data(), legal_move_word(list[rng() % n]));
    }
    LegalMove list[MAX_LEGAL_MOVES];
    if (legal_moves(b.data(), list) == 0) continue;
    ++searches;

    ThinkRequest request{};
    start_clock(request.clock);
    request.phase = get_game_position(b.data(), played / 2);
    request.budget_ms = NO_CLOCK_BUDGET;
    request.limits = SearchLimits{3 + int(rng() % 2), -1};
    request.report = UCI_sendinfos;
    testing::internal::CaptureStdout();
    const ThinkResult result = think(b.data(), request);
    const std::string out = testing::internal::GetCapturedStdout();

    std::istringstream lines(out);
    std::string line, last;
    int expected_depth = SEARCH_FIRST_DEPTH;
    while (std::getline(lines, line)) {
      last = line;
      EXPECT_EQ(info_depth(line), std::to_string(expected_depth++)) << line;
      const size_t at = line.find(" pv ");
      if (at == std::string::npos) continue;
      Board replay = b;
      std::istringstream words(line.substr(at + 4));
      for (std::string word; words >> word; ++moves_checked) {
        LegalMove m;
        const char *why = nullptr;
        ASSERT_TRUE(san_to_move(replay.data(), word.c_str(), m, why)) << word << " in " << line;
        play_move(replay.data(), legal_move_word(m));
      }
    }
    const std::string played_move = move_name(move_from(result.move), move_to(result.move));
    EXPECT_NE(last.find(" pv " + played_move), std::string::npos) << last;
  }
  EXPECT_GT(moves_checked, 600);
}
