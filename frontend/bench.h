// The bench: fixed-depth searches of built-in positions, each a single
// pass asked of think, whose total evaluation count is the engine's
// behaviour signature. The engine runs it as "velkor bench", the developer
// tool as "velkor-tool bench".
#pragma once

#include <cstdio>

struct BenchTotals {
  long long evaluations;
  double ms;
};

// Searches every position at its depth, in a fixed order (the keys each
// pass draws depend on every pass before it), writing one line per position
// to out:
//   <n> depth <d> evals <e> time <ms> ms move <move> score <field>  <name>
BenchTotals run_bench_positions(std::FILE *out);
