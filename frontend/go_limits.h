// The limits a "go" line may set besides the clock: a depth, a node count,
// a fixed time per move, an analysis without end, and the increments; and
// the move's budget that follows from them and from the clock.
#pragma once

#include <cstddef>
#include <cstdint>

// Moves to go when the front end gives none, from the number of half-moves n
// played in the game so far:
//   n 0..24: 40 - n     25..39: 60 - n     40..49: 70 - n
//   50..69: 100 - n     70..99: 120 - n    100..199: 200 - n    200 or more: 10
int default_moves_to_go(int half_moves);

// Thinking time for one move in milliseconds. A pure function: the command
// loop calls it on every "go", and the tests and the game harness recompute
// it from the same figures.
//   clock_given  whether the front end ever gave the side to move's clock
//                ("wtime"/"btime") since the loop started
//   own_clock    t, that clock in milliseconds (0 when never given)
//   moves_to_go  m, from "movestogo"; 0 means none was given, and
//                default_moves_to_go(half_moves) is used
//   half_moves   the number of half-moves replayed from the last position
// With m below 1 counted as 1, and integer division truncating toward zero:
//   t > 30000:            (t - 20000) / (m + 2)
//   5000 < t <= 30000:    (t - 2000) / (m + 2)
//   t <= 5000:            1000 / m
// then, when clock_given, at most t / 2 (so a short clock, or "movestogo 1",
// never spends the whole clock); a result below 0 is 0, used up at once.
int thinking_budget(bool clock_given, int own_clock, int moves_to_go, int half_moves);

// Clock figures read from "go" lines; they keep their values from one "go"
// to the next until the loop restarts.
struct GoParameters {
  int own_clock;     // milliseconds left for the side to move
  int moves_to_go;   // 0: not given
  bool clock_given;  // own_clock came from the front end
};

// The limits of one "go" line. They hold for that "go" only, unlike the
// clock figures (GoParameters), which are kept from one "go" to the next.
struct GoLimits {
  int depth;           // "depth N": 0 when not given, else N clamped to 2..64
  int64_t nodes;       // "nodes N": -1 when not given
  int movetime;        // "movetime N" in milliseconds: -1 when not given
  bool infinite;       // "infinite": search until "stop"
  int increment;       // "winc" (White to move) or "binc" (Black): 0 when not given
  bool clock_in_line;  // the line itself gives the side to move's clock
  bool ponder = false; // "ponder": think on the opponent's time until "ponderhit" or "stop"
  int mate = 0;        // "mate N": 0 when not given (or given as 0), else N
  // "searchmoves": the text of the words after it up to the next keyword of
  // a "go" line (nullptr when the line has no "searchmoves"; the length may
  // be 0 when no word follows). It points into the line read.
  const char *searchmoves = nullptr;
  int searchmoves_length = 0;
};

inline constexpr GoLimits NO_GO_LIMITS = {0, -1, -1, false, 0, false};

// The words a "go" line may hold besides move texts; "searchmoves" ends its
// list at the first of them.
bool is_go_keyword(const char *word, size_t length);

// Reads a "go" line in one pass: the clock figures into params and the
// limits into limits. Every number follows one rule: the whole token is
// decimal digits, led by a minus sign only where the field holds negative
// values, and a number beyond the field's range counts as the nearest value
// it holds.
//   Clock figures: "wtime " (White to move) or "btime " (Black to move) and
//   "movestogo " are recognised wherever they begin in the line, even inside
//   a longer word, and only with a space after them; the figure is the token
//   up to the next blank or tab. It may be negative and is clamped to the
//   int range; a token of more than 15 characters leaves the figure as it
//   was, and one that is no number sets it to 0 (without counting as a
//   clock given). A token that is not taken is read as a word in turn.
//   Limits: whole words separated by blanks or tabs, after the first word.
//   "depth", "nodes", "mate", "movetime", "winc" and "binc" take the next
//   word as their number, which may not be negative. A keyword whose next
//   word is not such a number is ignored, and that word is read as a keyword
//   in turn. Only the side to move's increment is kept. "searchmoves" takes
//   every following word that is not a keyword (is_go_keyword); the last
//   "searchmoves" of a line holds.
// clock_in_line tells whether the line itself gave the side to move's clock.
void read_go(const char *line, uint8_t side, GoParameters &params, GoLimits &limits);

// Budget of "movetime N": N less a safety margin of a tenth, at most 50 ms,
// for the move in hand and the answer to reach the front end; never below
// 5 ms, so that even a tiny time gives the search a pass to work with.
int movetime_budget(int movetime);

// The move's budget in milliseconds (NO_CLOCK_BUDGET: no clock at all):
//   "infinite": no clock.
//   the clock's budget: thinking_budget of the figures, plus three quarters
//     of the side to move's increment, never more than half the clock given
//     less INCREMENT_RESERVE_MS (but a quarter of the increment when that is
//     more), nor than half the clock;
//   "movetime": movetime_budget, or the clock's budget if the line also
//     gives the clock and that is smaller;
//   "depth", "nodes" or "mate" without the clock in the line and without
//     "movetime": no clock (the limits end the search);
//   otherwise the clock's budget, which for a line without these tokens is
//     exactly thinking_budget.
int go_budget(const GoLimits &limits, const GoParameters &params, int half_moves);

// What a game with an increment keeps of its clock for the lag between the
// engine and the clock that counts, on every move.
inline constexpr int INCREMENT_RESERVE_MS = 100;

// The smallest budget the engine gives itself when time is short: a pass of
// the search fits in it.
inline constexpr int MIN_BUDGET_MS = 5;

// The budget less the Move Overhead option's milliseconds (lag between the
// engine and the clock that counts), but never below MIN_BUDGET_MS (nor
// above the budget itself, when that is already smaller). No clock stays no
// clock.
int apply_move_overhead(int budget, int overhead);

// Room for the keys resolve_searchmoves writes.
inline constexpr int SEARCHMOVES_CAPACITY = 256;

// The moves of a "searchmoves" text (GoLimits::searchmoves) that the side to
// move on the board can play, written into keys (room for
// SEARCHMOVES_CAPACITY) as the search's root_move_key words; returns their
// number. Each word is read as a move of a "position" line is (a
// promotion with its letter; none is a queen); a word that is no move or no
// legal move is skipped, and so is a promotion to a rook or bishop, which
// the search never plays.
int resolve_searchmoves(const uint8_t *cb, const char *text, int length, uint32_t *keys);
