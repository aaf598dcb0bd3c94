// Reading text lines: the protocol input from a descriptor one byte per
// read, so that nothing beyond the current line is ever consumed; the text
// book a block at a time, split into lines by the same rule.
#pragma once

#include <cstddef>
#include <string>

// Longest line kept whole; the rest of a longer line is read and dropped.
inline constexpr size_t MAX_LINE = size_t(1) << 20;

// The characters of a line read so far, before its terminator.
struct PartialLine {
  std::string text;
  bool cut = false;  // characters past MAX_LINE were dropped
};

// Takes one byte of a line: true when it is the terminator (the line is
// complete); carriage returns are dropped, characters past MAX_LINE too.
inline bool add_line_byte(PartialLine &partial, char c, char terminator) {
  if (c == terminator) return true;
  if (c == '\r') return false;
  if (partial.text.size() < MAX_LINE)
    partial.text += c;
  else
    partial.cut = true;
  return false;
}

// Notes in the transcript that the line was cut, if it was.
void note_cut_line(const PartialLine &partial);

enum ReadStatus { READ_LINE, READ_WOULD_WAIT, READ_END };

// Reads one byte per read into partial until the terminator; carriage
// returns are dropped. With wait false it reads only while a byte is ready,
// and answers READ_WOULD_WAIT, the partial line kept, when none is.
// READ_END: end of input or an error (the partial line is then never a line).
ReadStatus read_line_bytes(int fd, char terminator, PartialLine &partial, bool wait);

// The finished line as a heap text released with free() (nullptr if the
// heap is exhausted); a NUL byte inside the line ends its text. A line that
// was cut is noted in the transcript. partial is empty again after.
char *take_line(PartialLine &partial);

// Reads one line from the descriptor up to the terminator. Returns a heap
// text that the caller releases with free(), or nullptr at end of input or
// on a read error. Lines are kept whole up to MAX_LINE characters.
char *my_get_next_line(int fd, char terminator);
