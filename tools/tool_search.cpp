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
#include "frontend/bench.h"
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
  const BenchTotals totals = run_bench_positions(stdout);
  const long long eps = totals.ms > 0 ? (long long)(double(totals.evaluations) * 1000.0 / totals.ms) : 0;
  std::printf("total evals %lld time %.1f ms\n", totals.evaluations, totals.ms);
  std::printf("bench %lld evals %lld eps\n", totals.evaluations, eps);
  return 0;
}
