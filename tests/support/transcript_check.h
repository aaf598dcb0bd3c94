// Test support: what the engine should have read from raw input bytes, and
// whether a transcript "UCI_debug.txt" holds every line received and sent in
// order. Shared by the pipe tests and the command-loop fuzzer.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The lines the engine's reader makes of these bytes: split at line feeds,
// carriage returns dropped, a line's text ending at its first NUL byte, at
// most 1 MiB kept of a line, and a last line without its line feed dropped.
std::vector<std::string> lines_read_from(const std::string &bytes);

struct TranscriptCheck {
  bool ok = false;
  std::string error;                  // where the transcript first went wrong
  size_t received = 0;                // input lines found, in order, from the first
  std::vector<std::string> warnings;  // the engine's notes: "*** WARNING **** : ", "FEN: " lines
};

// Whether the transcript is exactly an interleaving of a prefix of the input
// lines (the engine stops reading at "quit"), all of the output lines, each
// in its own order, and the engine's notes; every entry ends with a line feed.
TranscriptCheck check_transcript(const std::string &transcript, const std::vector<std::string> &input,
                                 const std::vector<std::string> &output);

// Splits text at line feeds; a last piece without one is kept as a line.
std::vector<std::string> split_lines(const std::string &text);
