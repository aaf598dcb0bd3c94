#include "search/think.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "hash/hash_table.h"
#include "search/root_search.h"
#include "search/search_context.h"
#include "search/search_threads.h"
#include "search/strength.h"
#include "search/time_control.h"

uint32_t search_one_ply(Search &s, uint8_t *cb) {
  // By now the budget is usually spent (or a "stop" came), and the root asks
  // for its stop decision after each move: it would stop after the first
  // one, and send no move at all whenever that first move was illegal. One
  // ply takes milliseconds, so the clock and every other limit are lifted
  // for it.
  SearchShared &shared = *s.shared;
  set_clock_budget(shared.clock, INT32_MAX);
  search_limits_clear(shared);
  // A pass of its own: fresh keys and table, the counters at 0, the root's
  // list made from the position and the search's "searchmoves".
  search_start_pass(s, cb);
  tagLINE line;
  line.length = 0;
  const bool white = side_to_move(cb) == WHITE;
  return search_root(s, cb, 1, white ? SCORE_BLACK_WINS : SCORE_WHITE_WINS,
                     white ? SCORE_WHITE_WINS : SCORE_BLACK_WINS, &line);
}

namespace {

// A move below full strength played on a glance (strength.h), reported as
// a two-ply pass; false when the glance found no move (every move it looked
// at loses to a mate, or it was stopped first), and the search then plays.
bool played_on_glance(Search &s, uint8_t *cb, const ThinkRequest &request, const StrengthLevel &level,
                      StrengthGenerator &g, ThinkResult &result) {
  const int root_count = request.root_moves != nullptr ? request.root_move_count : 0;
  SearchShared &shared = *s.shared;
  const GlanceResult glance = glance_move(s, cb, level.misjudgement_cp, g, request.root_moves, root_count);
  search_limits_count_pass(shared, glance.evaluations);
  if (!names_a_move(glance.move)) return false;
  if (request.report != nullptr) {
    const int score = int(move_score(glance.move)) - int(SCORE_DRAW);
    ThinkReport r{2, side_to_move(cb) == WHITE ? score : -score, &glance.line, clock_elapsed(shared.clock),
                  uint32_t(glance.evaluations), glance.move, 0};
    r.context = request.report_context;
    request.report(cb, r);
  }
  result.move = glance.move;
  result.input = shared.input_seen;
  result.evaluations = shared.counted_nodes;
  copy_line(result.line, glance.line);
  return true;
}

}  // namespace

ThinkResult think(uint8_t *cb, const ThinkRequest &request) {
  // Only a request that names its threads changes the pool: the tools'
  // single passes leave the engine's helpers alone.
  if (request.threads > 0) search_threads_set(request.threads);
  const bool below_full_strength = request.weakness > 0 && !request.single_pass;
  // The shared record holds the root's list, each move with room for its
  // line: too large for the stack of every thread a front end may call from.
  const std::unique_ptr<SearchShared> shared_record = std::make_unique<SearchShared>();
  SearchShared &shared = *shared_record;
  Search s{};
  s.phase = request.phase;
  DriverState d{};
  d.report_context = request.report_context;
  // A level searches on one thread whatever Threads says (the helpers stay
  // parked): its work, and so its strength, is then the same on any
  // machine, and its game replays from its seed.
  search_threads_attach(s, shared, below_full_strength ? 1 : request.threads);
  shared.clock = request.clock;
  set_clock_budget(shared.clock, request.budget_ms);
  shared.ponderhit_budget_ms = request.ponderhit_budget_ms;
  search_limits_start(shared, request.limits, request.poll, request.poll_context);
  shared.only_moves = request.root_moves;
  shared.only_count = request.root_moves != nullptr ? request.root_move_count : 0;
  ThinkResult result{};
  if (below_full_strength) {
    const StrengthLevel level = strength_level(request.weakness);
    StrengthGenerator own;
    StrengthGenerator &g = request.strength != nullptr ? *request.strength : own;
    // The draw is made on every move, glance or not, so that a game's draws
    // follow from its seed and its moves alone.
    if (strength_per_mille(g) < level.glance_per_mille && played_on_glance(s, cb, request, level, g, result))
      return result;
    // The level sees no further than its node budget lets it; a smaller
    // limit of the "go" line itself stays.
    search_limits_cap_nodes(shared, level.nodes);
  }
  const int depth = request.limits.depth;
  const int pass = depth < 1 ? 1 : depth > SEARCH_DEPTH_CAP ? SEARCH_DEPTH_CAP : depth;
  const int first = request.single_pass ? pass : SEARCH_FIRST_DEPTH;
  int last = request.single_pass ? pass : search_depth_limit(shared);
  if (!request.single_pass && request.depth_cap >= SEARCH_FIRST_DEPTH && last > request.depth_cap)
    last = request.depth_cap;
  // A mate in N shows in the pass of depth 2N; compared as N first, so that
  // no N can overflow the doubling.
  if (!request.single_pass && request.mate > 0 && request.mate < last && 2 * request.mate < last)
    last = 2 * request.mate < first ? first : 2 * request.mate;

  // Root moves are told to the caller only once the search has run for a
  // while: fast games would drown in them.
  s.root_listener = request.current_move;
  s.root_listener_after_ms = CURRENT_MOVE_AFTER_MS;

  result.move = alpha_beta_time(s, d, cb, first, last, request.report, request.multipv);
  result.input = shared.input_seen;
  result.evaluations = shared.counted_nodes;
  result.thread_pass_us = shared.thread_pass_us;
  result.thread_waited_us = shared.thread_waited_us;
  copy_line(result.line, d.kept_result.line);
  s.root_listener = nullptr;
  if (!request.single_pass && !names_a_move(result.move)) {
    result.move = search_one_ply(s, cb);
    // A report already sent (every move loses to a mate) names no move:
    // it is sent again with the move played, alone. Without one (the
    // search was stopped before its first pass ended), the one-ply search
    // is reported as what it is: depth 1, its own score, its move.
    result.line.length = 0;
    if (names_a_move(result.move)) {
      result.line.length = 1;
      result.line.from[0] = uint8_t(move_from(result.move));
      result.line.to[0] = uint8_t(move_to(result.move));
      if (request.report != nullptr) {
        ThinkReport r{};
        if (d.reported) {
          r = d.last_report;
        } else {
          const int score = int(move_score(result.move)) - int(SCORE_DRAW);
          r.depth = 1;
          r.score = side_to_move(cb) == WHITE ? score : -score;
          r.time_ms = clock_elapsed(shared.clock);
          r.evaluations = s.evaluations.load(std::memory_order_relaxed);
          r.multipv = request.multipv > 1 ? 1 : 0;
          r.hashfull = hash_table_permille();
        }
        r.line = &result.line;
        r.move = result.move;
        r.context = request.report_context;
        request.report(cb, r);
      }
    }
  }
  return result;
}

ThinkResult think_single_pass(uint8_t *cb, int phase, int depth) {
  ThinkRequest request{};
  start_clock(request.clock);
  request.phase = phase;
  request.budget_ms = NO_CLOCK_BUDGET;
  request.limits = SearchLimits{depth, -1};
  request.single_pass = true;
  return think(cb, request);
}
