#include "frontend/chess_uci.h"

#include "base/line_reader.h"
#include "base/transcript.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/chess_main.h"
#include "frontend/reports.h"
#include "search/search_threads.h"
#include "support/in_process_protocol.h"

namespace {

// The transport run in-process: protocol input from a file, protocol output
// to a file, transcript in a temporary working directory.
class Transport : public InProcessProtocol {
 protected:
  // The next line as the reader returns it; nullopt for none.
  std::optional<std::string> next(int fd) {
    char *line = my_get_next_line(fd, '\n');
    if (line == nullptr) return std::nullopt;
    std::string text(line);
    std::free(line);
    return text;
  }
};

}  // namespace

TEST_F(Transport, LineReaderDropsCarriageReturnsAndNeedsATerminator) {
  const int fd = input("uci\r\nis\rready\n\nposition startpos\nlast line without terminator");
  EXPECT_EQ(next(fd), "uci");
  EXPECT_EQ(next(fd), "isready");
  EXPECT_EQ(next(fd), "");
  EXPECT_EQ(next(fd), "position startpos");
  EXPECT_EQ(next(fd), std::nullopt);
  EXPECT_EQ(next(fd), std::nullopt) << "end of input stays the end";
  EXPECT_EQ(next(-1), std::nullopt) << "a read error ends the line like end of input";
}

#if !defined(_WIN32)  // Windows has no non-blocking mode for an anonymous pipe
TEST_F(Transport, NonBlockingInputWithNothingYetIsNotTheEnd) {
  // A front end may hand the engine a pipe in non-blocking mode: a read
  // with nothing to read yet must wait for the line, not end the session.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK), 0);
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(::write(fds[1], "uci\n", 4), 4);
    ::close(fds[1]);
  });
  EXPECT_EQ(next(fds[0]), "uci");
  EXPECT_EQ(next(fds[0]), std::nullopt) << "the writer's close is still the end";
  writer.join();
  ::close(fds[0]);
}
#endif

TEST_F(Transport, LongLinesAreKeptWholeUpToOneMebibyteThenCutWithAWarning) {
  UCI_CLEAN_LOG();
  const std::string long_line(300000, 'a');           // far beyond 4096: kept whole
  const std::string huge_line((1 << 20) + 5000, 'b');  // beyond 1 MiB: cut
  const int fd = input(long_line + "\n" + huge_line + "\nisready\n");
  EXPECT_EQ(next(fd), long_line);
  EXPECT_EQ(transcript(), "");
  const std::optional<std::string> cut = next(fd);
  ASSERT_TRUE(cut.has_value());
  EXPECT_EQ(cut->size(), size_t(1) << 20);
  EXPECT_EQ(transcript(), "*** WARNING **** : input line too long, cut to 1048576 characters\n");
  EXPECT_EQ(next(fd), "isready") << "the rest of the long line is consumed, not taken as a line";
}

TEST_F(Transport, ReceivedAndSentLinesGoToTheTranscript) {
  UCI_CLEAN_LOG();
  input("uci\r\n\nquit\n");
  for (const char *expected : {"uci", "", "quit"}) {
    char *line = UCI_recv();
    ASSERT_NE(line, nullptr);
    EXPECT_STREQ(line, expected);
    std::free(line);
  }
  EXPECT_EQ(UCI_recv(), nullptr);
  UCI_send("readyok\n");
  EXPECT_EQ(output(), "readyok\n");
  EXPECT_EQ(transcript(), "uci\n\nquit\nreadyok\n");
}

TEST_F(Transport, TranscriptIsEmptiedAtStartAndNeverRecreated) {
  dir_.write_file("UCI_debug.txt", "old session\n");
  UCI_CLEAN_LOG();
  EXPECT_EQ(transcript(), "");
  ::unlink(dir_.file("UCI_debug.txt").c_str());
  UCI_send("uciok\n");
  EXPECT_EQ(output(), "uciok\n") << "the protocol goes on without a transcript";
  EXPECT_FALSE(dir_.exists("UCI_debug.txt"));
}

TEST_F(Transport, IdentifierAnswersWhateverTheFirstLineSays) {
  input("hello engine\nuci\n");
  ASSERT_EQ(UCI_identifier("Velkor v0.16", "Quenlow"), 1);
  EXPECT_EQ(output(), "id name Velkor v0.16\nid author Quenlow\n");
  EXPECT_EQ(transcript(), "hello engine\nid name Velkor v0.16\nid author Quenlow\n");
}

TEST_F(Transport, IdentifierSendsNothingWhenTheInputIsEmpty) {
  input("");
  EXPECT_EQ(UCI_identifier("Velkor v0.16", "Quenlow"), 0);
  EXPECT_EQ(output(), "");
}

TEST_F(Transport, BestmoveTexts) {
  struct Case {
    uint8_t from, to, flag;
  };
  const Case cases[] = {
      {42, 66, PROMO_NONE},     // e2e4
      {98, 110, PROMO_QUEEN},   // a7a8q
      {98, 110, PROMO_KNIGHT},  // a7a8n: the protocol's letter, never "k"
      {98, 110, PROMO_ROOK},    // a7a8r
      {98, 110, PROMO_BISHOP},  // a7a8b
      {45, 33, PROMO_KNIGHT},   // h2h1n
      {0, 0, PROMO_NONE},       // no move at all
      {0, 0, PROMO_QUEEN},
      {117, 26, 9},             // an unknown flag sends no letter
  };
  for (const Case &c : cases) UCI_sendmove(c.from, c.to, c.flag);
  EXPECT_EQ(output(),
            "bestmove e2e4\nbestmove a7a8q\nbestmove a7a8n\nbestmove a7a8r\nbestmove a7a8b\n"
            "bestmove h2h1n\nbestmove (none)\nbestmove (none)\nbestmove h8a1\n");
}

TEST_F(Transport, WholeSessionRunsInProcessAndReturnsItsStatus) {
  // White is mated (fool's mate): no move, answered without a search. The
  // "isready" behind "go" is answered next, "quit" ends the session, and the
  // last line is never read.
  input("uci\nisready\nposition startpos moves f2f3 e7e5 g2g4 d8h4\nisready\ngo\nisready\nquit\nisready\n");
  EXPECT_EQ(velkor_main(), 0);
  // The search's "info" reports depend on the search, not on the transport.
  std::string protocol;
  std::istringstream lines(output());
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("info ", 0) != 0) protocol += line + "\n";
  EXPECT_EQ(protocol, "id name Velkor v0.16\nid author Quenlow\n" + option_lines() +
                          "uciok\nreadyok\nreadyok\nbestmove (none)\nreadyok\n");
}

// The fuzz target's cap on "go perft": unset, a count runs to the depth asked
// for; set, a deeper count stops at the cap and reports the capped count.
TEST_F(Transport, PerftDepthCapIsOffByDefaultAndOnlyEverShortens) {
  EXPECT_EQ(SessionSearchCaps{}.perft_depth, -1) << "the engine's own sessions have no cap";
  struct Case {
    int cap;
    const char *go;
    const char *total;
  };
  const Case cases[] = {
      {-1, "go perft 2", "Nodes searched: 400\n"},
      {2, "go perft 4", "Nodes searched: 400\n"},
      {2, "go perft 1", "Nodes searched: 20\n"},
      {3, "go perft 12", "Nodes searched: 8902\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.go);
    SessionSearchCaps caps;
    caps.perft_depth = c.cap;
    input(std::string("uci\nposition startpos\n") + c.go + "\nquit\n");
    EXPECT_EQ(velkor_main(caps), 0);
    // The output file gathers every case's session: the last count is this one's.
    const std::string out = output();
    const size_t last = out.rfind("Nodes searched: ");
    ASSERT_NE(last, std::string::npos);
    EXPECT_EQ(out.substr(last, out.find('\n', last) + 1 - last), c.total);
  }
}

// "Threads" starts its helpers when it is set, not in the next "go"'s clock;
// a new session starts with the default, one thread.
TEST_F(Transport, ThreadsStartWhenTheOptionIsSet) {
  struct Case {
    const char *lines;
    int threads;
  };
  const Case cases[] = {
      {"uci\nsetoption name Threads value 3\nquit\n", 3},
      {"uci\nsetoption name Threads value 3\nsetoption name Threads value 2\nquit\n", 2},
      {"uci\nquit\n", 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.lines);
    input(c.lines);
    EXPECT_EQ(velkor_main(), 0);
    EXPECT_EQ(search_threads_count(), c.threads);
  }
}
