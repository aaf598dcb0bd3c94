#include "frontend/chess_uci.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/line_reader.h"
#include "base/platform_io.h"
#include "base/transcript.h"

namespace {

// The protocol input's unfinished line: a search that looks at its input
// may read part of a line, and the next read carries on from it, so that
// every line is taken whole and exactly once.
PartialLine protocol_partial;
int protocol_partial_fd = -1;

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

