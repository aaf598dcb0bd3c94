// Which moves the root of the search may play: all of them (the usual
// case), only those a "go searchmoves" listed, and never those that earlier
// lines of a several-line analysis already took. Deeper nodes search every
// move; only alpha_beta's root consults this.
#pragma once

#include <cstdint>

#include "board/chess_cb.h"

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

// Room for every move the root can search, and for the lines of an analysis.
inline constexpr int ROOT_MOVES_CAPACITY = MAX_GENERATED_MOVES;

// One searching thread's restriction of the root (its Search record holds
// it); a value-initialised record allows every move.
struct RootMoves {
  bool filtered;  // any of the lists below is not empty: the root must look
  int only_count;  // 0: every move may be played
  int excluded_count;
  uint32_t only[ROOT_MOVES_CAPACITY];
  uint32_t excluded[ROOT_MOVES_CAPACITY];
};

// Whether the root may play the generated move. Asked only when
// root.filtered, so that an unfiltered search pays one test per root move.
bool root_move_allowed(const RootMoves &root, uint32_t gm);

// Only these moves at the root (count 0: all of them); clears the exclusions.
// Keys beyond the capacity and repeated keys are dropped.
void root_moves_only(RootMoves &root, const uint32_t *keys, int count);

// Adds one move that the root may no longer play; false when there is no
// room left (the move stays allowed).
bool root_moves_exclude(RootMoves &root, uint32_t key);

// Lifts every exclusion; the "only" list stays.
void root_moves_clear_exclusions(RootMoves &root);
