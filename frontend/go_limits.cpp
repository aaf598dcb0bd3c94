#include "frontend/go_limits.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "board/chess_cb.h"
#include "notation/position.h"
#include "notation/san.h"
#include "search/root_moves.h"
#include "search/search_limits.h"
#include "search/time_control.h"

namespace {

// Decimal conversion of a token of at most 15 characters, clamped to int.
// Returns false when the token holds no digits at all (its value is then 0,
// as the usual conversion gives).
bool token_number(const char *token, int length, int &value) {
  char number[16] = {};
  std::memcpy(number, token, size_t(length));
  char *end = nullptr;
  const long long wide = std::strtoll(number, &end, 10);
  value = wide > INT_MAX ? INT_MAX : wide < INT_MIN ? INT_MIN : int(wide);
  return end != number;
}


// The searchmoves words from cursor on: their text runs up to the end of the
// last word before the next keyword (or the line's end). Returns where
// reading goes on.
const char *read_searchmoves(const char *cursor, GoLimits &limits) {
  while (is_blank(*cursor)) ++cursor;
  limits.searchmoves = cursor;
  limits.searchmoves_length = 0;
  for (;;) {
    const char *after = cursor;
    const Word w = next_word(after);
    if (w.length == 0 || is_go_keyword(w.text, w.length)) return cursor;
    cursor = after;
    limits.searchmoves_length = int(cursor - limits.searchmoves);
  }
}

// The limits of the line, as read_go describes them; clock_in_line is left
// to the caller.
void read_go_limits(const char *line, uint8_t side, GoLimits &limits) {
  const char *cursor = line;
  bool first = true;
  for (;;) {
    const Word word = next_word(cursor);
    if (word.length == 0) break;
    // The first word is the command itself.
    if (first) {
      first = false;
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
    if (word_is(word, "searchmoves")) {
      cursor = read_searchmoves(cursor, limits);
      continue;
    }
    const bool depth = word_is(word, "depth"), nodes = word_is(word, "nodes"), movetime = word_is(word, "movetime"),
               winc = word_is(word, "winc"), binc = word_is(word, "binc"), mate = word_is(word, "mate");
    if (!depth && !nodes && !movetime && !winc && !binc && !mate) continue;  // not a limit: stepped over

    // The value: the next word, taken only when it is a number.
    const char *after = cursor;
    const Word number = next_word(after);
    int64_t value = 0;
    if (!read_decimal(number.text, number.length, nodes ? INT64_MAX : INT32_MAX, value)) continue;
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

bool read_go_parameters(const char *line, uint8_t side, GoParameters &params) {
  bool clock_in_line = false;
  const char *cursor = line;
  while (*cursor != '\0') {
    if ((begins_with(cursor, "wtime ") && side == WHITE) || (begins_with(cursor, "btime ") && side == BLACK)) {
      cursor += 6;
      const int length = where_is_next_space(cursor);
      if (length <= 15 && token_number(cursor, length, params.own_clock)) {
        params.clock_given = true;
        clock_in_line = true;
      }
      cursor += length;
    } else if (begins_with(cursor, "movestogo ")) {
      cursor += 10;
      const int length = where_is_next_space(cursor);
      if (length <= 15) token_number(cursor, length, params.moves_to_go);
      cursor += length;
    } else {
      ++cursor;
    }
  }
  return clock_in_line;
}

void read_go(const char *line, uint8_t side, GoParameters &params, GoLimits &limits) {
  limits.clock_in_line = read_go_parameters(line, side, params);
  read_go_limits(line, side, limits);
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
