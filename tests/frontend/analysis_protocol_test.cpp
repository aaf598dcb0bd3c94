// Analysis requests as a GUI sends them: several lines (MultiPV), a root
// restricted to listed moves ("go searchmoves"), and a mate search ("go
// mate N"). Every case runs the engine through its pipes, several lines
// set with the MultiPV option as a GUI sets them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "board/chess_cb.h"
#include "support/engine_process.h"

namespace {

using Lines = std::vector<std::string>;

// One "info" line with a pv, read into the fields the cases look at.
struct Info {
  int depth = 0, multipv = 0, score = 0;  // score: centipawns, a mate as +-100000 less its distance
  std::string first_move;
};

bool read_info(const std::string &line, Info &info) {
  if (line.rfind("info depth ", 0) != 0) return false;
  std::istringstream words(line);
  std::string word;
  while (words >> word) {
    if (word == "depth") words >> info.depth;
    if (word == "multipv") words >> info.multipv;
    if (word == "cp") words >> info.score;
    if (word == "mate") {
      int n = 0;
      words >> n;
      info.score = n > 0 ? 100000 - n : -100000 - n;
    }
    if (word == "pv") words >> info.first_move;
  }
  return true;
}

struct Case {
  const char *name;
  int multipv;  // the MultiPV option; above 1 it is set before the position
  const char *fen;
  std::string go;    // the "go" line; empty: "go depth" with depth
  int depth;         // "go depth" when go is empty
  Lines allowed;     // every pv and the bestmove begin with one of these; empty: any move
  const char *best;  // the move to play; nullptr: any
  int lines;         // lines per depth when multipv is above 1
  bool info_string;  // an "info string" says the list was of no use
  int last_depth;    // the deepest reported depth; 0: not checked
  bool mates;        // the last report is a mate for the side to move
};

const char *const kThreeCaptures = "6k1/3n1p1p/6pr/q7/8/1N5P/5PP1/2BR2K1 w - - 0 1";  // Nxa5, Bxh6, Rxd7
const char *const kFiveMoves = "7k/8/8/8/8/8/P7/7K w - - 0 1";  // Kg1 Kg2 Kh2 a3 a4
const char *const kMateInTwo = "r5k1/5ppp/8/8/8/8/3R1PPP/3R2K1 w - - 0 1";  // Rd8+ Rxd8 Rxd8#
const char *const kPromotion = "8/1P6/8/8/8/8/8/k6K w - - 0 1";

const Case kCases[] = {
    {"three lines", 3, kThreeCaptures, "", 4, {}, "b3a5", 3, false, 4, false},
    {"more lines than moves", 10, kFiveMoves, "", 4, {}, nullptr, 5, false, 4, false},
    {"one line has no rank", 1, kThreeCaptures, "go depth 3", 0, {}, "b3a5", 0, false, 3, false},
    {"searchmoves", 1, kThreeCaptures, "go depth 3 searchmoves d1d7 c1h6", 0, {"d1d7", "c1h6"}, nullptr, 0, false,
     3, false},
    {"searchmoves before a limit", 1, kThreeCaptures, "go searchmoves d1d7 depth 3", 0, {"d1d7"}, nullptr, 0, false,
     3, false},
    {"an illegal move ignored", 1, kThreeCaptures, "go searchmoves a5a4 b3c6 xyz d1d7 depth 3", 0, {"d1d7"},
     nullptr, 0, false, 3, false},
    {"none legal: every move", 1, kThreeCaptures, "go depth 3 searchmoves a5a4 e2e4", 0, {}, "b3a5", 0, true, 3,
     false},
    {"a knight promotion", 1, kPromotion, "go depth 3 searchmoves b7b8n", 0, {"b7b8n"}, nullptr, 0, false, 3,
     false},
    {"mate in two found", 1, kMateInTwo, "go mate 2", 0, {}, "d2d8", 0, false, 4, true},
    {"mate limit with more moves", 1, kMateInTwo, "go mate 5", 0, {}, "d2d8", 0, false, 4, true},
    {"no mate in one: depth 2", 1, kMateInTwo, "go mate 1", 0, {}, nullptr, 0, false, 2, false},
};

// The engine through its pipes: the position, the "go", its answer, "quit".
Lines run_engine(const Case &c) {
  TempDir dir;
  EngineProcess engine(dir.path());
  engine.send("uci");
  if (c.multipv > 1) engine.send("setoption name MultiPV value " + std::to_string(c.multipv));
  engine.send(std::string("position fen ") + c.fen);
  engine.send(!c.go.empty() ? c.go : "go depth " + std::to_string(c.depth));
  Lines out = engine.read_until("bestmove");
  engine.send("quit");
  EXPECT_EQ(engine.wait_exit(), 0);
  return out;
}

}  // namespace

TEST(Analysis, LinesRestrictedRootsAndMateSearches) {
  for (const Case &c : kCases) {
    SCOPED_TRACE(c.name);
    const Lines out = run_engine(c);
    ASSERT_FALSE(out.empty());
    ASSERT_EQ(out.back().rfind("bestmove ", 0), 0u) << out.back();
    const std::string best = out.back().substr(9);
    const auto allowed = [&](const std::string &move) {
      return c.allowed.empty() || std::find(c.allowed.begin(), c.allowed.end(), move) != c.allowed.end();
    };
    EXPECT_TRUE(allowed(best)) << best;
    if (c.best != nullptr) {
      EXPECT_EQ(best, c.best);
    }
    EXPECT_EQ(std::count_if(out.begin(), out.end(),
                            [](const std::string &l) { return l.rfind("info string ", 0) == 0; }),
              c.info_string ? 1 : 0);

    // Depth by depth: the ranks 1..lines in order, each line's own first
    // move, scores never rising; line 1 is the move played.
    std::map<int, std::vector<Info>> by_depth;
    Info last;
    for (const std::string &line : out) {
      Info info;
      if (!read_info(line, info)) continue;
      EXPECT_TRUE(allowed(info.first_move)) << line;
      EXPECT_EQ(info.multipv == 0, c.multipv == 1) << line;
      by_depth[info.depth].push_back(info);
      last = info;
    }
    ASSERT_FALSE(by_depth.empty());
    if (c.last_depth != 0) {
      EXPECT_EQ(by_depth.rbegin()->first, c.last_depth);
    }
    EXPECT_EQ(last.score > 90000, c.mates) << last.score;
    if (c.multipv == 1) continue;
    for (const auto &[depth, infos] : by_depth) {
      SCOPED_TRACE("depth " + std::to_string(depth));
      ASSERT_EQ(int(infos.size()), c.lines);
      for (int k = 0; k < c.lines; ++k) {
        EXPECT_EQ(infos[size_t(k)].multipv, k + 1);
        for (int j = 0; j < k; ++j) EXPECT_NE(infos[size_t(j)].first_move, infos[size_t(k)].first_move);
        if (k > 0) {
          EXPECT_LE(infos[size_t(k)].score, infos[size_t(k - 1)].score);
        }
      }
    }
    EXPECT_EQ(by_depth.rbegin()->second.front().first_move, best);
  }
}
