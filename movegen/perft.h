// Generated moves played as game moves: the legality test that perft, the
// move lists of the tools and the SAN reader share, and perft itself.
#pragma once

#include <cstdint>

#include "board/chess_cb.h"

// The Move word that makes a Generated move with play_move: play_move
// recognises castling and en passant from the board, and needs only the
// knight bit to tell the two promotions apart.
uint32_t game_move_of(uint32_t gm);

// Makes the Generated move on child (a copy of the board it was generated
// from) as a game move and toggles the side to move; answers whether the
// mover's king is then safe, i.e. whether the move was legal. child holds the
// position after the move either way.
bool play_if_legal(uint8_t *child, uint32_t gm);

// Number of legal move sequences of length depth from the board's position
// (1 at depth 0), counted with game moves. Recursive, one board copy and one
// move list on the stack per ply; nothing is allocated.
uint64_t perft(const uint8_t *cb, int depth);

// A count that may be told to stop: asked (with its context) at every node
// two plies or more above the count's last ply, so a few tens of
// microseconds apart at most. Once it answers true, stopped is set and every
// level returns at once: the total is then partial, and means nothing.
struct PerftStop {
  bool (*asked)(void *context);
  void *context;
  bool stopped = false;
};

// The same count by the rules of chess: a pawn reaching the last rank
// becomes any of queen, rook, bishop and knight, where the generator (and
// perft above) offers only the queen and the knight. What "go perft" counts.
// stop: nullptr, or the question that may end the count early.
uint64_t perft_all_promotions(const uint8_t *cb, int depth, PerftStop *stop = nullptr);
