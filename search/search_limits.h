// The limits of the current search and the one decision the search asks
// about them while it runs: stop now, or go on. Every reason to stop meets
// here: the clock's budget, a node limit, and the front end's "stop" or
// "quit" read from its input during the search.
#pragma once

#include <cstdint>

// The driver's first and last nominal depth. Plies and line lengths are
// byte counters: the deepest pass stays far enough below 255 that the
// captures searched past it cannot wrap them.
inline constexpr int SEARCH_FIRST_DEPTH = 2;
inline constexpr int SEARCH_DEPTH_CAP = 64;

// What the front end's input asked for while the search ran.
enum SearchInput : int {
  SEARCH_INPUT_NONE = 0,  // nothing that ends the search
  SEARCH_INPUT_STOP = 1,  // "stop": answer now
  SEARCH_INPUT_QUIT = 2,  // "quit", or the input has ended: answer, then end
};

// Reads whatever input has arrived, without ever waiting, deals with what
// it can at once, and answers what the search must do.
using SearchInputPoll = int (*)();

struct SearchLimits {
  int depth;      // last nominal depth, clamped to SEARCH_FIRST_DEPTH..SEARCH_DEPTH_CAP; 0: the cap
  int64_t nodes;  // stop once the evaluations of the whole search reach this; below 0: no limit
};

inline constexpr SearchLimits NO_SEARCH_LIMITS = {0, -1};

// Sets the limits of the search about to run (the clock is set apart, with
// start_timer and set_limit_time) and the input to look at while it runs
// (nullptr: none). No stop is pending and no evaluation counted after it.
void search_limits_start(const SearchLimits &limits, SearchInputPoll poll);

// Lowers the node limit of the search under way to nodes (below 0: no
// change); a smaller limit stays.
void search_limits_cap_nodes(int64_t nodes);

// No limits and no input: only the clock can stop a search. The state of
// every search that is not the command loop's (the developer tool, the
// bench), and of the command loop's one-ply fallback.
void search_limits_clear();

// The stop decision, asked where the search looks at its clock: 1 once the
// clock's budget is used up, the node limit is reached, or the input asked
// for a stop; else 0. A stop asked by the input or the node count holds
// until the next search_limits_start or search_limits_clear. The input is
// looked at no more often than every SEARCH_POLL_INTERVAL_MS of the clock,
// so that an idle input costs the search nothing measurable.
int search_limits_stop();
inline constexpr int SEARCH_POLL_INTERVAL_MS = 2;

// What the input asked for during the search (SEARCH_INPUT_NONE if it did
// not end it).
int search_limits_input();

// Last nominal depth the driver runs.
int search_depth_limit();

// The driver adds each pass's evaluations once the pass is over and its
// stop decision taken, before the counter is zeroed for the next pass: the
// node limit counts the whole search, not one pass.
void search_limits_count_pass(int evaluations);
// Evaluations of the passes counted so far.
int64_t search_limits_nodes();
