// Capture generator of the quiescence search, with ordering scores.
#pragma once

#include <cstdint>

#include "board/board_scan.h"

inline constexpr int S_MV_CAPACITY = 96;

// The capture list: parallel arrays, the first count entries in use.
struct s_mv {
  int32_t count;
  uint8_t from[S_MV_CAPACITY];
  uint8_t to[S_MV_CAPACITY];
  uint8_t reserved[S_MV_CAPACITY];
  int32_t score[S_MV_CAPACITY];
};

// Appends one capture with its ordering score (value of the piece taken minus
// value of the taker), read from the board before the capture is made. A full
// record (S_MV_CAPACITY entries) is left as it is: later captures are dropped.
void CheckScore(s_mv &list, const uint8_t *cb, int from, int to);

// Every capture of the side to move, in board order then direction order, up
// to the record's capacity.
s_mv generate_qsearch_moves(const uint8_t *cb);

// The same, with the board's pieces (board_scan::pieces_of of the board)
// given by a caller that keeps them.
s_mv generate_qsearch_moves(const uint8_t *cb, const board_scan::Pieces &pieces);

// The same list from the board's piece sets (piece_sets_of the board, for a
// board whose playable squares hold only pieces and empty squares), piece
// kind by piece kind, passing over pieces that reach no enemy.
s_mv generate_qsearch_moves(const uint8_t *cb, const PieceSets &sets);
