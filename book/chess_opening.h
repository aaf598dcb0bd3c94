// Opening book lookup in "book.txt".
#pragma once

#include <cstdint>

// A book reply for the opening text as a Move word with 30000 in its score
// field, or 0 when the book has no move.
uint32_t check_opening_book(const char *text);
