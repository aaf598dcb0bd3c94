#include "search/search_limits.h"

#include <climits>

#include "eval/chess_heuristic.h"
#include "search/time_control.h"

namespace {

SearchLimits limits = NO_SEARCH_LIMITS;
SearchInputPoll input_poll = nullptr;
int input_seen = SEARCH_INPUT_NONE;  // what the input asked for
bool nodes_reached = false;
int64_t counted_nodes = 0;  // evaluations of the finished passes
// Clock reading of the last look at the input; far in the past at the start
// so that the first check looks at once.
int32_t last_poll_ms = INT32_MIN;

}  // namespace

void search_limits_start(const SearchLimits &l, SearchInputPoll poll) {
  limits = l;
  if (limits.depth != 0 && limits.depth < SEARCH_FIRST_DEPTH) limits.depth = SEARCH_FIRST_DEPTH;
  if (limits.depth > SEARCH_DEPTH_CAP) limits.depth = SEARCH_DEPTH_CAP;
  input_poll = poll;
  input_seen = SEARCH_INPUT_NONE;
  nodes_reached = false;
  counted_nodes = 0;
  last_poll_ms = INT32_MIN;
}

void search_limits_cap_nodes(int64_t nodes) {
  if (nodes >= 0 && (limits.nodes < 0 || limits.nodes > nodes)) limits.nodes = nodes;
}

void search_limits_clear() { search_limits_start(NO_SEARCH_LIMITS, nullptr); }

int search_limits_stop() {
  if (input_seen != SEARCH_INPUT_NONE || nodes_reached) return 1;
  if (check_timer()) return 1;
  if (limits.nodes >= 0 && counted_nodes + stat_heuristic_calculated() >= limits.nodes) {
    nodes_reached = true;
    return 1;
  }
  if (input_poll != nullptr) {
    const int32_t now = get_time();
    // The subtraction in 64 bits: the first look starts from INT32_MIN.
    // A clock started again during the search ("ponderhit") reads less
    // than the last look: look at once.
    const int64_t since = int64_t(now) - last_poll_ms;
    if (since >= SEARCH_POLL_INTERVAL_MS || since < 0) {
      last_poll_ms = now;
      input_seen = input_poll();
      if (input_seen != SEARCH_INPUT_NONE) return 1;
    }
  }
  return 0;
}

int search_limits_input() { return input_seen; }

int search_depth_limit() { return limits.depth == 0 ? SEARCH_DEPTH_CAP : limits.depth; }

void search_limits_count_pass(int evaluations) {
  if (evaluations > 0) counted_nodes += evaluations;
}

int64_t search_limits_nodes() { return counted_nodes; }
