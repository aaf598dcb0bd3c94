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
#include "search/root_moves.h"
#include "search/search_context.h"
#include "search/search_limits.h"
#include "search/search_threads.h"

namespace {

// The quiescence search tries at most this many captures per node, best
// ordering scores first.
constexpr int QUIES_MAX_CAPTURES = 4;

// Plies at which a node looks at the clock after each move.
constexpr int CLOCK_PLIES = 2;

// Deeper down, the stop is asked about once per this many nodes (calls of
// alpha_beta and quies): one subtree below ply 2 can take seconds in a deep
// pass, far longer than a short budget.
constexpr uint32_t STOP_POLL_NODES = 1024;
// A helper's question reads a shared flag and no clock: it asks far more
// often, so that the main thread, which waits for every helper to leave a
// pass before it answers, is kept waiting as little as possible.
constexpr uint32_t HELPER_POLL_NODES = 64;
inline uint32_t poll_nodes(const Search &s) { return s.main ? STOP_POLL_NODES : HELPER_POLL_NODES; }

// The thread's stop decision (s.stop_decided): once taken, every node returns
// as soon as its current child does, without recording anything, and the
// root keeps its best among the moves it searched to the end. A new search
// (a call at ply 0) forgets it.

// Counts one node; 1 when the search must stop. Asks only every
// STOP_POLL_NODES nodes, since each question reads the clock.
inline int node_poll(Search &s) {
  if (--s.nodes_until_poll != 0) return s.stop_decided;
  s.nodes_until_poll = poll_nodes(s);
  return search_stop_requested(s);
}

// Cuts a root value to its score field; any other ply compares values whole.
inline uint32_t comparable(uint32_t value, int ply) { return ply == 0 ? value & MW_SCORE_MASK : value; }

// A root shared out between threads (search_threads.h).

// The index of the thread's next root move in the shared list.
inline int claim_root_move(Search &s) { return s.shared->root_next.fetch_add(1, std::memory_order_relaxed); }

// The window the thread searches its next root move with: its own best, or
// the best any thread has found if that is better. A move that does not
// beat the window comes back as the window's value (fail-hard), which the
// thread may then take as its own best: it is never better than the shared
// best, which is what the pass answers.
inline uint32_t shared_root_window(const Search &s, uint32_t best, uint8_t side) {
  const uint32_t shared = uint32_t(s.shared->root_best.load(std::memory_order_relaxed));
  return is_better_result(best, shared, side, 0) ? shared : best;
}

// Offers a root move's result (Move word, searched to the end) to the other
// threads: it becomes the shared best if it beats it strictly.
void share_root_result(Search &s, uint32_t result, uint8_t side) {
  std::atomic<uint64_t> &shared = s.shared->root_best;
  uint64_t seen = shared.load(std::memory_order_relaxed);
  const uint64_t mine = uint64_t(uint32_t(s.index)) << 32 | result;
  while (is_better_result(uint32_t(seen), result, side, 0) &&
         !shared.compare_exchange_weak(seen, mine, std::memory_order_relaxed)) {
  }
}

// line := (from, to) followed by child; child is then emptied.
inline void take_over_line(tagLINE *line, uint8_t from, uint8_t to, tagLINE &child) {
  // The length is a byte: a line that could not grow loses its last move.
  const int n = child.length < 255 ? child.length : 254;
  line->from[0] = from;
  line->to[0] = to;
  std::memcpy(line->from + 1, child.from, size_t(n));
  std::memcpy(line->to + 1, child.to, size_t(n));
  line->length = uint8_t(n + 1);
  child.length = 0;
}

// 1 if the king of colour stands attacked (a missing king never is). The
// king's square and the attackers come from the pieces the make and unmake
// keep.
inline int in_check(const Search &s, const uint8_t *cb, uint8_t colour) {
  return king_attacked(cb, s.kept.sets, colour, search_king_square(s, colour));
}

}  // namespace

int is_better_result(uint32_t best, uint32_t score, uint8_t side, int ply) {
  best = comparable(best, ply);
  score = comparable(score, ply);
  if (score == SCORE_ILLEGAL) return 0;
  return side == WHITE ? best < score : best > score;
}

int is_better_beta(uint32_t bound, uint32_t score, uint8_t side, int ply) {
  bound = comparable(bound, ply);
  score = comparable(score, ply);
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
  // Step 1. Node state. The root's best may carry move squares in its upper
  // bits; bound never reaches a comparison with them.
  bound &= MW_SCORE_MASK;
  const uint8_t side = side_to_move(cb);
  const uint8_t state = cb[CB_STATE];

  // A search begins at the root with no stop decided.
  if (ply == 0) {
    s.stop_decided = false;
    s.nodes_until_poll = poll_nodes(s);
  }
  // Stopped: the parent discards whatever comes back and returns too.
  if (node_poll(s)) return best;

  // Step 2. Probe the table, below the root: the root's own entry is a
  // result without its line, which another thread of the pass may have
  // stored already (and a pass starts on an emptied table anyway).
  if (ply != 0) {
    const uint32_t known = ProbeHash(s.key, ply, best, bound, side);
    if (known != 0) {
      line->length = 0;
      return known;
    }
  }

  // Step 3. Legality: the side that has just moved may not stand in check.
  // Moves are generated pseudo-legally and refused here, one ply late.
  if (in_check(s, cb, side ^ 1)) {
    line->length = 0;
    return SCORE_ILLEGAL;
  }

  // Step 4. Horizon: the captures-only search scores the position.
  if (ply >= depth) return quies(s, cb, ply, depth, best, bound, line);

  // Step 5. Generate.
  uint32_t moves[MAX_GENERATED_MOVES];
  const int count = generate_moves(cb, moves, s.kept.sets);

  tagLINE child_line;
  child_line.length = 0;
  int improved = 0;
  int legal = 0;
  int legal_children = 0;  // moves searched so far whose child was not refused

  // Step 6. The moves flagged for it first (captures, promotions, en
  // passant, castling), then the quiet rest, each in generation order.
  // There is no other move ordering.
  uint32_t ordered[MAX_GENERATED_MOVES];
  int n = 0;
  for (int i = 0; i < count; ++i)
    if (gm_first(moves[i]) == 1) ordered[n++] = moves[i];
  for (int i = 0; i < count; ++i)
    if (gm_first(moves[i]) == 0) ordered[n++] = moves[i];
  // A root searched by several threads takes its moves one by one from the
  // list they share out (search_threads.h), each with the best window any
  // of them has found so far.
  const bool shared_root = ply == 0 && s.shared->sharing_root;
  for (int i = shared_root ? claim_root_move(s) : 0; i < n; i = shared_root ? claim_root_move(s) : i + 1) {
    const uint32_t gm = ordered[i];
    // The next sibling's table slot starts loading now, while this move's
    // subtree is searched: its probe would otherwise wait for memory.
    if (i + 1 < n) search_prefetch(s, cb, ordered[i + 1]);
    // The root may be told to leave moves out ("searchmoves", the lines an
    // analysis has already reported).
    if (ply == 0 && s.root.filtered && !root_move_allowed(s.root, gm)) continue;
    if (ply == 0 && s.root_listener != nullptr && clock_elapsed(s.shared->clock) >= s.root_listener_after_ms)
      s.root_listener(cb, gm, legal_children + 1);

    // Make the move and hand the turn over, search the child with the
    // window swapped, unmake: byte 144 comes back from the node's copy.
    SearchUndo undo;
    search_make(s, cb, gm, undo);
    const uint32_t window = shared_root ? shared_root_window(s, best, side) : best;
    const uint32_t child = alpha_beta(s, cb, uint8_t(ply + 1), depth, bound, window, &child_line);
    search_unmake(s, cb, gm, state, undo);

    // The child's search was cut short: its value says nothing, so it is
    // neither used nor recorded. At the root best holds only moves whose
    // search ended (with their squares), or the bare starting value.
    if (s.stop_decided) return best;

    // The root's result names its move: the squares, and the knight bit
    // when the move searched was the knight promotion (the queen
    // promotion on the same squares is another move).
    const uint32_t squares =
        ply == 0 ? move_word(gm_from(gm), gm_to(gm)) | (gm_kind(gm) == KIND_PROMO_KNIGHT ? MW_PROMO_KNIGHT : 0) : 0;

    // Step 7. Cut-off: the parent will not let the game come here, and
    // takes nothing from this node's line. The root is the exception: it
    // cuts only on a mate, and that move is the one played and reported,
    // so its line replaces whatever an earlier root move left there.
    if (is_better_beta(bound, child, side, ply)) {
      RecordHash(s.key, ply, bound, HASH_CUTOFF);
      if (ply == 0) take_over_line(line, gm_from(gm), gm_to(gm), child_line);
      if (shared_root) share_root_result(s, bound | squares, side);
      return bound | squares;
    }

    // Step 8. Improvement: strict, so of equal scores the first stays.
    if (is_better_result(best, child, side, ply)) {
      improved = 1;
      best = child | squares;
      take_over_line(line, gm_from(gm), gm_to(gm), child_line);
      if (shared_root) share_root_result(s, best, side);
    }

    // Step 9. A child that was not refused means a legal move exists.
    if (child != SCORE_ILLEGAL) {
      legal = 1;
      ++legal_children;
      if (shared_root) s.shared->root_legal.store(true, std::memory_order_relaxed);
    }
    // The other threads wait for the main thread's first root move: its
    // score is the window they begin with.
    if (shared_root && s.main) search_threads_release(s);

    // Step 10. Clock, after every move near the root (deeper nodes poll
    // by node count). The value handed up is the worst for the side that
    // moves at the root, and the parent stops on seeing the decision
    // anyway, so no move whose search was cut short is ever adopted there;
    // nothing is recorded.
    if (ply <= CLOCK_PLIES && search_stop_requested(s)) {
      if (ply == 0) return best;
      const bool white = side == WHITE;
      if (ply == 1) return white ? SCORE_WHITE_WINS : SCORE_BLACK_WINS;
      return white ? SCORE_BLACK_WINS : SCORE_WHITE_WINS;
    }
  }

  // Step 11. No legal move: checkmate or stalemate.
  if (!legal) {
    line->length = 0;
    if (in_check(s, cb, side))
      best = side == WHITE ? SCORE_BLACK_WINS : SCORE_WHITE_WINS;
    else
      best = SCORE_DRAW;
  }

  // Step 12. Record and return. A root shared out holds only some of the
  // moves in each thread: its result is not the position's (which a
  // transposition back to the root would read).
  if (!shared_root) RecordHash(s.key, ply, best, improved ? HASH_EXACT : HASH_NOTHING_IMPROVED);
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
  if (is_better_beta(bound, standing, side, ply)) {
    RecordHash(s.key, ply, bound, HASH_CUTOFF);
    return bound;
  }
  int improved = 0;
  if (is_better_result(best, standing, side, ply)) {
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
    if (is_better_beta(bound, child, side, ply)) {
      RecordHash(s.key, ply, bound, HASH_CUTOFF);
      return bound;
    }

    // Step 8. Improvement.
    if (is_better_result(best, child, side, ply)) {
      improved = 1;
      best = child;
      take_over_line(line, from, to, child_line);
    }
  }

  // Step 9. Record and return.
  RecordHash(s.key, ply, best, improved ? HASH_EXACT : HASH_NOTHING_IMPROVED);
  return best;
}
