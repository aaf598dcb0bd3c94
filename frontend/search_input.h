// The front end's input while the engine searches or counts: asked at
// every stop decision, so that "stop", "quit", "ponderhit", the end of the
// input and "isready" are heard at once; every other line waits for the
// command loop, in order. The input thread has already read the lines
// (chess_uci.h): asking costs one atomic load while nothing has arrived.
#pragma once

#include "frontend/session.h"

// Takes the lines that have arrived, never waiting for one (a
// SearchInputPoll; session is the Session). Each does what the command table
// says it does during a search: "isready" is answered with "readyok" at once;
// "stop" answers SEARCH_INPUT_STOP; a "ponderhit" while the session ponders
// answers SEARCH_INPUT_PONDERHIT (the pondering is over: the search starts
// the move's clock and asks again), and is ignored otherwise; "quit", or the
// end of the input, answers SEARCH_INPUT_QUIT, and so does every later
// question of the session; every other line is queued for the command loop.
// SEARCH_INPUT_NONE when nothing that ends the search has come.
int poll_search_input(void *session);

// After a search that may end only on "stop" ("go infinite"), or a ponder
// search that ended before its "ponderhit": waits for "stop", "quit" or the
// end of the input (or, unless infinite, a "ponderhit"), and returns which as
// poll_search_input does, answering and queueing the lines in between alike.
int wait_search_stop(Session &session, bool infinite = true);

// The input as a "go perft" count hears it: what it had arrived when the
// count began, for the count's questions (perft_stop_asked).
struct CountInput {
  Session *session;
  int arrived_before;  // lines that had arrived and were not taken yet
  bool ended_before;   // the input had ended behind them
};
CountInput count_input(Session &session);

// The question a "go perft" count asks (a PerftStop's; context is the
// CountInput): the lines are heard as during a search, and true once "stop",
// "quit" or the end of the input has come. But a "quit", or the end of the
// input, that had already arrived when the count began came with the "go
// perft" from a front end that wants the count first (a script writing its
// lines at once): it waits its turn, and the count runs to its end.
bool perft_stop_asked(void *count_input);
