// Process entry of the engine: without arguments the whole UCI session runs
// on standard input and output and the process ends with status 0;
// "velkor bench" runs the bench instead, as testing frameworks expect.
#include <cstdio>
#include <cstring>

#include "base/transcript.h"
#include "frontend/bench.h"
#include "frontend/chess_main.h"

int main(int argc, char **argv) {
  if (argc == 1) return velkor_main();
  if (argc == 2 && std::strcmp(argv[1], "bench") == 0) {
    // The bench reads no input and writes no transcript.
    g_uci_transcript = false;
    const BenchTotals totals = run_bench_positions(stdout);
    const long long nps = totals.ms > 0 ? (long long)(double(totals.evaluations) * 1000.0 / totals.ms) : 0;
    std::printf("%lld nodes %lld nps\n", totals.evaluations, nps);
    return 0;
  }
  std::fprintf(stderr, "usage: %s [bench]\n", argv[0]);
  return 2;
}
