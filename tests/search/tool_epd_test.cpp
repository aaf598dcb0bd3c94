// velkor-tool epd: the engine's search over a test suite, judged by the
// records' "bm" and "am", with malformed records reported and skipped.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/tool_run.h"

namespace {

struct EpdRun {
  int status;
  std::vector<std::string> lines;  // standard output, times cut off
};

EpdRun run_epd(const std::string &args) {
  const ToolRun run = run_tool("epd " + args);
  EpdRun epd{run.status, {}};
  const std::regex time(" [0-9]+ ms$");
  for (const std::string &line : complete_lines(run.out))
    epd.lines.push_back(std::regex_replace(line, time, ""));
  return epd;
}

}  // namespace

TEST(ToolEpd, JudgesEachRecordAndSkipsMalformedOnes) {
  TempDir dir;
  dir.write_file("suite.epd",
                 "# a comment line, then a blank one\n"
                 "\n"
                 "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - bm Rd8#; id \"back rank\";\n"
                 "3r2k1/3r1ppp/8/8/8/8/5PPP/R5K1 b - - bm Rd1+; id \"doubled rooks\";\r\n"
                 "7k/1P6/6K1/8/8/8/8/8 w - - bm b8=Q# b8=R#; c0 \"two mates\"; id \"promotion\";\n"
                 "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5Q2/PPPP1PPP/RNB1K1NR w KQkq - hmvc 4; fmvn 4; bm Qxf7#; "
                 "id \"scholar\";\n"
                 // The engine's move judged wrong: it mates, and the record
                 // wants another move, or says to avoid the mate.
                 "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - bm g3; id \"wrong bm\";\n"
                 "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - am Rd8#; id \"mate avoided\";\n"
                 "4k3/8/2p5/3p4/8/8/8/3QK3 w - - am Qxd5; id \"avoid\";\n"
                 // Malformed.
                 "8/8/8/8 w\n"
                 "9/8/8/8/8/8/8/8 w - - bm e4; id \"bad fen\";\n"
                 "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - id \"no ops\";\n"
                 "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - bm Ke2; id \"illegal\";\n"
                 "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - bm N3; id \"not a move\";\n"
                 "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - bm; id \"empty\";\n"
                 "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - bm e4; id \"open;\n"
                 "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - fmvn x; bm e4; id \"count\";\n"
                 "6k1/5ppp/8/8/8/8/8/R3K3 w - - bm Ra8#; id \"one more after the bad ones\";\n");
  const EpdRun run = run_epd(shell_quoted(dir.file("suite.epd")) + " --depth 4");
  EXPECT_EQ(run.status, 0);
  const std::vector<std::string> expected = {
      "back rank: bm Rd8# found Rd8# pass",
      "doubled rooks: bm Rd1+ found Rd1+ pass",
      "promotion: bm b8=Q# b8=R# found b8=Q# pass",
      "scholar: bm Qxf7# found Qxf7# pass",
      "wrong bm: bm g3 found Rd8# fail",
      "mate avoided: am Rd8# found Rd8# fail",
      "avoid: am Qxd5 found Kf2 pass",
      "line 10: skipped: fewer than four fields",
      "bad fen: skipped: invalid FEN: piece placement: '9' is neither a piece letter nor a digit 1 to 8",
      "no ops: skipped: no bm or am",
      "illegal: skipped: \"Ke2\": no legal move fits",
      "not a move: skipped: \"N3\": not a move",
      "empty: skipped: bm without a move",
      "line 16: skipped: a quote is never closed",
      "count: skipped: fmvn is not a count",
      "one more after the bad ones: bm Ra8# found Ra8# pass",
      "solved 6 of 8",
  };
  EXPECT_EQ(run.lines, expected);
}

TEST(ToolEpd, ArgumentsAreChecked) {
  TempDir dir;
  dir.write_file("one.epd", "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - bm Rd8#;\n");
  const std::string file = shell_quoted(dir.file("one.epd"));
  struct Case {
    std::string args;
    int status;
  };
  const Case cases[] = {
      {"", 2},
      {file + " --depth", 2},
      {file + " --depth 0", 2},
      {file + " --depth 65", 2},
      {file + " --depth x", 2},
      {file + " --movetime -5", 2},
      {file + " --nodes 5", 2},
      {file + " --depth 2 --movetime 50", 2},
      {shell_quoted(dir.file("missing.epd")), 1},
      {file + " --movetime 50", 0},
      {file + " --depth 2", 0},
  };
  for (const Case &c : cases) EXPECT_EQ(run_epd(c.args).status, c.status) << c.args;
  EXPECT_EQ(run_epd(file + " --depth 2").lines,
            (std::vector<std::string>{"line 1: bm Rd8# found Rd8# pass", "solved 1 of 1"}));
}
