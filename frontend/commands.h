// The front end's commands: one table that says how each command is
// recognised and what it does in each state of the session, so that the
// handshake, the command loop and the search hear a line alike.
#pragma once

#include <cstdint>

// The commands the engine knows, and the codes the handshake's reader
// (UCI_wait_infos) returns.
enum CommandCode : int {
  CMD_END_OF_INPUT = 0,  // no line: the front end has gone
  CMD_ISREADY = 1,
  CMD_UCINEWGAME = 2,
  CMD_QUIT = 3,
  CMD_GO = 4,
  CMD_POSITION = 5,
  CMD_SETOPTION = 6,
  CMD_STOP = 7,
  CMD_PONDERHIT = 8,
  CMD_OTHER = 9,  // any other line
};

// Where a line is read: the handshake (before the first game), the command
// loop's two waits, or a search (or a "go perft" count) under way.
enum SessionState : int { IN_HANDSHAKE = 0, IN_POSITION_WAIT, IN_GO_WAIT, IN_SEARCH, SESSION_STATE_COUNT };

// What a line does in a state.
enum class CommandAction : uint8_t {
  SKIP,           // nothing is answered and nothing changes
  READY,          // "readyok"; nothing else changes
  READY_RESTART,  // "readyok", then the loop starts afresh on the same position
  NEW_GAME,       // an empty table, the strength levels reseeded, the loop afresh
  POSITION,       // the line's game is set up ("startpos", "fen"); another form forgets the game
  OPTION,         // the option is set and applied at once
  GO,             // answered with one "bestmove" ("go perft": its counts)
  RESTART,        // the loop starts afresh on the same position, the clock figures forgotten
  QUIT,           // the session ends (during a search: once the search has answered)
  STOP,           // the search answers now
  PONDERHIT,      // a ponder search's move clock starts
  QUEUE,          // waits for the command loop, behind the lines before it
};

struct Command {
  const char *keyword;  // nullptr: the row of every other line
  // The keyword must be the line's first word (followed by the line's end,
  // a blank or a tab); otherwise beginning with it is enough.
  bool whole_word;
  CommandCode code;
  CommandAction action[SESSION_STATE_COUNT];
};

// The row of the line's command; for a line that names none, the row of
// every other line (code CMD_OTHER).
const Command &command_of(const char *line);

// What the line does in the state.
inline CommandAction command_action(const char *line, SessionState state) { return command_of(line).action[state]; }
