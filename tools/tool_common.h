// Shared pieces of the developer tool velkor-tool: the subcommand table and
// setting a position up exactly as the engine does.
#pragma once

#include <cstdint>
#include <string>

// Every subcommand takes the arguments that follow its name and returns the
// process's exit status. Bad arguments: a usage line on stderr and status 2.
using ToolRun = int (*)(int argc, char **argv);

struct ToolCommand {
  const char *name;
  const char *usage;  // arguments, shown in the usage text
  ToolRun run;
};

inline constexpr int TOOL_USAGE_ERROR = 2;

int tool_usage_error(const char *name, const char *usage);

// A position set up as the engine sets it up for "position startpos moves
// <list>": start position, then the replay of the list. moves is the number
// of moves replayed.
struct ToolPosition {
  uint8_t *cb;
  int moves;
};

ToolPosition tool_setup_position(const char *move_list);
void tool_release_position(ToolPosition &pos);

// Coordinate text of a square (e2) and of a move (e2e4).
std::string square_text(int square);
std::string move_text(int from, int to);

// Subcommands, each in the tool source of its subsystem.
// tools/tool_movegen.cpp; the usage texts document the output.
extern const char MOVES_USAGE[], CAPTURES_USAGE[], PERFT_USAGE[], DIVIDE_USAGE[];
int run_moves(int argc, char **argv);
int run_captures(int argc, char **argv);
int run_perft(int argc, char **argv);
int run_divide(int argc, char **argv);
int run_hash_bench(int argc, char **argv);  // tools/tool_hash.cpp
int run_eval(int argc, char **argv);        // tools/tool_eval.cpp
int run_search(int argc, char **argv);      // tools/tool_search.cpp
int run_bench(int argc, char **argv);       // tools/tool_search.cpp
extern const char BUDGET_USAGE[];
int run_budget(int argc, char **argv);      // tools/tool_budget.cpp
