// The UCI transport: lines from standard input, lines to standard output,
// both written to the transcript; the handshake's fixed lines.
#pragma once

#include <cstdint>

// Descriptors of the protocol: standard input and output unless a test or a
// fuzzer points them elsewhere to run the command loop in-process.
extern int g_uci_input_fd;
extern int g_uci_output_fd;
// Next line of the protocol input, logged to the transcript; nullptr at end
// of input (the front end has gone). The caller releases it with free().
// It carries on from the unfinished line that UCI_poll_line may have kept.
char *UCI_recv();

// What UCI_poll_line found.
enum UciPoll : int { UCI_POLL_NOTHING = 0, UCI_POLL_LINE = 1, UCI_POLL_END = 2 };
// Reads the protocol input without ever waiting: only while a byte is ready,
// one byte per read. UCI_POLL_LINE: a whole line has arrived; it is logged
// and handed back in *line (released with free()). UCI_POLL_NOTHING: no
// whole line yet; the bytes of an unfinished one are kept, and the next
// UCI_poll_line or UCI_recv carries on from them. UCI_POLL_END: the input
// has ended or failed.
int UCI_poll_line(char **line);
// Drops an unfinished line kept by UCI_poll_line (a new session starts).
void UCI_forget_partial_line();
// Writes the text to the protocol output in one piece, then logs it.
void UCI_send(const char *text);
// Empties the transcript, consumes the front end's first line whatever it
// says, and sends the two "id" lines. Returns 0 without sending anything when
// the input ends before that first line, else 1.
int UCI_identifier(const char *name, const char *author);
void UCI_ok();       // sends "uciok"
void UCI_readyok();  // sends "readyok"
