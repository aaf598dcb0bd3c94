// Opening book lookup in a text book ("book.txt" unless the BookFile option
// names another).
#pragma once

#include <cstdint>

// A book reply for the opening text (the game's move tokens without
// separators) as a Move word with 30000 in its score field, or 0 when the
// book has no move: no readable book file, no line that begins with the
// text, a chosen line that ends with the text, or a reply that is not a move.
uint32_t check_opening_book(const char *path, const char *text);
