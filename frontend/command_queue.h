// The lines the command loop has still to handle: those that arrived while
// a search ran wait here, in order, ahead of the protocol input.
#pragma once

// Queues a line (a heap text, now owned by the queue) behind the others.
void push_command_line(char *line);

// The loop's next line: the oldest queued one, else the next line of the
// protocol input (waiting for it); nullptr at end of input. The caller
// releases it with free().
char *next_command_line();

// Drops every queued line (a session ends or starts).
void clear_command_lines();
