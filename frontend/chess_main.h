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
};

// Where the command loop starts.
enum LoopMode : int { MODE_POSITION_WAIT = 2, MODE_GO_WAIT = 5 };

// The whole engine session on the protocol descriptors: the handshake, then
// the command loop. Returns the process's exit status, 0 however it ends.
int velkor_main();

// Reads lines until one begins with "isready", "ucinewgame", "position",
// "quit" or "go" (tested in that order) and returns its code; every other
// line is skipped unanswered. The matched line is handed back in *line for
// the caller to release; at end of input the code is CMD_END_OF_INPUT and
// *line is nullptr.
int UCI_wait_infos(char **line);

// The command loop. MODE_POSITION_WAIT starts by waiting for a position,
// any other mode by waiting for "go" on the start position. Returns the exit
// status (0) on "quit" or at end of input, with every resource released.
int chess_app(int mode);

// The loop takes its lines from here: lines queued with push_command_line
// first, in order, then lines from the protocol input. A line handed over is
// owned by the loop.
void push_command_line(char *line);
char *next_command_line();
void clear_command_lines();

// The one-ply search run when the driver found no move (it was mated in
// every line it saw, or its first pass was stopped before a move improved):
// every limit lifted, fresh keys and table, then alpha_beta at depth 1 from
// the side to move's window. A result without squares still means no legal
// move.
uint32_t search_one_ply(uint8_t *board);

// Moves to go when the front end gives none, from the number of half-moves n
// played in the game so far:
//   n 0..24: 40 - n     25..39: 60 - n     40..49: 70 - n
//   50..69: 100 - n     70..99: 120 - n    100..199: 200 - n    200 or more: 10
int default_moves_to_go(int half_moves);

// Thinking time for one move in milliseconds. A pure function: the command
// loop calls it on every "go", and the tests and the game harness recompute
// it from the same figures.
//   clock_given  whether the front end ever gave the side to move's clock
//                ("wtime"/"btime") since the loop started
//   own_clock    t, that clock in milliseconds (0 when never given)
//   moves_to_go  m, from "movestogo"; 0 means none was given, and
//                default_moves_to_go(half_moves) is used
//   half_moves   the number of half-moves replayed from the last position
// With m below 1 counted as 1, and integer division truncating toward zero:
//   t > 30000:            (t - 20000) / (m + 2)
//   5000 < t <= 30000:    (t - 2000) / (m + 2)
//   t <= 5000:            1000 / m
// then, when clock_given, at most t / 2 (so a short clock, or "movestogo 1",
// never spends the whole clock); a result below 0 is 0, used up at once.
int thinking_budget(bool clock_given, int own_clock, int moves_to_go, int half_moves);

// Clock figures read from "go" lines; they keep their values from one "go"
// to the next until the loop restarts.
struct GoParameters {
  int own_clock;     // milliseconds left for the side to move
  int moves_to_go;   // 0: not given
  bool clock_given;  // own_clock came from the front end
};

// Reads "wtime " (White to move) or "btime " (Black to move) and
// "movestogo " wherever they begin in the line; each number is a token of at
// most 15 characters converted as a decimal integer (clamped to the int
// range), else the figure keeps its value. Other parameters are stepped over.
void read_go_parameters(const char *line, uint8_t side, GoParameters &params);
