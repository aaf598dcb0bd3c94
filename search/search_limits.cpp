#include "search/search_limits.h"

#include "search/search_context.h"
#include "search/time_control.h"

void search_limits_start(SearchShared &shared, const SearchLimits &l, SearchInputPoll poll, void *poll_context) {
  shared.limits = l;
  if (l.depth != 0 && l.depth < SEARCH_FIRST_DEPTH) shared.limits.depth = SEARCH_FIRST_DEPTH;
  if (l.depth > SEARCH_DEPTH_CAP) shared.limits.depth = SEARCH_DEPTH_CAP;
  shared.poll = poll;
  shared.poll_context = poll_context;
  shared.input_seen = SEARCH_INPUT_NONE;
  shared.nodes_reached = false;
  shared.counted_nodes = 0;
  shared.stop.store(false, std::memory_order_relaxed);
}

void search_limits_cap_nodes(SearchShared &shared, int64_t nodes) {
  if (nodes >= 0 && (shared.limits.nodes < 0 || shared.limits.nodes > nodes)) shared.limits.nodes = nodes;
}

void search_limits_clear(SearchShared &shared) { search_limits_start(shared, NO_SEARCH_LIMITS, nullptr); }

int64_t search_pass_evaluations(const SearchShared &shared) {
  int64_t sum = 0;
  for (int i = 0; i < shared.thread_count; ++i) sum += shared.threads[i]->evaluations.load(std::memory_order_relaxed);
  return sum;
}

bool search_node_limit_reached(const SearchShared &shared) {
  return shared.limits.nodes >= 0 && shared.counted_nodes + search_pass_evaluations(shared) >= shared.limits.nodes;
}

int search_limits_stop(SearchShared &shared) {
  if (shared.input_seen != SEARCH_INPUT_NONE || shared.nodes_reached) return 1;
  if (clock_used_up(shared.clock)) return 1;
  if (search_node_limit_reached(shared)) {
    shared.nodes_reached = true;
    return 1;
  }
  if (shared.poll != nullptr) {
    int seen = shared.poll(shared.poll_context);
    if (seen == SEARCH_INPUT_PONDERHIT) {
      // The move's clock starts now; the input is asked again at once (a
      // "stop" may have come right behind the "ponderhit").
      start_clock(shared.clock);
      set_clock_budget(shared.clock, shared.ponderhit_budget_ms);
      seen = shared.poll(shared.poll_context);
      if (seen == SEARCH_INPUT_PONDERHIT) seen = SEARCH_INPUT_NONE;
    }
    shared.input_seen = seen;
    if (seen != SEARCH_INPUT_NONE) return 1;
  }
  return 0;
}

int search_depth_limit(const SearchShared &shared) {
  return shared.limits.depth == 0 ? SEARCH_DEPTH_CAP : shared.limits.depth;
}

void search_limits_count_pass(SearchShared &shared, int64_t evaluations) {
  if (evaluations > 0) shared.counted_nodes += evaluations;
}
