// Options, pondering and the bench argument, through the engine's pipes as a
// GUI or a testing framework drives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/test_board.h"

namespace {

using Lines = std::vector<std::string>;

class Options : public ::testing::Test {
 protected:
  // The answers after the handshake, without "info" lines other than
  // "info string".
  Lines answers(const Lines &lines) {
    const SessionResult r = run_session(dir_.path(), concat({"uci"}, lines));
    EXPECT_EQ(r.status, 0);
    Lines kept;
    for (const std::string &line : without_options(r.output))
      if (line.rfind("info ", 0) != 0 || line.rfind("info string ", 0) == 0) kept.push_back(line);
    return Lines(kept.begin() + long(kHandshake.size()), kept.end());
  }
  // Whether the "go" among the lines was answered by a search (with its
  // reports) rather than by the book.
  bool searched(const Lines &lines) {
    EngineProcess engine(dir_.path());
    engine.handshake();
    for (const std::string &line : lines) engine.send(line);
    bool reported = false;
    for (const std::string &line : engine.read_until("bestmove")) reported |= line.rfind("info depth ", 0) == 0;
    return reported;
  }
  TempDir dir_;
};

}  // namespace

TEST_F(Options, EveryOptionIsDeclaredInTheHandshake) {
  const SessionResult r = run_session(dir_.path(), {"uci", "quit"});
  EXPECT_EQ(r.output, kStartup);
}

// A line that sets an option is taken silently; every bad one gets exactly
// one "info string" and changes nothing. Each is sent in the handshake, in
// the position wait and in the go wait.
TEST_F(Options, SetoptionLinesGoodAndBad) {
  struct Case {
    const char *line;
    bool refused;
  } cases[] = {
      {"setoption name Hash value 16", false},
      {"setoption name hash value 1", false},
      {"setoption name Threads value 1", false},
      {"setoption name Clear Hash", false},
      {"setoption name Clear Hash value yes", false},
      {"setoption name Ponder value TRUE", false},
      {"setoption name MultiPV value 3", false},
      {"setoption name OwnBook value false", false},
      {"setoption name BookFile value my book.txt", false},
      {"setoption name move overhead value 100", false},
      {"setoption name Transcript value <empty>", false},
      {"setoption", true},
      {"setoption name", true},
      {"setoption name    ", true},
      {"setoption name Nothing value 1", true},
      {"setoption name Hash value", true},
      {"setoption name Hash value 1000000000000000000000000000000", true},
      {"setoption name Hash value -1", true},
      {"setoption name Hash value abc", true},
      {"setoption name Threads value 2", true},
      {"setoption name Ponder value yes", true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line);
    const Lines before = {c.line, "isready", "quit"};
    const Lines position_wait = {"isready", "ucinewgame", c.line, "isready", "quit"};
    const Lines go_wait = {"isready", "position startpos", c.line, "isready", "quit"};
    const Lines ready = c.refused ? Lines{"info string", "readyok"} : Lines{"readyok"};
    for (const Lines &session : {before, position_wait, go_wait}) {
      Lines got = answers(session);
      if (session != before) got.erase(got.begin());  // the first readyok
      ASSERT_EQ(got.size(), ready.size()) << ::testing::PrintToString(got);
      EXPECT_EQ(got.front().rfind(ready.front(), 0), 0u) << got.front();
    }
  }
}

TEST_F(Options, BookFileOwnBookAndAPolyglotBook) {
  dir_.write_file("mine.txt", "e2e4c7c5\n");
  // A Polyglot book of one entry: the start position, e2e4 (to e4 = 28,
  // from e2 = 12 << 6), weight 1.
  const std::string entry("\x46\x3b\x96\x18\x16\x91\xfc\x9c\x03\x1c\x00\x01\x00\x00\x00\x00", 16);
  dir_.write_file("tiny.bin", entry);
  const Lines after_e4 = {"position startpos moves e2e4", "go depth 2"};
  EXPECT_EQ(answers(concat({"setoption name BookFile value mine.txt"}, after_e4)),
            (Lines{book_note("c7c5", "mine.txt"), "bestmove c7c5"}));
  EXPECT_TRUE(searched(concat({"setoption name BookFile value mine.txt", "setoption name OwnBook value false"},
                              after_e4)));
  EXPECT_TRUE(searched(concat({"setoption name BookFile value <empty>"}, after_e4)));
  // The Polyglot book answers from its position however it was given.
  for (const char *position : {"position startpos", "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"})
    EXPECT_EQ(answers({"setoption name BookFile value tiny.bin", position, "go depth 2", "quit"}),
              (Lines{book_note("e2e4", "tiny.bin"), "bestmove e2e4"}))
        << position;
  // A directory, a missing file: no book, the engine searches.
  for (const char *name : {".", "missing.bin", "missing.txt"})
    EXPECT_TRUE(searched({std::string("setoption name BookFile value ") + name, "position startpos",
                          "go depth 2"}))
        << name;
}

TEST_F(Options, TranscriptMovesOrStops) {
  run_session(dir_.path(), {"uci", "setoption name Transcript value other.txt", "isready", "quit"});
  EXPECT_EQ(dir_.read_file("other.txt").value_or("<missing>"), "isready\nreadyok\nquit\n");
  EXPECT_EQ(dir_.read_file("UCI_debug.txt").value_or("").find("isready"), std::string::npos);
  run_session(dir_.path(), {"uci", "setoption name Transcript value <empty>", "isready", "quit"});
  EXPECT_EQ(dir_.read_file("UCI_debug.txt").value_or("").find("isready"), std::string::npos);
}

TEST_F(Options, HashOfOneMegabyteStillSearches) {
  const Lines got = answers({"setoption name Hash value 1", "position startpos moves e2e4", "go depth 4", "quit"});
  ASSERT_EQ(got.size(), 1u);
  EXPECT_TRUE(moves_a_piece_of_side_to_move(got[0].substr(9), "e2e4")) << got[0];
}

// "go ponder" answers only after "ponderhit" (then under the clock of its
// go line) or "stop"; a ponder search that ends by itself waits for them.
TEST_F(Options, PonderThenPonderhitOrStop) {
  struct Case {
    const char *go;
    const char *then;
  } cases[] = {
      {"go ponder wtime 2000 btime 2000", "ponderhit"},
      {"go ponder wtime 2000 btime 2000", "stop"},
      {"go ponder depth 2", "ponderhit"},
      {"go ponder infinite", "stop"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.go) + ", " + c.then);
    EngineProcess engine(dir_.path());
    engine.handshake();
    engine.send("setoption name Ponder value true");
    engine.send("position startpos moves e2e4");
    engine.send(c.go);
    // Thinking on the opponent's time: no answer yet.
    for (auto line = engine.read_line(300); line; line = engine.read_line(300))
      EXPECT_NE(line->rfind("bestmove", 0), 0u) << *line;
    engine.send(c.then);
    const Lines rest = engine.read_until("bestmove");
    ASSERT_FALSE(rest.empty());
    EXPECT_EQ(rest.back().rfind("bestmove ", 0), 0u) << rest.back();
    EXPECT_TRUE(moves_a_piece_of_side_to_move(rest.back().substr(9, 4), "e2e4")) << rest.back();
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
  }
}

// "Clear Hash" sent while a search runs waits its turn, as every setoption
// line does: the search goes on and answers, "isready" is still answered at
// once, and the button (with or without a value) is pressed afterwards,
// silently.
TEST_F(Options, ClearHashDuringASearchWaitsItsTurn) {
  EngineProcess engine(dir_.path());
  engine.handshake();
  engine.send("position startpos moves e2e4");
  engine.send("go infinite");
  engine.send("setoption name Clear Hash");
  engine.send("setoption name Clear Hash value 1");
  engine.send("isready");
  EXPECT_EQ(engine.read_until("readyok").back(), "readyok");
  engine.send("stop");
  const Lines searched = engine.read_until("bestmove");
  ASSERT_FALSE(searched.empty());
  EXPECT_TRUE(moves_a_piece_of_side_to_move(searched.back().substr(9), "e2e4")) << searched.back();
  engine.send("isready");
  EXPECT_EQ(engine.read_until("readyok"), Lines{"readyok"}) << "nothing said about the button";
  engine.send("go depth 3");
  const Lines again = engine.read_until("bestmove");
  ASSERT_GE(again.size(), 2u);
  EXPECT_EQ(again.front().rfind("info depth 2 ", 0), 0u) << again.front();
  engine.send("quit");
  EXPECT_EQ(engine.wait_exit(), 0);
}

TEST_F(Options, PonderhitWithoutAPonderSearchIsIgnored) {
  dir_.write_file("book.txt", "e2e4e7e5\n");
  EXPECT_EQ(answers({"ponderhit", "isready", "position startpos moves e2e4", "ponderhit", "go", "ponderhit",
                     "isready", "quit"}),
            (Lines{"readyok", book_note("e7e5"), "bestmove e7e5", "readyok"}));
}

// "velkor bench" itself, its last line and its count, is checked against
// the README's count by the bench_count test; any other argument is refused.
TEST_F(Options, ArgumentsOtherThanBenchAreRefused) {
  for (const char *argument : {"--help", "uci", "benchmark"}) {
    EngineProcess wrong(dir_.path(), engine_path(), {argument});
    EXPECT_TRUE(wrong.read_all().empty()) << argument;
    EXPECT_EQ(wrong.wait_exit(), 2) << argument;
  }
}
