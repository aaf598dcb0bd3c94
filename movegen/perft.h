// Generated moves played as game moves: the legality test that perft, the
// move lists of the tools and the SAN reader share, and perft itself, whole
// or divided by first move.
#pragma once

#include <cstdint>
#include <functional>

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

// Which promotions a count takes: the generator's (queen and knight, as
// perft) or all four (as perft_all_promotions).
enum PerftPromotions { PERFT_GENERATED_PROMOTIONS, PERFT_ALL_PROMOTIONS };

// A legal first move of a divided count: its squares and the piece a pawn
// becomes (EMPTY when the move promotes nothing).
struct PerftRootMove {
  uint8_t from, to, promotion;
};

// Told each legal first move with its count; answering false stops the
// count there (a caller that can be interrupted asks here).
using PerftVisit = std::function<bool(const PerftRootMove &move, uint64_t count)>;

// The count of perft or perft_all_promotions at depth, divided by first
// move: visit is told every legal first move in the generator's order (with
// all promotions, a queen promotion is followed by the rook and the bishop
// ones) and the number of legal sequences of length depth that begin with
// it. Returns the sum of the counts told. A depth below 1 has no first move:
// nothing is told, and the sum is 0. A count with all promotions may be given
// a stop: once it has stopped, the move being counted is not told and the
// sum returned is that of the moves told before.
uint64_t perft_divide(const uint8_t *cb, int depth, PerftPromotions promotions, const PerftVisit &visit,
                      PerftStop *stop = nullptr);
