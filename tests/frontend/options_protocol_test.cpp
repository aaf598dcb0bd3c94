// Options, pondering and the bench argument, through the engine's pipes as a
// GUI or a testing framework drives them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "notation/fen.h"
#include "notation/move_text.h"
#include "notation/san.h"
#include "search/strength.h"

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
    std::string line;
    bool refused;
  } cases[] = {
      {"setoption name Hash value 16", false},
      {"setoption name hash value 1", false},
      {"setoption name Threads value 1", false},
      {"setoption name Clear Hash", false},
      {"setoption name Clear Hash value yes", false},
      {"setoption name Threads value 2", false},
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
      {"setoption name Threads value 257", true},
      {"setoption name Threads value 0", true},
      {"setoption name Ponder value yes", true},
      {"setoption name UCI_LimitStrength value true", false},
      {"setoption name uci_elo value " + std::to_string(STRENGTH_ELO_MIN), false},
      {"setoption name Strength Seed value 2147483647", false},
      {"setoption name UCI_Elo value " + std::to_string(STRENGTH_ELO_MIN - 1), true},
      {"setoption name UCI_Elo value " + std::to_string(STRENGTH_ELO_MAX + 1), true},
      {"setoption name UCI_Elo value 1500.5", true},
      {"setoption name UCI_LimitStrength value on", true},
      {"setoption name Strength Seed value -1", true},
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

namespace {

// A game the engine plays against itself at a strength level from a seed:
// "ucinewgame", then "position" and "go" for each of plies half-moves; the
// moves it chose. Two games in a row in one session when twice.
Lines self_play(const std::string &dir, int elo, int seed, int plies, bool twice = false) {
  EngineProcess engine(dir);
  engine.handshake();
  engine.send("setoption name UCI_LimitStrength value true");
  engine.send("setoption name UCI_Elo value " + std::to_string(elo));
  engine.send("setoption name Strength Seed value " + std::to_string(seed));
  Lines played;
  for (int game = 0; game < (twice ? 2 : 1); ++game) {
    engine.send("ucinewgame");
    std::string list;
    for (int ply = 0; ply < plies; ++ply) {
      engine.send("position startpos" + (list.empty() ? "" : " moves" + list));
      engine.send("go wtime 60000 btime 60000");
      const Lines answer = engine.read_until("bestmove");
      if (answer.empty() || answer.back().rfind("bestmove ", 0) != 0) return played;
      const std::string move = answer.back().substr(9);
      played.push_back(move);
      list += " " + move;
    }
  }
  engine.send("quit");
  EXPECT_EQ(engine.wait_exit(), 0);
  return played;
}

// The lines of a search's answer without the figures that vary from run to
// run ("time", "nps").
Lines without_timing(const Lines &lines) {
  Lines kept;
  for (const std::string &line : lines) {
    std::istringstream in(line);
    std::string word, out;
    while (in >> word) {
      if (word == "time" || word == "nps") {
        in >> word;
        continue;
      }
      out += (out.empty() ? "" : " ") + word;
    }
    kept.push_back(out);
  }
  return kept;
}

// The legal moves of a FEN position as coordinate texts.
std::vector<std::string> legal_texts(const std::string &fen) {
  uint8_t cb[CB_SIZE];
  start_position(cb);
  FenSetup setup;
  EXPECT_TRUE(load_position_fen(cb, fen.c_str(), setup)) << fen;
  LegalMove moves[MAX_LEGAL_MOVES];
  std::vector<std::string> texts;
  for (int i = 0, n = legal_moves(cb, moves); i < n; ++i)
    texts.push_back(move_text(moves[i].from, moves[i].to, moves[i].promotion));
  return texts;
}

}  // namespace

// A level's game replays move for move from its seed, in a new session or
// after "ucinewgame" in the same one; another seed plays another game.
TEST_F(Options, StrengthLevelReplaysItsGameFromTheSeed) {
  const int elo = STRENGTH_ELO_MIN;
  const Lines first = self_play(dir_.path(), elo, 4242, 12, true);
  ASSERT_EQ(first.size(), 24u);
  EXPECT_EQ(Lines(first.begin(), first.begin() + 12), Lines(first.begin() + 12, first.end()));
  EXPECT_EQ(self_play(dir_.path(), elo, 4242, 12), Lines(first.begin(), first.begin() + 12));
  EXPECT_NE(self_play(dir_.path(), elo, 4243, 12), Lines(first.begin(), first.begin() + 12));
}

// UCI_Elo means nothing while UCI_LimitStrength is off: the same reports and
// moves as with the defaults. Every setting, the top of the scale included,
// plays below full strength.
TEST_F(Options, FullStrengthUnlessLimited) {
  // More work than the strongest level may spend.
  const std::string go = "go nodes " + std::to_string(LEVEL_NODES_TOP + 20000);
  const Lines searches = {"position startpos moves e2e4 e7e5 g1f3", go,
                          "position fen r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4", go};
  auto answers_to = [&](const Lines &options) {
    EngineProcess engine(dir_.path());
    engine.handshake();
    for (const std::string &line : options) engine.send(line);
    Lines out;
    for (const std::string &line : searches) {
      engine.send(line);
      if (line.rfind("go", 0) == 0) {
        // Root moves are told once a search has run for a second, which a
        // slow build reaches at a different move each time: they are no
        // part of what the search found.
        for (const std::string &l : without_timing(engine.read_until("bestmove")))
          if (l.rfind("info currmove ", 0) != 0) out.push_back(l);
      }
    }
    return out;
  };
  const Lines plain = answers_to({});
  ASSERT_EQ(plain.size() >= 4 ? plain.back().rfind("bestmove ", 0) : 1, 0u);
  const std::string weakest = "setoption name UCI_Elo value " + std::to_string(STRENGTH_ELO_MIN);
  EXPECT_EQ(answers_to({weakest}), plain);
  EXPECT_EQ(answers_to({"setoption name UCI_LimitStrength value true", weakest,
                        "setoption name UCI_LimitStrength value false"}),
            plain);
  EXPECT_NE(answers_to({"setoption name UCI_LimitStrength value true",
                        "setoption name UCI_Elo value " + std::to_string(STRENGTH_ELO_MAX)}),
            plain);
}

// Every level answers a fast game's "go" well inside its clock with a legal
// move: the mate in one and the only legal move included, which every level
// plays (a glance sees a mate in one, and the search's two-ply pass does).
TEST_F(Options, EveryLevelAnswersInTimeWithALegalMove) {
  struct Case {
    const char *fen;
    const char *must;  // the move every level plays, or nullptr
  } cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", nullptr},
      {"r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/2PP1N2/PP3PPP/RNBQK2R b KQkq - 0 5", nullptr},
      {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 30", "a1a8"},
      {"r5k1/8/8/8/8/8/5PPP/6K1 b - - 0 30", "a8a1"},
      {"k7/8/8/8/8/8/1r6/K7 w - - 0 40", "a1b2"},
      {"8/P6k/8/8/8/8/6p1/K7 w - - 0 50", nullptr},
  };
  const int mid = (STRENGTH_ELO_MIN + STRENGTH_ELO_MAX) / 2;
  for (int elo : {STRENGTH_ELO_MIN, mid, STRENGTH_ELO_MAX - 1, STRENGTH_ELO_MAX}) {
    EngineProcess engine(dir_.path());
    engine.handshake();
    engine.send("setoption name UCI_LimitStrength value true");
    engine.send("setoption name UCI_Elo value " + std::to_string(elo));
    for (const Case &c : cases) {
      SCOPED_TRACE(std::to_string(elo) + " " + c.fen);
      const std::vector<std::string> legal = legal_texts(c.fen);
      // Several times: a level plays some moves on a glance, some searched.
      for (int round = 0; round < 4; ++round) {
        engine.send(std::string("position fen ") + c.fen);
        const auto start = std::chrono::steady_clock::now();
        engine.send("go wtime 1000 btime 1000");
        const Lines answer = engine.read_until("bestmove", 2000);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        ASSERT_FALSE(answer.empty());
        ASSERT_EQ(answer.back().rfind("bestmove ", 0), 0u) << answer.back();
        // The engine never gives a move more than half its clock.
        EXPECT_LT(ms, 500);
        const std::string move = answer.back().substr(9);
        EXPECT_NE(std::find(legal.begin(), legal.end(), move), legal.end()) << move;
        if (c.must != nullptr) {
          EXPECT_EQ(move, c.must);
        }
      }
    }
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
  }
}

// A setoption that comes during a search is taken when the search has
// answered, refusal included.
TEST_F(Options, StrengthOptionsDuringASearchWaitTheirTurn) {
  EngineProcess engine(dir_.path());
  engine.handshake();
  engine.send("position startpos");
  engine.send("go infinite");
  engine.send("setoption name UCI_LimitStrength value true");
  engine.send("setoption name UCI_Elo value 1");
  for (auto line = engine.read_line(300); line; line = engine.read_line(300))
    EXPECT_NE(line->rfind("info string", 0), 0u) << *line;
  engine.send("stop");
  const Lines answer = engine.read_until("bestmove");
  ASSERT_FALSE(answer.empty());
  EXPECT_EQ(answer.back().rfind("bestmove ", 0), 0u);
  for (const std::string &line : answer) EXPECT_NE(line.rfind("info string", 0), 0u) << line;
  const Lines after = engine.read_until("info string");
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after.back(), "info string option UCI_Elo: \"1\" is outside " + std::to_string(STRENGTH_ELO_MIN) +
                              ".." + std::to_string(STRENGTH_ELO_MAX));
  engine.send("quit");
  EXPECT_EQ(engine.wait_exit(), 0);
}
