// The full-width alpha-beta search and the quiescence search, on the absolute
// score scale: 30000 balanced, 60000 Black mated, 0 White mated.
#pragma once

#include <cstdint>

#include "search/search_types.h"

struct Search;  // search_context.h

// 1 if score strictly improves best for the side to move (0 White, larger
// is better; 1 Black, smaller is better), else 0; always 0 for SCORE_ILLEGAL.
int is_better_result(uint32_t best, uint32_t score, uint8_t side);

// 1 if score reaches bound for the side to move (equal counts), else 0;
// always 0 for SCORE_ILLEGAL.
int is_better_beta(uint32_t bound, uint32_t score, uint8_t side);

// The thread's one question to the outside world while it searches: 1 once
// it must stop. The main thread asks the limits (search_limits_stop: the
// move's time budget used up, a node limit reached, "stop" or "quit"
// received) and sets the shared stop; every thread stops when the shared
// stop is set. Asked by the root and at plies 1 and 2 after every move,
// every 1024 nodes at any depth (64 in a helper), and by the driver after
// every iteration. Once it has answered 1, it keeps answering 1 until the
// thread's next search begins at a root: every node then unwinds at
// once, records nothing, and the root returns its best among the moves it
// searched to the end (or its bare starting value, without squares).
int search_stop_requested(Search &s);

// 1 if the stop has been decided since the thread's last search began: the
// search was cut short, unless the decision came from a question asked
// after it had ended (as the driver asks after every iteration).
int search_was_stopped(const Search &s);

// Fail-hard search of the position on the board to nominal depth `depth`,
// `ply` (1 or more) plies below the root (search_root, root_search.h).
// best: the side to move's guaranteed value; bound: the parent's, at which
// this node is cut off. Returns a score, or SCORE_ILLEGAL when the side that
// just moved is in check. line gets the principal variation when a move
// improved best. The board, byte 144 and s.key are as on entry when it
// returns (bytes 145/146 excepted). s is set up for the board
// (search_set_position).
uint32_t alpha_beta(Search &s, uint8_t *cb, uint8_t ply, uint8_t depth, uint32_t best, uint32_t bound,
                    tagLINE *line);

// Captures-only search below the nominal depth: stand pat on the static
// evaluation or try the four best-ordered captures, made as plain moves.
// Same window, result and restoring contract as alpha_beta.
uint32_t quies(Search &s, uint8_t *cb, uint8_t ply, uint8_t depth, uint32_t best, uint32_t bound, tagLINE *line);
