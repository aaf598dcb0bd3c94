// The engine's pseudo-random numbers for the table's keys and the text
// book's choice: the C library's rand and srand as the GNU C library has
// them (an additive generator over 31 words, 31-bit results, seed 1 until
// seeded), written out so that every system draws the same numbers. The
// Windows runtime's own rand is another generator (15-bit results): with it
// the keys, and so every search that the table helps, would differ between
// platforms, the bench count with them.
#pragma once

#include <cstdint>

inline constexpr int VELKOR_RAND_MAX = 2147483647;

// The next number, 0 to VELKOR_RAND_MAX. One stream for the process, for
// one thread at a time (the keys are drawn and the book consulted between
// searches, by the command loop).
int velkor_rand();

// Starts the stream again from the seed (0 counts as 1), as srand does.
void velkor_srand(unsigned seed);
