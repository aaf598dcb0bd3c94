// Stand-in for the iterative-deepening driver until the search is built: it
// finds no move, so the command loop answers every "go" with
// "bestmove (none)". The search replaces this file.
#include "search/search_driver.h"

#include "board/chess_cb.h"

uint32_t alpha_beta_time(uint8_t *cb) {
  // The driver's starting result: the worst score for the side to move, and
  // no squares.
  return side_to_move(cb) == WHITE ? 0u : 60000u;
}
