#include "frontend/search_input.h"

#include <cstdlib>

#include "base/text.h"
#include "frontend/command_queue.h"
#include "frontend/chess_uci.h"
#include "search/search_limits.h"

namespace {

// "quit" or the end of the input came: nothing more is read.
bool input_ended = false;

// A ponder search waits for "ponderhit", which starts the move's clock.
bool pondering = false;

// Deals with one line read during a search and says what the search must do.
// The line is owned here: released, or handed to the loop's queue.
int handle_line(char *line) {
  if (is_stop_command(line)) {
    std::free(line);
    return SEARCH_INPUT_STOP;
  }
  if (is_keyword_line(line, "ponderhit")) {
    std::free(line);
    if (!pondering) return SEARCH_INPUT_NONE;  // no ponder search: ignored
    pondering = false;
    return SEARCH_INPUT_PONDERHIT;
  }
  // Recognised as the waits recognise them, by the keyword's length.
  if (begins_with(line, "quit")) {
    // Queued behind the lines that came before it: the loop handles those
    // first, then ends on it.
    push_command_line(line);
    input_ended = true;
    return SEARCH_INPUT_QUIT;
  }
  if (begins_with(line, "isready")) {
    std::free(line);
    UCI_readyok();
    return SEARCH_INPUT_NONE;
  }
  push_command_line(line);
  return SEARCH_INPUT_NONE;
}

}  // namespace

bool is_stop_command(const char *line) { return is_keyword_line(line, "stop"); }

int poll_search_input() {
  if (input_ended) return SEARCH_INPUT_QUIT;
  for (;;) {
    char *line = nullptr;
    switch (UCI_poll_line(&line)) {
      case UCI_POLL_NOTHING:
        return SEARCH_INPUT_NONE;
      case UCI_POLL_END:
        input_ended = true;
        return SEARCH_INPUT_QUIT;
      default:
        break;
    }
    const int what = handle_line(line);
    if (what != SEARCH_INPUT_NONE) return what;
  }
}

int wait_search_stop(bool infinite) {
  if (input_ended) return SEARCH_INPUT_QUIT;
  for (;;) {
    char *line = UCI_recv();
    if (line == nullptr) {
      input_ended = true;
      return SEARCH_INPUT_QUIT;
    }
    const int what = handle_line(line);
    if (what == SEARCH_INPUT_PONDERHIT) {
      if (!infinite) return SEARCH_INPUT_NONE;
      continue;
    }
    if (what != SEARCH_INPUT_NONE) return what;
  }
}

void reset_search_input() {
  input_ended = false;
  pondering = false;
}

void start_pondering() { pondering = true; }

bool is_pondering() { return pondering; }

void stop_pondering() { pondering = false; }
