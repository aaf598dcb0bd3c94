// "position fen" through the engine's pipes: refused FENs are reported and
// answered with "bestmove (none)", accepted ones are played, and the book
// answers only games that began at the start position. Every session has a
// book whose lines match an empty game, so that an engine that searched or
// asked the book where it must not would answer with a move.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace {

using Lines = std::vector<std::string>;

constexpr const char *kStartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The output without the search's reports ("info depth", "info score"); the
// "info string" lines that report a refused FEN stay.
Lines without_info_lines(const Lines &output) {
  Lines kept;
  for (const std::string &line : output)
    if (line.rfind("info depth", 0) != 0 && line.rfind("info score", 0) != 0) kept.push_back(line);
  return kept;
}

class FenProtocol : public ::testing::Test {
 protected:
  void SetUp() override { dir_.write_file("book.txt", "e2e4e7e5\n"); }
  SessionResult run(const Lines &lines) { return run_session(dir_.path(), lines); }
  std::string transcript() const { return dir_.read_file("UCI_debug.txt").value_or("<missing>"); }
  TempDir dir_;
};

// A FEN line the engine must refuse, and a part of the reason it must give.
struct Refused {
  std::string line;
  const char *reason;
};

std::vector<Refused> refused_lines() {
  return {
      {"position fen", "missing field: piece placement"},
      {"position fen ", "missing field: piece placement"},
      {"position fen moves e2e4", "missing field: piece placement"},
      {"position fen 4k3/8/8/8/8/8/4K3 w - - 0 1", "7 ranks"},
      {"position fen 4k3/8/8/8/8/8/8/8/4K3 w - - 0 1", "more than 8 ranks"},
      {"position fen 4k2/8/8/8/8/8/8/4K3 w - - 0 1", "rank 8 has 7 squares"},
      {"position fen 4k3/8/8/8/8/8/8/4K2NN w - - 0 1", "more than 8 squares"},
      {"position fen 4k3/8/8/3x4/8/8/8/4K3 w - - 0 1", "'x' is neither a piece letter"},
      {"position fen 4k3/8/8/8/8/8/8/8 w - - 0 1", "White has 0 kings"},
      {"position fen 4k3/8/8/8/8/8/8/2K1K3 w - - 0 1", "White has 2 kings"},
      {"position fen 3k1k2/8/8/8/8/8/8/4K3 w - - 0 1", "Black has 2 kings"},
      {"position fen 4k2P/8/8/8/8/8/8/4K3 b - - 0 1", "White pawn on h8"},
      {"position fen 4k3/8/8/8/8/8/8/4K1p1 w - - 0 1", "Black pawn on g1"},
      {"position fen 4k3/8/8/8/8/8/8/4K3", "missing field: side to move"},
      {"position fen 4k3/8/8/8/8/8/8/4K3 x - - 0 1", "side to move"},
      {"position fen 4k3/8/8/8/8/8/8/4K3 w", "missing field: castling rights"},
      {"position fen r3k2r/8/8/8/8/8/8/R3K2R w KQkz - 0 1", "'z' is not one of K, Q, k, q"},
      {"position fen r3k2r/8/8/8/8/8/8/R3K2R w qq - 0 1", "'q' given twice"},
      {"position fen 4k3/8/8/8/8/8/8/4K3 w - moves e1e2", "missing field: en-passant square"},
      {"position fen 4k3/8/8/8/4P3/8/8/4K3 w - e3 0 1", "lies on rank 6"},
      {"position fen 4k3/8/8/8/8/8/8/4K3 w - d6 0 1", "no Black pawn stands just past it"},
      {"position fen 4k3/8/3b4/3p4/8/8/8/4K3 w - d6 0 1", "its path is not empty"},
      {"position fen 4k3/8/8/8/8/8/8/4K2r b - - 0 1", "White, not to move, is in check"},
      {"position fen 4k3/8/8/8/8/8/8/4K3 w - - x 1", "halfmove clock: not a plain decimal number"},
      {"position fen 4k3/8/8/8/8/8/8/4K3 w - - 0 " + std::string(30, '9'), "fullmove number: larger than"},
      {"position fen 4k3/8/8/8/8/8/8/4K3 w - - " + std::string(30, '1') + " 1",
       "halfmove clock: larger than"},
      {"position fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1 2", "unexpected text after the fullmove number"},
      {"position fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1 e1e2", "unexpected text after the fullmove number"},
  };
}

}  // namespace

TEST_F(FenProtocol, RefusedFensAreReportedAndAnsweredWithNoMove) {
  for (const Refused &c : refused_lines()) {
    SCOPED_TRACE(c.line);
    // In the go wait (after a game that the book would answer) and in the
    // position wait alike.
    for (const Lines &before :
         {Lines{"uci", "isready", "position startpos"}, Lines{"uci", "isready", "ucinewgame"}}) {
      const SessionResult r = run(concat(before, {c.line, "go wtime 60000 btime 60000", "isready", "quit"}));
      EXPECT_EQ(r.status, 0);
      const Lines out = without_options(r.output);
      ASSERT_EQ(out.size(), 7u) << ::testing::PrintToString(out);
      EXPECT_EQ(Lines(out.begin(), out.begin() + 4), concat(kHandshake, {"readyok"}));
      EXPECT_EQ(out[4].rfind("info string invalid FEN: ", 0), 0u) << out[4];
      EXPECT_NE(out[4].find(c.reason), std::string::npos) << out[4];
      EXPECT_EQ(out[5], "bestmove (none)");
      EXPECT_EQ(out[6], "readyok");
      // The report goes to the transcript like every line sent.
      EXPECT_NE(transcript().find(out[4] + "\n"), std::string::npos);
    }
  }
}

TEST_F(FenProtocol, RefusalLastsUntilTheNextPositionLine) {
  const std::string bad = "position fen 4k3/8/8/8/8/8/8/8 w - - 0 1";
  struct Case {
    const char *name;
    Lines lines;
    Lines answers;
  };
  const Case cases[] = {
      {"isready is answered and the refusal kept",
       {bad, "isready", "isready", "go"},
       {"readyok", "readyok", "bestmove (none)"}},
      {"a line taken as go is refused too", {bad, "debug on"}, {"bestmove (none)"}},
      {"a startpos line replaces it", {bad, "position startpos moves e2e4", "go"}, {"bestmove e7e5"}},
      {"a valid FEN replaces it",
       {bad, std::string("position fen ") + kStartFen + " moves e2e4", "go"},
       {"bestmove e7e5"}},
      {"a refused FEN replaces a valid game", {"position startpos", bad, "go"}, {"bestmove (none)"}},
      {"after the answer the next game is played",
       {bad, "go", "position startpos moves e2e4", "go"},
       {"bestmove (none)", "bestmove e7e5"}},
      {"ucinewgame forgets it", {bad, "ucinewgame", "position startpos moves e2e4", "go"}, {"bestmove e7e5"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const SessionResult r = run(concat({"uci", "isready", "ucinewgame"}, concat(c.lines, {"quit"})));
    EXPECT_EQ(r.status, 0);
    Lines answers;
    for (const std::string &line : without_info_lines(r.output))
      if (line.rfind("info string", 0) != 0) answers.push_back(line);
    EXPECT_EQ(answers, concat(concat(kStartup, {"readyok"}), c.answers));
  }
  // A FEN line that arrives during the handshake is handled like any other.
  const SessionResult r = run({"uci", bad, "isready", "go", "quit"});
  EXPECT_EQ(r.status, 0);
  const Lines out = without_options(r.output);
  ASSERT_EQ(out.size(), 6u) << ::testing::PrintToString(out);
  EXPECT_EQ(out[3].rfind("info string invalid FEN: ", 0), 0u);
  EXPECT_EQ(Lines(out.begin() + 4, out.end()), Lines({"readyok", "bestmove (none)"}));
}

TEST_F(FenProtocol, BookOnlyForGamesFromTheStartPosition) {
  struct Case {
    const char *name;
    std::string position;
    const char *book_move;  // the book's answer, or nullptr when the book must stay silent
  };
  const Case cases[] = {
      {"start position as FEN", std::string("position fen ") + kStartFen, "bestmove e2e4"},
      {"start position as FEN with moves", std::string("position fen ") + kStartFen + " moves e2e4",
       "bestmove e7e5"},
      {"start position as FEN, later move number",
       "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 12", "bestmove e2e4"},
      {"start position as FEN without counters",
       "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "bestmove e2e4"},
      // The position after e2e4 is no start: its empty opening text would
      // match the book line and the book would answer e2e4.
      {"after e2e4 as FEN", "position fen rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
       nullptr},
      {"start position, black to move",
       "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", nullptr},
      {"start position without a right",
       "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w Qkq - 0 1", nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const SessionResult r = run({"uci", "isready", c.position, "go wtime 10000 btime 10000", "quit"});
    EXPECT_EQ(r.status, 0);
    const Lines answers = without_options(without_info_lines(r.output));
    // A book move comes with the book's note of it.
    ASSERT_EQ(answers.size(), c.book_move != nullptr ? 6u : 5u) << ::testing::PrintToString(r.output);
    if (c.book_move != nullptr) {
      EXPECT_EQ(answers[4], book_note(std::string(c.book_move).substr(9)));
      EXPECT_EQ(answers[5], c.book_move);
    } else {
      EXPECT_TRUE(answers[4].rfind("bestmove", 0) == 0 && answers[4] != "bestmove e2e4") << answers[4];
    }
  }
}

TEST_F(FenProtocol, DroppedCastlingRightIsNotedInTheTranscript) {
  const SessionResult r =
      run({"uci", "isready", "position fen r3k2r/8/8/8/8/8/8/R4K1R w KQkq - 0 1", "isready", "quit"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, concat(kStartup, {"readyok", "readyok"})) << "a dropped right is no refusal";
  const std::string log = transcript();
  EXPECT_NE(log.find("FEN: castling right K dropped: the white king is not on its home square\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("FEN: castling right Q dropped"), std::string::npos) << log;
  EXPECT_EQ(log.find("castling right k dropped"), std::string::npos) << log;
}

TEST_F(FenProtocol, HostileLinesNeverBreakTheEngine) {
  std::string long_placement;
  for (int i = 0; i < 20000; ++i) long_placement += "8/";
  std::string control_bytes = "position fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1";
  control_bytes[20] = '\x01';
  const Lines hostile = {
      "position fen " + long_placement + " w - - 0 1",
      "position fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1 " + std::string(100000, 'z'),
      "position fen 4k3/8/8/8/8/8/8/4K3 w " + std::string(50000, 'K') + " - 0 1",
      "position fen " + std::string(50000, '/'),
      "position fen \xff\xfe\x80 \x1b[31m \x7f",
      control_bytes,
      "position fen \t\t\t",
      "position fen w - - 0 1 rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR",
  };
  // Blanks after the last field are no extra field: this one is played.
  const std::string trailing_blanks = "position fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1" + std::string(50000, ' ');
  Lines lines = {"uci", "isready"};
  for (const std::string &line : hostile) {
    lines.push_back(line);
    lines.push_back("go");
  }
  lines.push_back(trailing_blanks);
  lines.push_back("go");
  lines.push_back("isready");
  lines.push_back("quit");
  const SessionResult r = run(lines);
  EXPECT_EQ(r.status, 0);
  const Lines output = without_info_lines(r.output);
  const size_t first = kStartup.size() + 1;
  ASSERT_EQ(output.size(), first + 2 * hostile.size() + 2) << ::testing::PrintToString(r.output);
  for (size_t i = 0; i < hostile.size(); ++i) {
    const std::string &report = output[first + 2 * i];
    EXPECT_EQ(report.rfind("info string invalid FEN: ", 0), 0u) << report;
    EXPECT_LT(report.size(), 200u) << "the report never echoes the input at length";
    for (char ch : report)
      EXPECT_TRUE(ch >= 32 && ch < 127) << "a byte the front end should not see: " << int(ch);
    EXPECT_EQ(output[first + 2 * i + 1], "bestmove (none)");
  }
  // The last "isready" may come while the last search runs, and is then
  // answered before its "bestmove".
  const std::string &a = output[output.size() - 2], &b = output.back();
  const bool answered_after = a.rfind("bestmove", 0) == 0 && b == "readyok";
  const bool answered_during = a == "readyok" && b.rfind("bestmove", 0) == 0;
  EXPECT_TRUE(answered_after || answered_during) << a << " / " << b;
}

TEST_F(FenProtocol, ValidFenIsPlayedFromItsPosition) {
  // After Black's a2b2 the rook holds the second rank: the white king on h1
  // has one legal move, h1g1 (checked with stockfish). The FEN's position
  // with its move list is the one searched.
  const SessionResult r = run({"uci", "isready", "position fen k7/8/8/8/8/8/r7/7K b - - 0 1 moves a2b2",
                               "go wtime 5000 btime 5000", "quit"});
  EXPECT_EQ(r.status, 0);
  const Lines answers = without_options(without_info_lines(r.output));
  ASSERT_EQ(answers.size(), 5u) << ::testing::PrintToString(r.output);
  EXPECT_EQ(answers[4], "bestmove h1g1");
}

// Chess960 through the pipes: with UCI_Chess960 on, a Shredder-FEN position
// is counted by "go perft" as stockfish counts it (12189 at depth 3),
// castling is listed, read and played as the king taking its rook (the king
// on g1 staying, the rook going to f1), a mate by castling is found and
// sent as such; with the option off the file letters are dropped and noted.
// An option line sent during a search waits for its answer.
TEST_F(FenProtocol, Chess960PerftCastlingAndTheOption) {
  const std::string middlegame = "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9";
  const std::string corner = "position fen 4k3/8/8/8/8/8/8/R5KR w HA - 0 1";
  const SessionResult r = run({"uci", "setoption name UCI_Chess960 value true", "position fen " + middlegame,
                               "go perft 3", corner, "go perft 1", corner + " moves g1h1", "go perft 2",
                               "setoption name UCI_Chess960 value false", corner, "go perft 1", "go perft 0",
                               "quit"});
  EXPECT_EQ(r.status, 0);
  const Lines out = without_options(r.output);
  std::vector<Lines> counts(1);
  for (const std::string &line : out) {
    counts.back().push_back(line);
    if (line.rfind("Nodes searched:", 0) == 0) counts.emplace_back();
  }
  ASSERT_GE(counts.size(), 5u) << ::testing::PrintToString(out);
  EXPECT_EQ(counts[0].back(), "Nodes searched: 12189");
  EXPECT_EQ(counts[0][counts[0].size() - 2], "") << "a blank line before the total";
  const auto has = [](const Lines &lines, const std::string &line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has(counts[1], "g1h1: 1") && has(counts[1], "g1a1: 1")) << ::testing::PrintToString(counts[1]);
  EXPECT_EQ(counts[2].back(), "Nodes searched: 78") << "after g1h1 the rook stands on f1";
  // Option off: no castling, and the letters are noted as dropped.
  EXPECT_FALSE(has(counts[3], "g1h1: 1") || has(counts[3], "g1a1: 1"));
  EXPECT_EQ(counts[3].back(), "Nodes searched: 23");
  EXPECT_EQ(out.back(), "info string go perft needs one depth from 1 to 12");
  const std::string log = transcript();
  EXPECT_NE(log.find("FEN: castling right H dropped: a file letter names a Chess960 rook, and UCI_Chess960 is off"),
            std::string::npos)
      << log;

  // The mate by castling, searched (no "quit" may cut the search short).
  {
    EngineProcess engine(dir_.path());
    engine.handshake();
    engine.send("setoption name UCI_Chess960 value true");
    engine.send("position fen 2rkr3/2p1p3/8/1B6/8/8/8/R3K3 w A - 0 1");
    engine.send("go depth 4");
    const Lines search = engine.read_until("bestmove");
    ASSERT_FALSE(search.empty());
    EXPECT_EQ(search.back(), "bestmove e1a1");
    EXPECT_TRUE(std::any_of(search.begin(), search.end(), [](const std::string &l) {
      return l.find("score mate 1") != std::string::npos && l.find("pv e1a1") != std::string::npos;
    })) << ::testing::PrintToString(search);
    finish_session(engine, {"quit"});
  }

  // "setoption" during a search waits: the search ends on "stop" with a
  // move in standard notation, and only the next position is Chess960's.
  const SessionResult w = run({"uci", "position fen 4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "go infinite",
                               "setoption name UCI_Chess960 value true", "stop",
                               "position fen 4k3/8/8/8/8/8/8/R3K2R w HA - 0 1", "go perft 1", "quit"});
  const Lines wout = without_options(w.output);
  EXPECT_TRUE(has(wout, "e1h1: 1") && has(wout, "e1a1: 1")) << ::testing::PrintToString(wout);
  EXPECT_FALSE(has(wout, "e1g1: 1"));
}

// The text book under Chess960 rules answers games from the standard start
// only: its castling (written e1g1, as its standard games have it) is played
// as the king taking its rook, and the game's own "e1h1" is matched against
// the book's "e1g1", so the line goes on after it. A Chess960 FEN gets no
// book move: the engine searches.
TEST_F(FenProtocol, Chess960TextBookOnlyFromTheStandardStart) {
  dir_.write_file("book.txt", "e2e4e7e5g1f3b8c6f1c4f8c5e1g1g8f6\n");
  const std::string opening = "position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 f8c5";
  const SessionResult r =
      run({"uci", "setoption name UCI_Chess960 value true", opening, "go wtime 1000 btime 1000",
           opening + " e1h1", "go wtime 1000 btime 1000", "quit"});
  EXPECT_EQ(without_info_lines(without_options(r.output)), concat(kHandshake, {book_note("e1h1"), "bestmove e1h1", book_note("g8f6"), "bestmove g8f6"}));

  dir_.write_file("book.txt", "e2e4e7e5\n");
  EngineProcess engine(dir_.path());
  engine.handshake();
  engine.send("setoption name UCI_Chess960 value true");
  engine.send("position fen bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w HFhf - 0 1");
  engine.send("go depth 3");
  const Lines search = engine.read_until("bestmove");
  EXPECT_TRUE(std::any_of(search.begin(), search.end(),
                          [](const std::string &l) { return l.rfind("info depth 3 ", 0) == 0; }))
      << "searched, not answered by the book: " << ::testing::PrintToString(search);
  finish_session(engine, {"quit"});
}
