// Full pseudo-legal move generator, in the order the search relies on.
#pragma once

#include <cstdint>

#include "board/board_scan.h"
#include "board/chess_cb.h"

// Writes the Generated moves of the side to move into list (room for
// MAX_GENERATED_MOVES entries) and returns how many it wrote; it never writes
// more than that, dropping the surplus of boards no game can reach.
int generate_moves(const uint8_t *cb, uint32_t *list);

// The same list, for a caller that keeps the board's piece sets
// (piece_sets_of the board): the mover's pieces and the attack tests of the
// king's steps come from them.
int generate_moves(const uint8_t *cb, uint32_t *list, const PieceSets &sets);
