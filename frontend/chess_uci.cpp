#include "frontend/chess_uci.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frontend/platform_io.h"

namespace {
constexpr const char *LOG_FILE = "UCI_debug.txt";
// Longest input line kept whole; the rest of a longer line is read and dropped.
constexpr size_t MAX_LINE = size_t(1) << 20;
}  // namespace

int g_uci_input_fd = IO_STDIN;
int g_uci_output_fd = IO_STDOUT;

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
  char *line = my_get_next_line(g_uci_input_fd, '\n');
  if (line != nullptr) {
    UCI_LOG(line);
    UCI_LOG("\n");
  }
  return line;
}

void UCI_send(const char *text) {
  io_write(g_uci_output_fd, text, std::strlen(text));
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

int UCI_identifier(const char *name, const char *author) {
  UCI_CLEAN_LOG();
  // The front end's opening command is answered as "uci" whatever it says.
  char *first = UCI_recv();
  if (first == nullptr) return 0;
  std::free(first);
  char text[256];
  std::snprintf(text, sizeof text, "id name %s\n", name);
  UCI_send(text);
  std::snprintf(text, sizeof text, "id author %s\n", author);
  UCI_send(text);
  return 1;
}

void UCI_ok() { UCI_send("uciok\n"); }

void UCI_readyok() { UCI_send("readyok\n"); }

void UCI_set_opts() {}

void UCI_debug(const char * /*text*/, const uint8_t * /*cb*/) {}

void UCI_sendmove(uint8_t from, uint8_t to, uint8_t flag) {
  // A result without squares means the side to move has no move at all
  // (mate or stalemate); front ends read "(none)" as exactly that.
  if (from == 0 && to == 0) {
    UCI_send("bestmove (none)\n");
    return;
  }
  static constexpr char promotion_letter[] = {'\0', 'q', 'n', 'r', 'b'};
  const char suffix[2] = {flag < sizeof promotion_letter ? promotion_letter[flag] : '\0', '\0'};
  // Column 2..9 is the file a..h, row 2..9 the rank 1..8.
  char text[32];
  std::snprintf(text, sizeof text, "bestmove %c%d%c%d%s\n", char(95 + from % 12), (from - 24) / 12 + 1,
                char(95 + to % 12), (to - 24) / 12 + 1, suffix);
  UCI_send(text);
}
