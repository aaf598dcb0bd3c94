// The limits of the current search and the one decision the search asks
// about them while it runs: stop now, or go on. Every reason to stop meets
// here: the clock's budget, a node limit, and the front end's "stop" or
// "quit" read from its input during the search.
#pragma once

#include <cstdint>

#include "search/search_types.h"

// What the front end's input asked for while the search ran.
enum SearchInput : int {
  SEARCH_INPUT_NONE = 0,  // nothing that ends the search
  SEARCH_INPUT_STOP = 1,  // "stop": answer now
  SEARCH_INPUT_QUIT = 2,  // "quit", or the input has ended: answer, then end
  // "ponderhit" ended a ponder search's wait: the move's clock starts now,
  // with the request's ponderhit budget, and the search goes on.
  SEARCH_INPUT_PONDERHIT = 3,
};

struct SearchShared;  // search_context.h: the limits live there, one record per search

// Sets the limits of the search about to run and the input to look at while
// it runs (nullptr: none), with the context poll is called with; the clock
// is set apart (shared.clock). No stop is pending and no evaluation counted
// after it.
void search_limits_start(SearchShared &shared, const SearchLimits &limits, SearchInputPoll poll,
                         void *poll_context = nullptr);

// Lowers the node limit of the search under way to nodes (below 0: no
// change); a smaller limit stays.
void search_limits_cap_nodes(SearchShared &shared, int64_t nodes);

// No limits and no input: only the clock can stop a search. The state of
// the one-ply search think runs when the driver found no move.
void search_limits_clear(SearchShared &shared);

// The stop decision, asked by the main thread where the search looks at its
// clock: 1 once the clock's budget is used up, the node limit is reached
// (the evaluations of every thread), or the input asked for a stop; else 0.
// A stop asked by the input or the node count holds until the next
// search_limits_start or search_limits_clear. The input is asked every time:
// with nothing arrived, its answer is one atomic load.
int search_limits_stop(SearchShared &shared);

// Whether the evaluations counted so far, every thread's, reach the node
// limit. Reads only what stays unchanged while the threads search a pass
// (the limit and the finished passes' count) and the threads' counters, so
// any thread may ask.
bool search_node_limit_reached(const SearchShared &shared);

// Last nominal depth the driver runs.
int search_depth_limit(const SearchShared &shared);

// Evaluations of the pass under way, every thread's added.
int64_t search_pass_evaluations(const SearchShared &shared);

// The driver adds each pass's evaluations once the pass is over and its
// stop decision taken: the node limit counts the whole search, not one pass.
void search_limits_count_pass(SearchShared &shared, int64_t evaluations);
