// The root's list of moves (RootMoves, search_types.h) and what is done to
// it: made from the position, with all of its moves or only those a "go
// searchmoves" listed; one move alone, as the glance looks at them; moves
// left out while the later lines of an analysis are searched.
#pragma once

#include <cstdint>

#include "board/board_scan.h"
#include "board/chess_cb.h"
#include "search/search_types.h"

// A root move as one word: its squares and, for a promotion, the new
// piece's code (0 otherwise), so that the knight promotion on a square is a
// move apart from the queen promotion on it.
constexpr uint32_t root_move_key(int from, int to, int promotion) {
  return uint32_t(from & 0xFF) | uint32_t(to & 0xFF) << 8 | uint32_t(promotion & 0xFF) << 16;
}

// The key of a generated move (the generator writes a promotion's kind as
// the new piece's code; it generates queen and knight promotions only).
constexpr uint32_t root_move_key_of_generated(uint32_t gm) {
  const uint8_t kind = gm_kind(gm);
  const int promotion = kind == KIND_PROMO_QUEEN || kind == KIND_PROMO_KNIGHT ? kind : 0;
  return root_move_key(gm_from(gm), gm_to(gm), promotion);
}

// The key of the root's Move word on the board cb (a pawn that reaches the
// last rank promotes to the piece of the word's promotion bits).
uint32_t root_move_key_of_word(const uint8_t *cb, uint32_t word);

// The Move word the root answers with for the generated move gm and a
// score: the squares, and the knight bit when gm is the knight promotion
// (the queen promotion on the same squares is another move).
constexpr uint32_t root_move_word(uint32_t gm, uint32_t score) {
  return move_word(gm_from(gm), gm_to(gm)) | (gm_kind(gm) == KIND_PROMO_KNIGHT ? MW_PROMO_KNIGHT : 0) | score;
}

// The root's moves for the position on cb (whose pieces are sets) in the
// search's order: every generated move (legal or not: the search finds out)
// or, when only_count is above 0, those whose key only lists. None excluded.
void root_moves_generate(RootMoves &root, const uint8_t *cb, const PieceSets &sets, const uint32_t *only,
                         int only_count);

// The root may play gm alone.
void root_moves_one(RootMoves &root, uint32_t gm);

// Leaves out the move with this key until the list is made again; false
// when the list has no such move.
bool root_moves_exclude(RootMoves &root, uint32_t key);
