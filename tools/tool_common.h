// Shared pieces of the developer tool velkor-tool: the subcommand table and
// setting a position up exactly as the engine does.
#pragma once

#include <cstdint>
#include <string>

#include "notation/move_text.h"

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
// <list>", or for "position fen <fen> moves <list>" when the command line
// gave "--fen": the first position, then the replay of the list. moves is
// the game's half-move count as the engine reads the phase from it: the
// moves replayed, plus for a FEN 2 * (fullmove - 1) + 1 if Black moves.
struct ToolPosition {
  uint8_t *cb;
  int moves;
};

// move_list may also be a whole position as a "position" line gives it:
// "fen <FEN> [moves <list>]" or "startpos [moves <list>]" (not together with
// "--fen"). A FEN that cannot be set up ends the tool with TOOL_USAGE_ERROR.
ToolPosition tool_setup_position(const char *move_list);

// The position argument of a subcommand, from argv[first] on: none
// (position nullptr), one move list, or a whole position ("fen ..." or
// "startpos ...") in one or several words, joined with single blanks into
// text. False for several words that are no whole position.
bool tool_position_arguments(int argc, char **argv, int first, std::string &text, const char *&position);
void tool_release_position(ToolPosition &pos);

// Takes "--chess960" (castling under Chess960 rules: any back rank in a FEN,
// castling written as the king taking its own rook) and a "--fen <fen>"
// pair out of a subcommand's arguments, wherever they stand, so that every
// subcommand that sets its position up with tool_setup_position starts from
// that FEN under those rules; the arguments left are the subcommand's own.
// Answers false, with the reason on stderr, for a "--fen" without its
// value, a second "--fen", or a FEN that cannot be set up (the caller exits
// with TOOL_USAGE_ERROR). A FEN may not carry its own move list: moves are
// the subcommand's argument.
bool tool_take_fen_option(int &argc, char **argv);
// Whether "--fen" gave a FEN that no tool_setup_position has used (the
// subcommand takes no position).
bool tool_fen_option_unused();

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
int run_threads_bench_command(int argc, char **argv);  // tools/tool_search.cpp
extern const char FEN_USAGE[];              // tools/tool_board.cpp
int run_fen(int argc, char **argv);
extern const char EPD_USAGE[];              // tools/tool_epd.cpp
int run_epd(int argc, char **argv);
extern const char BUDGET_USAGE[];
int run_budget(int argc, char **argv);      // tools/tool_budget.cpp
extern const char BOOK_USAGE[];             // tools/tool_book.cpp
int run_book(int argc, char **argv);
