// velkor-tool search and bench: one fixed-depth pass of the engine's search,
// asked of think as a single pass at that depth, with no time limit.
//
// The Zobrist keys come from the C runtime's unseeded rand, so a fresh
// process draws the same keys in the same order every time: a pass, and the
// bench's fixed sequence of passes, is reproducible run after run, and the
// bench's total evaluation count is the engine's behaviour signature.
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/chess_cb.h"
#include "search/think.h"
#include "search/time_control.h"
#include "tools/tool_common.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Pass {
  uint32_t result;  // Move word at the root
  int evaluations;
  double ms;
  const tagLINE *line;  // the principal variation
};

// One pass at the depth on a position set up from a move list, as think
// runs it for a single pass: phase as on "go", fresh table and keys,
// counter zeroed, root window of the side to move, no time limit.
Pass search_pass(const ToolPosition &pos, int depth) {
  start_timer();
  const Clock::time_point start = Clock::now();
  ThinkRequest request{};
  request.half_moves = pos.moves;
  request.budget_ms = NO_CLOCK_BUDGET;
  request.limits = SearchLimits{depth, -1};
  request.single_pass = true;
  const ThinkResult result = think(pos.cb, request);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  return {result.move, int(result.evaluations), ms, result.line};
}

std::string result_move(uint32_t result) {
  if (move_from(result) == 0 && move_to(result) == 0) return "0000";
  return move_text(move_from(result), move_to(result));
}

// Reads a whole decimal argument in [low, high]; false otherwise.
bool read_int(const char *text, int low, int high, int &value) {
  char *end = nullptr;
  const long n = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || n < low || n > high) return false;
  value = int(n);
  return true;
}

// Deepest pass the tools accept: the driver's own last depth.
constexpr int TOOL_MAX_DEPTH = 64;

struct BenchPosition {
  const char *name;
  int depth;
  const char *moves;
};

// Fixed order: the keys each pass draws depend on every pass before it.
const BenchPosition bench_positions[] = {
    {"start position", 7, ""},
    {"italian game, both sides may castle", 6, "e2e4 e7e5 g1f3 b8c6 f1c4 f8c5"},
    {"sicilian najdorf", 6, "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6"},
    {"queen's gambit declined, black castled", 6,
     "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1g5 f8e7 e2e3 e8g8 g1f3 b8d7"},
    {"white may take en passant on d6", 7, "e2e4 a7a6 e4e5 d7d5"},
    {"black may take en passant on e3", 6, "a2a3 d7d5 a3a4 d5d4 e2e4"},
    {"black to move, castling both ways open to both sides", 7,
     "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 d2d3 f8c5 b1c3 d7d6 c1g5 c8g4 d1d2 d8d7 h2h3"},
    {"legal's trap, mate in one", 6, "e2e4 e7e5 g1f3 d7d6 f1c4 c8g4 b1c3 g7g6 f3e5 g4d1 c4f7 e8e7"},
    {"fried liver, black king in the open", 7,
     "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 f3g5 d7d5 e4d5 f6d5 g5f7 e8f7 d1f3 f7e6 b1c3"},
    {"promotion race, both sides promote by capture", 7, "a2a4 h7h5 a4a5 h5h4 a5a6 h4h3 a6b7 h3g2"},
    {"knight and rooks, middle game", 8,
     "d2d4 d7d5 c2c4 e7e6 g1f3 d5c4 e2e4 b7b5 a2a4 f8b4 c1d2 b4d2 b1d2 c7c6 a4b5 g8f6 e4e5 "
     "f6d5 d2c4 e8g8 c4d6 c6b5 f1b5 a7a5 b5c4 d5b6 c4d3 c8a6 a1a5 b6c8 d6c4 c8b6 c4e3 a6b7 "
     "a5a8 b7a8 d3e2 b6d5 d1d2 d5f4 e1g1 f4e2 d2e2 a8f3 e2f3 d8d4 f3b7 d4c5 f1b1 c5c6 b7b4 "
     "f8c8 b2b3 b8d7 b4d4 h7h6 h2h4 c6b5 e3c4 c8c5 c4a3 b5b7 a3c4 b7b5 b1a1 b5b3 c4d6 b3d5 "
     "d4d5 c5d5"},
    {"queen and rooks, passed pawn on c6", 7,
     "d2d4 g8f6 c2c4 e7e6 g2g3 f8b4 b1d2 e8g8 a2a3 b4e7 f1g2 a7a5 b2b3 h7h6 c1b2 d7d5 d1c2 "
     "b8d7 g1h3 b7b6 e2e4 d5e4 d2e4 f6e4 g2e4 a8b8 e4c6 e6e5 e1c1 e5d4 d1d4 e7c5 d4d5 d8e7 "
     "h1d1 d7f6 d5e5 c8e6 a3a4 c5d6 e5e2 d6a3 c6d5 b6b5 a4b5 f6d5 c4d5 e6h3 e2e7 a3e7 c2c3 "
     "e7f6 c3c4 f6e7 g3g4 f8d8 d1g1 d8e8 g1g3 a5a4 b3a4 e7g5 c1d1 c7c5 d5c6 h3g2 g3g2 g5d8 "
     "g4g5 h6g5 d1c2 b8c8 f2f4 e8e6 f4g5 e6g6 c4d4 c8a8 h2h4 d8f6 d4d5 f6b2"},
    {"rook ending, black to move", 10,
     "d2d4 d7d5 c2c4 e7e6 g1f3 d5c4 e2e4 b7b5 a2a4 f8b4 c1d2 b4d2 b1d2 c7c6 a4b5 g8f6 e4e5 "
     "f6d5 d2c4 e8g8 c4d6 c6b5 f1b5 a7a5 b5c4 d5b6 c4d3 c8a6 a1a5 b6c8 d6c4 c8b6 c4e3 a6b7 "
     "a5a8 b7a8 d3e2 b6d5 d1d2 d5f4 e1g1 f4e2 d2e2 a8f3 e2f3 d8d4 f3b7 d4c5 f1b1 c5c6 b7b4 "
     "f8c8 b2b3 b8d7 b4d4 h7h6 h2h4 c6b5 e3c4 c8c5 c4a3 b5b7 a3c4 b7b5 b1a1 b5b3 c4d6 b3d5 "
     "d4d5 c5d5 a1a8 d7f8 f2f4 f7f6 d6c8 d5d1 g1f2 f6e5 f4e5 g8h7 a8a5 d1d2 f2f3 d2d8 c8e7 "
     "f8g6 e7g6 h7g6 g2g4 h6h5 g4h5 g6h5 a5a7 d8d3 f3f2 g7g5 h4g5"},
    {"pawn ending, queening on c8", 11,
     "d2d4 g8f6 c2c4 e7e6 g2g3 f8b4 b1d2 e8g8 a2a3 b4e7 f1g2 a7a5 b2b3 h7h6 c1b2 d7d5 d1c2 "
     "b8d7 g1h3 b7b6 e2e4 d5e4 d2e4 f6e4 g2e4 a8b8 e4c6 e6e5 e1c1 e5d4 d1d4 e7c5 d4d5 d8e7 "
     "h1d1 d7f6 d5e5 c8e6 a3a4 c5d6 e5e2 d6a3 c6d5 b6b5 a4b5 f6d5 c4d5 e6h3 e2e7 a3e7 c2c3 "
     "e7f6 c3c4 f6e7 g3g4 f8d8 d1g1 d8e8 g1g3 a5a4 b3a4 e7g5 c1d1 c7c5 d5c6 h3g2 g3g2 g5d8 "
     "g4g5 h6g5 d1c2 b8c8 f2f4 e8e6 f4g5 e6g6 c4d4 c8a8 h2h4 d8f6 d4d5 f6b2 c6c7 a8f8 g2d2 "
     "b2d4 a4a5 d4b6 a5b6 g6b6 d5c5 b6b8 c5f8 b8f8 d2d8 g7g6 d8f8 g8f8"},
    {"queen and pawn, forced mate", 8,
     "d2d4 g8f6 c2c4 e7e6 g2g3 f8b4 b1d2 e8g8 a2a3 b4e7 f1g2 a7a5 b2b3 h7h6 c1b2 d7d5 d1c2 "
     "b8d7 g1h3 b7b6 e2e4 d5e4 d2e4 f6e4 g2e4 a8b8 e4c6 e6e5 e1c1 e5d4 d1d4 e7c5 d4d5 d8e7 "
     "h1d1 d7f6 d5e5 c8e6 a3a4 c5d6 e5e2 d6a3 c6d5 b6b5 a4b5 f6d5 c4d5 e6h3 e2e7 a3e7 c2c3 "
     "e7f6 c3c4 f6e7 g3g4 f8d8 d1g1 d8e8 g1g3 a5a4 b3a4 e7g5 c1d1 c7c5 d5c6 h3g2 g3g2 g5d8 "
     "g4g5 h6g5 d1c2 b8c8 f2f4 e8e6 f4g5 e6g6 c4d4 c8a8 h2h4 d8f6 d4d5 f6b2 c6c7 a8f8 g2d2 "
     "b2d4 a4a5 d4b6 a5b6 g6b6 d5c5 b6b8 c5f8 b8f8 d2d8 g7g6 d8f8 g8f8 c7c8q f8e7 b5b6 "
     "f7f6 b6b7 f6g5"},
};

}  // namespace

// velkor-tool search <depth> "<list>": prints one line,
// score <field> move <from-to|0000> evals <n> pv <moves...>
int run_search(int argc, char **argv) {
  static const char usage[] = "<depth 1..64> [\"<move list>\"]";
  int depth = 0;
  if (argc < 1 || argc > 2 || !read_int(argv[0], 1, TOOL_MAX_DEPTH, depth))
    return tool_usage_error("search", usage);
  ToolPosition pos = tool_setup_position(argc == 2 ? argv[1] : "");
  const Pass pass = search_pass(pos, depth);
  std::string pv;
  for (int i = 0; i < pass.line->length; ++i) {
    pv += ' ';
    pv += move_text(pass.line->from[i], pass.line->to[i]);
  }
  std::printf("score %u move %s evals %d pv%s\n", unsigned(move_score(pass.result)),
              result_move(pass.result).c_str(), pass.evaluations, pv.c_str());
  tool_release_position(pos);
  return 0;
}

// velkor-tool bench: every built-in position at its depth, one line each,
// then the totals; last line "bench <evaluations> evals <per second> eps".
int run_bench(int argc, char **) {
  if (argc != 0) return tool_usage_error("bench", "");
  long long total = 0;
  double total_ms = 0;
  int index = 0;
  for (const BenchPosition &b : bench_positions) {
    ToolPosition pos = tool_setup_position(b.moves);
    const Pass pass = search_pass(pos, b.depth);
    tool_release_position(pos);
    total += pass.evaluations;
    total_ms += pass.ms;
    std::printf("%2d depth %2d evals %10d time %9.1f ms move %s score %5u  %s\n", ++index, b.depth,
                pass.evaluations, pass.ms, result_move(pass.result).c_str(),
                unsigned(move_score(pass.result)), b.name);
    std::fflush(stdout);
  }
  const long long eps = total_ms > 0 ? (long long)(double(total) * 1000.0 / total_ms) : 0;
  std::printf("total evals %lld time %.1f ms\n", total, total_ms);
  std::printf("bench %lld evals %lld eps\n", total, eps);
  return 0;
}
