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
  uint64_t released = 0;     // the last pass the helpers may search (released by the main thread)
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

// Never destroyed: at the end of the process the parked helpers simply end
// with it. Joining them from a static destructor would hang in a forked
// child (a death test), which has only the forking thread.
Pool &pool = *new Pool;

// seen: the pass number when the helper was made; a pass handed out before
// the new thread first takes the lock is still its to search.
void helper_main(Helper &h, int index, uint64_t seen) {
  std::unique_lock<std::mutex> lock(pool.mutex);
  for (;;) {
    // A pass is searched once the main thread has let the helpers in.
    pool.wake.wait(lock, [&] {
      return pool.quit || (pool.pass_number != seen && pool.released == pool.pass_number && index <= pool.taking_part);
    });
    if (pool.quit) return;
    seen = pool.pass_number;
    const uint8_t depth = pool.depth;
    const uint32_t best = pool.best, bound = pool.bound;
    lock.unlock();

    Search &s = h.search;
    h.line.length = 0;
    // Its answer reaches the main thread through the shared root best.
    alpha_beta(s, h.board, 0, depth, best, bound, &h.line);

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

void search_threads_release(Search &main) {
  SearchShared &shared = *main.shared;
  if (shared.helpers_released) return;
  shared.helpers_released = true;
  {
    std::lock_guard<std::mutex> lock(pool.mutex);
    pool.released = pool.pass_number;
  }
  pool.wake.notify_all();
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

  shared.root_next.store(0, std::memory_order_relaxed);
  shared.root_best.store(best, std::memory_order_relaxed);  // found by nobody yet: no squares
  shared.root_legal.store(false, std::memory_order_relaxed);
  shared.helpers_released = false;
  shared.sharing_root = true;
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
    ++pool.pass_number;
  }

  // The main thread lets the helpers in after its first root move
  // (search_threads_release), or here when it had none to search.
  const uint32_t own = alpha_beta(main, cb, 0, depth, best, bound, line);
  search_threads_release(main);

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
  shared.sharing_root = false;
  // The answer is the best any thread found, with the finder's line: the
  // finder's best is still that move (a later improvement of its own would
  // have beaten the shared best too). Without one, either some move was
  // legal and none improved on the window (the window stands, as with one
  // thread), or none was legal and the main thread's own answer (mate or
  // stalemate) is the position's.
  uint32_t result = own;
  const uint64_t found = shared.root_best.load(std::memory_order_relaxed);
  if (names_a_move(uint32_t(found))) {
    result = uint32_t(found);
    const int finder = int(found >> 32);
    if (finder != 0) copy_line(*line, pool.helpers[size_t(finder - 1)]->line);
  } else if (shared.root_legal.load(std::memory_order_relaxed)) {
    result = best;
  }
  main.stop_decided = shared.stop.load(std::memory_order_relaxed);
  return result;
}
