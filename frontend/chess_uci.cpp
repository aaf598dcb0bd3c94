#include "frontend/chess_uci.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "base/line_reader.h"
#include "base/platform_io.h"
#include "base/transcript.h"
#include "frontend/commands.h"

namespace {

// A line the input thread has read, waiting for the engine to take it.
struct ArrivedLine {
  char *text;  // heap text
  bool cut;    // it was longer than MAX_LINE: noted when it is taken
};

// The input thread and the lines it has queued. Only the thread reads the
// descriptor; the rest is guarded by mutex, but for `arrived`, which says
// "a line is queued or the input has ended" without the lock, for the
// search's quick question.
struct InputReader {
  int fd = -1;
  std::mutex mutex;
  std::condition_variable wake;  // a line has been queued, or the input has ended
  std::deque<ArrivedLine> lines;
  bool ended = false;      // nothing more will come: end of input, a read error, or "quit"
  bool abandoned = false;  // closed while the thread still reads: it frees everything itself
  std::atomic<bool> arrived{false};
  std::thread thread;
};

// The reader of the session under way: made by the first UCI_recv, gone at
// UCI_close_input. On the heap and never destroyed at the end of the
// process, so that a thread still blocked in a read then just ends with it.
InputReader *reader = nullptr;

void drop_lines(std::deque<ArrivedLine> &lines) {
  for (const ArrivedLine &line : lines) std::free(line.text);
  lines.clear();
}

// Hands the lines of one block (and, with end, the end of the input) to the
// engine at once, so that what the front end wrote in one piece arrives in
// one piece. False when the thread must stop reading: the input is over, or
// nobody listens any more (the lines are then freed here).
bool deliver(InputReader &r, std::deque<ArrivedLine> &block_lines, bool end) {
  std::lock_guard<std::mutex> lock(r.mutex);
  if (r.abandoned) {
    drop_lines(block_lines);
    return false;
  }
  for (const ArrivedLine &line : block_lines) r.lines.push_back(line);
  block_lines.clear();
  if (end) r.ended = true;
  if (!r.lines.empty() || r.ended) {
    r.arrived.store(true, std::memory_order_release);
    r.wake.notify_all();
  }
  return !end;
}

// The input thread: blocks on the descriptor, a block at a time, and queues
// each whole line. It stops at the end of the input, on a read error, or
// once it has queued a "quit" (the session ends there, so nothing after it
// is read, and the thread never keeps the process waiting).
void read_input(InputReader *r) {
  PartialLine partial;
  std::deque<ArrivedLine> block_lines;
  bool first = true;  // the opening line is answered as "uci" whatever it says
  bool reading = true;
  char block[4096];
  while (reading) {
    const long n = io_read_waiting(r->fd, block, sizeof block);
    if (n <= 0) break;
    bool end = false;
    for (long i = 0; i < n && !end; ++i) {
      if (!add_line_byte(partial, block[i], '\n')) continue;
      const ArrivedLine line{copy_line_text(partial), partial.cut};
      partial = PartialLine{};
      if (line.text == nullptr) {  // the heap is exhausted: taken as the end
        end = true;
        break;
      }
      block_lines.push_back(line);
      end = !first && command_of(line.text).code == CMD_QUIT;
      first = false;
    }
    reading = deliver(*r, block_lines, end);
  }
  // A line without its terminator at the end is no line.
  bool abandoned;
  {
    std::lock_guard<std::mutex> lock(r->mutex);
    abandoned = r->abandoned;
    if (!abandoned && !r->ended) {
      r->ended = true;
      r->arrived.store(true, std::memory_order_release);
      r->wake.notify_all();
    }
  }
  if (abandoned) {
    drop_lines(r->lines);
    delete r;
  }
}

InputReader &open_reader() {
  if (reader == nullptr) {
    reader = new InputReader;
    reader->fd = g_uci_input_fd;
    reader->thread = std::thread(read_input, reader);
  }
  return *reader;
}

// Takes the first queued line; the caller holds the lock.
ArrivedLine take_first(InputReader &r) {
  const ArrivedLine line = r.lines.front();
  r.lines.pop_front();
  r.arrived.store(!r.lines.empty() || r.ended, std::memory_order_relaxed);
  return line;
}

// The engine has taken a line: into the transcript with it (after the note
// that it was cut, if it was).
char *taken(const ArrivedLine &line) {
  note_cut_line(line.cut);
  UCI_LOG(line.text);
  UCI_LOG("\n");
  return line.text;
}

}  // namespace

int g_uci_input_fd = IO_STDIN;
int g_uci_output_fd = IO_STDOUT;

char *UCI_recv() {
  InputReader &r = open_reader();
  ArrivedLine line;
  {
    std::unique_lock<std::mutex> lock(r.mutex);
    r.wake.wait(lock, [&] { return !r.lines.empty() || r.ended; });
    if (r.lines.empty()) return nullptr;
    line = take_first(r);
  }
  return taken(line);
}

int UCI_recv_arrived(char **line) {
  *line = nullptr;
  InputReader &r = open_reader();
  if (!r.arrived.load(std::memory_order_acquire)) return UCI_NOTHING_YET;
  ArrivedLine first;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.lines.empty()) return r.ended ? UCI_INPUT_ENDED : UCI_NOTHING_YET;
    first = take_first(r);
  }
  *line = taken(first);
  return UCI_LINE;
}

bool UCI_input_arrived() { return reader != nullptr && reader->arrived.load(std::memory_order_relaxed); }

int UCI_lines_arrived(bool *ended) {
  InputReader &r = open_reader();
  std::lock_guard<std::mutex> lock(r.mutex);
  *ended = r.ended;
  return int(r.lines.size());
}

void UCI_close_input() {
  InputReader *r = reader;
  if (r == nullptr) return;
  reader = nullptr;
  {
    std::lock_guard<std::mutex> lock(r->mutex);
    if (!r->ended) {
      // Still reading (a session that ended some other way than at the end
      // of its input or on "quit"): the thread is left to end by itself.
      r->abandoned = true;
      r->thread.detach();
      return;
    }
  }
  r->thread.join();
  drop_lines(r->lines);
  delete r;
}

void UCI_send(const char *text) {
  io_write(g_uci_output_fd, text, std::strlen(text));
  UCI_LOG(text);
}

int UCI_identifier(const char *name, const char *author) {
  UCI_CLEAN_LOG();
  // The front end's opening command is answered as "uci" whatever it says.
  char *first = UCI_recv();
  if (first == nullptr) return 0;
  std::free(first);
  char text[256];
  std::snprintf(text, sizeof text, "id name %s\n", name);
  UCI_send(text);
  std::snprintf(text, sizeof text, "id author %s\n", author);
  UCI_send(text);
  return 1;
}

void UCI_ok() { UCI_send("uciok\n"); }

void UCI_readyok() { UCI_send("readyok\n"); }
