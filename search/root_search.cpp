#include "search/root_search.h"

#include "board/chess_cb.h"
#include "hash/hash_table.h"
#include "search/alpha_beta.h"
#include "search/make_move.h"
#include "search/root_moves.h"
#include "search/search_context.h"
#include "search/search_node.h"

namespace {

// The index in the list of the thread's next move, on a shared pass.
inline int claim_root_move(Search &s) { return s.shared->root_next.fetch_add(1, std::memory_order_relaxed); }

// The window the thread searches its next move with on a shared pass: its
// own best, or the best any thread has found if that is better. A move that
// does not beat the window comes back as the window's value (fail-hard),
// which the thread may then take as its own best: it is never better than
// the shared best, which is what the pass answers.
inline uint32_t shared_window(const Search &s, uint32_t best, uint8_t side) {
  const uint32_t shared = uint32_t(s.shared->root_best.load(std::memory_order_relaxed));
  return is_better_result(best, shared, side) ? shared : best;
}

// Offers the result of the list's move i (searched to the end) to the other
// threads: it becomes the shared best if it beats it strictly.
void share_result(Search &s, int i, uint32_t score, uint8_t side) {
  std::atomic<uint64_t> &shared = s.shared->root_best;
  uint64_t seen = shared.load(std::memory_order_relaxed);
  const uint64_t mine = uint64_t(uint32_t(i + 1)) << 32 | score;
  while (is_better_result(uint32_t(seen), score, side) &&
         !shared.compare_exchange_weak(seen, mine, std::memory_order_relaxed)) {
  }
}

// The root's answer: the best move's word, or the bare score.
inline uint32_t answer(const RootMoves &root, int best_index, uint32_t best) {
  return best_index < 0 ? best : root_move_word(root.moves[best_index].move, best);
}

}  // namespace

uint32_t search_root(Search &s, uint8_t *cb, uint8_t depth, uint32_t best, uint32_t bound, tagLINE *line) {
  SearchShared &shared = *s.shared;
  RootMoves &root = shared.root;
  const uint8_t side = side_to_move(cb);
  const uint8_t state = cb[CB_STATE];
  best &= MW_SCORE_MASK;
  bound &= MW_SCORE_MASK;

  if (search_begin(s)) return best;

  // The side that has just moved may not stand in check: such a position
  // has no answer.
  if (search_in_check(s, cb, side ^ 1)) {
    line->length = 0;
    return SCORE_ILLEGAL;
  }
  // No depth at all: the captures-only search scores the position.
  if (depth == 0) return quies(s, cb, 0, depth, best, bound, line);

  const bool shared_root = shared.sharing_root;

  tagLINE child_line;
  child_line.length = 0;
  int best_index = -1;  // the list's move that improved best last; -1: none yet
  int legal = 0;
  int legal_children = 0;  // moves searched so far whose child was not refused
  const int n = root.count;
  for (int i = shared_root ? claim_root_move(s) : 0; i < n; i = shared_root ? claim_root_move(s) : i + 1) {
    RootMove &m = root.moves[i];
    const uint32_t gm = m.move;
    // An earlier line of an analysis took it.
    if (m.excluded) continue;
    if (s.root_listener != nullptr && clock_elapsed(shared.clock) >= s.root_listener_after_ms)
      s.root_listener(cb, gm, legal_children + 1);

    SearchUndo undo;
    search_make(s, cb, gm, undo);
    const uint32_t window = shared_root ? shared_window(s, best, side) : best;
    const uint32_t child = alpha_beta(s, cb, 1, depth, bound, window, &child_line);
    search_unmake(s, cb, gm, state, undo);

    // Cut short: best holds only moves whose search ended.
    if (s.stop_decided) return answer(root, best_index, best);
    m.score = child;

    // A mate: nothing can beat it, and it is the move played and reported,
    // so its line replaces whatever an earlier move left there.
    if (is_better_beta(bound, child, side)) {
      RecordHash(s.key, 0, bound, HASH_CUTOFF);
      take_over_line(*line, gm_from(gm), gm_to(gm), child_line);
      copy_line(m.line, *line);
      if (shared_root) share_result(s, i, bound, side);
      return root_move_word(gm, bound);
    }

    // Improvement: strict, so of equal scores the first stays.
    if (is_better_result(best, child, side)) {
      best = child;
      best_index = i;
      take_over_line(*line, gm_from(gm), gm_to(gm), child_line);
      copy_line(m.line, *line);
      if (shared_root) share_result(s, i, best, side);
    }

    if (child != SCORE_ILLEGAL) {
      legal = 1;
      ++legal_children;
      if (shared_root) shared.root_legal.store(true, std::memory_order_relaxed);
    }
    // The helpers wait for the main thread's first move: its score is the
    // window they begin with.
    if (shared_root && s.main) root_open(shared);

    // The clock, after every move.
    if (search_stop_requested(s)) return answer(root, best_index, best);
  }

  // No legal move: checkmate or stalemate.
  if (!legal) {
    line->length = 0;
    best = search_no_move_score(s, cb, side);
    best_index = -1;
  }

  // A root shared out holds only some of the moves in each thread: its
  // result is not the position's (which a transposition back to the root
  // would read).
  if (!shared_root) RecordHash(s.key, 0, best, best_index >= 0 ? HASH_EXACT : HASH_NOTHING_IMPROVED);
  return answer(root, best_index, best);
}

void root_share_begin(SearchShared &shared, uint32_t best) {
  shared.root_open.store(false, std::memory_order_relaxed);
  shared.root_next.store(0, std::memory_order_relaxed);
  shared.root_best.store(best & MW_SCORE_MASK, std::memory_order_relaxed);
  shared.root_legal.store(false, std::memory_order_relaxed);
  shared.sharing_root = true;
}

void root_open(SearchShared &shared) {
  if (shared.root_open.load(std::memory_order_relaxed)) return;
  {
    std::lock_guard<std::mutex> lock(shared.root_open_mutex);
    shared.root_open.store(true, std::memory_order_release);
  }
  shared.root_opened.notify_all();
}

void root_wait_open(SearchShared &shared) {
  // A mutex and condition variable, not the flag's own wait: the standard
  // library of the Windows build can miss that wait's wake-up, and a helper
  // left asleep keeps the pass, and the "bestmove", from ever ending.
  std::unique_lock<std::mutex> lock(shared.root_open_mutex);
  shared.root_opened.wait(lock, [&] { return shared.root_open.load(std::memory_order_acquire); });
}

uint32_t root_shared_result(SearchShared &shared, uint32_t best, uint32_t own, tagLINE *line) {
  shared.sharing_root = false;
  const uint64_t found = shared.root_best.load(std::memory_order_relaxed);
  const int index = int(found >> 32) - 1;
  if (index >= 0 && index < shared.root.count) {
    const RootMove &m = shared.root.moves[index];
    copy_line(*line, m.line);
    return root_move_word(m.move, uint32_t(found));
  }
  if (shared.root_legal.load(std::memory_order_relaxed)) return best;
  return own;
}
