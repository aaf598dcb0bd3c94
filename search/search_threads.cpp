#include "search/search_threads.h"

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "board/chess_cb.h"
#include "hash/hash_table.h"
#include "search/search_context.h"

namespace {

// A helper: its thread, its record and its own board.
struct Helper {
  Search search{};
  uint8_t board[CB_SIZE];
  tagLINE line;
  uint32_t result = 0;
  std::thread thread;
};

// The helpers and what the main thread hands them. Everything here is
// guarded by mutex, but for what a helper reads and writes of its own while
// it searches (its record, board and line, which the main thread touches
// only while the helper waits).
struct Pool {
  std::mutex mutex;
  std::condition_variable wake;  // a pass begins, or the helpers must end
  std::condition_variable done;  // a helper has finished its pass
  std::vector<std::unique_ptr<Helper>> helpers;
  uint64_t pass_number = 0;  // one more for every pass handed out
  int taking_part = 0;       // helpers searching the pass under way (the first ones)
  int finished = 0;          // helpers done with the pass under way
  int winner = -1;           // first helper that searched the whole pass; -1 none
  bool quit = false;
  uint8_t depth = 0;
  uint32_t best = 0, bound = 0;

  void stop_all() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      quit = true;
    }
    wake.notify_all();
    for (auto &h : helpers) h->thread.join();
    helpers.clear();
    quit = false;
  }
};

// Never destroyed: at the end of the process the parked helpers simply end
// with it. Joining them from a static destructor would hang in a forked
// child (a death test), which has only the forking thread.
Pool &pool = *new Pool;

// seen: the pass number when the helper was made; a pass handed out before
// the new thread first takes the lock is still its to search.
void helper_main(Helper &h, int index, uint64_t seen) {
  std::unique_lock<std::mutex> lock(pool.mutex);
  for (;;) {
    pool.wake.wait(lock, [&] { return pool.quit || (pool.pass_number != seen && index <= pool.taking_part); });
    if (pool.quit) return;
    seen = pool.pass_number;
    const uint8_t depth = pool.depth;
    const uint32_t best = pool.best, bound = pool.bound;
    lock.unlock();

    Search &s = h.search;
    h.line.length = 0;
    const uint32_t result = alpha_beta(s, h.board, 0, depth, best, bound, &h.line);
    const bool whole = !s.stop_decided;

    lock.lock();
    h.result = result;
    if (whole && pool.winner < 0) {
      // The pass has its answer: the main thread and the other helpers
      // leave it.
      pool.winner = index;
      s.shared->pass_over.store(true, std::memory_order_relaxed);
    }
    if (++pool.finished == pool.taking_part) pool.done.notify_one();
  }
}

void copy_line(tagLINE &to, const tagLINE &from) {
  to.length = from.length;
  std::memcpy(to.from, from.from, from.length);
  std::memcpy(to.to, from.to, from.length);
}

}  // namespace

void search_threads_set(int count) {
  if (count < 1) count = 1;
  if (count > SEARCH_THREADS_MAX) count = SEARCH_THREADS_MAX;
  const size_t helpers = size_t(count - 1);
  if (helpers == pool.helpers.size()) return;
  // Fewer or more: all end, and the count asked for starts (a change of
  // the option between searches is rare; the helpers' numbers stay dense).
  pool.stop_all();
  std::lock_guard<std::mutex> lock(pool.mutex);
  for (size_t i = 0; i < helpers; ++i) {
    pool.helpers.push_back(std::make_unique<Helper>());
    Helper &h = *pool.helpers.back();
    h.search.index = int(i + 1);
    h.search.main = false;
    h.thread = std::thread(helper_main, std::ref(h), int(i + 1), pool.pass_number);
  }
}

int search_threads_count() { return int(pool.helpers.size()) + 1; }

void search_threads_attach(Search &main, SearchShared &shared, int count) {
  std::lock_guard<std::mutex> lock(pool.mutex);
  main.shared = &shared;
  main.main = true;
  main.index = 0;
  const int available = int(pool.helpers.size()) + 1;
  shared.thread_count = count < 1 ? 1 : count > available ? available : count;
  shared.threads[0] = &main;
  for (size_t i = 0; i + 1 < size_t(shared.thread_count); ++i) {
    Search &h = pool.helpers[i]->search;
    h.shared = &shared;
    h.phase = main.phase;
    shared.threads[i + 1] = &h;
  }
}

void search_start_pass(Search &main, const uint8_t *cb) {
  ini_hash_table(cb);
  SearchShared &shared = *main.shared;
  for (int i = 0; i < shared.thread_count; ++i) shared.threads[i]->evaluations.store(0, std::memory_order_relaxed);
  search_set_position(main, cb);
}

uint32_t search_pass(Search &main, uint8_t *cb, uint8_t depth, uint32_t best, uint32_t bound, tagLINE *line) {
  SearchShared &shared = *main.shared;
  if (shared.thread_count == 1) return alpha_beta(main, cb, 0, depth, best, bound, line);

  shared.pass_over.store(false, std::memory_order_relaxed);
  {
    std::lock_guard<std::mutex> lock(pool.mutex);
    for (int i = 1; i < shared.thread_count; ++i) {
      Helper &h = *pool.helpers[size_t(i - 1)];
      std::memcpy(h.board, cb, CB_SIZE);
      h.search.root = main.root;
      h.search.phase = main.phase;
      search_set_position(h.search, h.board);
    }
    pool.depth = depth;
    pool.best = best;
    pool.bound = bound;
    pool.finished = 0;
    pool.taking_part = shared.thread_count - 1;
    pool.winner = -1;
    ++pool.pass_number;
  }
  pool.wake.notify_all();

  uint32_t result = alpha_beta(main, cb, 0, depth, best, bound, line);
  const bool whole = !main.stop_decided;
  shared.pass_over.store(true, std::memory_order_relaxed);

  std::unique_lock<std::mutex> lock(pool.mutex);
  pool.done.wait(lock, [] { return pool.finished == pool.taking_part; });
  // Cut short by a helper that had the whole pass: its answer stands in.
  if (!whole && pool.winner >= 0) {
    const Helper &h = *pool.helpers[size_t(pool.winner - 1)];
    result = h.result;
    copy_line(*line, h.line);
  }
  // What the driver asks next is whether the search must stop, not the pass.
  shared.pass_over.store(false, std::memory_order_relaxed);
  main.stop_decided = shared.stop.load(std::memory_order_relaxed);
  return result;
}
