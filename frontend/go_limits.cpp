#include "frontend/go_limits.h"

#include <cstring>

#include "base/text.h"
#include "board/chess_cb.h"
#include "search/search_limits.h"

void read_go_limits(const char *line, uint8_t side, GoLimits &limits) {
  GoParameters clock{0, 0, false};
  read_go_parameters(line, side, clock);
  limits.clock_in_line = clock.clock_given;

  const char *cursor = line;
  bool first = true;
  while (*cursor != '\0') {
    while (is_blank(*cursor)) ++cursor;
    const size_t length = size_t(where_is_next_space(cursor));
    if (length == 0) break;
    const char *word = cursor;
    cursor += length;
    // The first word is the command itself.
    if (first) {
      first = false;
      continue;
    }
    if (word_is(word, length, "infinite")) {
      limits.infinite = true;
      continue;
    }
    const bool depth = word_is(word, length, "depth"), nodes = word_is(word, length, "nodes"),
               movetime = word_is(word, length, "movetime"), winc = word_is(word, length, "winc"),
               binc = word_is(word, length, "binc");
    if (!depth && !nodes && !movetime && !winc && !binc) continue;  // not a limit: stepped over

    // The value: the next word, taken only when it is a number.
    const char *next = cursor;
    while (is_blank(*next)) ++next;
    const size_t next_length = size_t(where_is_next_space(next));
    int64_t value = 0;
    if (!read_decimal(next, next_length, nodes ? INT64_MAX : INT32_MAX, value)) continue;
    cursor = next + next_length;
    if (depth)
      limits.depth = value < SEARCH_FIRST_DEPTH ? SEARCH_FIRST_DEPTH
                     : value > SEARCH_DEPTH_CAP ? SEARCH_DEPTH_CAP
                                                : int(value);
    else if (nodes)
      limits.nodes = value;
    else if (movetime)
      limits.movetime = int(value);
    else if ((winc && side == WHITE) || (binc && side == BLACK))
      limits.increment = int(value);
  }
}

int movetime_budget(int movetime) {
  const int64_t n = movetime < 0 ? 0 : movetime;
  int64_t margin = n / 10;
  if (margin > 50) margin = 50;
  const int64_t budget = n - margin;
  return budget < 5 ? 5 : int(budget);
}

int go_budget(const GoLimits &limits, const GoParameters &params, int half_moves) {
  if (limits.infinite) return NO_CLOCK_BUDGET;

  int64_t clock_budget =
      thinking_budget(params.clock_given, params.own_clock, params.moves_to_go, half_moves);
  if (limits.increment > 0) {
    clock_budget += int64_t(limits.increment) * 3 / 4;
    // The increment comes after the move: the clock itself must last it.
    if (params.clock_given) {
      const int64_t half = params.own_clock > 0 ? params.own_clock / 2 : 0;
      if (clock_budget > half) clock_budget = half;
    }
  }

  if (limits.movetime >= 0) {
    const int64_t fixed = movetime_budget(limits.movetime);
    return int(limits.clock_in_line && clock_budget < fixed ? clock_budget : fixed);
  }
  if ((limits.depth != 0 || limits.nodes >= 0) && !limits.clock_in_line) return NO_CLOCK_BUDGET;
  return int(clock_budget);
}
