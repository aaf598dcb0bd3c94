// The "go" limits and the input read during a search, through the engine's
// pipes as a front end drives it, in a working directory without a book.
// Timing margins are generous: a slow or sanitized build must pass too.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/engine_process.h"
#include "support/tool_run.h"

namespace {

using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

int ms_since(Clock::time_point t) {
  return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

class SearchInput : public testing::Test {
 protected:
  void SetUp() override { engine_.handshake(); }

  // Lines other than "info" reports that arrive within ms (none expected).
  Lines answers_within(int ms) {
    Lines seen;
    const Clock::time_point start = Clock::now();
    for (int left = ms; left > 0; left = ms - ms_since(start)) {
      std::optional<std::string> line = engine_.read_line(left);
      if (!line) break;
      if (!line->starts_with("info ")) seen.push_back(*line);
    }
    return seen;
  }

  // The lines up to one that begins with prefix, without the "info" reports.
  Lines answers_until(const char *prefix, int timeout_ms) {
    return answers_without_info(engine_.read_until(prefix, timeout_ms));
  }
  Lines answers_until_bestmove(int timeout_ms) { return answers_until("bestmove ", timeout_ms); }

  std::string transcript() const { return dir_.read_file("UCI_debug.txt").value_or("<missing>"); }

  TempDir dir_;
  EngineProcess engine_{dir_.path()};
};

// A middle-game position with several pieces and no quick mate, for long
// searches.
const char *kLongSearch =
    "position fen r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7";

}  // namespace

TEST_F(SearchInput, GoDepthFromAFenMatchesTheToolsPass) {
  struct Case {
    const char *fen;
    bool white;
  };
  const Case cases[] = {
      {"r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4", true},
      {"r2qk2r/ppp2ppp/2npbn2/2b1p3/4P3/2NP1N2/PPP1BPPP/R1BQ1RK1 b kq - 3 7", false},
      {"8/5pk1/6p1/3R4/8/6P1/r4P1P/6K1 w - - 0 40", true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.fen);
    // "score <field> move <move> evals <n> pv ..."
    char move[16] = {};
    unsigned field = 0;
    const std::string tool = run_tool("search 3 --fen " + shell_quoted(c.fen)).out;
    ASSERT_EQ(std::sscanf(tool.c_str(), "score %u move %15s", &field, move), 2) << tool;
    const int expected = c.white ? int(field) - 30000 : 30000 - int(field);

    engine_.send(std::string("position fen ") + c.fen);
    engine_.send("go depth 3");
    const Lines lines = engine_.read_until("bestmove ", 30000);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), std::string("bestmove ") + move);
    const std::string &last_info = lines[lines.size() - 2];
    EXPECT_NE(last_info.find(" score cp " + std::to_string(expected) + " "), std::string::npos) << last_info;
    EXPECT_EQ(lines.size(), 3u) << "one report for each of the passes 2 and 3";
  }
}

TEST_F(SearchInput, MovetimeIsKept) {
  engine_.send(kLongSearch);
  const Clock::time_point sent = Clock::now();
  engine_.send("go movetime 200");
  const Lines answers = answers_until_bestmove(10000);
  const int ms = ms_since(sent);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_TRUE(answers[0].starts_with("bestmove ")) << answers[0];
  EXPECT_LE(ms, 200 + 700) << "answered late";
  EXPECT_GE(ms, 150) << "a fixed time is used, not cut short";
}

TEST_F(SearchInput, InfiniteEndsOnStopWithExactlyOneBestmove) {
  engine_.send(kLongSearch);
  engine_.send("go infinite");
  EXPECT_EQ(answers_within(300), Lines{}) << "nothing but reports before the stop";
  const Clock::time_point stopped = Clock::now();
  engine_.send("stop");
  const Lines answers = answers_until_bestmove(10000);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_TRUE(answers[0].starts_with("bestmove ")) << answers[0];
  EXPECT_LE(ms_since(stopped), 1000);
  // No second answer: the next line is the answer to "isready".
  engine_.send("isready");
  EXPECT_EQ(answers_until("readyok", 5000), Lines{"readyok"});
}

TEST_F(SearchInput, InfiniteStoppedAtOnceStillPlaysALegalMove) {
  // White is in check along the first rank: Ke2 is the one legal move, and
  // the first move the search tries, Kd1, is illegal.
  engine_.send("position fen 4k3/8/8/8/8/8/3P1P2/r3K3 w - - 0 1");
  engine_.send("go infinite");
  engine_.send("stop");
  const Lines answers = answers_until_bestmove(10000);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0], "bestmove e1e2");
}

TEST_F(SearchInput, InfiniteWaitsForStopAfterAMate) {
  // Mate in one (Ra8 is mate): the search ends at depth 2, the answer waits.
  engine_.send("position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
  engine_.send("go infinite");
  EXPECT_EQ(answers_within(400), Lines{});
  engine_.send("isready");
  EXPECT_EQ(answers_until("readyok", 5000), Lines{"readyok"}) << "heard while waiting";
  engine_.send("stop");
  EXPECT_EQ(answers_until_bestmove(5000), Lines{"bestmove a1a8"});
}

TEST_F(SearchInput, IsreadyIsAnsweredWhileTheSearchGoesOn) {
  engine_.send(kLongSearch);
  engine_.send("go wtime 600000 btime 600000 movestogo 1");  // a budget of minutes
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const Clock::time_point asked = Clock::now();
  engine_.send("isready");
  EXPECT_EQ(answers_until("readyok", 5000), Lines{"readyok"}) << "before any bestmove";
  EXPECT_LE(ms_since(asked), 2000);
  engine_.send("stop");
  const Lines end = answers_until_bestmove(10000);
  ASSERT_EQ(end.size(), 1u);
  EXPECT_TRUE(end[0].starts_with("bestmove "));
}

TEST_F(SearchInput, LinesSplitAcrossPollsAreReadWholeAndOnce) {
  engine_.send(kLongSearch);
  engine_.send("go infinite");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  engine_.send_raw("isre");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  engine_.send_raw("ady\nst");
  EXPECT_EQ(answers_within(300), Lines{"readyok"});
  engine_.send_raw("op\n");
  const Lines first = answers_until_bestmove(10000);
  ASSERT_EQ(first.size(), 1u);

  // A line that the search began to read and the command loop finishes.
  engine_.send(kLongSearch);
  engine_.send("go movetime 400");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  engine_.send_raw("isready\nposi");
  const Lines second = answers_until_bestmove(10000);
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0], "readyok");
  engine_.send_raw("tion startpos moves e2e4\ngo depth 2\n");
  const Lines third = answers_until_bestmove(10000);
  ASSERT_EQ(third.size(), 1u);
  EXPECT_TRUE(third[0][10] == '7' || third[0][10] == '8') << "Black's move: " << third[0];
  engine_.send("quit");
  EXPECT_EQ(engine_.wait_exit(), 0);

  // Every line received is in the transcript once, in order.
  Lines logged;
  const std::string t = transcript();
  for (size_t at = 0, end; (end = t.find('\n', at)) != std::string::npos; at = end + 1)
    if (!t.substr(at, end - at).starts_with("info ")) logged.push_back(t.substr(at, end - at));
  Lines expected = {"uci"};
  expected.insert(expected.end(), kStartup.begin(), kStartup.end());
  const Lines rest = {"isready",
                          "readyok",
                          kLongSearch,
                          "go infinite",
                          "isready",
                          "readyok",
                          "stop",
                          first[0],
                          kLongSearch,
                          "go movetime 400",
                          "isready",
                          "readyok",
                          second[1],
                          "position startpos moves e2e4",
                          "go depth 2",
                          third[0],
                          "quit"};
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(logged, expected);
}

TEST_F(SearchInput, OtherLinesWaitForTheSearchInOrder) {
  engine_.send(kLongSearch);
  engine_.send("go infinite");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  // A new game arrives before the stop: it is handled after the answer.
  engine_.send("position startpos moves e2e4 e7e5");
  engine_.send("go depth 3");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  engine_.send("stop");
  const Lines first = answers_until_bestmove(10000);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_NE(first[0], "bestmove (none)");
  const Lines second = answers_until_bestmove(30000);
  ASSERT_EQ(second.size(), 1u);
  // White's move in the new game.
  const std::string move = second[0].substr(9);
  ASSERT_EQ(move.size(), 4u) << move;
  EXPECT_TRUE(move[1] == '1' || move[1] == '2') << move;
}

TEST_F(SearchInput, StopBetweenSearchesIsIgnored) {
  engine_.send("position startpos moves e2e4");
  engine_.send("go depth 2");
  ASSERT_EQ(answers_until_bestmove(10000).size(), 1u);
  // In the position wait and in the go wait: neither a restart nor a "go".
  engine_.send("stop");
  engine_.send("position startpos moves e2e4 e7e5");
  engine_.send("stop");
  EXPECT_EQ(answers_within(300), Lines{});
  engine_.send("go depth 2");
  const Lines answers = answers_until_bestmove(10000);
  ASSERT_EQ(answers.size(), 1u);
  const std::string move = answers[0].substr(9);
  EXPECT_TRUE(move[1] == '1' || move[1] == '2') << "White's move in the game kept: " << move;
}

TEST_F(SearchInput, QuitOrEndOfInputDuringASearchAnswersThenExits) {
  for (const bool close : {false, true}) {
    SCOPED_TRACE(close ? "end of input" : "quit");
    TempDir dir;
    EngineProcess engine(dir.path());
    engine.send("uci");
    engine.send("isready");
    engine.send(kLongSearch);
    engine.send("go infinite");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    if (close)
      engine.close_input();
    else
      engine.send("quit");
    const Lines all = engine.read_all(10000);
    const Lines answers = without_options(answers_without_info(all));
    ASSERT_EQ(answers.size(), 5u) << testing::PrintToString(all);
    EXPECT_TRUE(answers.back().starts_with("bestmove ")) << answers.back();
    EXPECT_NE(answers.back(), "bestmove (none)");
    EXPECT_EQ(engine.wait_exit(5000), 0);
  }
}

namespace {

// The same engine searching with two threads. Each test ends the session
// itself and wants exit status 0: under the thread sanitizer a report ends
// the engine with another status.
class ThreadsInput : public SearchInput {
 protected:
  void SetUp() override {
    SearchInput::SetUp();
    engine_.send("setoption name Threads value 2");
  }
  void end_session() {
    engine_.send("quit");
    engine_.read_all(20000);
    EXPECT_EQ(engine_.wait_exit(20000), 0) << "the engine ended badly (a sanitizer report?)";
  }
  // The number after " nodes " in an "info" line; -1 without one.
  static long long nodes_of(const std::string &info) {
    const size_t at = info.find(" nodes ");
    return at == std::string::npos ? -1 : std::stoll(info.substr(at + 7));
  }
};

}  // namespace

TEST_F(ThreadsInput, StopPonderhitMovetimeAndNodesGovernEveryThread) {
  engine_.send(kLongSearch);
  engine_.send("go infinite");
  EXPECT_EQ(answers_within(300), Lines{});
  Clock::time_point sent = Clock::now();
  engine_.send("stop");
  Lines answers = answers_until_bestmove(10000);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_NE(answers[0], "bestmove (none)");
  EXPECT_LE(ms_since(sent), 1000) << "stop";

  // A ponder search thinks without a clock until "ponderhit"; then the
  // budget of its "go" line applies.
  engine_.send("go ponder wtime 2000 btime 2000 movestogo 10");
  EXPECT_EQ(answers_within(300), Lines{});
  sent = Clock::now();
  engine_.send("ponderhit");
  answers = answers_until_bestmove(10000);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_LE(ms_since(sent), 200 + 1000) << "the budget after ponderhit";

  sent = Clock::now();
  engine_.send("go movetime 200");
  answers = answers_until_bestmove(10000);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_LE(ms_since(sent), 200 + 700) << "movetime";

  // Nodes are the evaluations of both threads: the reports (each a pass's
  // evaluations) add up to no more than the limit and the few thousand the
  // threads count past it before the main thread looks (every 1024 of its
  // nodes), and the search stops long before it would by itself.
  sent = Clock::now();
  engine_.send("go nodes 60000");
  const Lines lines = engine_.read_until("bestmove ", 10000);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines.back().starts_with("bestmove ")) << lines.back();
  long long reported = 0;
  for (const std::string &l : lines)
    if (l.starts_with("info depth ")) reported += nodes_of(l);
  EXPECT_GT(reported, 0);
  EXPECT_LE(reported, 60000 + 4 * 4096);
  EXPECT_LE(ms_since(sent), 5000);
  end_session();
}

TEST_F(ThreadsInput, SeveralLinesAndSearchmoves) {
  engine_.send("setoption name MultiPV value 3");
  engine_.send(kLongSearch);
  engine_.send("go depth 4");
  const Lines lines = engine_.read_until("bestmove ", 30000);
  // Each depth reports lines 1, 2 and 3, each with another first move.
  int ranks = 0;
  for (int depth = 2; depth <= 4; ++depth) {
    std::vector<std::string> firsts;
    for (const std::string &l : lines) {
      if (!l.starts_with("info depth " + std::to_string(depth) + " ")) continue;
      ++ranks;
      const size_t pv = l.find(" pv ");
      ASSERT_NE(pv, std::string::npos) << l;
      const std::string first = l.substr(pv + 4, 4);
      EXPECT_EQ(std::count(firsts.begin(), firsts.end(), first), 0) << l;
      firsts.push_back(first);
    }
    EXPECT_EQ(firsts.size(), 3u) << "depth " << depth;
  }
  EXPECT_EQ(ranks, 9);
  engine_.send("setoption name MultiPV value 1");
  for (const char *go : {"go depth 4 searchmoves a2a3", "go depth 4 searchmoves h2h3 b2b4"}) {
    SCOPED_TRACE(go);
    engine_.send(kLongSearch);
    engine_.send(go);
    const Lines answer = answers_until_bestmove(30000);
    ASSERT_EQ(answer.size(), 1u);
    const std::string move = answer[0].substr(9);
    EXPECT_NE(std::string(go).find(move), std::string::npos) << move;
  }
  end_session();
}

TEST_F(ThreadsInput, HashAndThreadsChangedBetweenSearches) {
  const char *steps[] = {"go depth 4",
                         "setoption name Hash value 3",
                         "go depth 4",
                         "setoption name Threads value 3",
                         "go depth 4",
                         "setoption name Threads value 1",
                         "go depth 4",
                         "setoption name Threads value 2",
                         "setoption name Hash value 64",
                         "go movetime 150",
                         // Far more threads than the machine has cores (a
                         // shallow depth: the sanitizer builds run this too).
                         "setoption name Threads value 64",
                         "go depth 3",
                         "go infinite",
                         "stop",
                         "setoption name Threads value 8",
                         "go infinite",
                         "stop",
                         "setoption name Threads value 2"};
  engine_.send(kLongSearch);
  for (const char *step : steps) {
    SCOPED_TRACE(step);
    const std::string text = step;
    engine_.send(step);
    if (text == "go infinite") {
      EXPECT_EQ(answers_within(300), Lines{});
    } else if (text.starts_with("go") || text == "stop") {
      const Clock::time_point sent = Clock::now();
      const Lines answer = answers_until_bestmove(30000);
      if (text == "stop") {
        EXPECT_LE(ms_since(sent), 1000) << "stop";
      }
      ASSERT_EQ(answer.size(), 1u);
      EXPECT_TRUE(answer[0].starts_with("bestmove ")) << answer[0];
      EXPECT_NE(answer[0], "bestmove (none)");
    }
  }
  end_session();
}

TEST_F(ThreadsInput, QuitDuringASearchEndsEveryThread) {
  engine_.send(kLongSearch);
  engine_.send("go infinite");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  engine_.send("quit");
  const Lines answers = answers_without_info(engine_.read_all(10000));
  ASSERT_FALSE(answers.empty());
  EXPECT_TRUE(answers.back().starts_with("bestmove ")) << answers.back();
  EXPECT_EQ(engine_.wait_exit(10000), 0);
}

namespace {

// The input thread: standard input read by a thread of its own, heard by a
// search or a count at once, in any state the front end leaves the pipe in.
// Under the thread sanitizer in CI, with the engine's other threads.
class InputThread : public SearchInput {
 protected:
  // An engine whose standard input the parent left non-blocking: Python sets
  // the flag on the pipe, then becomes the engine.
  static std::vector<std::string> nonblocking_launcher() {
    std::vector<std::string> words{"python3", "-c",
                                   "import fcntl, os, sys\n"
                                   "fcntl.fcntl(0, fcntl.F_SETFL, fcntl.fcntl(0, fcntl.F_GETFL) | os.O_NONBLOCK)\n"
                                   "os.execvp(sys.argv[1], sys.argv[1:])\n"};
    for (const std::string &word : engine_command()) words.push_back(word);
    return words;
  }
};

const char *const kStopped = "info string go perft stopped: 0 of 20 moves counted";

}  // namespace

TEST_F(InputThread, GoPerftHearsIsreadyStopQuitAndTheEndOfInput) {
  // A count of eight plies takes minutes: every answer below comes long
  // before its first move is counted. The "readyok" also shows that the
  // count has begun: what is sent after it arrives during the count.
  engine_.send("position startpos");
  engine_.send("go perft 8");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  Clock::time_point sent = Clock::now();
  engine_.send("isready");
  EXPECT_EQ(engine_.read_until("readyok", 10000), Lines{"readyok"});
  EXPECT_LE(ms_since(sent), 2000) << "isready during the count";
  // A "position" line waits for the count; "stop" ends it.
  engine_.send("position startpos moves e2e4 e7e5");
  sent = Clock::now();
  engine_.send("stop");
  EXPECT_EQ(engine_.read_until("info string", 10000), Lines{kStopped});
  EXPECT_LE(ms_since(sent), 2000) << "stop during the count";
  engine_.send("go perft 1");
  const Lines count = engine_.read_until("Nodes searched", 10000);
  ASSERT_FALSE(count.empty());
  EXPECT_EQ(count.back(), "Nodes searched: 29") << "the position that waited was set up";

  for (const bool close : {false, true}) {
    SCOPED_TRACE(close ? "end of input" : "quit");
    TempDir dir;
    EngineProcess engine(dir.path());
    engine.send("uci");
    engine.send("position startpos");
    engine.send("go perft 8");
    engine.send("isready");
    EXPECT_EQ(without_options(engine.read_until("readyok", 10000)), concat(kHandshake, {"readyok"}));
    sent = Clock::now();
    if (close)
      engine.close_input();
    else
      engine.send("quit");
    EXPECT_EQ(engine.read_all(10000), Lines{kStopped});
    EXPECT_EQ(engine.wait_exit(10000), 0);
    EXPECT_LE(ms_since(sent), 2000) << "the process ends at once";
  }

  // A script that writes its lines at once, "quit" and the end of its input
  // included, wants its count: they wait for it.
  const SessionResult script = run_session(dir_.path(), {"uci", "position startpos", "go perft 3", "quit"});
  EXPECT_EQ(script.status, 0);
  ASSERT_FALSE(script.output.empty());
  EXPECT_EQ(script.output.back(), "Nodes searched: 8902");
}

TEST_F(InputThread, StopIsHeardWithinMilliseconds) {
  // The search asks the queue at every stop decision: the answer follows the
  // "stop" as fast as the search can unwind. Several tries, so that one
  // moment of a loaded machine does not decide.
  std::vector<int> latencies;
  engine_.send(kLongSearch);
  for (int i = 0; i < 5; ++i) {
    engine_.send("go infinite");
    EXPECT_EQ(answers_within(300), Lines{});
    const Clock::time_point sent = Clock::now();
    engine_.send("stop");
    const Lines answer = answers_until_bestmove(10000);
    latencies.push_back(ms_since(sent));
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_LE(latencies.back(), 1000);
  }
  EXPECT_LE(*std::min_element(latencies.begin(), latencies.end()), 100) << testing::PrintToString(latencies);
}

TEST_F(InputThread, InputLeftNonBlockingByTheParentStillWaitsForLines) {
  // Nothing to read yet on a non-blocking pipe is not the end of the input:
  // the engine waits, in the handshake, between searches and during one.
  TempDir dir;
  EngineProcess engine(dir.path(), "/usr/bin/env", nonblocking_launcher());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  engine.send("uci");
  EXPECT_EQ(without_options(engine.read_until("uciok")), kHandshake);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  engine.send(kLongSearch);
  engine.send("go infinite");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  engine.send("isready");
  EXPECT_EQ(answers_without_info(engine.read_until("readyok")), Lines{"readyok"});
  engine.send("stop");
  const Lines answer = answers_without_info(engine.read_until("bestmove "));
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_NE(answer[0], "bestmove (none)");
  engine.send("quit");
  EXPECT_EQ(engine.wait_exit(10000), 0);
}

TEST_F(InputThread, LineEndsOfEitherKindDuringASearchAndACount) {
  for (const char *end : {"\n", "\r\n"}) {
    SCOPED_TRACE(end[0] == '\r' ? "CRLF" : "LF");
    const std::string e = end;
    engine_.send_raw(std::string(kLongSearch) + e + "go infinite" + e);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    engine_.send_raw("isready" + e);
    EXPECT_EQ(answers_until("readyok", 10000), Lines{"readyok"});
    engine_.send_raw("stop" + e);
    const Lines answer = answers_until_bestmove(10000);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_NE(answer[0], "bestmove (none)");

    engine_.send_raw("position startpos" + e + "go perft 8" + e);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    engine_.send_raw("isready" + e + "stop" + e);
    EXPECT_EQ(engine_.read_until("info string", 10000), (Lines{"readyok", kStopped}));
  }
}
