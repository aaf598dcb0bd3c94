// Test support: running the built velkor-tool through a pipe, as a script
// uses it, and reading what it printed.
#pragma once

#include <string>
#include <vector>

struct ToolRun {
  int status;       // the exit status; -1 if the tool could not run or ended by a signal
  std::string out;  // the standard output, and the error output after it if asked for
};

// Runs velkor-tool with arguments already quoted for the shell. The error
// output is dropped, or, with with_stderr, collected with the standard
// output (as the shell's "2>&1" interleaves them).
ToolRun run_tool(const std::string &args, bool with_stderr = false);

// The text in single quotes, one word for the shell (the text holds none).
std::string shell_quoted(const std::string &text);

// The lines of the text that end with a line feed, without it: an
// unfinished last line is no line.
std::vector<std::string> complete_lines(const std::string &text);
