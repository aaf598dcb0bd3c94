// The "info" and "bestmove" lines, captured from the engine's standard output.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "board/game_move.h"
#include "frontend/reports.h"
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
