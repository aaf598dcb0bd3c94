// velkor-tool's move generator commands, run as the separate program that
// other programs compare against.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/tool_run.h"

namespace {

std::string last_line(const std::string &text) {
  const std::vector<std::string> all = complete_lines(text);
  return all.empty() ? "" : all.back();
}

}  // namespace

TEST(ToolPerft, StartPositionDepthsOneToFive) {
  const char *expected[] = {"20", "400", "8902", "197281", "4865609"};
  for (int depth = 1; depth <= 5; ++depth) {
    const ToolRun r = run_tool("perft " + std::to_string(depth));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(last_line(r.out), expected[depth - 1]) << "depth " << depth;
  }
  EXPECT_EQ(last_line(run_tool("perft 0").out), "1");
  EXPECT_EQ(last_line(run_tool("perft 2 ''").out), "400");  // empty list: start position
}

// Counts under this engine's rules (queen and knight promotions only,
// castling refused when the rook's corner or the b-file square is attacked,
// a rook leaving the a- or h-file costs that right), obtained independently
// from stockfish's move lists with those rules applied
// (differential_stockfish.py --reference-perft); they agree at depth 4 too.
TEST(ToolPerft, PositionsWithPromotionsEnPassantAndCastling) {
  struct Case {
    const char *name;
    const char *moves;
    const char *count;  // depth 3
  };
  const Case cases[] = {
      {"pawn on b7 promotes by push and capture", "a2a4 b7b5 a4b5 a7a6 b5a6 c8b7 a6b7 b8c6", "23699"},
      {"white takes en passant on f6", "e2e4 d7d5 e4e5 f7f5", "21637"},
      {"black takes en passant on c3", "e2e4 d7d5 e4e5 d5d4 c2c4", "22948"},
      {"both sides may castle both ways",
       "e2e4 e7e5 g1f3 g8f6 f1c4 f8c5 d2d3 d7d6 c1g5 c8g4 b1c3 b8c6 d1d2 d8d7", "80730"},
      {"h1 attacked: no short castling", "g2g4 b7b6 e2e3 c8b7 f1e2 e7e6 g1h3 a7a6", "24900"},
      {"b1 attacked: no long castling", "b1c3 b8c6 d2d4 c6a5 c1f4 a5c4 d1d3 c4a3", "43484"},
      {"h-rook passed through the a-file",
       "h2h4 g7g6 h1h3 h7h6 h3a3 b8a6 a3e3 e7e6 e3g3 d7d5 a2a3 g8e7 c2c4 h8h7 d2d4 h7g7 g3d3 a6b4 d3f3 "
       "g7g8 d1c2 g8g7 b1c3 d8d6 c1f4 e7f5",
       "72106"},
  };
  for (const Case &c : cases) {
    const ToolRun r = run_tool(std::string("perft 3 '") + c.moves + "'");
    EXPECT_EQ(r.status, 0) << c.name;
    EXPECT_EQ(last_line(r.out), c.count) << c.name;
  }
}

TEST(ToolDivide, PerMoveCountsThenTotal) {
  const ToolRun r = run_tool("divide 2 'e2e4 d7d5 e4e5 f7f5'");
  ASSERT_EQ(r.status, 0);
  const std::vector<std::string> out = complete_lines(r.out);
  ASSERT_FALSE(out.empty());
  long sum = 0;
  bool saw_en_passant = false;
  for (size_t i = 0; i + 1 < out.size(); ++i) {
    const size_t colon = out[i].find(": ");
    ASSERT_NE(colon, std::string::npos) << out[i];
    sum += std::stol(out[i].substr(colon + 2));
    if (out[i].compare(0, colon, "e5f6") == 0) saw_en_passant = true;
  }
  EXPECT_TRUE(saw_en_passant);
  EXPECT_EQ(std::to_string(sum), out.back());
  EXPECT_EQ(last_line(run_tool("perft 2 'e2e4 d7d5 e4e5 f7f5'").out), out.back());
}

TEST(ToolMoves, ListOrderKindsAndPromotionLetters) {
  const ToolRun start = run_tool("moves");
  ASSERT_EQ(start.status, 0);
  const std::vector<std::string> first = complete_lines(start.out);
  ASSERT_EQ(first.size(), 20u);
  EXPECT_EQ(first[0], "b1a3 0 0");
  EXPECT_EQ(first[12], "e2e4 11 0");

  const std::vector<std::string> promo =
      complete_lines(run_tool("moves 'a2a4 b7b5 a4b5 a7a6 b5a6 c8b7 a6b7 b8c6'").out);
  std::vector<std::string> from_b7;
  for (const std::string &l : promo)
    if (l.compare(0, 2, "b7") == 0) from_b7.push_back(l);
  EXPECT_EQ(from_b7, (std::vector<std::string>{"b7b8q 5 1", "b7b8n 2 1", "b7a8q 5 1", "b7a8n 2 1"}));
}

TEST(ToolCaptures, MoveAndScorePerLine) {
  EXPECT_EQ(run_tool("captures 'e2e4 d7d5'").out, "e4d5 0\n");
  EXPECT_EQ(run_tool("captures").out, "");
}

TEST(ToolArguments, BadArgumentsGiveStatusTwo) {
  const char *bad[] = {"perft",    "perft x", "perft -1",  "perft 13",     "perft 2x",        "perft 1 a b",
                       "divide 0", "divide",  "moves a b", "captures a b", "no-such-command", ""};
  for (const char *args : bad) {
    const ToolRun r = run_tool(args);
    EXPECT_EQ(r.status, 2) << "'" << args << "'";
    EXPECT_EQ(r.out, "") << "'" << args << "'";
  }
}
