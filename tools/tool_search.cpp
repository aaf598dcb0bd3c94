// velkor-tool search and bench: one fixed-depth pass of the engine's search,
// set up exactly as a driver iteration sets it up, with no time limit.
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
#include "eval/chess_heuristic.h"
#include "hash/hash_table.h"
#include "search/alpha_beta.h"
#include "search/time_control.h"
#include "tools/tool_common.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Pass {
  uint32_t result;  // Move word at the root
  int evaluations;
  double ms;
};

// The driver's iteration on a position set up from a move list: phase as on
// "go", fresh table and keys, counter zeroed, root window of the side to
// move. line receives the principal variation.
Pass search_pass(const ToolPosition &pos, int depth, tagLINE &line) {
  set_game_position(get_game_position(pos.cb, pos.moves / 2));
  // No time limit: the budget is never used up.
  start_timer();
  set_limit_time(INT32_MAX);
  const Clock::time_point start = Clock::now();
  ini_hash_table(pos.cb);
  ini_stat_calculated();
  const bool white = side_to_move(pos.cb) == WHITE;
  line.length = 0;
  const uint32_t result = alpha_beta(pos.cb, 0, uint8_t(depth), white ? SCORE_BLACK_WINS : SCORE_WHITE_WINS,
                                     white ? SCORE_WHITE_WINS : SCORE_BLACK_WINS, &line);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  return {result, stat_heuristic_calculated(), ms};
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
// BENCH_POSITIONS_BEGIN
const BenchPosition bench_positions[] = {
    {"start position", 6, ""},
    {"italian game, both sides may castle", 6, "e2e4 e7e5 g1f3 b8c6 f1c4 f8c5"},
    {"sicilian najdorf", 6, "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6"},
    {"queen's gambit declined, black castled", 6,
     "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1g5 f8e7 e2e3 e8g8 g1f3 b8d7"},
    {"en passant on d6 available", 6, "e2e4 a7a6 e4e5 d7d5"},
    {"castling both ways for both sides", 6, "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 d2d3 f8c5 b1c3 d7d6 c1g5 c8g4 d1d2 d8d7"},
    {"legal's trap, mate in one", 6, "e2e4 e7e5 g1f3 d7d6 f1c4 c8g4 b1c3 g7g6 f3e5 g4d1 c4f7 e8e7"},
    {"two knights, fried liver", 6, "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 f3g5 d7d5 e4d5 f6d5 g5f7 e8f7 d1f3 f7e6 b1c3"},
};
// BENCH_POSITIONS_END

}  // namespace

// velkor-tool search <depth> "<list>": prints one line,
// score <field> move <from-to|0000> evals <n> pv <moves...>
int run_search(int argc, char **argv) {
  static const char usage[] = "<depth 1..64> [\"<move list>\"]";
  int depth = 0;
  if (argc < 1 || argc > 2 || !read_int(argv[0], 1, TOOL_MAX_DEPTH, depth)) return tool_usage_error("search", usage);
  ToolPosition pos = tool_setup_position(argc == 2 ? argv[1] : "");
  static tagLINE line;
  const Pass pass = search_pass(pos, depth, line);
  std::string pv;
  for (int i = 0; i < line.length; ++i) pv += " " + move_text(line.from[i], line.to[i]);
  std::printf("score %u move %s evals %d pv%s\n", unsigned(move_score(pass.result)), result_move(pass.result).c_str(),
              pass.evaluations, pv.c_str());
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
  static tagLINE line;
  for (const BenchPosition &b : bench_positions) {
    ToolPosition pos = tool_setup_position(b.moves);
    const Pass pass = search_pass(pos, b.depth, line);
    tool_release_position(pos);
    total += pass.evaluations;
    total_ms += pass.ms;
    std::printf("%2d depth %2d evals %10d time %9.1f ms move %s score %5u  %s\n", ++index, b.depth,
                pass.evaluations, pass.ms, result_move(pass.result).c_str(), unsigned(move_score(pass.result)),
                b.name);
    std::fflush(stdout);
  }
  const long long eps = total_ms > 0 ? (long long)(double(total) * 1000.0 / total_ms) : 0;
  std::printf("total evals %lld time %.1f ms\n", total, total_ms);
  std::printf("bench %lld evals %lld eps\n", total, eps);
  return 0;
}
