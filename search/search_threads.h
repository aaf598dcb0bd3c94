// The threads that search a position together. Each pass of the driver is
// searched by all of them at the same depth with the same keys, on one
// shared table, and they share out the root's list of moves (root_search.h);
// the best result of them all, with its move's line, is the pass's answer.
// Helpers are started once and wait between passes; they never report, and
// of the reasons to stop they weigh only the node limit: the main thread
// looks at the clock and the input.
#pragma once

#include <cstdint>

#include "search/search_types.h"

struct Search;
struct SearchShared;

// Makes the pool hold count - 1 helper threads (count clamped to
// 1..SEARCH_THREADS_MAX), starting or ending threads as needed. Only
// between searches.
void search_threads_set(int count);

// Threads a search uses now, the main one included.
int search_threads_count();

// Joins count - 1 of the pool's helpers (as many as it has, at most) to the
// search of main: shared.thread_count and shared.threads, and each helper's
// record's link to shared.
void search_threads_attach(Search &main, SearchShared &shared, int count);

// Before each pass, while no thread searches: fresh keys, an empty table,
// every thread's evaluation counter at 0, main's board set up under the
// new keys (search_set_position), and the root's list made from the
// position (every move, or the search's only_moves).
void search_start_pass(Search &main, const uint8_t *cb);

// One pass at depth from the position on cb (main's board) with the root
// window best/bound, by every thread of the search; the helpers take copies
// of the board. Returns the best result any thread found, its line in *line
// (with one thread, search_root's own).
// Afterwards every helper waits again, and main.stop_decided says whether
// the search (not just the pass) must stop.
uint32_t search_pass(Search &main, uint8_t *cb, uint8_t depth, uint32_t best, uint32_t bound, tagLINE *line);
