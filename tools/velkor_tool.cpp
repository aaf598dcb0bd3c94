// velkor-tool: developer commands that inspect the engine's subsystems on a
// position given as a move list from the start position or from a FEN,
// printing plain text that other programs can compare.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "tools/tool_common.h"

// Subcommands, each defined in the tool source of its subsystem.
static const ToolCommand commands[] = {
    {"moves", MOVES_USAGE, run_moves},
    {"fen", FEN_USAGE, run_fen},
    {"captures", CAPTURES_USAGE, run_captures},
    {"perft", PERFT_USAGE, run_perft},
    {"divide", DIVIDE_USAGE, run_divide},
    {"eval", "[\"<move list>\"]", run_eval},
    {"hash-bench", "[passes]", run_hash_bench},
    {"search", "<depth> [\"<move list>\"]", run_search},
    {"bench", "", run_bench},
    {"threads-bench", "[<threads a> <threads b>]", run_threads_bench_command},
    {"epd", EPD_USAGE, run_epd},
    {"budget", BUDGET_USAGE, run_budget},
    {"book", BOOK_USAGE, run_book},
    {nullptr, nullptr, nullptr},
};

static void print_usage() {
  std::fprintf(stderr, "usage: velkor-tool <command> [arguments]\ncommands:\n");
  for (const ToolCommand &c : commands)
    if (c.name != nullptr) std::fprintf(stderr, "  %s %s\n", c.name, c.usage);
  std::fprintf(stderr,
               "option of every command that takes a position:\n"
               "  --fen \"<fen>\"  start from this position instead of the start position; the move list,\n"
               "                 if any, is replayed from it (e.g. perft 3 --fen \"<fen>\" \"e2e4\")\n"
               "  --chess960     castling under Chess960 rules: a FEN's rooks anywhere on the back rank\n"
               "                 (Shredder-FEN \"HAha\" or X-FEN \"KQkq\"), castling as the king taking its rook\n");
}

int main(int argc, char **argv) {
  if (argc < 2) {
    print_usage();
    return TOOL_USAGE_ERROR;
  }
  for (const ToolCommand &c : commands) {
    if (c.name == nullptr || std::strcmp(c.name, argv[1]) != 0) continue;
    int command_argc = argc - 2;
    if (!tool_take_fen_option(command_argc, argv + 2)) return TOOL_USAGE_ERROR;
    const int status = c.run(command_argc, argv + 2);
    if (tool_fen_option_unused())
      std::fprintf(stderr, "velkor-tool: %s takes no position; --fen ignored\n", c.name);
    return status;
  }
  std::fprintf(stderr, "velkor-tool: unknown command \"%s\"\n", argv[1]);
  print_usage();
  return TOOL_USAGE_ERROR;
}
