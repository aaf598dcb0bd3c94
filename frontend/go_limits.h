// The limits a "go" line may set besides the clock: a depth, a node count,
// a fixed time per move, an analysis without end, and the increments; and
// the move's budget that follows from them and from the clock.
#pragma once

#include <cstdint>

#include "frontend/chess_main.h"

// The budget of a search that no clock limits.
inline constexpr int NO_CLOCK_BUDGET = INT32_MAX;

// The limits of one "go" line. They hold for that "go" only, unlike the
// clock figures (GoParameters), which are kept from one "go" to the next.
struct GoLimits {
  int depth;           // "depth N": 0 when not given, else N clamped to 2..64
  int64_t nodes;       // "nodes N": -1 when not given
  int movetime;        // "movetime N" in milliseconds: -1 when not given
  bool infinite;       // "infinite": search until "stop"
  int increment;       // "winc" (White to move) or "binc" (Black): 0 when not given
  bool clock_in_line;  // the line itself gives the side to move's clock
};

inline constexpr GoLimits NO_GO_LIMITS = {0, -1, -1, false, 0, false};

// Reads the limits from a "go" line. The tokens are whole words separated by
// blanks or tabs, anywhere after the first word; "depth", "nodes",
// "movetime", "winc" and "binc" take the next word as their number, which
// must be plain decimal digits (a larger number than the field holds counts
// as the largest it holds). A keyword whose next word is not such a number
// is ignored, and that word is read as a keyword in turn. Only the side to
// move's increment is kept. clock_in_line follows the clock's own reading
// (read_go_parameters).
void read_go_limits(const char *line, uint8_t side, GoLimits &limits);

// Budget of "movetime N": N less a safety margin of a tenth, at most 50 ms,
// for the move in hand and the answer to reach the front end; never below
// 5 ms, so that even a tiny time gives the search a pass to work with.
int movetime_budget(int movetime);

// The move's budget in milliseconds (NO_CLOCK_BUDGET: no clock at all):
//   "infinite": no clock.
//   the clock's budget: thinking_budget of the figures, plus three quarters
//     of the side to move's increment, never more than half the clock given;
//   "movetime": movetime_budget, or the clock's budget if the line also
//     gives the clock and that is smaller;
//   "depth" or "nodes" without the clock in the line and without
//     "movetime": no clock (the limits end the search);
//   otherwise the clock's budget, which for a line without these tokens is
//     exactly thinking_budget.
int go_budget(const GoLimits &limits, const GoParameters &params, int half_moves);
