// libFuzzer target: the fuzz input is the front end's whole side of a session,
// run through the handshake and the command loop in-process. Properties
// checked on every input: the session returns 0, releases what it owns, and
// its transcript holds every line read and every line sent, in order.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cctype>
#include <string>

#include "base/platform_io.h"
#include "frontend/chess_main.h"
#include "frontend/chess_uci.h"
#include "fuzz/fuzz_support.h"
#include "search/search_limits.h"
#include "search/think.h"
#include "search/time_control.h"
#include "support/transcript_check.h"

namespace {

int input_fd = -1;
int output_fd = -1;

// Every "go" thinks for at most a millisecond, whatever the clock says, and
// no deeper than its first pass, whatever its limits say: inputs hold many
// "go" lines, and each further pass costs another table reset and a deeper
// search. The search's paths (a pass, the stop, the one-ply answer, the
// reports) are all still taken. "go perft 8" would count for minutes; three
// plies take every path of the count and its report.
constexpr SessionSearchCaps kCaps = {SEARCH_FIRST_DEPTH, 1, 3};

// A book whose lines answer the usual openings, castle, promote, and one
// whose reply is no move, so that "go" takes every book path.
constexpr char kBook[] =
    "e2e4e7e5g1f3b8c6f1b5a7a6\n"
    "e2e4c7c5g1f3d7d6\n"
    "d2d4d7d5c2c4e7e6\n"
    "e2e4e7e5g1f3b8c6f1c40-0\n"
    "b2b7h7h6b7a8k\n"
    "b2b7h7h6b7xa8q\n"
    "f2f3e7e5g2g4\n"
    "e2e4zz\n";

// Makes the descriptor hold exactly the bytes, read from the start.
void refill(int fd, const uint8_t *data, size_t size) {
  if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) fuzz_fail("cannot reset a memory file");
  if (io_write(fd, data, size) != long(size)) fuzz_fail("cannot fill a memory file");
  if (::lseek(fd, 0, SEEK_SET) != 0) fuzz_fail("cannot rewind a memory file");
}

// The session's input thread reads until the input ends (or a "quit"). A
// pipe that already holds the whole input, its writing end closed, costs the
// kernel less than a memory file (no file position, no access time).
// Returns the reading end, or -1 when the input does not fit.
int piped_input(const uint8_t *data, size_t size) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) fuzz_fail("no pipe");
  const int capacity = ::fcntl(ends[1], F_SETPIPE_SZ, 1 << 20);
  if (capacity < 0 || size > size_t(capacity)) {
    ::close(ends[0]);
    ::close(ends[1]);
    return -1;
  }
  if (io_write(ends[1], data, size) != long(size)) fuzz_fail("cannot fill a pipe");
  ::close(ends[1]);
  return ends[0];
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  enter_private_directory("velkor-fuzz-loop");
  write_whole_file("book.txt", kBook, sizeof kBook - 1);
  input_fd = ::memfd_create("velkor-input", MFD_CLOEXEC);
  output_fd = ::memfd_create("velkor-output", MFD_CLOEXEC);
  if (input_fd < 0 || output_fd < 0) fuzz_fail("no memory files");
  g_uci_input_fd = input_fd;
  g_uci_output_fd = output_fd;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const int pipe_fd = piped_input(data, size);
  if (pipe_fd < 0) refill(input_fd, data, size);
  g_uci_input_fd = pipe_fd >= 0 ? pipe_fd : input_fd;
  refill(output_fd, nullptr, 0);

  const int status = velkor_main(kCaps);
  if (pipe_fd >= 0) ::close(pipe_fd);

  if (status != 0) fuzz_fail("the session returned " + std::to_string(status));
  if (::lseek(output_fd, 0, SEEK_SET) != 0) fuzz_fail("cannot rewind the output");
  const std::string output = read_whole_descriptor(output_fd);
  if (!output.empty() && output.back() != '\n') fuzz_fail("the output ends inside a line");
  // An input that moves the transcript (the Transcript option) leaves this
  // one incomplete by design.
  std::string lowered(reinterpret_cast<const char *>(data), size);
  for (char &c : lowered) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (lowered.find("transcript") != std::string::npos) return 0;
  const TranscriptCheck check = check_transcript(
      read_whole_file("UCI_debug.txt"),
      lines_read_from(std::string(reinterpret_cast<const char *>(data), size)), split_lines(output));
  if (!check.ok) fuzz_fail("transcript: " + check.error);
  return 0;
}
