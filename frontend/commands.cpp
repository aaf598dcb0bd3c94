#include "frontend/commands.h"

#include <array>

#include "base/text.h"

namespace {

using A = CommandAction;

// Commands that front ends send as a bare word ("stop", "go ...") are
// recognised as the line's first word; the others by the line's beginning,
// as the engine always has ("isreadyx" is answered), so that a front end
// that relied on it still does. No keyword begins another, so the order of
// the rows does not matter.
constexpr std::array<Command, 9> COMMANDS = {{
    // keyword, whole word, code; then what the line does in the handshake,
    // the position wait, the go wait and a search.
    {"isready", false, CMD_ISREADY, {A::READY, A::READY_RESTART, A::READY, A::READY}},
    {"ucinewgame", false, CMD_UCINEWGAME, {A::NEW_GAME, A::NEW_GAME, A::NEW_GAME, A::QUEUE}},
    {"position", false, CMD_POSITION, {A::POSITION, A::POSITION, A::POSITION, A::QUEUE}},
    {"quit", false, CMD_QUIT, {A::QUIT, A::QUIT, A::QUIT, A::QUIT}},
    {"go", true, CMD_GO, {A::GO, A::GO, A::GO, A::QUEUE}},
    {"setoption", true, CMD_SETOPTION, {A::OPTION, A::OPTION, A::OPTION, A::QUEUE}},
    // Between searches a late "stop" or a stray "ponderhit" is no request.
    {"stop", true, CMD_STOP, {A::SKIP, A::SKIP, A::SKIP, A::STOP}},
    {"ponderhit", true, CMD_PONDERHIT, {A::SKIP, A::SKIP, A::SKIP, A::PONDERHIT}},
    // Any other line ("uci", "debug on", junk, an empty line): skipped in the
    // handshake; in the position wait it starts the loop afresh; in the go
    // wait it asks for a move, as the engine always has.
    {nullptr, false, CMD_OTHER, {A::SKIP, A::RESTART, A::GO, A::QUEUE}},
}};

}  // namespace

const Command &command_of(const char *line) {
  for (const Command &c : COMMANDS) {
    if (c.keyword == nullptr) return c;
    if (c.whole_word ? is_keyword_line(line, c.keyword) : begins_with(line, c.keyword)) return c;
  }
  return COMMANDS.back();
}
