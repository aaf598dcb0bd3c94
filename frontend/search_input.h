// The front end's input while the engine searches: looked at without
// waiting where the search takes its stop decision, so that "stop", "quit"
// and "isready" are heard at once; every other line waits for the command
// loop, in order.
#pragma once

// Reads the lines that have arrived, never waiting for one (a
// SearchInputPoll). "isready" is answered with "readyok" at once; "stop"
// answers SEARCH_INPUT_STOP; a "ponderhit" that ends the pondering answers
// SEARCH_INPUT_PONDERHIT (the search then starts the move's clock and asks
// again); "quit", or the end of the input, answers
// SEARCH_INPUT_QUIT, and the input is not read again in this session;
// every other line is queued for the command loop (push_command_line).
// SEARCH_INPUT_NONE when nothing that ends the search has come.
int poll_search_input();

// After a search that may end only on "stop" ("go infinite"), or a ponder
// search that ended before "ponderhit": waits for "stop", "quit" or the end
// of the input (or, unless infinite, a "ponderhit"), and returns which as
// poll_search_input does, answering and queueing the lines in between alike.
int wait_search_stop(bool infinite = true);

// A ponder search begins: until "ponderhit" it runs without a clock; the
// "ponderhit" starts the move's clock with the budget of the "go ponder"
// line (the request's ponderhit budget), as if the "go" had come then. A
// "ponderhit" at any other time is ignored.
void start_pondering();
// Whether a ponder search is still waiting for its "ponderhit".
bool is_pondering();
// The ponder search has answered.
void stop_pondering();

// A new session: no "quit" seen.
void reset_search_input();

// Whether the line is the "stop" command: its first word is "stop".
bool is_stop_command(const char *line);
