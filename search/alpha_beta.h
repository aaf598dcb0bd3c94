// The full-width alpha-beta search and the quiescence search, on the absolute
// score scale: 30000 balanced, 60000 Black mated, 0 White mated.
#pragma once

#include <cstdint>

inline constexpr uint32_t SCORE_DRAW = 30000;
inline constexpr uint32_t SCORE_WHITE_WINS = 60000;  // Black is mated
inline constexpr uint32_t SCORE_BLACK_WINS = 0;      // White is mated
inline constexpr uint32_t SCORE_ILLEGAL = 60001;     // side that moved is in check

inline constexpr int LINE_CAPACITY = 1024;

// Principal variation: move 1 is the move made at the node owning the line.
struct tagLINE {
  uint8_t length;
  uint8_t from[LINE_CAPACITY];
  uint8_t to[LINE_CAPACITY];
};

int is_better_result(uint32_t best, uint32_t score, uint8_t side, int ply);
int is_better_beta(uint32_t bound, uint32_t score, uint8_t side, int ply);

uint32_t alpha_beta(uint8_t *cb, uint8_t ply, uint8_t depth, uint32_t best, uint32_t bound, tagLINE *line);
uint32_t quies(uint8_t *cb, uint8_t ply, uint8_t depth, uint32_t best, uint32_t bound, tagLINE *line);
