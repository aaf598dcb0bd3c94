// The engine driven through its standard input and output as front ends
// drive it. Sessions that need a definite move use a "book.txt" so that the
// answer does not depend on the search.
#include <algorithm>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/test_board.h"

namespace {

using Lines = std::vector<std::string>;

int count_starting(const Lines &output, const std::string &prefix) {
  return int(std::count_if(output.begin(), output.end(),
                           [&](const std::string &l) { return l.rfind(prefix, 0) == 0; }));
}

// Whether a "bestmove" line answers for the side to move after the list: a
// move whose from-square holds a piece of that side. Every list given here
// leaves legal moves, so "(none)" is a wrong answer.
bool answers_for_side_to_move(const std::string &bestmove, const char *move_list) {
  return bestmove.rfind("bestmove ", 0) == 0 && moves_a_piece_of_side_to_move(bestmove.substr(9), move_list);
}

class Protocol : public ::testing::Test {
 protected:
  SessionResult run(const Lines &lines) { return run_session(dir_.path(), lines); }
  std::string transcript() const { return dir_.read_file("UCI_debug.txt").value_or("<missing>"); }
  TempDir dir_;
};

}  // namespace

TEST_F(Protocol, TypicalExchangeWithTheBook) {
  dir_.write_file("book.txt", "e2e4e7e5g1f3b8c6f1b5\n");
  const SessionResult r = run({"uci", "isready", "ucinewgame", "isready", "position startpos moves e2e4",
                               "go wtime 300000 btime 300000", "position startpos moves e2e4 e7e5 g1f3",
                               "go wtime 299000 btime 298000", "quit"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, concat(kStartup, {"readyok", "readyok", book_note("e7e5"), "bestmove e7e5", book_note("b8c6"),
                                        "bestmove b8c6"}));
}

TEST_F(Protocol, TypicalExchangeThroughTheSearch) {
  const char *first = "e2e4";
  const char *second = "e2e4 e7e5 g1f3";
  const SessionResult r = run({"uci", "isready", "ucinewgame", "isready", std::string("position startpos moves ") + first,
                               "go wtime 3000 btime 3000", std::string("position startpos moves ") + second,
                               "go wtime 2900 btime 2800", "quit"});
  EXPECT_EQ(r.status, 0);
  const Lines answers = without_options(answers_without_info(r.output));
  ASSERT_EQ(answers.size(), 7u) << ::testing::PrintToString(r.output);
  EXPECT_EQ(Lines(answers.begin(), answers.begin() + 5), concat(kHandshake, {"readyok", "readyok"}));
  EXPECT_TRUE(answers_for_side_to_move(answers[5], first)) << answers[5];
  EXPECT_TRUE(answers_for_side_to_move(answers[6], second)) << answers[6];
}

// A strict match runner's compliance sequence: a position with either side
// to move, short clocks with and without increments, a second "go" on the
// same position, a clock already spent. Every "bestmove" of a search comes
// after an "info" line with a depth, a score and a line; the engine's first
// search of the process included (its table is ready at "readyok").
TEST_F(Protocol, ComplianceSequenceEverySearchReportsAScoreFirst) {
  const std::string fen = "3r2k1/p5n1/1pq1p2p/2p3p1/2P1P1n1/1P1P2pP/PN1Q2K1/5R2 ";
  const std::regex scored("info depth [1-9][0-9]* .*score (cp|mate) -?[0-9]+ .* pv [a-h][1-8][a-h][1-8].*");
  struct Step {
    std::string position;  // empty: the same position again
    const char *go;
  } steps[] = {
      {"position fen " + fen + "w - - 0 27", "go wtime 100"},
      {"position fen " + fen + "b - - 0 27", "go btime 100"},
      {"position fen " + fen + "w - - 0 27", "go wtime 100 btime 100 winc 10 binc 10"},
      {"position fen " + fen + "b - - 0 27", "go wtime 100 btime 100 winc 10 binc 10"},
      {"", "go wtime 90 btime 90 winc 10 binc 10"},
      {"", "go btime 1"},
      {"position startpos moves e2e4", "go wtime 1 btime 1"},
      {"position startpos", "go wtime 300 btime 300 movestogo 1"},
  };
  EngineProcess engine(dir_.path());
  for (const char *line : {"uci", "isready", "ucinewgame", "position startpos", "isready"}) engine.send(line);
  engine.read_until("readyok");
  ASSERT_FALSE(engine.read_until("readyok").empty());
  for (const Step &step : steps) {
    SCOPED_TRACE(step.position + " / " + step.go);
    if (!step.position.empty()) engine.send(step.position);
    engine.send("isready");
    ASSERT_EQ(engine.read_until("readyok"), Lines{"readyok"});
    engine.send(step.go);
    const Lines answer = engine.read_until("bestmove");
    ASSERT_FALSE(answer.empty());
    ASSERT_EQ(answer.back().rfind("bestmove ", 0), 0u) << ::testing::PrintToString(answer);
    EXPECT_NE(answer.back(), "bestmove (none)");
    EXPECT_TRUE(std::any_of(answer.begin(), answer.end() - 1,
                            [&](const std::string &l) { return std::regex_match(l, scored); }))
        << ::testing::PrintToString(answer);
  }
  engine.send("quit");
  EXPECT_EQ(engine.wait_exit(), 0);
}

TEST_F(Protocol, TranscriptAfterStartUp) {
  dir_.write_file("UCI_debug.txt", "left over from an earlier session\n");
  const SessionResult r = run({"uci", "quit"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(transcript(), "uci\nid name Velkor v0.16\nid author Quenlow\n" + option_lines() + "uciok\nquit\n");
}

TEST_F(Protocol, IdentifiesWhateverTheFirstLineSays) {
  const SessionResult r = run({"xboard", "isready"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, concat(kStartup, {"readyok"}));
}

TEST_F(Protocol, HandshakeAnswersEveryIsready) {
  const SessionResult r = run({"uci", "isready", "isready", "isready"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, concat(kStartup, {"readyok", "readyok", "readyok"}));
  // Line ends from other platforms and unknown commands change nothing.
  const SessionResult crlf = run({"uci\r", "isready\r", "debug on", "isready\r", "quit\r", "isready"});
  EXPECT_EQ(crlf.status, 0);
  EXPECT_EQ(crlf.output, concat(kStartup, {"readyok", "readyok"}));
}

TEST_F(Protocol, HandshakePositionLineIsNotLost) {
  dir_.write_file("book.txt", "e2e4e7e5\nd2d4d7d5\n");
  struct Case {
    const char *name;
    Lines lines;
    Lines expected;
  };
  const Case cases[] = {
      {"after readyok",
       {"uci", "isready", "position startpos moves e2e4", "go"},
       {"readyok", book_note("e7e5"), "bestmove e7e5"}},
      {"before any isready",
       {"uci", "position startpos moves d2d4", "isready", "go"},
       {"readyok", book_note("d7d5"), "bestmove d7d5"}},
      {"go after readyok searches the start position", {"uci", "isready", "go wtime 1000"}, {"readyok", "note", "start"}},
      {"go before readyok is answered too",
       {"uci", "go", "isready", "go"},
       {"note", "start", "readyok", "note", "start"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const SessionResult r = run(c.lines);
    EXPECT_EQ(r.status, 0);
    const Lines answers(r.output.begin() + long(kStartup.size()), r.output.end());
    ASSERT_EQ(answers.size(), c.expected.size()) << ::testing::PrintToString(answers);
    for (size_t i = 0; i < answers.size(); ++i) {
      // "start": the start position's book move, one of the two first moves;
      // "note": the book's note of it.
      if (c.expected[i] == "start")
        EXPECT_TRUE(answers[i] == "bestmove e2e4" || answers[i] == "bestmove d2d4") << answers[i];
      else if (c.expected[i] == "note")
        EXPECT_TRUE(answers[i] == book_note("e2e4") || answers[i] == book_note("d2d4")) << answers[i];
      else
        EXPECT_EQ(answers[i], c.expected[i]);
    }
  }
}

TEST_F(Protocol, OpeningReplayedOnePlyAtATime) {
  // A match runner's opening: one "position" line per ply, no "go" between,
  // then the whole line again, "isready", and only then "go".
  dir_.write_file("book.txt", "a2a3d7d6g1f3g8f6e2e4c7c5\n");
  const Lines plies = {"a2a3", "d7d6", "g1f3", "g8f6", "e2e4"};
  Lines lines = {"uci", "isready", "ucinewgame", "isready"};
  std::string list;
  for (const std::string &ply : plies) {
    list += (list.empty() ? "" : " ") + ply;
    lines.push_back("position startpos moves " + list);
  }
  lines.push_back("position startpos moves " + list);
  lines.push_back("isready");
  lines.push_back("go wtime 60000 btime 60000 movestogo 40");
  lines.push_back("quit");
  const SessionResult r = run(lines);
  EXPECT_EQ(r.status, 0);
  // The reply is the book's for the whole game: Black's c7c5.
  EXPECT_EQ(r.output, concat(kStartup, {"readyok", "readyok", "readyok", book_note("c7c5"), "bestmove c7c5"}));
}

TEST_F(Protocol, MatchRunnerExchange) {
  const SessionResult r = run({"uci", "isready", "ucinewgame", "isready", "position startpos moves e2e4", "isready",
                               "go wtime 60000 btime 60000 movestogo 40", "quit"});
  EXPECT_EQ(r.status, 0);
  const Lines answers = without_options(answers_without_info(r.output));
  ASSERT_EQ(answers.size(), 7u) << ::testing::PrintToString(r.output);
  EXPECT_EQ(Lines(answers.begin(), answers.begin() + 6), concat(kHandshake, {"readyok", "readyok", "readyok"}));
  EXPECT_EQ(count_starting(r.output, "bestmove"), 1);
  EXPECT_TRUE(answers_for_side_to_move(answers[6], "e2e4")) << answers[6];
}

TEST_F(Protocol, GoWaitTakesOnlyMoveRequestsAsGo) {
  dir_.write_file("book.txt", "e2e4e7e5\n");
  struct Case {
    const char *name;
    Lines lines;
    Lines answers;
  };
  const Case cases[] = {
      {"isready is answered and the game kept",
       {"position startpos moves e2e4", "isready", "isready", "go"},
       {"readyok", "readyok", book_note("e7e5"), "bestmove e7e5"}},
      {"a later startpos line replaces the game",
       {"position startpos moves d2d4", "position startpos moves e2e4", "go"},
       {book_note("e7e5"), "bestmove e7e5"}},
      {"ucinewgame keeps the position for the go that follows",
       {"position startpos moves e2e4", "ucinewgame", "go", "isready"},
       {book_note("e7e5"), "bestmove e7e5", "readyok"}},
      {"a position line of an unknown form forgets the game: go searches the start position",
       {"position startpos moves e2e4", "position 8/8/8/8/8/8/8/K6k w - - 0 1", "go", "isready"},
       {book_note("e2e4"), "bestmove e2e4", "readyok"}},
      {"any other line is taken as go",
       {"position startpos moves e2e4", "debug on"},
       {book_note("e7e5"), "bestmove e7e5"}},
      {"a stop between searches is ignored and the game kept",
       {"position startpos moves e2e4", "stop", "go"},
       {book_note("e7e5"), "bestmove e7e5"}},
      {"an empty line is taken as go", {"position startpos moves e2e4", ""}, {book_note("e7e5"), "bestmove e7e5"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const SessionResult r = run(concat({"uci", "isready", "ucinewgame"}, c.lines));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, concat(concat(kStartup, {"readyok"}), c.answers));
  }
}

TEST_F(Protocol, PositionWait) {
  dir_.write_file("book.txt", "e2e4e7e5\n");
  // After a move the engine waits for a position: "isready" is answered and
  // a "go" searches the last position again; a position line of an unknown
  // form (here a FEN without its keyword) forgets the game, and the next
  // "go" searches the start position.
  const SessionResult r =
      run({"uci", "isready", "ucinewgame", "position startpos moves e2e4", "go", "isready", "go", "isready",
           "position rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", "go", "isready",
           "position startpos moves e2e4", "go"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output,
            concat(kStartup, {"readyok", book_note("e7e5"), "bestmove e7e5", "readyok", book_note("e7e5"),
                              "bestmove e7e5", "readyok", book_note("e2e4"), "bestmove e2e4", "readyok",
                              book_note("e7e5"), "bestmove e7e5"}));
}

TEST_F(Protocol, EmptyMoveLists) {
  dir_.write_file("book.txt", "e2e4e7e5\n");
  for (const char *position : {"position startpos", "position startpos moves", "position startpos moves "}) {
    SCOPED_TRACE(position);
    const SessionResult r = run({"uci", "isready", "ucinewgame", position, "go"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, concat(kStartup, {"readyok", book_note("e2e4"), "bestmove e2e4"}));
  }
}

TEST_F(Protocol, QuitInEachState) {
  const Lines after = {"isready", "position startpos", "go"};  // must go unanswered
  struct Case {
    const char *state;
    Lines lines;
    Lines answers;
  };
  const Case cases[] = {
      // The first line is taken as "uci" whatever it says, even "quit".
      {"first line", {"quit", "quit"}, kStartup},
      {"handshake", {"uci", "quit"}, kStartup},
      {"handshake after readyok", {"uci", "isready", "quit"}, concat(kStartup, {"readyok"})},
      {"position wait", {"uci", "isready", "ucinewgame", "quit"}, concat(kStartup, {"readyok"})},
      {"go wait", {"uci", "isready", "position startpos", "quit"}, concat(kStartup, {"readyok"})},
      {"position wait after a move",
       {"uci", "isready", "position startpos moves f2f3 e7e5 g2g4 d8h4", "go", "quit"},
       concat(kStartup, {"readyok", "bestmove (none)"})},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.state);
    const SessionResult r = run(concat(c.lines, after));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(answers_without_info(r.output), c.answers);
  }
}

TEST_F(Protocol, EndOfInputInEachState) {
  struct Case {
    const char *state;
    Lines lines;
    size_t answers;
  };
  const Case cases[] = {
      {"before the first line", {}, 0},
      {"handshake", {"uci"}, 3},
      {"handshake after readyok", {"uci", "isready"}, 4},
      {"position wait", {"uci", "isready", "ucinewgame"}, 4},
      {"go wait", {"uci", "isready", "position startpos moves e2e4"}, 4},
      {"position wait after a move", {"uci", "isready", "position startpos moves f2f3 e7e5 g2g4 d8h4", "go"}, 5},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.state);
    const SessionResult r = run(c.lines);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(without_options(answers_without_info(r.output)).size(), c.answers);
  }
  // A last line without its line feed is not a line: "go" never comes.
  EngineProcess engine(dir_.path());
  engine.send("uci");
  engine.send("isready");
  engine.send("position startpos");
  engine.send_raw("go");
  engine.close_input();
  EXPECT_EQ(engine.read_all(), concat(kStartup, {"readyok"}));
  EXPECT_EQ(engine.wait_exit(), 0);
}

TEST_F(Protocol, NoMoveOnTheBoardSendsNone) {
  // White is checkmated (fool's mate): there is no move to send.
  const SessionResult r = run({"uci", "isready", "position startpos moves f2f3 e7e5 g2g4 d8h4", "go wtime 1000"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(answers_without_info(r.output), concat(kStartup, {"readyok", "bestmove (none)"}));
}

TEST_F(Protocol, PromotionsGoOutWithTheProtocolsLetters) {
  // Legality is not tested, so the list brings a white pawn to b7 at once.
  struct Case {
    const char *book_reply;
    const char *sent;
  };
  const Case cases[] = {{"b7a8", "bestmove b7a8q"},  {"b7a8q", "bestmove b7a8q"}, {"b7a8k", "bestmove b7a8n"},
                        {"b7a8n", "bestmove b7a8n"}, {"b7a8r", "bestmove b7a8r"}, {"b7a8b", "bestmove b7a8b"},
                        {"b7b8", "bestmove b7b8q"},  {"g1f3", "bestmove g1f3"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.book_reply);
    dir_.write_file("book.txt", std::string("b2b7h7h6") + c.book_reply + "\n");
    const SessionResult r = run({"uci", "isready", "position startpos moves b2b7 h7h6", "go"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, concat(kStartup, {"readyok", book_note(std::string(c.sent).substr(9)), c.sent}));
  }
}

TEST_F(Protocol, MoveListsLongerThanFourKilobytesAreReplayedWhole) {
  // 1200 moves (6000 characters) that bring the knights home again and
  // again, then a token that the replay refuses: only a replay that reaches
  // the end of the line logs it.
  std::string list;
  for (int i = 0; i < 300; ++i) list += "g1f3 g8f6 f3g1 f6g8 ";
  list += "e2e4xx";
  const SessionResult r = run({"uci", "isready", "position startpos moves " + list, "isready", "quit"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, concat(kStartup, {"readyok", "readyok"}));
  const std::string log = transcript();
  EXPECT_NE(log.find("*** WARNING **** : Invalid move\n"), std::string::npos);
  EXPECT_NE(log.find("opening text full"), std::string::npos);
}
