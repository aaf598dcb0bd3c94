#include "base/platform_memory.h"

#include <windows.h>
#include <psapi.h>

#include <cstdint>

namespace {

size_t page_size() {
  static const size_t page = [] {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize > 0 ? size_t(info.dwPageSize) : size_t(4096);
  }();
  return page;
}

}  // namespace

// Large pages on Windows need the "lock pages in memory" privilege, which
// no ordinary account holds, and are asked for when the memory is reserved,
// not afterwards: the table keeps the system's small pages.
void memory_advise_large_pages(void *block, size_t bytes) {
  (void)block;
  (void)bytes;
}

void memory_make_resident(void *block, size_t bytes) {
  if (block == nullptr || bytes == 0) return;
  // A write per page: each byte written back as it was read.
  volatile uint8_t *p = static_cast<volatile uint8_t *>(block);
  const size_t page = page_size();
  for (size_t i = 0; i < bytes; i += page) p[i] = p[i];
  p[bytes - 1] = p[bytes - 1];
}

size_t memory_resident_bytes(const void *block, size_t bytes) {
  if (block == nullptr || bytes == 0) return 0;
  const size_t page = page_size();
  const uintptr_t start = reinterpret_cast<uintptr_t>(block);
  const uintptr_t first = start - start % page;
  const uintptr_t end = start + bytes;
  // The process's working set, asked a slice of pages at a time, so that a
  // large table needs no large buffer.
  PSAPI_WORKING_SET_EX_INFORMATION pages[512];
  size_t resident = 0;
  for (uintptr_t at = first; at < end;) {
    DWORD n = 0;
    for (; n < 512 && at + n * page < end; ++n) {
      pages[n].VirtualAddress = reinterpret_cast<void *>(at + n * page);
      pages[n].VirtualAttributes.Flags = 0;
    }
    if (!QueryWorkingSetEx(GetCurrentProcess(), pages, DWORD(n * sizeof pages[0]))) return 0;
    for (DWORD i = 0; i < n; ++i) resident += pages[i].VirtualAttributes.Valid ? 1 : 0;
    at += n * page;
  }
  // Whole pages are counted; the block itself may begin and end inside one.
  const size_t total = resident * page;
  return total < bytes ? total : bytes;
}

uint64_t memory_available_bytes() {
  MEMORYSTATUSEX status;
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return 0;
  // Free memory, and for a 32-bit program the free part of its own address
  // space too (2 to 4 GB), whichever is less: a table larger than either
  // cannot be had.
  const uint64_t physical = status.ullAvailPhys;
  const uint64_t address_space = status.ullAvailVirtual;
  return physical < address_space ? physical : address_space;
}
