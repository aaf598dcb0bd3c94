// velkor-tool: developer commands that inspect the engine's subsystems on a
// position given as a move list from the start position, printing plain text
// that other programs can compare.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "tools/tool_common.h"

// Subcommands, each defined in the tool source of its subsystem.
static const ToolCommand commands[] = {
    {"moves", MOVES_USAGE, run_moves},
    {"captures", CAPTURES_USAGE, run_captures},
    {"perft", PERFT_USAGE, run_perft},
    {"divide", DIVIDE_USAGE, run_divide},
    {"eval", "[\"<move list>\"]", run_eval},
    {"hash-bench", "[passes]", run_hash_bench},
    {"search", "<depth> [\"<move list>\"]", run_search},
    {"bench", "", run_bench},
    {"budget", BUDGET_USAGE, run_budget},
    {nullptr, nullptr, nullptr},
};

static void print_usage() {
  std::fprintf(stderr, "usage: velkor-tool <command> [arguments]\ncommands:\n");
  for (const ToolCommand &c : commands)
    if (c.name != nullptr) std::fprintf(stderr, "  %s %s\n", c.name, c.usage);
}

int main(int argc, char **argv) {
  if (argc < 2) {
    print_usage();
    return TOOL_USAGE_ERROR;
  }
  for (const ToolCommand &c : commands)
    if (c.name != nullptr && std::strcmp(c.name, argv[1]) == 0) return c.run(argc - 2, argv + 2);
  std::fprintf(stderr, "velkor-tool: unknown command \"%s\"\n", argv[1]);
  print_usage();
  return TOOL_USAGE_ERROR;
}
