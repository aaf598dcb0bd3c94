// Iterative deepening: fixed-depth passes of 2, 3, 4, ... plies, each on a
// freshly emptied table with freshly drawn keys, until the search must stop
// (budget used up, node limit, "stop" or "quit"), a mate is established, or
// the last pass the limits allow has run.
#include "search/search_driver.h"

#include "board/chess_cb.h"
#include "hash/hash_table.h"
#include "search/alpha_beta.h"
#include "search/root_moves.h"
#include "search/search_context.h"
#include "search/search_limits.h"
#include "search/search_threads.h"
#include "search/time_control.h"

namespace {

// The kept score as the side to move sees it: positive when the engine
// stands better, +30000 when it mates, -30000 when it is mated.
int report_score(uint32_t result, uint8_t side) {
  const int score = int(move_score(result));
  return side == WHITE ? score - int(SCORE_DRAW) : int(SCORE_DRAW) - score;
}

// Moves to the mate that a kept score of +-30000 (side to move's view) at
// this depth stands for, 0 for any other score. Mates all score alike, so
// the search does not tell their distances apart, but the passes do: a
// mate in n by the side to move needs the mated side's node, at ply 2n - 1,
// inside the full-width part, so it first shows in the pass of depth 2n; a
// mate in n against it first shows at depth 2n + 1. Every pass from
// depth 2 on ran before the one reported (a pass cut short keeps only
// moves searched to the end), so the first pass that shows a mate gives
// its distance exactly, whatever line the table left in the record. (A
// search that began deeper (first_depth), as the tools' single passes do,
// only knows an upper bound: it reports 0, not known.)
int mate_distance(int score, int depth, int first_depth) {
  if (first_depth > SEARCH_FIRST_DEPTH) return 0;
  int n = 0;
  if (score >= int(SCORE_DRAW))
    n = depth / 2;
  else if (score <= -int(SCORE_DRAW))
    n = (depth - 1) / 2;
  else
    return 0;
  return n < 1 ? 1 : n;
}

// Sends one report, and remembers line 1's for think's one-ply fallback.
void report(DriverState &d, ThinkReporter reporter, const uint8_t *cb, const DriverKept &kept, int elapsed,
            int64_t evaluations, int multipv) {
  if (reporter == nullptr) return;
  ThinkReport r{kept.depth, report_score(kept.result, side_to_move(cb)), &kept.line, elapsed,
                uint32_t(evaluations), kept.result, multipv};
  r.mate_moves = mate_distance(r.score, kept.depth, d.first_pass_depth);
  r.hashfull = hash_table_permille();
  r.context = d.report_context;
  if (multipv <= 1) {
    d.last_report = r;
    d.reported = true;
  }
  reporter(cb, r);
}

void accept(DriverKept &kept, uint32_t result, const tagLINE &line, int depth) {
  kept.result = result;
  copy_line(kept.line, line);
  kept.depth = depth;
}

// 1 when the kept score is a mate that this depth is the first to see: the
// side to move mates in n at depth 2n, is mated in n at depth 2n + 1. At the
// other parity one more pass is run before stopping.
int mate_established(uint32_t kept, uint8_t side, int depth) {
  const uint32_t k = move_score(kept);
  const uint32_t win = side == WHITE ? SCORE_WHITE_WINS : SCORE_BLACK_WINS;
  const uint32_t loss = side == WHITE ? SCORE_BLACK_WINS : SCORE_WHITE_WINS;
  return (k == win && depth % 2 == 0) || (k == loss && depth % 2 == 1);
}

// Lines 2 to lines of the pass at depth whose best line is kept: each
// searched with the root moves of the lines before it left out, and
// reported with its rank as soon as it is found. Ends early when the search
// must stop (the line under way is dropped: it may not be the next best),
// when no root move is left, or when every move left loses to a mate (the
// root then improves on nothing and names no move).
void search_other_lines(Search &s, DriverState &d, uint8_t *cb, int depth, int lines, ThinkReporter reporter,
                        uint32_t root_best, uint32_t root_bound) {
  DriverKept &other_line = d.other_line;
  uint32_t previous = d.kept_result.result;
  for (int k = 2; k <= lines; ++k) {
    if (!root_moves_exclude(s.shared->root, root_move_key_of_word(cb, previous))) return;
    if (search_stop_requested(s)) return;
    // Each line on an empty table: the root's own entry is the line just
    // found, and would be read back as the answer; and an entry below the
    // root answers without a line, so that the line reported would stop
    // after its first move.
    clear_hash_table();
    other_line.line.length = 0;
    const uint32_t result = search_pass(s, cb, uint8_t(depth), root_best, root_bound, &other_line.line);
    if (search_was_stopped(s)) return;
    if (!names_a_move(result)) return;
    other_line.result = result;
    other_line.depth = depth;
    report(d, reporter, cb, other_line, clock_elapsed(s.shared->clock), search_pass_evaluations(*s.shared), k);
    previous = result;
  }
}

}  // namespace

uint32_t alpha_beta_time(Search &s, DriverState &d, uint8_t *cb, int first_depth, int last_depth,
                         ThinkReporter reporter, int lines) {
  SearchShared &shared = *s.shared;
  if (lines > SEARCH_LINES_MAX) lines = SEARCH_LINES_MAX;
  d.first_pass_depth = first_depth;
  // One line is reported without a rank, exactly as before analyses had any.
  const int rank = lines > 1 ? 1 : 0;
  const uint8_t side = side_to_move(cb);
  // Each pass's root window: from the worst value for the side to move
  // towards the best.
  const uint32_t root_best = side == WHITE ? SCORE_BLACK_WINS : SCORE_WHITE_WINS;
  const uint32_t root_bound = side == WHITE ? SCORE_WHITE_WINS : SCORE_BLACK_WINS;

  DriverKept &kept = d.kept_result;
  tagLINE &line = d.pass_line;
  kept.result = root_best;  // the worst score, without squares
  kept.line.length = 0;
  kept.depth = 0;
  // Not cleared between passes: a pass whose root never improves leaves the
  // previous pass's line in place.
  line.length = 0;

  for (int depth = first_depth;; ++depth) {
    // Each pass searches its best line among all the moves the root may
    // play: the pass's start makes the root's list anew.
    search_start_pass(s, cb);
    const uint32_t result = search_pass(s, cb, uint8_t(depth), root_best, root_bound, &line);
    const int elapsed = clock_elapsed(shared.clock);
    const int64_t evaluations = search_pass_evaluations(shared);
    const int stop = search_stop_requested(s);
    // Counted after the decision (which adds the running pass itself) and
    // before the next pass zeroes the counters; a pass of several lines
    // counts once all of them are searched.
    if (stop || rank == 0) search_limits_count_pass(shared, evaluations);

    if (stop) {
      // The pass may have been cut short; its root still only holds fully
      // searched moves, so it is taken when it is at least as good for the
      // side to move as the last whole pass (a tie goes to the deeper).
      if (is_better_beta(move_score(kept.result), move_score(result), side)) accept(kept, result, line, depth);
      // Stopped before any move was fully searched, the kept value is only the
      // starting worst score: reporting it would claim a mate against the
      // engine with an empty line. Think's one-ply search picks
      // the move instead.
      if (names_a_move(kept.result)) report(d, reporter, cb, kept, elapsed, evaluations, rank);
      return kept.result;
    }

    accept(kept, result, line, depth);
    report(d, reporter, cb, kept, elapsed, evaluations, rank);
    if (rank != 0) {
      if (names_a_move(kept.result)) search_other_lines(s, d, cb, depth, lines, reporter, root_best, root_bound);
      search_limits_count_pass(shared, search_pass_evaluations(shared));
      // A stop heard during the other lines ends the search: line 1 of this
      // pass is whole and kept.
      if (search_was_stopped(s)) return kept.result;
    }
    if (mate_established(kept.result, side, depth)) return kept.result;
    if (depth >= last_depth) return kept.result;
  }
}
