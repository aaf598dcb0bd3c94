#include "frontend/command_queue.h"

#include <cstdlib>
#include <deque>

#include "frontend/chess_uci.h"

namespace {

// Lines that have been read but not yet handled by the command loop.
std::deque<char *> pending_lines;

}  // namespace

void push_command_line(char *line) { pending_lines.push_back(line); }

char *next_command_line() {
  if (!pending_lines.empty()) {
    char *line = pending_lines.front();
    pending_lines.pop_front();
    return line;
  }
  return UCI_recv();
}

void clear_command_lines() {
  for (char *line : pending_lines) std::free(line);
  pending_lines.clear();
}
