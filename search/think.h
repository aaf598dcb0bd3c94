// The one way into the search: answering a "go" for the position on the
// board. The engine's command loop, the developer tool's search, bench and
// test-suite commands all come through here.
#pragma once

#include <cstdint>

#include "search/alpha_beta.h"
#include "search/search_driver.h"
#include "search/search_limits.h"

struct ThinkRequest {
  int half_moves;        // half-moves of the game so far: the evaluation's phase
  int budget_ms;         // the move's budget; NO_CLOCK_BUDGET: no clock at all
  SearchLimits limits;   // depth and node limits of the "go"
  // One pass at exactly limits.depth (1..64), as the tools' fixed-depth
  // search and the bench run it: no iterative deepening, and a result
  // without squares stays as the pass left it (no one-ply fallback).
  bool single_pass;
  SearchInputPoll poll;  // the input to look at while searching; nullptr: none
  ThinkReporter report;  // where each pass's report goes; nullptr: nowhere
  // Lines each pass searches and reports (alpha_beta_time); 0 or 1: one
  // line, reported without a rank.
  int multipv;
  // The only root moves to search, as root_move_key words (count 0 or
  // nullptr: every move). The caller lists legal moves only: a list none of
  // whose moves can be played leaves the root without a move.
  const uint32_t *root_moves;
  int root_move_count;
  // "go mate N": a mate in N moves for the side to move shows in the pass of
  // depth 2N at the latest, so no pass goes deeper; a mate found earlier
  // ends the search as any established mate does. 0: no such limit.
  int mate;
  // Told about each root move as the root begins to search it, once the
  // search has run for CURRENT_MOVE_AFTER_MS; nullptr: nobody.
  RootMoveListener current_move = nullptr;
  // Below full strength (strength.h): 0, the default, is full strength and
  // leaves the search exactly as it is; up to WEAKNESS_MAX the engine sees
  // less (a node budget of the level's) and plays some moves on a glance.
  // A single pass ignores it.
  int weakness;
};

// How long a search runs before the root's moves are told as they are
// searched.
inline constexpr int CURRENT_MOVE_AFTER_MS = 1000;

struct ThinkResult {
  uint32_t move;         // Move word: the move and its score; no squares: no legal move
  int input;             // what the input asked for during the search (SearchInput)
  int64_t evaluations;   // evaluations of all passes
  const tagLINE *line;   // principal variation of the result
};

// Test hook, off (-1) unless a fuzzer or a test sets it: when
// SEARCH_FIRST_DEPTH or more, no search think runs goes past the pass of
// this depth, as a "go depth" limit that low would (a lower limit of the
// request stays). The engine itself never sets it.
extern int g_think_depth_cap;

// Searches the position on the board and returns the move to play. The
// move's clock runs from the caller's start_timer(), called when the "go"
// arrived, so that whatever the caller did before (asking the book) counts
// against the budget. Sets the phase for the game, the budget, the limits,
// the input and the root moves, runs the driver from depth 2, and when the
// driver found no
// move (every line it saw was lost, or it was stopped before a move
// improved) a one-ply search picks one; it is reported too (again the last
// report, with its move; or, when nothing was reported, as depth 1 with its
// own score), so that every answer that comes from a search has a report. The board and its key are as on
// entry when it returns; every limit and root restriction is lifted again.
ThinkResult think(uint8_t *cb, const ThinkRequest &request);

// The one-ply search run when the driver found no move: every limit
// lifted, fresh keys and table, then alpha_beta at depth 1 from the side to
// move's window, among the root moves the search may play (root_moves.h).
// A result without squares still means no legal move.
uint32_t search_one_ply(uint8_t *cb);

// One pass at depth (clamped as think clamps it) from a fresh timer, with no
// clock and no other limit, nothing reported: how the benches and the
// developer tool's search ask think.
ThinkResult think_single_pass(uint8_t *cb, int half_moves, int depth);
