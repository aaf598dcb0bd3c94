#include "search/search_threads.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "board/chess_cb.h"
#include "hash/hash_table.h"
#include "search/alpha_beta.h"
#include "search/root_moves.h"
#include "search/root_search.h"
#include "search/search_context.h"

namespace {

// A helper: its thread, its record and its own board.
struct Helper {
  Search search{};
  uint8_t board[CB_SIZE];
  tagLINE line;
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

// Microseconds of a steady clock, for the time the threads wait.
int64_t steady_us() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

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
    // The main thread searches the root's first move alone: its score is
    // the window every other move needs.
    root_wait_open(*s.shared);
    const int64_t entered = steady_us();
    // Its answer reaches the main thread through the shared list.
    search_root(s, h.board, depth, best, bound, &h.line);
    s.root_busy_us = steady_us() - entered;

    lock.lock();
    if (++pool.finished == pool.taking_part) pool.done.notify_one();
  }
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
  root_moves_generate(shared.root, cb, main.kept.sets, shared.only_moves, shared.only_count);
}

uint32_t search_pass(Search &main, uint8_t *cb, uint8_t depth, uint32_t best, uint32_t bound, tagLINE *line) {
  SearchShared &shared = *main.shared;
  if (shared.thread_count == 1) return search_root(main, cb, depth, best, bound, line);

  root_share_begin(shared, best);
  const int64_t started = steady_us();
  {
    std::lock_guard<std::mutex> lock(pool.mutex);
    for (int i = 1; i < shared.thread_count; ++i) {
      Helper &h = *pool.helpers[size_t(i - 1)];
      std::memcpy(h.board, cb, CB_SIZE);
      h.search.phase = main.phase;
      search_set_position(h.search, h.board);
    }
    pool.depth = depth;
    pool.best = best;
    pool.bound = bound;
    pool.finished = 0;
    pool.taking_part = shared.thread_count - 1;
    ++pool.pass_number;
  }
  pool.wake.notify_all();

  // The helpers take moves once the main thread's root has opened the list
  // after its first move, or here when it had none to search.
  const uint32_t own = search_root(main, cb, depth, best, bound, line);
  int64_t busy = steady_us() - started;
  root_open(shared);

  // While the helpers finish their root moves, the main thread goes on
  // looking at the clock and the input, as it does between nodes: it alone
  // decides the stop, and a helper deep in a long move would otherwise run
  // the move's budget over (by hundreds of milliseconds) or keep a "stop"
  // waiting.
  std::unique_lock<std::mutex> lock(pool.mutex);
  while (!pool.done.wait_for(lock, std::chrono::milliseconds(1),
                             [] { return pool.finished == pool.taking_part; })) {
    lock.unlock();
    search_stop_requested(main);
    lock.lock();
  }
  // Every thread was in the pass from its start to its end; what it did not
  // spend searching its root moves, it waited: a helper for the list to
  // open and, like the main thread, for the last move to end.
  const int64_t threads_time = (steady_us() - started) * shared.thread_count;
  for (int i = 1; i < shared.thread_count; ++i) busy += pool.helpers[size_t(i - 1)]->search.root_busy_us;
  lock.unlock();
  shared.thread_pass_us += threads_time;
  shared.thread_waited_us += threads_time > busy ? threads_time - busy : 0;
  const uint32_t result = root_shared_result(shared, best, own, line);
  main.stop_decided = shared.stop.load(std::memory_order_relaxed);
  return result;
}
