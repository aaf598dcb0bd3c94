// The UCI transport: lines from standard input, lines to standard output,
// both written to the transcript; the handshake's fixed lines.
//
// Standard input is read by a thread of its own, which blocks on the
// descriptor and queues whole lines; the engine takes them from the queue,
// and a search asks only whether something has arrived (an atomic flag),
// never the descriptor. A line goes to the transcript when the engine takes
// it, so the transcript keeps the order in which the engine heard its lines
// and answered them.
#pragma once

#include <cstdint>

// Descriptors of the protocol: standard input and output unless a test or a
// fuzzer points them elsewhere to run the command loop in-process. The input
// descriptor is read from the first UCI_recv on, until UCI_close_input.
extern int g_uci_input_fd;
extern int g_uci_output_fd;

// Next line of the protocol input, waiting for it, logged to the transcript;
// nullptr at end of input (the front end has gone), and ever after. The
// caller releases it with free().
char *UCI_recv();

// What UCI_recv_arrived found.
enum UciArrived : int { UCI_NOTHING_YET = 0, UCI_LINE = 1, UCI_INPUT_ENDED = 2 };
// Takes the next line if it has arrived, never waiting: UCI_LINE hands it
// back in *line (logged; released with free()), UCI_NOTHING_YET when no
// whole line has come, UCI_INPUT_ENDED when none ever will.
int UCI_recv_arrived(char **line);

// Whether a line, or the end of the input, has arrived and not been taken:
// one atomic load, cheap enough to ask every few thousand nodes.
bool UCI_input_arrived();

// The lines that have arrived and not been taken yet, and in *ended whether
// the input has ended behind them: what the front end had sent by now. Lines
// written to the engine in one piece arrive together.
int UCI_lines_arrived(bool *ended);

// The session is over: waits for the input thread, which stops at the end of
// the input or after the "quit" that ended the session, and drops whatever it
// read and nobody took. The next UCI_recv starts reading g_uci_input_fd anew.
void UCI_close_input();

// Writes the text to the protocol output in one piece, then logs it.
void UCI_send(const char *text);
// Empties the transcript, consumes the front end's first line whatever it
// says, and sends the two "id" lines. Returns 0 without sending anything when
// the input ends before that first line, else 1.
int UCI_identifier(const char *name, const char *author);
void UCI_ok();       // sends "uciok"
void UCI_readyok();  // sends "readyok"
