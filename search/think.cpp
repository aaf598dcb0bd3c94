#include "search/think.h"

#include <cstdint>

#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "hash/hash_table.h"
#include "search/root_moves.h"
#include "search/strength.h"
#include "search/time_control.h"

int g_think_depth_cap = -1;

uint32_t search_one_ply(uint8_t *cb) {
  // By now the budget is usually spent (or a "stop" came), and the root asks
  // for its stop decision after each move: it would stop after the first
  // one, and send no move at all whenever that first move was illegal. One
  // ply takes milliseconds, so the clock and every other limit are lifted
  // for it.
  set_limit_time(INT32_MAX);
  search_limits_clear();
  ini_hash_table(cb);
  static tagLINE line;
  line.length = 0;
  const bool white = side_to_move(cb) == WHITE;
  return alpha_beta(cb, 0, 1, white ? SCORE_BLACK_WINS : SCORE_WHITE_WINS,
                    white ? SCORE_WHITE_WINS : SCORE_BLACK_WINS, &line);
}

namespace {

// The caller's reporter and the last report the driver sent through it.
ThinkReporter outer_reporter = nullptr;
ThinkReport last_report{};
bool reported = false;

// The caller's listener for the root move under search.
RootMoveListener current_move_listener = nullptr;

void tell_current_move(const uint8_t *cb, uint32_t gm, int number) {
  if (get_time() >= CURRENT_MOVE_AFTER_MS) current_move_listener(cb, gm, number);
}

void remember_report(const uint8_t *cb, const ThinkReport &report) {
  // The one-ply fallback replaces the best line's report: the other lines
  // of an analysis are not it.
  if (report.multipv <= 1) {
    last_report = report;
    reported = true;
  }
  outer_reporter(cb, report);
}

// A move below full strength played on a glance (strength.h), reported as
// a two-ply pass; false when the glance found no move (every move it looked
// at loses to a mate, or it was stopped first), and the search then plays.
bool played_on_glance(uint8_t *cb, const ThinkRequest &request, const StrengthLevel &level, ThinkResult &result) {
  const int root_count = request.root_moves != nullptr ? request.root_move_count : 0;
  static GlanceResult glance;
  glance = glance_move(cb, level.misjudgement_cp, request.root_moves, root_count);
  search_limits_count_pass(int(glance.evaluations));
  if (!names_a_move(glance.move)) {
    root_moves_only(request.root_moves, root_count);
    return false;
  }
  if (request.report != nullptr) {
    const int score = int(move_score(glance.move)) - int(SCORE_DRAW);
    request.report(cb, ThinkReport{2, side_to_move(cb) == WHITE ? score : -score, &glance.line, get_time(),
                                   uint32_t(glance.evaluations), glance.move, 0});
  }
  result.move = glance.move;
  result.input = search_limits_input();
  result.evaluations = search_limits_nodes();
  result.line = &glance.line;
  search_limits_clear();
  root_moves_reset();
  return true;
}

}  // namespace

ThinkResult think(uint8_t *cb, const ThinkRequest &request) {
  outer_reporter = request.report;
  reported = false;
  set_limit_time(request.budget_ms);
  set_game_position(get_game_position(cb, request.half_moves / 2));
  search_limits_start(request.limits, request.poll);
  const int root_count = request.root_moves != nullptr ? request.root_move_count : 0;
  root_moves_only(request.root_moves, root_count);
  ThinkResult result{};
  if (request.weakness > 0 && !request.single_pass) {
    const StrengthLevel level = strength_level(request.weakness);
    // The draw is made on every move, glance or not, so that a game's draws
    // follow from its seed and its moves alone.
    if (strength_per_mille() < level.glance_per_mille && played_on_glance(cb, request, level, result))
      return result;
    // The level sees no further than its node budget lets it; a smaller
    // limit of the "go" line itself stays.
    search_limits_cap_nodes(level.nodes);
  }
  const int depth = request.limits.depth;
  const int pass = depth < 1 ? 1 : depth > SEARCH_DEPTH_CAP ? SEARCH_DEPTH_CAP : depth;
  const int first = request.single_pass ? pass : SEARCH_FIRST_DEPTH;
  int last = request.single_pass ? pass : search_depth_limit();
  if (!request.single_pass && g_think_depth_cap >= SEARCH_FIRST_DEPTH && last > g_think_depth_cap)
    last = g_think_depth_cap;
  // A mate in N shows in the pass of depth 2N; compared as N first, so that
  // no N can overflow the doubling.
  if (!request.single_pass && request.mate > 0 && request.mate < last && 2 * request.mate < last)
    last = 2 * request.mate < first ? first : 2 * request.mate;

  // Root moves are told to the caller only once the search has run for a
  // while: fast games would drown in them.
  current_move_listener = request.current_move;
  g_root_move_listener = request.current_move != nullptr ? tell_current_move : nullptr;

  result.move =
      alpha_beta_time(cb, first, last, request.report != nullptr ? remember_report : nullptr, request.multipv);
  result.input = search_limits_input();
  result.evaluations = search_limits_nodes();
  result.line = &driver_line();
  search_limits_clear();
  g_root_move_listener = nullptr;
  if (!request.single_pass && !names_a_move(result.move)) {
    ini_stat_calculated();
    result.move = search_one_ply(cb);
    // A report already sent (every move loses to a mate) names no move:
    // it is sent again with the move played, alone. Without one (the
    // search was stopped before its first pass ended), the one-ply search
    // is reported as what it is: depth 1, its own score, its move.
    static tagLINE fallback_line;
    fallback_line.length = 0;
    if (names_a_move(result.move)) {
      fallback_line.length = 1;
      fallback_line.from[0] = uint8_t(move_from(result.move));
      fallback_line.to[0] = uint8_t(move_to(result.move));
      if (request.report != nullptr) {
        ThinkReport r{};
        if (reported) {
          r = last_report;
        } else {
          const int score = int(move_score(result.move)) - int(SCORE_DRAW);
          r.depth = 1;
          r.score = side_to_move(cb) == WHITE ? score : -score;
          r.time_ms = get_time();
          r.evaluations = uint32_t(stat_heuristic_calculated());
          r.multipv = request.multipv > 1 ? 1 : 0;
          r.hashfull = hash_table_permille();
        }
        r.line = &fallback_line;
        r.move = result.move;
        request.report(cb, r);
      }
    }
    result.line = &fallback_line;
  }
  root_moves_reset();
  return result;
}

ThinkResult think_single_pass(uint8_t *cb, int half_moves, int depth) {
  start_timer();
  ThinkRequest request{};
  request.half_moves = half_moves;
  request.budget_ms = NO_CLOCK_BUDGET;
  request.limits = SearchLimits{depth, -1};
  request.single_pass = true;
  return think(cb, request);
}
