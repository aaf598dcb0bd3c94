// velkor-tool search and bench: one fixed-depth pass of the engine's search,
// asked of think as a single pass at that depth, with no time limit.
//
// The Zobrist keys come from the C runtime's unseeded rand, so a fresh
// process draws the same keys in the same order every time: a pass, and the
// bench's fixed sequence of passes, is reproducible run after run, and the
// bench's total evaluation count is the engine's behaviour signature.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "frontend/bench.h"
#include "notation/move_text.h"
#include "search/think.h"
#include "tools/tool_common.h"

namespace {

// Reads a whole decimal argument in [low, high]; false otherwise.
bool read_int(const char *text, int low, int high, int &value) {
  char *end = nullptr;
  const long n = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || n < low || n > high) return false;
  value = int(n);
  return true;
}

}  // namespace

// velkor-tool search <depth> "<list>": prints one line,
// score <field> move <from-to|0000> evals <n> pv <moves...>
int run_search(int argc, char **argv) {
  static const char usage[] = "<depth 1..64> [\"<move list>\"]";
  int depth = 0;
  if (argc < 1 || argc > 2 || !read_int(argv[0], 1, SEARCH_DEPTH_CAP, depth))
    return tool_usage_error("search", usage);
  ToolPosition pos = tool_setup_position(argc == 2 ? argv[1] : "");
  const ThinkResult pass = think_single_pass(pos.cb, get_game_position(pos.cb, pos.moves / 2), depth);
  std::string pv;
  for (int i = 0; i < pass.line.length; ++i) {
    pv += ' ';
    pv += move_text(pass.line.from[i], pass.line.to[i]);
  }
  std::printf("score %u move %s evals %d pv%s\n", unsigned(move_score(pass.move)),
              result_move_text(pass.move).c_str(), int(pass.evaluations), pv.c_str());
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

// velkor-tool threads-bench [a b]: every built-in position searched to its
// depth with a threads and with b threads (default 1 and 2), one line each,
// then the totals (see run_threads_bench).
int run_threads_bench_command(int argc, char **argv) {
  static const char usage[] = "[<threads a> <threads b>, each 1..256, default 1 2]";
  int a = 1, b = 2;
  if (argc != 0 && (argc != 2 || !read_int(argv[0], 1, SEARCH_THREADS_MAX, a) ||
                    !read_int(argv[1], 1, SEARCH_THREADS_MAX, b)))
    return tool_usage_error("threads-bench", usage);
  double ms[2];
  run_threads_bench(stdout, a, b, ms);
  return 0;
}
