#include "frontend/chess_uci.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "frontend/platform_io.h"

namespace {
constexpr const char *LOG_FILE = "UCI_debug.txt";
// Longest input line kept whole; the rest of a longer line is read and dropped.
constexpr size_t MAX_LINE = size_t(1) << 20;
}  // namespace

char *my_get_next_line(int fd, char terminator) {
  std::string line;
  bool cut = false;
  for (;;) {
    char c;
    // One byte per read: nothing beyond the current line is consumed.
    if (io_read(fd, &c, 1) != 1) return nullptr;  // end of input or error
    if (c == terminator) break;
    if (c == '\r') continue;
    if (line.size() < MAX_LINE)
      line += c;
    else
      cut = true;
  }
  if (cut) UCI_LOG("*** WARNING **** : input line too long, cut to 1048576 characters\n");
  char *result = static_cast<char *>(std::malloc(line.size() + 1));
  if (result == nullptr) return nullptr;
  std::memcpy(result, line.data(), line.size());
  result[line.size()] = '\0';
  return result;
}

char *UCI_recv() {
  char *line = my_get_next_line(IO_STDIN, '\n');
  if (line != nullptr) {
    UCI_LOG(line);
    UCI_LOG("\n");
  }
  return line;
}

void UCI_send(const char *text) {
  io_write(IO_STDOUT, text, std::strlen(text));
  UCI_LOG(text);
}

void UCI_LOG(const char *text) {
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
