// Iterative deepening: fixed-depth passes of the search, each on a freshly
// emptied table with freshly drawn keys, until the search must stop.
#pragma once

#include <cstdint>

#include "search/alpha_beta.h"

// One finished pass, as the driver reports it.
struct ThinkReport {
  int depth;              // the pass's nominal depth
  int score;              // the side to move's view: +30000 it mates, -30000 it is mated
  const tagLINE *line;    // principal variation of the result kept so far
  int time_ms;            // since the move's clock started
  uint32_t evaluations;   // of this pass
  uint32_t move;          // the Move word kept so far: the move the engine would play
};

// Where the reports go: the front end writes them as "info" lines; the
// tools pass none. The board holds the root position when it is called.
using ThinkReporter = void (*)(const uint8_t *cb, const ThinkReport &report);

// Runs passes of nominal depth first_depth, first_depth + 1, ... up to
// last_depth, until the search must stop (search_stop_requested) or a mate
// is established, reporting after every pass it keeps (report may be
// nullptr). Returns a Move word: the move to play and its score; both
// squares 0 means that no move was found.
uint32_t alpha_beta_time(uint8_t *cb, int first_depth, int last_depth, ThinkReporter report);

// The principal variation of the driver's last result.
const tagLINE &driver_line();
