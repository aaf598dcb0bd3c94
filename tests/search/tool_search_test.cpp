// velkor-tool search, driven through a pipe as a script would use it.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "support/tool_run.h"

TEST(ToolSearch, PrintsScoreMoveEvaluationsAndLine) {
  struct Case {
    std::string args;
    const char *pattern;
  } cases[] = {
      {"search 2 'e2e4 e7e5 g1f3 d7d6 f1c4 c8g4 b1c3 g7g6 f3e5 g4d1 c4f7 e8e7'",
       "score 60000 move c3d5 evals [1-9][0-9]* pv c3d5\n"},
      {"search 2 'f2f3 e7e5 g2g4'", "score 0 move d8h4 evals [1-9][0-9]* pv d8h4\n"},
      // Checkmated, stalemated: no move, the bare score, an empty line.
      {"search 3 'f2f3 e7e5 g2g4 d8h4'", "score 0 move 0000 evals 0 pv\n"},
      {"search 3 'e2e4 e7e5 f1c4 b8c6 d1h5 g8f6 h5f7'", "score 60000 move 0000 evals 0 pv\n"},
      {"search 3", "score [0-9]+ move [a-h][1-8][a-h][1-8] evals [1-9][0-9]* pv( [a-h][1-8][a-h][1-8])+\n"},
  };
  for (const auto &c : cases) {
    const ToolRun run = run_tool(c.args);
    EXPECT_EQ(run.status, 0) << c.args;
    EXPECT_TRUE(std::regex_match(run.out, std::regex(c.pattern))) << c.args << " printed " << run.out;
  }
}

TEST(ToolSearch, RejectsBadArguments) {
  for (const char *args :
       {"search", "search 0", "search 65 ''", "search x ''", "search 2 '' extra", "bench 3"}) {
    const ToolRun run = run_tool(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_EQ(run.out, "") << args;
  }
}
