// Text helpers shared by every reader of the engine's input: protocol
// lines, move lists, FENs, test suites. Words are separated by blanks or
// tabs; nothing here allocates.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Number of characters before the first blank, tab or end of text (0 for a
// null text).
int where_is_next_space(const char *text);

// Whether the text begins with the keyword, compared over the keyword's
// length: how commands are recognised.
bool begins_with(const char *text, const char *keyword);

// Whether the line begins with the keyword as a whole word ("stop",
// "position fen"): the keyword, then the line's end, a blank or a tab.
bool is_keyword_line(const char *line, const char *keyword);

// Whether the word of `length` characters is exactly the keyword.
bool word_is(const char *word, size_t length, const char *keyword);

// A word of a line, where it starts and how long it is.
struct Word {
  const char *text;
  size_t length;  // 0: the line has no further word
};

// The next word from cursor on, past any blanks; cursor is moved past it.
// To look at the next word without taking it, pass a copy of the cursor.
Word next_word(const char *&cursor);

inline bool word_is(Word w, const char *keyword) { return word_is(w.text, w.length, keyword); }

// A plain decimal number of `length` characters: digits only, at least one.
// Saturates at `largest` instead of overflowing. False, value untouched,
// for anything else.
bool read_decimal(const char *word, size_t length, int64_t largest, int64_t &value);
