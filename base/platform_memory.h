// Hints to the system about how the engine's large blocks of memory are used.
#pragma once

#include <cstddef>

// Asks the system to back the block with large pages where it can. The
// transposition table is read at a random place at every node: with small
// pages nearly every probe also misses the processor's page-translation
// cache. Only a hint: the memory, its contents and the resident size until
// pages are written are unchanged, and nothing happens where the system
// offers no such pages.
void memory_advise_large_pages(void *block, size_t bytes);
