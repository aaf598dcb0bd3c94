#include "base/transcript.h"

#include <cstring>

#include "base/platform_io.h"

namespace {
constexpr const char *LOG_FILE = "UCI_debug.txt";
}  // namespace

bool g_uci_transcript = true;

void UCI_LOG(const char *text) {
  if (!g_uci_transcript) return;
  // Opened and closed per entry, so the transcript on disk is complete up to
  // the last entry whatever happens to the process; never re-created.
  const int fd = io_open_append(LOG_FILE);
  if (fd < 0) return;
  io_write(fd, text, std::strlen(text));
  io_close(fd);
}

void UCI_CLEAN_LOG() {
  const int fd = io_open_truncate(LOG_FILE);
  if (fd >= 0) io_close(fd);
}
