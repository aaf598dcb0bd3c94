#include "frontend/bench.h"

#include <chrono>
#include <ctime>

#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "notation/move_text.h"
#include "notation/position.h"
#include "search/think.h"
#include "search/time_control.h"

namespace {

struct BenchPosition {
  const char *name;
  int depth;
  // The game that leads to the position: the game of an earlier position
  // of the list (its index; -1 for none, the start position), then moves.
  int continues;
  const char *moves;
};

// Fixed order: the keys each pass draws depend on every pass before it.
constexpr BenchPosition bench_positions[] = {
    {"start position", 7, -1, ""},
    {"italian game, both sides may castle", 6, -1, "e2e4 e7e5 g1f3 b8c6 f1c4 f8c5"},
    {"sicilian najdorf", 6, -1, "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6"},
    {"queen's gambit declined, black castled", 6, -1,
     "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1g5 f8e7 e2e3 e8g8 g1f3 b8d7"},
    {"white may take en passant on d6", 7, -1, "e2e4 a7a6 e4e5 d7d5"},
    {"black may take en passant on e3", 6, -1, "a2a3 d7d5 a3a4 d5d4 e2e4"},
    {"black to move, castling both ways open to both sides", 7, -1,
     "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 d2d3 f8c5 b1c3 d7d6 c1g5 c8g4 d1d2 d8d7 h2h3"},
    {"legal's trap, mate in one", 6, -1, "e2e4 e7e5 g1f3 d7d6 f1c4 c8g4 b1c3 g7g6 f3e5 g4d1 c4f7 e8e7"},
    {"fried liver, black king in the open", 7, -1,
     "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 f3g5 d7d5 e4d5 f6d5 g5f7 e8f7 d1f3 f7e6 b1c3"},
    {"promotion race, both sides promote by capture", 7, -1, "a2a4 h7h5 a4a5 h5h4 a5a6 h4h3 a6b7 h3g2"},
    {"knight and rooks, middle game", 8, -1,
     "d2d4 d7d5 c2c4 e7e6 g1f3 d5c4 e2e4 b7b5 a2a4 f8b4 c1d2 b4d2 b1d2 c7c6 a4b5 g8f6 e4e5 "
     "f6d5 d2c4 e8g8 c4d6 c6b5 f1b5 a7a5 b5c4 d5b6 c4d3 c8a6 a1a5 b6c8 d6c4 c8b6 c4e3 a6b7 "
     "a5a8 b7a8 d3e2 b6d5 d1d2 d5f4 e1g1 f4e2 d2e2 a8f3 e2f3 d8d4 f3b7 d4c5 f1b1 c5c6 b7b4 "
     "f8c8 b2b3 b8d7 b4d4 h7h6 h2h4 c6b5 e3c4 c8c5 c4a3 b5b7 a3c4 b7b5 b1a1 b5b3 c4d6 b3d5 "
     "d4d5 c5d5"},
    {"queen and rooks, passed pawn on c6", 7, -1,
     "d2d4 g8f6 c2c4 e7e6 g2g3 f8b4 b1d2 e8g8 a2a3 b4e7 f1g2 a7a5 b2b3 h7h6 c1b2 d7d5 d1c2 "
     "b8d7 g1h3 b7b6 e2e4 d5e4 d2e4 f6e4 g2e4 a8b8 e4c6 e6e5 e1c1 e5d4 d1d4 e7c5 d4d5 d8e7 "
     "h1d1 d7f6 d5e5 c8e6 a3a4 c5d6 e5e2 d6a3 c6d5 b6b5 a4b5 f6d5 c4d5 e6h3 e2e7 a3e7 c2c3 "
     "e7f6 c3c4 f6e7 g3g4 f8d8 d1g1 d8e8 g1g3 a5a4 b3a4 e7g5 c1d1 c7c5 d5c6 h3g2 g3g2 g5d8 "
     "g4g5 h6g5 d1c2 b8c8 f2f4 e8e6 f4g5 e6g6 c4d4 c8a8 h2h4 d8f6 d4d5 f6b2"},
    {"rook ending, black to move", 10, 10,
     "a1a8 d7f8 f2f4 f7f6 d6c8 d5d1 g1f2 f6e5 f4e5 g8h7 a8a5 d1d2 f2f3 d2d8 c8e7 f8g6 e7g6 "
     "h7g6 g2g4 h6h5 g4h5 g6h5 a5a7 d8d3 f3f2 g7g5 h4g5"},
    {"pawn ending, queening on c8", 11, 11,
     "c6c7 a8f8 g2d2 b2d4 a4a5 d4b6 a5b6 g6b6 d5c5 b6b8 c5f8 b8f8 d2d8 g7g6 d8f8 g8f8"},
    {"queen and pawn, forced mate", 8, 13, "c7c8q f8e7 b5b6 f7f6 b6b7 f6g5"},
};

constexpr int BENCH_POSITIONS = int(sizeof bench_positions / sizeof bench_positions[0]);
static_assert(
    [] {
      for (int i = 0; i < BENCH_POSITIONS; ++i)
        if (bench_positions[i].continues >= i) return false;
      return true;
    }(),
    "a position continues the game of an earlier one");

// Sets the board up in the position of the list's entry index, from the
// start position; returns the half-moves of its game.
int set_up_bench_position(uint8_t *cb, int index) {
  const BenchPosition &b = bench_positions[index];
  int moves = 0;
  if (b.continues >= 0)
    moves = set_up_bench_position(cb, b.continues);
  else
    start_position(cb);
  return moves + load_position_txt2(cb, b.moves);
}

}  // namespace

BenchTotals run_bench_positions(std::FILE *out) {
  using Clock = std::chrono::steady_clock;
  BenchTotals totals{0, 0};
  for (int index = 0; index < BENCH_POSITIONS; ++index) {
    const BenchPosition &b = bench_positions[index];
    uint8_t cb[CB_SIZE];
    const int moves = set_up_bench_position(cb, index);
    const Clock::time_point start = Clock::now();
    const ThinkResult result = think_single_pass(cb, get_game_position(cb, moves / 2), b.depth);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    totals.evaluations += result.evaluations;
    totals.ms += ms;
    std::fprintf(out, "%2d depth %2d evals %10lld time %9.1f ms move %s score %5u  %s\n", index + 1, b.depth,
                 (long long)result.evaluations, ms, result_move_text(result.move).c_str(),
                 unsigned(move_score(result.move)), b.name);
    std::fflush(out);
  }
  return totals;
}

void run_threads_bench(std::FILE *out, int a, int b, double ms[2]) {
  using Clock = std::chrono::steady_clock;
  const int counts[2] = {a, b};
  double total_ms[2] = {0, 0}, total_cpu_ms[2] = {0, 0};
  long long total_evals[2] = {0, 0};
  long long pass_us[2] = {0, 0}, waited_us[2] = {0, 0};
  for (int index = 0; index < BENCH_POSITIONS; ++index) {
    const BenchPosition &p = bench_positions[index];
    double pos_ms[2];
    long long pos_evals[2];
    // One after the other on the same position, so that a change of the
    // machine's load hits both counts alike.
    for (int k = 0; k < 2; ++k) {
      uint8_t cb[CB_SIZE];
      const int moves = set_up_bench_position(cb, index);
      ThinkRequest request{};
      start_clock(request.clock);
      request.phase = get_game_position(cb, moves / 2);
      request.budget_ms = NO_CLOCK_BUDGET;
      request.limits = SearchLimits{p.depth, -1};
      request.threads = counts[k];
      const Clock::time_point start = Clock::now();
      const std::clock_t cpu_start = std::clock();
      const ThinkResult result = think(cb, request);
      pos_ms[k] = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      total_cpu_ms[k] += double(std::clock() - cpu_start) * 1000.0 / CLOCKS_PER_SEC;
      pos_evals[k] = result.evaluations;
      pass_us[k] += result.thread_pass_us;
      waited_us[k] += result.thread_waited_us;
      total_ms[k] += pos_ms[k];
      total_evals[k] += pos_evals[k];
    }
    const auto eps = [](long long evals, double t) { return t > 0 ? (long long)(double(evals) * 1000.0 / t) : 0LL; };
    std::fprintf(out, "%2d depth %2d  %d: %9.1f ms %9lld eps  %d: %9.1f ms %9lld eps  ratio %.2f  %s\n",
                 index + 1, p.depth, a, pos_ms[0], eps(pos_evals[0], pos_ms[0]), b, pos_ms[1],
                 eps(pos_evals[1], pos_ms[1]), pos_ms[0] > 0 ? pos_ms[1] / pos_ms[0] : 0.0, p.name);
    std::fflush(out);
  }
  const auto eps = [](long long evals, double t) { return t > 0 ? (long long)(double(evals) * 1000.0 / t) : 0LL; };
  std::fprintf(out, "total        %d: %9.1f ms %9lld eps  %d: %9.1f ms %9lld eps  ratio %.2f\n", a, total_ms[0],
               eps(total_evals[0], total_ms[0]), b, total_ms[1], eps(total_evals[1], total_ms[1]),
               total_ms[0] > 0 ? total_ms[1] / total_ms[0] : 0.0);
  // How much of the machine each side had: on a machine that other work
  // shares, threads that get less than a core each cannot show their gain.
  // The evaluations tell the work each side did, whatever its share.
  std::fprintf(out, "cores used   %d: %9.2f   %d: %9.2f   evaluations %lld : %lld (ratio %.2f)\n", a,
               total_ms[0] > 0 ? total_cpu_ms[0] / total_ms[0] : 0.0, b,
               total_ms[1] > 0 ? total_cpu_ms[1] / total_ms[1] : 0.0, total_evals[0], total_evals[1],
               total_evals[0] > 0 ? double(total_evals[1]) / double(total_evals[0]) : 0.0);
  // The threads' time waiting for work (for the first root move, for the
  // last one to end), against their whole time in the passes: what more
  // cores could not speed up.
  const auto share = [](long long part, long long whole) {
    return whole > 0 ? 100.0 * double(part) / double(whole) : 0.0;
  };
  std::fprintf(out, "waiting      %d: %8.1f %%   %d: %8.1f %%   of the threads' time in the passes\n", a,
               share(waited_us[0], pass_us[0]), b, share(waited_us[1], pass_us[1]));
  ms[0] = total_ms[0];
  ms[1] = total_ms[1];
}
