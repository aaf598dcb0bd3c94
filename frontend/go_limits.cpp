#include "frontend/go_limits.h"

#include <climits>
#include <cstring>

#include "base/text.h"
#include "board/chess_cb.h"
#include "notation/position.h"
#include "notation/san.h"
#include "search/root_moves.h"
#include "search/search_limits.h"
#include "search/time_control.h"

namespace {

// The one rule for a number of a "go" line: the whole token is decimal
// digits, at least one, led by a minus sign only where the field holds
// negative values (an overdrawn clock); a number beyond the field's range
// counts as the nearest value it holds. False for anything else.
bool read_number(const char *text, size_t length, int64_t smallest, int64_t largest, int64_t &value) {
  if (smallest < 0 && length > 0 && text[0] == '-') {
    int64_t magnitude = 0;
    if (!read_decimal(text + 1, length - 1, -smallest, magnitude)) return false;
    value = -magnitude;
    return true;
  }
  return read_decimal(text, length, largest, value);
}

bool ends_with(Word w, const char *keyword) {
  const size_t n = std::strlen(keyword);
  return w.length >= n && std::strncmp(w.text + w.length - n, keyword, n) == 0;
}

// The clock figures of a "go" line are found wherever their keyword begins,
// even at the end of a longer word ("xwtime 300"), and only with one space
// after it: their figure is the token from just after that space up to the
// next blank or tab (none when another blank follows at once). Only the side
// to move's clock is a figure; the other side's is stepped over like any
// word that is no limit.
int *clock_figure(Word word, char after, uint8_t side, GoParameters &params, bool &own_clock) {
  own_clock = false;
  if (after != ' ') return nullptr;
  if (ends_with(word, "movestogo")) return &params.moves_to_go;
  own_clock = ends_with(word, side == WHITE ? "wtime" : "btime");
  return own_clock ? &params.own_clock : nullptr;
}

}  // namespace

bool is_go_keyword(const char *word, size_t length) {
  static constexpr const char *keywords[] = {"searchmoves", "ponder", "wtime", "btime",    "winc",    "binc",
                                             "movestogo",   "depth",  "nodes", "mate",     "movetime", "infinite"};
  for (const char *k : keywords)
    if (word_is(word, length, k)) return true;
  return false;
}

int default_moves_to_go(int half_moves) {
  const int n = half_moves < 0 ? 0 : half_moves;
  if (n <= 24) return 40 - n;
  if (n <= 39) return 60 - n;
  if (n <= 49) return 70 - n;
  if (n <= 69) return 100 - n;
  if (n <= 99) return 120 - n;
  // The table would reach 0 at 200 half-moves and go negative beyond.
  if (n <= 199) return 200 - n;
  return 10;
}

int thinking_budget(bool clock_given, int own_clock, int moves_to_go, int half_moves) {
  const long long t = own_clock;
  long long m = moves_to_go == 0 ? default_moves_to_go(half_moves) : moves_to_go;
  if (m < 1) m = 1;
  long long budget;
  if (t > 30000)
    budget = (t - 20000) / (m + 2);
  else if (t > 5000)
    budget = (t - 2000) / (m + 2);
  else
    budget = 1000 / m;
  if (clock_given && budget > t / 2) budget = t / 2;
  if (budget < 0) budget = 0;
  return int(budget);
}

void read_go(const char *line, uint8_t side, GoParameters &params, GoLimits &limits) {
  limits.clock_in_line = false;
  const char *cursor = line;
  bool first = true, in_searchmoves = false;
  for (;;) {
    const Word word = next_word(cursor);
    if (word.length == 0) break;
    const bool command = first;
    first = false;
    const bool keyword = is_go_keyword(word.text, word.length);
    if (keyword) in_searchmoves = false;

    bool own_clock = false;
    if (int *figure = clock_figure(word, *cursor, side, params, own_clock)) {
      const char *token = cursor + 1;
      const int length = where_is_next_space(token);
      // A token longer than any clock figure a front end sends leaves the
      // figure as it was. One that is no number sets it to 0 without
      // counting as a clock given, as it always has (the budget then
      // follows from an empty clock).
      if (length <= 15) {
        int64_t value = 0;
        const bool number = read_number(token, size_t(length), INT_MIN, INT_MAX, value);
        *figure = int(value);
        if (number) {
          if (own_clock) params.clock_given = limits.clock_in_line = true;
          cursor = token + length;
          continue;
        }
      }
      // Not taken: the token is read as a word in turn.
    }
    if (command) continue;  // the first word is the command itself

    // "searchmoves" takes every following word up to the next keyword.
    if (in_searchmoves) {
      limits.searchmoves_length = int(cursor - limits.searchmoves);
      continue;
    }
    if (word_is(word, "searchmoves")) {
      while (is_blank(*cursor)) ++cursor;
      limits.searchmoves = cursor;
      limits.searchmoves_length = 0;
      in_searchmoves = true;
      continue;
    }
    if (word_is(word, "infinite")) {
      limits.infinite = true;
      continue;
    }
    if (word_is(word, "ponder")) {
      limits.ponder = true;
      continue;
    }
    const bool depth = word_is(word, "depth"), nodes = word_is(word, "nodes"), movetime = word_is(word, "movetime"),
               winc = word_is(word, "winc"), binc = word_is(word, "binc"), mate = word_is(word, "mate");
    if (!depth && !nodes && !movetime && !winc && !binc && !mate) continue;  // not a limit: stepped over

    // The value: the next word, taken only when it is a number the limit
    // holds (none is negative).
    const char *after = cursor;
    const Word number = next_word(after);
    int64_t value = 0;
    if (!read_number(number.text, number.length, 0, nodes ? INT64_MAX : INT32_MAX, value)) continue;
    cursor = after;
    if (depth)
      limits.depth = value < SEARCH_FIRST_DEPTH ? SEARCH_FIRST_DEPTH
                     : value > SEARCH_DEPTH_CAP ? SEARCH_DEPTH_CAP
                                                : int(value);
    else if (nodes)
      limits.nodes = value;
    else if (movetime)
      limits.movetime = int(value);
    else if (mate)
      limits.mate = int(value);
    else if ((winc && side == WHITE) || (binc && side == BLACK))
      limits.increment = int(value);
  }
}

int movetime_budget(int movetime) {
  const int64_t n = movetime < 0 ? 0 : movetime;
  int64_t margin = n / 10;
  if (margin > 50) margin = 50;
  const int64_t budget = n - margin;
  return budget < MIN_BUDGET_MS ? MIN_BUDGET_MS : int(budget);
}

int go_budget(const GoLimits &limits, const GoParameters &params, int half_moves) {
  if (limits.infinite) return NO_CLOCK_BUDGET;

  int64_t clock_budget =
      thinking_budget(params.clock_given, params.own_clock, params.moves_to_go, half_moves);
  if (limits.increment > 0) {
    clock_budget += int64_t(limits.increment) * 3 / 4;
    // The increment comes after the move: the clock itself must last it.
    if (params.clock_given) {
      const int64_t clock = params.own_clock > 0 ? params.own_clock : 0;
      // With an increment the clock runs low and stays low, and every move
      // also pays the lag between the engine and the clock that counts
      // (milliseconds, tens when the machine is busy), which half the clock
      // does not cover: the last INCREMENT_RESERVE_MS are kept for it, and
      // below them a move takes a quarter of the increment, so that the
      // clock grows back.
      const int64_t above_reserve = (clock - INCREMENT_RESERVE_MS) / 2;
      const int64_t low = limits.increment / 4;
      const int64_t cap = above_reserve > low ? above_reserve : low;
      if (clock_budget > cap) clock_budget = cap;
      if (clock_budget > clock / 2) clock_budget = clock / 2;
    }
  }

  if (limits.movetime >= 0) {
    const int64_t fixed = movetime_budget(limits.movetime);
    return int(limits.clock_in_line && clock_budget < fixed ? clock_budget : fixed);
  }
  if ((limits.depth != 0 || limits.nodes >= 0 || limits.mate > 0) && !limits.clock_in_line) return NO_CLOCK_BUDGET;
  return int(clock_budget);
}

int apply_move_overhead(int budget, int overhead) {
  if (budget == NO_CLOCK_BUDGET || overhead <= 0) return budget;
  const int floor = budget < MIN_BUDGET_MS ? budget : MIN_BUDGET_MS;
  const int64_t less = int64_t(budget) - overhead;
  return less < floor ? floor : int(less);
}

int resolve_searchmoves(const uint8_t *cb, const char *text, int length, uint32_t *keys) {
  int count = 0;
  const char *end = text != nullptr && length > 0 ? text + length : text;
  const char *cursor = text;
  while (cursor != nullptr && cursor < end && count < SEARCHMOVES_CAPACITY) {
    while (cursor < end && is_blank(*cursor)) ++cursor;
    const char *word = cursor;
    while (cursor < end && !is_blank(*cursor)) ++cursor;
    const size_t n = size_t(cursor - word);
    // The longest move text is five characters ("e7e8q"; "0-0-0"): anything
    // longer is no move.
    if (n == 0 || n > 5) continue;
    char move[6] = {};
    std::memcpy(move, word, n);
    const uint32_t mw = convert_move(move, side_to_move(cb));
    LegalMove legal;
    if (mw == MW_NOT_A_MOVE || !legal_move_of_word(cb, mw, legal)) continue;
    if (legal.promotion == ROOK || legal.promotion == BISHOP) continue;
    keys[count++] = root_move_key(legal.from, legal.to, legal.promotion);
  }
  return count;
}
