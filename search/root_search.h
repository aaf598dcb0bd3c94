// The root of a search: the moves of the root's list (SearchShared::root),
// each searched by alpha_beta from ply 1. On a pass of several threads
// every thread runs this loop over the one list: the main thread searches
// the first move alone, since its score is the window the others need,
// then opens the list, and each thread takes the next move that no thread
// has taken until none is left, searching it with the best window any of
// them has found so far.
#pragma once

#include <cstdint>

#include "search/search_types.h"

struct Search;
struct SearchShared;

// Searches the root position on cb (s set up for it, the list made for it)
// to nominal depth with the window best/bound. Returns a Move word: the
// best move's squares and score, or best without squares when no move
// improved on it, or the mate or stalemate score when no move of the list
// is legal; SCORE_ILLEGAL when the side that has just moved stands in
// check. line gets the best move's line when a move improved on best, and
// each move of the list its score and, when it improved, its line. The
// board is as on entry when it returns (bytes 145/146 excepted).
//
// Stopped (search_stop_requested), it returns at once with its best among
// the moves it searched to the end. On a shared pass a thread's answer
// covers only the moves it took: the pass's answer is the list's
// (root_shared_result).
uint32_t search_root(Search &s, uint8_t *cb, uint8_t depth, uint32_t best, uint32_t bound, tagLINE *line);

// A pass shared by several threads begins: the list closed to the helpers,
// its first move next, no best found yet (best: the starting window).
void root_share_begin(SearchShared &shared, uint32_t best);

// Lets the helpers take moves of the list (called by the main thread's
// root after its first move, and once it has left the root). A helper
// enters its root only once the list is open (root_wait_open).
void root_open(SearchShared &shared);

// Waits until the main thread has opened the list.
void root_wait_open(SearchShared &shared);

// A shared pass's answer once every thread has left the root: the best
// result any thread found, with that move's line copied to line; else
// best (some move was legal, none improved on the window) or, when none
// was legal, own (the main thread's answer, mate or stalemate).
uint32_t root_shared_result(SearchShared &shared, uint32_t best, uint32_t own, tagLINE *line);
