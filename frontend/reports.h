// What the engine tells the front end about a search: one "info" line per
// finished pass and the "bestmove" that ends every "go".
#pragma once

#include <cstdint>

#include "frontend/game_history.h"
#include "search/search_driver.h"

// Promotion flag of UCI_sendmove.
enum PromotionFlag : uint8_t { PROMO_NONE = 0, PROMO_QUEEN = 1, PROMO_KNIGHT = 2, PROMO_ROOK = 3, PROMO_BISHOP = 4 };

// Sends "bestmove" with the two squares in coordinate text and the flag's
// promotion letter (q, n, r, b); both squares 0 sends "bestmove (none)".
void UCI_sendmove(uint8_t from, uint8_t to, uint8_t flag);

// Sends the Move word as "bestmove", with the promotion letter when a pawn
// of the board reaches the last rank; a word without squares sends "(none)".
// With the Ponder option on, " ponder <move>" follows when the line (may be
// nullptr) begins with the result and its second move is legal, and, with
// the game given, the game does not end with the result (see
// UCI_sendinfos).
void send_result(const uint8_t *cb, uint32_t result, const tagLINE *line, const GameHistory *game = nullptr);

// The search's reporter (a ThinkReporter): one pass as the line
//   info depth D [seldepth S] [multipv K] score cp X|mate N time T nodes E nps V [hashfull H] [pv ...]
// with D the pass's depth, S the search line's length when longer, K the
// line's rank in an analysis of several lines (none for a single line), the
// score a centipawn figure or, at +-30000, a mate at the report's distance
// (read from the line's length when the report has none), H the table's
// fill per mille when the report gives it, and the principal variation as far as it is
// legal from the board's position, beginning with the move the engine
// would play (the word is left out when nothing remains).
//
// The report's context, when not nullptr, is the game (a GameHistory, the
// command loop's request gives it): the line then ends, that move kept, at
// the move with which the game would end, a position standing for the third
// time or the hundredth half-move without a capture or a pawn move. Only the
// text is cut: the score, the seldepth and a mate's distance read from the
// line are the search's.
void UCI_sendinfos(const uint8_t *cb, const ThinkReport &report);

// The search's root move listener (a RootMoveListener): "info currmove
// <move> currmovenumber <n>" for a legal move; a move that leaves the king
// attacked is not told.
void send_current_move(const uint8_t *cb, uint32_t gm, int number);

// Announces the book's move before its "bestmove": "info string book move
// <move> from <book>", the name shown in printable characters.
void send_book_move(const uint8_t *cb, uint32_t move, const char *book);

// The report of a side to move without a legal move: "info depth 0 score
// mate 0" when it is checkmated, "info depth 0 score cp 0" when stalemated.
void send_no_move_report(bool mated);
