// The transcript checker is the oracle of the pipe tests and the
// command-loop fuzzer: it must refuse every way a transcript can go wrong.
#include "support/transcript_check.h"

#include <gtest/gtest.h>

namespace {
using Lines = std::vector<std::string>;
}

TEST(TranscriptCheck, AcceptsInterleavingsAndRefusesEveryFault) {
  const Lines in = {"uci", "isready", "readyok", "quit"};  // a front end may send "readyok" too
  const Lines out = {"uciok", "readyok"};
  struct Case {
    const char *name;
    std::string transcript;
    bool ok;
    size_t received;
  };
  const Case cases[] = {
      {"in order", "uci\nuciok\nisready\nreadyok\nreadyok\nquit\n", true, 4},
      {"a line both received and sent", "uci\nuciok\nisready\nreadyok\nreadyok\n", true, 3},
      {"reading stopped early", "uci\nuciok\nisready\nreadyok\n", true, 2},
      {"with a warning", "uci\n*** WARNING **** : Invalid move\nuciok\nisready\nreadyok\n", true, 2},
      {"with a FEN note", "uci\nuciok\nFEN: castling right k dropped\nisready\nreadyok\n", true, 2},
      {"a sent line missing", "uci\nuciok\nisready\n", false, 0},
      {"sent lines swapped", "uci\nreadyok\nisready\nuciok\n", false, 0},
      {"a received line skipped", "uci\nuciok\nreadyok\nquit\n", false, 0},
      {"a line never received", "uci\nuciok\nstop\nisready\nreadyok\n", false, 0},
      {"a line cut short", "uci\nuciok\nisrea\nreadyok\n", false, 0},
      {"the last entry unterminated", "uci\nuciok\nisready\nreadyok", false, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const TranscriptCheck check = check_transcript(c.transcript, in, out);
    EXPECT_EQ(check.ok, c.ok) << check.error;
    if (c.ok) {
      EXPECT_EQ(check.received, c.received);
    }
  }
  EXPECT_EQ(check_transcript("uci\n*** WARNING **** : x\nuciok\nreadyok\n", in, out).warnings,
            Lines{"*** WARNING **** : x"});
}

TEST(TranscriptCheck, LinesAsTheEnginesReaderMakesThem) {
  EXPECT_EQ(lines_read_from(std::string("a\r\nb\0c\n\nd", 10)), (Lines{"a", "b", ""}));
  EXPECT_EQ(lines_read_from(std::string((1 << 20) + 5, 'x') + "\n"), Lines{std::string(1 << 20, 'x')});
}
