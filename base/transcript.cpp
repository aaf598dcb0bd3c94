#include "base/transcript.h"

#include <cstring>
#include <string>

#include "base/platform_io.h"

namespace {
std::string log_file = "UCI_debug.txt";
}  // namespace

bool g_uci_transcript = true;

void UCI_LOG(const char *text) {
  if (!g_uci_transcript || log_file.empty()) return;
  // Opened and closed per entry, so the transcript on disk is complete up to
  // the last entry whatever happens to the process; never re-created.
  const int fd = io_open_append(log_file.c_str());
  if (fd < 0) return;
  io_write(fd, text, std::strlen(text));
  io_close(fd);
}

void set_transcript_file(const char *path, bool empty_it) {
  log_file = path;
  if (empty_it) UCI_CLEAN_LOG();
}

void UCI_CLEAN_LOG() {
  if (log_file.empty()) return;
  const int fd = io_open_truncate(log_file.c_str());
  if (fd >= 0) io_close(fd);
}
