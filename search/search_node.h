// What the root (root_search.cpp) and the nodes below it (alpha_beta.cpp)
// do alike: count nodes towards the next stop question, test for check,
// order the generated moves, score a position without a legal move. Only
// those two files include it.
#pragma once

#include <cstdint>

#include "board/chess_cb.h"
#include "movegen/attack.h"
#include "search/alpha_beta.h"
#include "search/make_move.h"
#include "search/search_context.h"

// Plies at which a node looks at the clock after each move: the root and
// the two below it.
inline constexpr int CLOCK_PLIES = 2;

// Deeper down, the stop is asked about once per this many nodes (calls of
// alpha_beta and quies): one subtree below ply 2 can take seconds in a deep
// pass, far longer than a short budget.
inline constexpr uint32_t STOP_POLL_NODES = 1024;
// A helper's question reads a shared flag and no clock: it asks far more
// often, so that the main thread, which waits for every helper to leave a
// pass before it answers, is kept waiting as little as possible.
inline constexpr uint32_t HELPER_POLL_NODES = 64;
inline uint32_t poll_nodes(const Search &s) { return s.main ? STOP_POLL_NODES : HELPER_POLL_NODES; }

// The thread's stop decision (s.stop_decided): once taken, every node returns
// as soon as its current child does, without recording anything, and the
// root keeps its best among the moves it searched to the end. A new search
// (search_begin) forgets it.

// Counts one node; 1 when the search must stop. Asks only every
// STOP_POLL_NODES nodes, since each question reads the clock.
inline int node_poll(Search &s) {
  if (--s.nodes_until_poll != 0) return s.stop_decided;
  s.nodes_until_poll = poll_nodes(s);
  return search_stop_requested(s);
}

// A search begins at its root: no stop decided yet, the count towards the
// next stop question starts afresh, and the root counts as one node.
// Returns what a node's count returns: 1 when the search must stop.
inline int search_begin(Search &s) {
  s.stop_decided = false;
  s.nodes_until_poll = poll_nodes(s);
  return node_poll(s);
}

// 1 if the king of colour stands attacked (a missing king never is). The
// king's square and the attackers come from the pieces the make and unmake
// keep.
inline int search_in_check(const Search &s, const uint8_t *cb, uint8_t colour) {
  return king_attacked(cb, s.kept.sets, colour, search_king_square(s, colour));
}

// The score of a position whose side to move has no legal move: mated when
// in check, else stalemate.
inline uint32_t search_no_move_score(const Search &s, const uint8_t *cb, uint8_t side) {
  if (!search_in_check(s, cb, side)) return SCORE_DRAW;
  return side == WHITE ? SCORE_BLACK_WINS : SCORE_WHITE_WINS;
}

// The search's move order, into ordered: the moves flagged for it first
// (captures, promotions, en passant, castling), then the quiet rest, each
// in generation order. Returns count.
inline int order_moves(uint32_t *ordered, const uint32_t *moves, int count) {
  int n = 0;
  for (int i = 0; i < count; ++i)
    if (gm_first(moves[i]) == 1) ordered[n++] = moves[i];
  for (int i = 0; i < count; ++i)
    if (gm_first(moves[i]) == 0) ordered[n++] = moves[i];
  return n;
}
