#include "search/alpha_beta.h"

#include <algorithm>
#include <cstring>

#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "hash/hash_table.h"
#include "hash/zobrist.h"
#include "movegen/attack.h"
#include "movegen/captures.h"
#include "movegen/movegen.h"
#include "search/make_move.h"
#include "search/search_context.h"
#include "search/search_limits.h"
#include "search/search_node.h"

namespace {

// The quiescence search tries at most this many captures per node, best
// ordering scores first.
constexpr int QUIES_MAX_CAPTURES = 4;

}  // namespace

int is_better_result(uint32_t best, uint32_t score, uint8_t side) {
  if (score == SCORE_ILLEGAL) return 0;
  return side == WHITE ? best < score : best > score;
}

int is_better_beta(uint32_t bound, uint32_t score, uint8_t side) {
  if (score == SCORE_ILLEGAL) return 0;
  return side == WHITE ? bound <= score : bound >= score;
}

int search_stop_requested(Search &s) {
  // Every reason to stop (the clock's budget, a node limit, the front end's
  // "stop" or "quit") is weighed in the limits by the main thread, once; the
  // answer then holds for the rest of the search. The other threads follow
  // the shared flags.
  if (!s.stop_decided) {
    SearchShared &shared = *s.shared;
    // A helper may find the node limit reached too: it counts on while the
    // main thread waits for its own next look.
    if (!shared.stop.load(std::memory_order_relaxed) &&
        (s.main ? search_limits_stop(shared) != 0 : search_node_limit_reached(shared)))
      shared.stop.store(true, std::memory_order_relaxed);
    if (shared.stop.load(std::memory_order_relaxed)) s.stop_decided = true;
  }
  return s.stop_decided;
}

int search_was_stopped(const Search &s) { return s.stop_decided; }


// alpha_beta and quies are kept whole and single: never inlined into a
// caller or into themselves, never cloned for a caller's constant
// arguments. Otherwise link-time optimisation weighs that anew with every
// change anywhere in the program (a new caller such as the glance's, with
// its constant ply and depth, was enough), and its choices moved one
// thread's speed by up to 15 % with no change to the search itself.
#if defined(__clang__)
#define SEARCH_NODE_FUNCTION [[gnu::noinline]]
#else
#define SEARCH_NODE_FUNCTION [[gnu::noinline, gnu::noclone]]
#endif

SEARCH_NODE_FUNCTION uint32_t alpha_beta(Search &s, uint8_t *cb, uint8_t ply, uint8_t depth, uint32_t best,
                                         uint32_t bound, tagLINE *line) {
  // Step 1. Node state.
  const uint8_t side = side_to_move(cb);
  const uint8_t state = cb[CB_STATE];

  // Stopped: the parent discards whatever comes back and returns too.
  if (node_poll(s)) return best;

  // Step 2. Probe the table.
  const uint32_t known = ProbeHash(s.key, ply, best, bound, side);
  if (known != 0) {
    line->length = 0;
    return known;
  }

  // Step 3. Legality: the side that has just moved may not stand in check.
  // Moves are generated pseudo-legally and refused here, one ply late.
  if (search_in_check(s, cb, side ^ 1)) {
    line->length = 0;
    return SCORE_ILLEGAL;
  }

  // Step 4. Horizon: the captures-only search scores the position.
  if (ply >= depth) return quies(s, cb, ply, depth, best, bound, line);

  // Step 5. Generate, the moves flagged for it first (captures,
  // promotions, en passant, castling), then the quiet rest, each in
  // generation order. There is no other move ordering.
  uint32_t moves[MAX_GENERATED_MOVES];
  uint32_t ordered[MAX_GENERATED_MOVES];
  const int n = order_moves(ordered, moves, generate_moves(cb, moves, s.kept.sets));

  tagLINE child_line;
  child_line.length = 0;
  int improved = 0;
  int legal = 0;

  // Step 6. Each move in turn.
  for (int i = 0; i < n; ++i) {
    const uint32_t gm = ordered[i];
    // The next sibling's table slot starts loading now, while this move's
    // subtree is searched: its probe would otherwise wait for memory.
    if (i + 1 < n) search_prefetch(s, cb, ordered[i + 1]);

    // Make the move and hand the turn over, search the child with the
    // window swapped, unmake: byte 144 comes back from the node's copy.
    SearchUndo undo;
    search_make(s, cb, gm, undo);
    const uint32_t child = alpha_beta(s, cb, uint8_t(ply + 1), depth, bound, best, &child_line);
    search_unmake(s, cb, gm, state, undo);

    // The child's search was cut short: its value says nothing, so it is
    // neither used nor recorded.
    if (s.stop_decided) return best;

    // Step 7. Cut-off: the parent will not let the game come here, and
    // takes nothing from this node's line.
    if (is_better_beta(bound, child, side)) {
      RecordHash(s.key, ply, bound, HASH_CUTOFF);
      return bound;
    }

    // Step 8. Improvement: strict, so of equal scores the first stays.
    if (is_better_result(best, child, side)) {
      improved = 1;
      best = child;
      take_over_line(*line, gm_from(gm), gm_to(gm), child_line);
    }

    // Step 9. A child that was not refused means a legal move exists.
    if (child != SCORE_ILLEGAL) legal = 1;

    // Step 10. Clock, after every move near the root (deeper nodes poll
    // by node count). The value handed up is the worst for the side that
    // moves at the root, and the parent stops on seeing the decision
    // anyway, so no move whose search was cut short is ever adopted there;
    // nothing is recorded.
    if (ply <= CLOCK_PLIES && search_stop_requested(s)) {
      const bool white = side == WHITE;
      if (ply == 1) return white ? SCORE_WHITE_WINS : SCORE_BLACK_WINS;
      return white ? SCORE_BLACK_WINS : SCORE_WHITE_WINS;
    }
  }

  // Step 11. No legal move: checkmate or stalemate.
  if (!legal) {
    line->length = 0;
    best = search_no_move_score(s, cb, side);
  }

  // Step 12. Record and return.
  RecordHash(s.key, ply, best, improved ? HASH_EXACT : HASH_NOTHING_IMPROVED);
  return best;
}

SEARCH_NODE_FUNCTION uint32_t quies(Search &s, uint8_t *cb, uint8_t ply, uint8_t depth, uint32_t best, uint32_t bound,
                                    tagLINE *line) {
  // Step 1. Node state.
  const uint8_t side = side_to_move(cb);
  const uint8_t state = cb[CB_STATE];

  // Stopped: the parent discards whatever comes back and returns too.
  if (node_poll(s)) return best;

  // Step 2. Probe, except at the first level: the alpha-beta node that
  // called it has just probed this very position.
  if (ply > depth) {
    const uint32_t known = ProbeHash(s.key, ply, best, bound, side);
    if (known != 0) {
      line->length = 0;
      return known;
    }
  }

  // Step 3. The line starts empty. There is no legality test here: a capture
  // that leaves the own king attacked is searched like any other, and a side
  // in check may stand pat.
  line->length = 0;

  // Step 4. Stand pat on the static evaluation.
  const uint32_t standing = uint32_t(search_evaluate(s, cb));
  if (is_better_beta(bound, standing, side)) {
    RecordHash(s.key, ply, bound, HASH_CUTOFF);
    return bound;
  }
  int improved = 0;
  if (is_better_result(best, standing, side)) {
    improved = 1;
    best = standing;
  }

  // Step 5. Captures. The record holds 96, which the generator never
  // exceeds; the count is bounded anyway before it indexes anything.
  const s_mv captures = generate_qsearch_moves(cb, s.kept.sets);
  int count = captures.count;
  if (count < 0) count = 0;
  if (count > S_MV_CAPACITY) count = S_MV_CAPACITY;
  uint8_t order[S_MV_CAPACITY];
  for (int i = 0; i < count; ++i) order[i] = uint8_t(i);

  tagLINE child_line;
  child_line.length = 0;
  const int tries = count < QUIES_MAX_CAPTURES ? count : QUIES_MAX_CAPTURES;

  // Step 6. The best-ordered captures, at most four.
  for (int k = 0; k < tries; ++k) {
    // Stable selection: the highest ordering score not yet tried,
    // the generator's first of equals; the rest keep their order behind it.
    int pick = k;
    for (int j = k + 1; j < count; ++j)
      if (captures.score[order[j]] > captures.score[order[pick]]) pick = j;
    const uint8_t chosen = order[pick];
    for (int j = pick; j > k; --j) order[j] = order[j - 1];
    order[k] = chosen;

    const uint8_t from = captures.from[chosen], to = captures.to[chosen];

    // Make the capture as a plain move (a pawn reaching the last rank stays
    // a pawn, castling rights do not change), search the reply with the
    // window swapped, unmake.
    const uint32_t gm = fill_move(from, to, KIND_PLAIN_CAPTURE, 1);
    SearchUndo undo;
    search_make(s, cb, gm, undo);
    const uint32_t child = quies(s, cb, uint8_t(ply + 1), depth, bound, best, &child_line);
    search_unmake(s, cb, gm, state, undo);

    // The reply's search was cut short: return without using or recording.
    if (s.stop_decided) return best;

    // Step 7. Cut-off.
    if (is_better_beta(bound, child, side)) {
      RecordHash(s.key, ply, bound, HASH_CUTOFF);
      return bound;
    }

    // Step 8. Improvement.
    if (is_better_result(best, child, side)) {
      improved = 1;
      best = child;
      take_over_line(*line, from, to, child_line);
    }
  }

  // Step 9. Record and return.
  RecordHash(s.key, ply, best, improved ? HASH_EXACT : HASH_NOTHING_IMPROVED);
  return best;
}
