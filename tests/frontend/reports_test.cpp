// The "info" and "bestmove" lines, captured from the engine's standard output.
#include <gtest/gtest.h>

#include <string>

#include "frontend/reports.h"
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

std::string info(int depth, int score, const tagLINE &line, int time, uint32_t nodes, int iteration_depth) {
  testing::internal::CaptureStdout();
  UCI_sendinfos(depth, score, line, time, nodes, iteration_depth);
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
    int iteration;
    const char *want;
  } cases[] = {
      // The shown depth is the greater of the line's length and the pass's.
      {3, 25, three, 1500, 30000, 5,
       "info depth 5 score cp 25 pv e2e4 e7e5 g1f3 time 1500 nodes 30000 nps 20000\n"},
      {4, -12, four, 1000, 7, 2,
       "info depth 4 score cp -12 pv e2e4 e7e5 g1f3 b8c6 time 1000 nodes 7 nps 7\n"},
      // No time elapsed: no speed rather than a division by zero.
      {3, 0, three, 0, 12345, 3, "info depth 3 score cp 0 pv e2e4 e7e5 g1f3 time 0 nodes 12345 nps 0\n"},
      // The speed's product is formed wide: 4e9 evaluations in 2 s.
      {3, 0, three, 2000, 4000000000u, 3,
       "info depth 3 score cp 0 pv e2e4 e7e5 g1f3 time 2000 nodes 4000000000 nps 2000000000\n"},
      // Mates go out in the protocol's form with the distance from the line:
      // n / 2 + 1 moves when the engine mates, n / 2 when it is mated.
      {3, 30000, three, 10, 5, 4, "info depth 4 score mate 2 pv e2e4 e7e5 g1f3 time 10 nodes 5 nps 500\n"},
      {4, -30000, four, 10, 5, 5,
       "info depth 5 score mate -2 pv e2e4 e7e5 g1f3 b8c6 time 10 nodes 5 nps 500\n"},
      {0, 30000, none, 1, 1, 2, "info depth 2 score mate 1 pv  time 1 nodes 1 nps 1000\n"},
      {3, 29999, three, 1, 1, 3, "info depth 3 score cp 29999 pv e2e4 e7e5 g1f3 time 1 nodes 1 nps 1000\n"},
      {3, -29999, three, 1, 1, 3, "info depth 3 score cp -29999 pv e2e4 e7e5 g1f3 time 1 nodes 1 nps 1000\n"},
  };
  for (const Case &c : cases) EXPECT_EQ(info(c.depth, c.score, c.line, c.time, c.nodes, c.iteration), c.want);
}

TEST(SearchReport, LongLineIsCutAfterTheLastWholeMoveThatFits) {
  // 255 moves would take 1274 characters; 51 whole moves fit in 255.
  tagLINE line{};
  line.length = 255;
  for (int i = 0; i < 255; ++i) {
    line.from[i] = uint8_t(i % 2 ? sq("g8") : sq("g1"));
    line.to[i] = uint8_t(i % 2 ? sq("f6") : sq("f3"));
  }
  const std::string text = info(255, 30000, line, 5, 5, 9);
  const size_t pv = text.find(" pv ") + 4, time = text.find(" time ");
  ASSERT_NE(time, std::string::npos) << text;
  const std::string moves = text.substr(pv, time - pv);
  EXPECT_EQ(moves.size(), 51u * 5 - 1) << moves;
  EXPECT_EQ(moves.substr(moves.size() - 5), " g1f3") << "ends on a whole move";
  EXPECT_EQ(text.substr(0, 33), "info depth 255 score mate 128 pv ") << text;  // 255 / 2 + 1
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
