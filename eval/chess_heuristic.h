// Static evaluation: the game phase, the evaluation entry, the three phase
// evaluators and their terms. Scores are on the search's scale: 30000
// balanced, White's advantage added, from White's point of view. Nothing here
// keeps state: the phase is the caller's (a search fixes it at its root), and
// whoever evaluates counts its own evaluations.
#pragma once

#include <cstdint>

#include "board/board_scan.h"

enum GamePhase : int { PHASE_UNDEFINED = 0, PHASE_OPENING = 1, PHASE_MIDDLE = 2, PHASE_ENDING = 3 };

// Phase for a game in which n full moves have been played: the opening for
// n <= 7, then middle game or ending by the material count of both sides
// (knight, bishop, rook 1 each, queen 2; more than 6 is a middle game).
int get_game_position(const uint8_t *cb, int n);

// Evaluates the board with the evaluator of the phase (a GamePhase). An
// undefined phase is fatal.
int heuristic(const uint8_t *cb, int phase);

// The same score as heuristic, for a board whose piece sets and whose sum of
// that phase's piece-square values (piece_square_sum) the caller keeps: what
// the search evaluates with. An undefined phase is fatal.
int heuristic_kept(const uint8_t *cb, const PieceSets &sets, int material, int phase);

// Sum over the board's pieces of the phase's material and square bonus
// (White's pieces positive, Black's negative); an undefined phase counts as
// the opening.
int piece_square_sum(const uint8_t *cb, int phase);

// The evaluators of the three phases; side is accepted and never read.
int heuristic_opening(const uint8_t *cb, uint8_t side);
int heuristic_middle(const uint8_t *cb, uint8_t side);
int heuristic_ending(const uint8_t *cb, uint8_t side);

// Terms, each already signed for White's point of view.
int check_security_king(const uint8_t *cb, int king_square, int colour);
int malus_pawn_security(const uint8_t *cb, int pawn_square, int colour);
int hoz_evaluation(int score, const uint8_t *pawn_files, const uint8_t *rook_files);
int castling_evaluation(const uint8_t *cb, int score);
