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

// Time to depth with several threads: every position searched as a "go
// depth <its depth>" (iterative deepening from depth 2, no clock), once with
// each of the thread counts a and b in turn, writing one line per position
// to out:
//   <n> depth <d>  <a>: <ms> ms <evals/s> eps  <b>: <ms> ms <evals/s> eps  ratio <b ms / a ms>
// then the totals. ms[0] and ms[1] receive the totals' times.
void run_threads_bench(std::FILE *out, int a, int b, double ms[2]);
