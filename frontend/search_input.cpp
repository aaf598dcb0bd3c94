#include "frontend/search_input.h"

#include <cstdlib>

#include "frontend/chess_uci.h"
#include "frontend/commands.h"
#include "search/search_limits.h"

namespace {

// Deals with one line taken during a search, by its row of the command
// table, and says what the search must do. The line is the session's now:
// released, or queued for the loop.
int handle_line(Session &session, char *line) {
  switch (command_action(line, IN_SEARCH)) {
    case CommandAction::STOP: std::free(line); return SEARCH_INPUT_STOP;
    case CommandAction::PONDERHIT:
      std::free(line);
      if (!session.pondering) return SEARCH_INPUT_NONE;  // no ponder search: ignored
      session.pondering = false;
      return SEARCH_INPUT_PONDERHIT;
    case CommandAction::QUIT:
      // Queued behind the lines that came before it: the loop handles those
      // first, then ends on it.
      push_command_line(session, line);
      session.input_ended = true;
      return SEARCH_INPUT_QUIT;
    case CommandAction::READY:
      std::free(line);
      UCI_readyok();
      return SEARCH_INPUT_NONE;
    default:  // waits its turn
      push_command_line(session, line);
      return SEARCH_INPUT_NONE;
  }
}

}  // namespace

int poll_search_input(void *context) {
  Session &session = *static_cast<Session *>(context);
  if (session.input_ended) return SEARCH_INPUT_QUIT;
  // Nothing has arrived: the usual answer, without a lock.
  if (!UCI_input_arrived()) return SEARCH_INPUT_NONE;
  for (;;) {
    char *line = nullptr;
    switch (UCI_recv_arrived(&line)) {
      case UCI_NOTHING_YET: return SEARCH_INPUT_NONE;
      case UCI_INPUT_ENDED: session.input_ended = true; return SEARCH_INPUT_QUIT;
      default: break;
    }
    const int what = handle_line(session, line);
    if (what != SEARCH_INPUT_NONE) return what;
  }
}

int wait_search_stop(Session &session, bool infinite) {
  if (session.input_ended) return SEARCH_INPUT_QUIT;
  for (;;) {
    char *line = UCI_recv();
    if (line == nullptr) {
      session.input_ended = true;
      return SEARCH_INPUT_QUIT;
    }
    const int what = handle_line(session, line);
    if (what == SEARCH_INPUT_PONDERHIT) {
      if (!infinite) return SEARCH_INPUT_NONE;
      continue;
    }
    if (what != SEARCH_INPUT_NONE) return what;
  }
}

CountInput count_input(Session &session) {
  CountInput c{&session, 0, false};
  c.arrived_before = UCI_lines_arrived(&c.ended_before);
  return c;
}

bool perft_stop_asked(void *context) {
  CountInput &c = *static_cast<CountInput *>(context);
  Session &session = *c.session;
  if (session.input_ended) return true;
  if (!UCI_input_arrived()) return false;
  for (;;) {
    char *line = nullptr;
    switch (UCI_recv_arrived(&line)) {
      case UCI_NOTHING_YET: return false;
      case UCI_INPUT_ENDED:
        if (c.ended_before) return false;
        session.input_ended = true;
        return true;
      default: break;
    }
    const bool before = c.arrived_before > 0;
    if (before) --c.arrived_before;
    if (before && command_action(line, IN_SEARCH) == CommandAction::QUIT) {
      push_command_line(session, line);  // the loop ends on it after the count
      continue;
    }
    const int what = handle_line(session, line);
    if (what == SEARCH_INPUT_STOP || what == SEARCH_INPUT_QUIT) return true;
  }
}
