#include "base/platform_memory.h"

#include <cstdint>
#include <cstring>

#if defined(__linux__)
#include <fcntl.h>
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

namespace {

#if defined(__linux__)
// The block widened to whole pages.
struct PageRange {
  uintptr_t first;
  size_t bytes;
};
PageRange page_range(const void *block, size_t bytes, size_t page) {
  const uintptr_t start = reinterpret_cast<uintptr_t>(block);
  const uintptr_t first = start - start % page;
  const uintptr_t end = start + bytes;
  const uintptr_t last = end % page == 0 ? end : end + (page - end % page);
  return PageRange{first, size_t(last - first)};
}
#endif

}  // namespace

void memory_make_resident(void *block, size_t bytes) {
  if (block == nullptr || bytes == 0) return;
#if defined(__linux__)
  const long page = sysconf(_SC_PAGESIZE);
  if (page <= 0) return;
#if defined(MADV_POPULATE_WRITE)
  // One call faults every page in, as large pages where the block was
  // advised so; older kernels refuse it and the loop below does the work.
  const PageRange r = page_range(block, bytes, size_t(page));
  (void)madvise(reinterpret_cast<void *>(r.first), r.bytes, MADV_POPULATE_WRITE);
#endif
  // A write per page: each byte written back as it was read. Also after an
  // accepted advice, since an emulator may accept it without acting on it
  // (qemu's user mode does, and the table would then fill in only as the
  // search writes it); on pages already there the loop costs little.
  volatile uint8_t *p = static_cast<volatile uint8_t *>(block);
  for (size_t i = 0; i < bytes; i += size_t(page)) p[i] = p[i];
  p[bytes - 1] = p[bytes - 1];
#else
  volatile uint8_t *p = static_cast<volatile uint8_t *>(block);
  for (size_t i = 0; i < bytes; i += 4096) p[i] = p[i];
  p[bytes - 1] = p[bytes - 1];
#endif
}

size_t memory_resident_bytes(const void *block, size_t bytes) {
#if defined(__linux__)
  if (block == nullptr || bytes == 0) return 0;
  const long page = sysconf(_SC_PAGESIZE);
  if (page <= 0) return 0;
  const PageRange r = page_range(block, bytes, size_t(page));
  const size_t pages = r.bytes / size_t(page);
  // One status byte per page, in slices so that a large table needs no
  // large buffer.
  unsigned char status[4096];
  size_t resident = 0;
  for (size_t done = 0; done < pages;) {
    const size_t n = pages - done < sizeof status ? pages - done : sizeof status;
    if (mincore(reinterpret_cast<void *>(r.first + done * size_t(page)), n * size_t(page), status) != 0) return 0;
    for (size_t i = 0; i < n; ++i) resident += status[i] & 1;
    done += n;
  }
  // Whole pages are counted; the block itself may begin and end inside one.
  const size_t total = resident * size_t(page);
  return total < bytes ? total : bytes;
#else
  (void)block;
  (void)bytes;
  return 0;
#endif
}

uint64_t memory_available_bytes() {
#if defined(__linux__)
  // The kernel's own estimate of what can be allocated without swapping;
  // the line reads "MemAvailable:   23912345 kB".
  const int fd = open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char text[4096];
  const ssize_t n = read(fd, text, sizeof text - 1);
  close(fd);
  if (n <= 0) return 0;
  text[n] = '\0';
  const char *at = std::strstr(text, "MemAvailable:");
  if (at == nullptr) return 0;
  at += 13;
  while (*at == ' ' || *at == '\t') ++at;
  uint64_t kb = 0;
  bool digits = false;
  for (; *at >= '0' && *at <= '9'; ++at) {
    if (kb > (UINT64_MAX - 9) / 10 / 1024) return 0;
    kb = kb * 10 + uint64_t(*at - '0');
    digits = true;
  }
  return digits ? kb * 1024 : 0;
#else
  return 0;
#endif
}
