// velkor-tool hash-bench: what one reset of the hashing state costs, printed
// as figures (never asserted): the generation-stamp clear against writing
// every entry, and the key redraw that every reset also pays.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "board/chess_cb.h"
#include "hash/hash_table.h"
#include "hash/zobrist.h"
#include "tools/tool_common.h"

namespace {

using Clock = std::chrono::steady_clock;

double elapsed_ms(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Average milliseconds per call of f over n calls.
template <typename F>
double average_ms(int n, F f) {
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < n; ++i) f();
  return elapsed_ms(start) / n;
}

}  // namespace

// Prints per-reset costs averaged over the given number of passes.
int run_hash_bench(int argc, char **argv) {
  static const char usage[] = "[passes 1..10000, default 20]";
  int passes = 20;
  if (argc > 1) return tool_usage_error("hash-bench", usage);
  if (argc == 1) {
    char *end = nullptr;
    const long n = std::strtol(argv[0], &end, 10);
    if (end == argv[0] || *end != '\0' || n < 1 || n > 10000) return tool_usage_error("hash-bench", usage);
    passes = int(n);
  }

  uint8_t *cb = init_chessboard();
  // The table lives in zero-filled memory whose pages the system hands out
  // on first write; the first full write pays for that, so it is
  // shown apart and kept out of the averages.
  const Clock::time_point first = Clock::now();
  wipe_hash_table();
  const double first_wipe = elapsed_ms(first);

  const double wipe = average_ms(passes, wipe_hash_table);
  // A clear is a counter step; many calls make it measurable. Stay clear of
  // the wrap (which writes the table) so the figure is the common case.
  const int clears = 1000;
  const double clear = average_ms(clears, clear_hash_table);
  const double redraw = average_ms(passes, set_zobrist);
  const double full_reset = average_ms(passes, [cb] { ini_hash_table(cb); });

  const uint64_t entries = hash_table_entries();
  std::printf("entries %llu x %zu bytes = %.1f MB\n", (unsigned long long)entries, sizeof(HashEntry),
              double(entries) * sizeof(HashEntry) / 1e6);
  std::printf("first write of every entry  %10.3f ms (pages touched for the first time)\n", first_wipe);
  std::printf("write every entry           %10.3f ms per reset (average of %d)\n", wipe, passes);
  std::printf("generation clear            %10.6f ms per reset (average of %d)\n", clear, clears);
  std::printf("generation clear, amortised %10.6f ms per reset (one full write every 65535)\n",
              clear + wipe / 65535.0);
  std::printf("redraw of the 1421 keys     %10.3f ms per reset (average of %d)\n", redraw, passes);
  std::printf("whole reset (ini_hash_table)%10.3f ms per reset (average of %d)\n", full_reset, passes);
  std::printf("whole reset writing every entry would be about %.3f ms\n", redraw + wipe);
  release_chessboard(cb);
  return 0;
}
