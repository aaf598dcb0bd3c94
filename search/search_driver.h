// Iterative deepening: the engine's move for the position on the board.
#pragma once

#include <cstdint>

// Returns a Move word: the move to play and its score. Both squares 0 means
// that no move was found.
uint32_t alpha_beta_time(uint8_t *cb);
