// The one way into the search: answering a "go" for the position on the
// board. The engine's command loop, the developer tool's search, bench and
// test-suite commands all come through here.
#pragma once

#include <cstdint>

#include "search/alpha_beta.h"
#include "search/search_driver.h"
#include "search/search_limits.h"
#include "search/strength.h"
#include "search/time_control.h"

struct ThinkRequest {
  // The root's game phase (get_game_position of the game so far): every
  // evaluation of the search uses it.
  int phase;
  // When the "go" arrived (start_clock), so that whatever the caller did
  // before the search (asking the book) counts against the budget.
  MoveClock clock;
  int budget_ms;         // the move's budget; NO_CLOCK_BUDGET: no clock at all
  // A ponder search (budget_ms NO_CLOCK_BUDGET): the budget the clock takes,
  // counted from then, when the input answers SEARCH_INPUT_PONDERHIT.
  int ponderhit_budget_ms;
  // Threads that search (1 to SEARCH_THREADS_MAX). The engine starts its
  // helpers when its option is set (search_threads_set); a count the pool
  // does not hold yet (the tools') is started here, and the helpers wait,
  // parked, for the next search. 0: one thread, and the helpers already
  // started are kept.
  int threads;
  SearchLimits limits;   // depth and node limits of the "go"
  // One pass at exactly limits.depth (1..64), as the tools' fixed-depth
  // search and the bench run it: no iterative deepening, and a result
  // without squares stays as the pass left it (no one-ply fallback).
  bool single_pass;
  SearchInputPoll poll;  // the input to ask while searching; nullptr: none
  void *poll_context;    // what poll is called with
  ThinkReporter report;  // where each pass's report goes; nullptr: nowhere
  // Handed to the reporter in every report (ThinkReport::context), never
  // read by the search: what the caller's reporter needs besides the board
  // (the front end's game, to end a line where the game would end).
  const void *report_context = nullptr;
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
  // The levels' generator (strength.h) a weakness draws from: the game's,
  // so that a game replays from its seed. nullptr: a generator of the
  // search's own, from the default seed.
  StrengthGenerator *strength = nullptr;
  // For sessions that must run fast whatever their "go" lines say (the
  // fuzzers', some tests'; the engine leaves it at -1, as it leaves
  // clock.budget_cap): when SEARCH_FIRST_DEPTH or more, no pass goes deeper
  // than this, as a "go depth" limit that low would (a lower limit of the
  // request stays).
  int depth_cap = -1;
};

// How long a search runs before the root's moves are told as they are
// searched.
inline constexpr int CURRENT_MOVE_AFTER_MS = 1000;

struct ThinkResult {
  uint32_t move;         // Move word: the move and its score; no squares: no legal move
  int input;             // what the input asked for during the search (SearchInput)
  int64_t evaluations;   // evaluations of all passes
  tagLINE line;          // principal variation of the result
  // Over the passes several threads shared, in microseconds: the threads'
  // time in them, and the part they spent waiting for work.
  int64_t thread_pass_us;
  int64_t thread_waited_us;
};

// Searches the position on the board and returns the move to play. Sets up
// the search's records (the phase of the game, the clock's budget, the
// limits, the input and the root moves), runs the driver from depth 2 with
// the request's threads, and when the driver found no move (every line it
// saw was lost, or it was stopped before a move improved) a one-ply search
// picks one; it is reported too (again the last report, with its move; or,
// when nothing was reported, as depth 1 with its own score), so that every
// answer that comes from a search has a report. The board is as on entry
// when it returns.
ThinkResult think(uint8_t *cb, const ThinkRequest &request);

// The one-ply search think runs when the driver found no move: every limit
// lifted, fresh keys and table, then alpha_beta at depth 1 from the side to
// move's window, on s's thread alone, among the root moves s may play. A
// result without squares still means no legal move.
uint32_t search_one_ply(Search &s, uint8_t *cb);

// One pass at depth (clamped as think clamps it) from a fresh clock, with no
// time or other limit, on one thread, nothing reported: how the benches and
// the developer tool's search ask think.
ThinkResult think_single_pass(uint8_t *cb, int phase, int depth);
