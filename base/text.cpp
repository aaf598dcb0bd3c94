#include "base/text.h"

#include <cstring>

int where_is_next_space(const char *text) {
  if (text == nullptr) return 0;
  int n = 0;
  while (text[n] != '\0' && !is_blank(text[n])) ++n;
  return n;
}

Word next_word(const char *&cursor) {
  while (is_blank(*cursor)) ++cursor;
  const char *start = cursor;
  cursor += where_is_next_space(cursor);
  return Word{start, size_t(cursor - start)};
}

bool begins_with(const char *text, const char *keyword) {
  return std::strncmp(text, keyword, std::strlen(keyword)) == 0;
}

bool is_keyword_line(const char *line, const char *keyword) {
  const size_t n = std::strlen(keyword);
  return std::strncmp(line, keyword, n) == 0 && (line[n] == '\0' || is_blank(line[n]));
}

bool word_is(const char *word, size_t length, const char *keyword) {
  return std::strlen(keyword) == length && std::strncmp(word, keyword, length) == 0;
}

bool read_decimal(const char *word, size_t length, int64_t largest, int64_t &value) {
  if (length == 0) return false;
  int64_t n = 0;
  for (size_t i = 0; i < length; ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
    const int digit = word[i] - '0';
    n = n > (largest - digit) / 10 ? largest : n * 10 + digit;
  }
  value = n;
  return true;
}
