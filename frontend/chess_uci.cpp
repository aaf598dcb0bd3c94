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

// The characters of a line read so far, before its terminator.
struct PartialLine {
  std::string text;
  bool cut = false;  // characters past MAX_LINE were dropped
};

// The protocol input's unfinished line: a search that looks at its input
// may read part of a line, and the next read carries on from it, so that
// every line is taken whole and exactly once.
PartialLine protocol_partial;
int protocol_partial_fd = -1;

enum ReadStatus { READ_LINE, READ_WOULD_WAIT, READ_END };

// Reads one byte per read into partial until the terminator. With wait
// false it reads only while a byte is ready, and answers READ_WOULD_WAIT,
// the partial line kept, when none is. READ_END: end of input or an error
// (the partial line is then never a line).
ReadStatus read_line_bytes(int fd, char terminator, PartialLine &partial, bool wait) {
  for (;;) {
    if (!wait && io_poll_read(fd) == 0) return READ_WOULD_WAIT;
    char c;
    // One byte per read: nothing beyond the current line is consumed.
    if (io_read_waiting(fd, &c, 1) != 1) return READ_END;
    if (c == terminator) return READ_LINE;
    if (c == '\r') continue;
    if (partial.text.size() < MAX_LINE)
      partial.text += c;
    else
      partial.cut = true;
  }
}

// The finished line as a heap text (nullptr if the heap is exhausted);
// partial is empty again after.
char *take_line(PartialLine &partial) {
  if (partial.cut) UCI_LOG("*** WARNING **** : input line too long, cut to 1048576 characters\n");
  char *result = static_cast<char *>(std::malloc(partial.text.size() + 1));
  if (result != nullptr) {
    std::memcpy(result, partial.text.data(), partial.text.size());
    result[partial.text.size()] = '\0';
  }
  partial = PartialLine{};
  return result;
}

// The protocol input's partial line; one kept for another descriptor (a
// test that pointed the input elsewhere) is dropped.
PartialLine &protocol_line() {
  if (protocol_partial_fd != g_uci_input_fd) {
    protocol_partial = PartialLine{};
    protocol_partial_fd = g_uci_input_fd;
  }
  return protocol_partial;
}

// Logs a line received on the protocol input.
void log_received(const char *line) {
  UCI_LOG(line);
  UCI_LOG("\n");
}

}  // namespace

int g_uci_input_fd = IO_STDIN;
int g_uci_output_fd = IO_STDOUT;
bool g_uci_transcript = true;

char *my_get_next_line(int fd, char terminator) {
  PartialLine partial;
  if (read_line_bytes(fd, terminator, partial, true) != READ_LINE) return nullptr;
  return take_line(partial);
}

char *UCI_recv() {
  PartialLine &partial = protocol_line();
  if (read_line_bytes(g_uci_input_fd, '\n', partial, true) != READ_LINE) return nullptr;
  char *line = take_line(partial);
  if (line != nullptr) log_received(line);
  return line;
}

int UCI_poll_line(char **line) {
  *line = nullptr;
  PartialLine &partial = protocol_line();
  switch (read_line_bytes(g_uci_input_fd, '\n', partial, false)) {
    case READ_WOULD_WAIT: return UCI_POLL_NOTHING;
    case READ_END: return UCI_POLL_END;
    case READ_LINE: break;
  }
  *line = take_line(partial);
  if (*line == nullptr) return UCI_POLL_END;
  log_received(*line);
  return UCI_POLL_LINE;
}

void UCI_forget_partial_line() {
  protocol_partial = PartialLine{};
  protocol_partial_fd = -1;
}

void UCI_send(const char *text) {
  io_write(g_uci_output_fd, text, std::strlen(text));
  UCI_LOG(text);
}

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

int UCI_identifier(const char *name, const char *author) {
  UCI_CLEAN_LOG();
  UCI_forget_partial_line();
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
