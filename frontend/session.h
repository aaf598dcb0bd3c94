// One front end's session with the engine: everything that the handshake,
// the command loop and the input read during a search keep from one line to
// the next, in one record made when the session starts and gone when it
// ends. Nothing of a session outlives it.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "frontend/go_limits.h"
#include "notation/position.h"
#include "search/strength.h"

// Caps for sessions that must run fast whatever their "go" lines say, given
// by the fuzzers (and tests) when they start a session; the engine's own
// sessions have none (-1). Every search the command loop asks for carries
// them in its request: depth as ThinkRequest::depth_cap, budget_ms as the
// clock's budget_cap. When perft_depth is 1 or more, a "go perft" deeper
// than that counts to that depth instead.
struct SessionSearchCaps {
  int depth = -1;
  int32_t budget_ms = -1;
  int perft_depth = -1;
};

// The game the command loop plays.
struct SessionGame {
  uint8_t *board = nullptr;  // heap (init_chessboard)
  // Half-moves of the game: those replayed from the last "position" line,
  // plus, for a FEN, the count its fullmove number and side stand for. The
  // phase and the default moves to go are read from it.
  int half_moves = 0;
  GoParameters go{0, 0, false};  // clock figures, kept from one "go" to the next
  bool from_start = true;        // the game began at the start position: the text book may answer
  OpeningText opening{};         // the game's move tokens, for the text book
  bool refused = false;          // the last "position" line could not be set up: no search
};

struct Session {
  SessionGame game;
  SessionSearchCaps caps;
  // The strength levels' generator: restarted every game (seed_strength_levels),
  // and drawn from by every search below full strength.
  StrengthGenerator strength{};
  uint64_t games = 0;  // games begun, one part of a fresh seed
  // The problem of the Polyglot book file last said to the front end, so
  // that it is said once, not before every move.
  std::string book_problem_said;
  // A ponder search waits for its "ponderhit", which starts the move's clock.
  bool pondering = false;
  // "quit", or the end of the input, has come during a search: every later
  // question of a search answers quit, and nothing more is read.
  bool input_ended = false;
  // Lines read during a search that the command loop has still to handle,
  // in order, ahead of the protocol input (heap texts, owned here).
  std::deque<char *> pending;
};

// Queues a line (a heap text, now the session's) for the command loop,
// behind the others.
void push_command_line(Session &session, char *line);

// The loop's next line: the oldest queued one, else the next line of the
// protocol input (waiting for it); nullptr at end of input. The caller
// releases it with free().
char *next_command_line(Session &session);

// Drops every queued line (the session ends).
void clear_command_lines(Session &session);

// A new game for the strength levels: their generator restarts from the
// Strength Seed option, so that a game replays move for move, or, with the
// option at 0, from the clock and the process's own addresses, so that no
// two games are alike.
void seed_strength_levels(Session &session);
