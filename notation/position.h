// Replaying the move list of a "position" line onto the board, and the
// coordinate move-text converter that the replay and the book share.
#pragma once

#include <cstdint>

// Opening text: the move tokens of the current "position" line written one
// after another without separators; read by the text book. Whoever replays
// the game owns it (the command loop keeps one per game) and empties it
// before a new game is replayed.
inline constexpr int OPENING_TEXT_SIZE = 2048;
struct OpeningText {
  char text[OPENING_TEXT_SIZE];  // always terminated
};

// Replays the blank- or tab-separated move tokens of text onto the board
// (which the caller has put in the game's first position, the side to move
// in byte 144) and returns the number of moves made. Each token read is
// appended to opening, when given, as long as the whole token fits.
int load_position_txt2(uint8_t *cb, const char *text, OpeningText *opening = nullptr);

// Converts one token (a leading upper-case piece letter is dropped).
uint32_t set_new_move_txt2(uint8_t *cb, const char *token, int side);

// Coordinate move text to Move word; MW_NOT_A_MOVE (1) if it is not a move.
// side (0 White, 1 Black) is used only by the castling forms "0-0", "0-0-0".
uint32_t convert_move(const char *text, int side);

