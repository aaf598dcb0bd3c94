// Moves written in coordinates, as the protocol and the tools write them:
// "e2e4", with the promotion's letter when a pawn reaches the last rank.
#pragma once

#include <cstdint>
#include <string>

// Room for a move's text and its terminating zero.
inline constexpr int MOVE_TEXT_SIZE = 6;

// Writes the move from-to into out (MOVE_TEXT_SIZE bytes), followed by the
// letter of promotion (q, r, b, n for QUEEN, ROOK, BISHOP, KNIGHT; nothing
// for EMPTY), zero-terminated, and returns its length.
int write_move_text(int from, int to, uint8_t promotion, char *out);

// The same as a string, for the tools.
std::string move_text(int from, int to, uint8_t promotion = 0);
std::string square_text(int square);

// The squares of a search's result as the bench and the tools print them
// ("0000" when it names no move; no promotion letter).
std::string result_move_text(uint32_t mw);
