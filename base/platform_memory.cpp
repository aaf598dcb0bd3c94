#include "base/platform_memory.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

void memory_advise_large_pages(void *block, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (block == nullptr || bytes == 0) return;
  const long page = sysconf(_SC_PAGESIZE);
  if (page <= 0) return;
  // The advice takes whole pages: from the page the block starts in.
  const uintptr_t start = reinterpret_cast<uintptr_t>(block);
  const uintptr_t first = start - start % uintptr_t(page);
  madvise(reinterpret_cast<void *>(first), bytes + (start - first), MADV_HUGEPAGE);  // a refusal changes nothing
#else
  (void)block;
  (void)bytes;
#endif
}
