// What the engine tells the front end about a search: one "info" line per
// finished pass and the "bestmove" that ends every "go".
#pragma once

#include <cstdint>

#include "search/search_driver.h"

// Promotion flag of UCI_sendmove.
enum PromotionFlag : uint8_t { PROMO_NONE = 0, PROMO_QUEEN = 1, PROMO_KNIGHT = 2, PROMO_ROOK = 3, PROMO_BISHOP = 4 };

// Sends "bestmove" with the two squares in coordinate text and the flag's
// promotion letter (q, n, r, b); both squares 0 sends "bestmove (none)".
void UCI_sendmove(uint8_t from, uint8_t to, uint8_t flag);

// Sends the Move word as "bestmove", with the promotion letter when a pawn
// of the board reaches the last rank; a word without squares sends "(none)".
void send_result(const uint8_t *cb, uint32_t result);

// Sends one "info" line: "depth" is the greater of depth and
// iteration_depth, the score a centipawn figure or, at +-30000, a mate whose
// distance is read from the line's length.
void UCI_sendinfos(int depth, int score, const tagLINE &line, int time, uint32_t nodes, int iteration_depth);

// The search's reporter (a ThinkReporter): each pass as an "info" line.
void send_search_report(const uint8_t *cb, const ThinkReport &report);
