// The engine's top level: the UCI handshake and the command loop that
// alternates between reading the game and answering "go" with a move.
#pragma once

#include <cstdint>

inline constexpr const char *ENGINE_NAME = "Velkor v0.16";
inline constexpr const char *ENGINE_AUTHOR = "Quenlow";

// What the handshake's reader found at the start of a line.
enum HandshakeCode : int {
  CMD_END_OF_INPUT = 0,  // no line: the front end has gone
  CMD_ISREADY = 1,
  CMD_UCINEWGAME = 2,
  CMD_QUIT = 3,
  CMD_GO = 4,
  CMD_POSITION = 5,
  CMD_SETOPTION = 6,
};

// Where the command loop starts.
enum LoopMode : int { MODE_POSITION_WAIT = 2, MODE_GO_WAIT = 5 };

// Caps for sessions that must run fast whatever their "go" lines say, set
// by the fuzzers (and tests) before a session starts; the engine leaves
// them at -1 (none). Every search the command loop asks for carries them in
// its request: depth as ThinkRequest::depth_cap, budget_ms as the clock's
// budget_cap. When perft_depth is 1 or more, a "go perft" deeper than that
// counts to that depth instead (a count is never stopped once begun).
struct SessionSearchCaps {
  int depth = -1;
  int32_t budget_ms = -1;
  int perft_depth = -1;
};
extern SessionSearchCaps g_session_search_caps;

// The whole engine session on the protocol descriptors: the handshake, then
// the command loop. Returns the process's exit status, 0 however it ends.
int velkor_main();

// Reads lines until one begins with "isready", "ucinewgame", "position",
// "quit", "go" or "setoption" (tested in that order) and returns its code; every other
// line is skipped unanswered. The matched line is handed back in *line for
// the caller to release; at end of input the code is CMD_END_OF_INPUT and
// *line is nullptr.
int UCI_wait_infos(char **line);

// The command loop. MODE_POSITION_WAIT starts by waiting for a position,
// any other mode by waiting for "go" on the start position. Returns the exit
// status (0) on "quit" or at end of input, with every resource released.
int chess_app(int mode);
