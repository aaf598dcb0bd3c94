// The engine's book, whatever its format: one answer to "has the book a move
// here?" for the command loop, which only decides whether to ask.
#pragma once

#include <cstdint>
#include <string>

// The book's move for the game on the board, with its book score in the
// score field, or 0 when the book at path has none (the engine then
// searches). A Polyglot book (a name ending in ".bin") answers from any
// position, by the board's key; a text book answers only games that began at
// the start position, by their opening text (the game's move tokens without
// separators; nullptr for a game that began elsewhere). The text book's
// lines are standard games, so under Chess960 rules its castling (e1g1) is
// played as the king taking its rook, and a reply that is no legal move
// here is none.
//
// note is emptied, then holds one line for the front end when something is
// wrong with a Polyglot book (polyglot_book_move, with said, the caller's
// memory of the problem last said).
uint32_t engine_book_move(const char *path, const uint8_t *cb, const char *opening_text, std::string &note,
                          std::string &said);
