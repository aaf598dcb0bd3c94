// Hints to the system about how the engine's large blocks of memory are used.
#pragma once

#include <cstddef>
#include <cstdint>

// Asks the system to back the block with large pages where it can. The
// transposition table is read at a random place at every node: with small
// pages nearly every probe also misses the processor's page-translation
// cache. Only a hint: the memory, its contents and the resident size until
// pages are written are unchanged, and nothing happens where the system
// offers no such pages.
void memory_advise_large_pages(void *block, size_t bytes);

// Makes every page of the block resident now, without changing a byte of
// it: the first write to a page of freshly allocated memory costs a fault
// (and zeroing) that would otherwise fall on whoever touches it first, for
// the transposition table the first search.
void memory_make_resident(void *block, size_t bytes);

// Bytes of the block that are resident in memory now (0 where the system
// cannot tell).
size_t memory_resident_bytes(const void *block, size_t bytes);

// The memory the system can still hand out without swapping or killing a
// process, in bytes; 0 when it cannot tell.
uint64_t memory_available_bytes();
