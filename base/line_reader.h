// Reading text lines: the protocol input a block at a time on the input
// thread, the text book a block at a time too, and any descriptor one byte
// per read (my_get_next_line), all split into lines by the same rule.
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

// Notes in the transcript that a line was cut, if it was.
void note_cut_line(bool cut);

// The line's text as a heap text released with free() (nullptr if the heap
// is exhausted); a NUL byte inside the line ends its text. Writes nothing:
// a line read on another thread is noted when the engine takes it.
char *copy_line_text(const PartialLine &partial);

// The finished line as copy_line_text makes it, the cut noted in the
// transcript; partial is empty again after.
char *take_line(PartialLine &partial);

// Reads one line from the descriptor up to the terminator, one byte per
// read, so that nothing beyond the line is consumed. Returns a heap text
// that the caller releases with free(), or nullptr at end of input or on a
// read error. Lines are kept whole up to MAX_LINE characters.
char *my_get_next_line(int fd, char terminator);
