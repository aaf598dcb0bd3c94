// The engine's top level: the UCI handshake and the command loop that
// alternates between reading the game and answering "go" with a move.
#pragma once

#include "frontend/commands.h"
#include "frontend/session.h"

inline constexpr const char *ENGINE_NAME = "Velkor v0.16";
inline constexpr const char *ENGINE_AUTHOR = "Quenlow";

// Where the command loop starts: in the handshake (before the first game),
// waiting for a position, or waiting for "go" on the game it has.
enum LoopMode : int { MODE_HANDSHAKE = 0, MODE_POSITION_WAIT = 2, MODE_GO_WAIT = 5 };

// The whole engine session on the protocol descriptors: the handshake, then
// the command loop, in a session of its own with the given caps (none for
// the engine itself). Returns the process's exit status, 0 however it ends.
int velkor_main(const SessionSearchCaps &caps = SessionSearchCaps{});

// The handshake's reader: reads lines until one that the handshake answers
// (by the command table: "isready", "ucinewgame", "position", "quit", "go",
// "setoption") and returns its code; every other line is skipped
// unanswered. The matched line is handed back in *line for the caller to
// release; at end of input the code is CMD_END_OF_INPUT and *line is nullptr.
int UCI_wait_infos(Session &session, char **line);

// The command loop of the session, from the mode's state on, with the
// session's game. Every line goes one way: its row of the command table
// says what it does in the state the loop is in. Returns the exit status (0)
// on "quit" or at end of input.
int chess_app(Session &session, int mode);
