// Static evaluation: the game phase, the evaluation entry with its counter,
// the three phase evaluators and their terms. Scores are on the search's
// scale: 30000 balanced, White's advantage added, from White's point of view.
#pragma once

#include <cstdint>

#include "board/board_scan.h"

enum GamePhase : int { PHASE_UNDEFINED = 0, PHASE_OPENING = 1, PHASE_MIDDLE = 2, PHASE_ENDING = 3 };

extern int game_position;         // phase used by every evaluation of a search
extern int heuristic_calculated;  // evaluations since the counter was zeroed

// Phase for a game in which n full moves have been played: the opening for
// n <= 7, then middle game or ending by the material count of both sides
// (knight, bishop, rook 1 each, queen 2; more than 6 is a middle game).
int get_game_position(const uint8_t *cb, int n);
void set_game_position(int phase);

void ini_stat_calculated();
int stat_heuristic_calculated();

// Evaluates the board with the evaluator of the current phase; side is handed
// on and ignored. An undefined phase is fatal.
int heuristic(const uint8_t *cb, uint8_t side);

// The same score as heuristic under the given phase, for a board whose piece
// sets and whose sum of that phase's piece-square values (piece_square_sum)
// the caller keeps: what the search evaluates with. Reads no global and
// counts nothing (the search counts its own evaluations). An undefined
// phase is fatal.
int heuristic_kept(const uint8_t *cb, const PieceSets &sets, int material, int phase);

// Sum over the board's pieces of the phase's material and square bonus
// (White's pieces positive, Black's negative); an undefined phase counts as
// the opening.
int piece_square_sum(const uint8_t *cb, int phase);

int heuristic_opening(const uint8_t *cb, uint8_t side);
int heuristic_middle(const uint8_t *cb, uint8_t side);
int heuristic_ending(const uint8_t *cb, uint8_t side);

// Terms, each already signed for White's point of view.
int check_security_king(const uint8_t *cb, int king_square, int colour);
int malus_pawn_security(const uint8_t *cb, int pawn_square, int colour);
int hoz_evaluation(int score, const uint8_t *pawn_files, const uint8_t *rook_files);
int castling_evaluation(const uint8_t *cb, int score);
