// The built engine fed hostile input through its standard input: binary
// junk, NUL bytes, CRLF line ends, 100,000-character lines, games of
// thousands of moves, and end of input in every state. Whatever arrives, the
// engine must not crash, must exit 0, must answer only in protocol lines, and
// its transcript must hold every line it read and every line it sent, in
// order. In the sanitizer build these sessions run the sanitized engine.
#include <gtest/gtest.h>

#include <algorithm>

#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/engine_process.h"
#include "support/test_board.h"
#include "support/transcript_check.h"

namespace {

using Lines = std::vector<std::string>;

struct RawSession {
  Lines output;
  int status;
  std::string transcript;
};

// Runs the engine on exactly these bytes, then end of input. The bytes go in
// from a thread of their own so that a long input and the engine's answers
// can never block each other.
RawSession run_bytes(const TempDir &dir, const std::string &bytes) {
  EngineProcess engine(dir.path());
  std::thread writer([&] {
    engine.send_raw(bytes);
    engine.close_input();
  });
  RawSession s;
  s.output = engine.read_all(60000);
  writer.join();
  s.status = engine.wait_exit(60000);
  s.transcript = dir.read_file("UCI_debug.txt").value_or("");
  return s;
}

std::string joined(const Lines &lines) {
  std::string text;
  for (const std::string &line : lines) text += line + "\n";
  return text;
}

// Whether the line is one that the engine may send.
bool is_protocol_line(const std::string &line) {
  static const std::regex bestmove("bestmove ([a-h][1-8][a-h][1-8][qnrb]?|\\(none\\))");
  return std::find(kStartup.begin(), kStartup.end(), line) != kStartup.end() || line == "readyok" ||
         line.rfind("info ", 0) == 0 || std::regex_match(line, bestmove);
}

// What every session must show: exit status 0, nothing but protocol lines
// out, and a transcript that holds the lines read (the first `read` of the
// input's lines) and every line sent, in order.
void expect_sound(const RawSession &s, const std::string &bytes, size_t read) {
  EXPECT_EQ(s.status, 0);
  for (const std::string &line : s.output) EXPECT_TRUE(is_protocol_line(line)) << "sent: " << line;
  const TranscriptCheck check = check_transcript(s.transcript, lines_read_from(bytes), s.output);
  EXPECT_TRUE(check.ok) << check.error;
  EXPECT_EQ(check.received, read) << "input lines found in the transcript";
}

void expect_sound(const RawSession &s, const std::string &bytes) {
  expect_sound(s, bytes, lines_read_from(bytes).size());
}

// Whether "bestmove" answers for the side to move after the list: "(none)",
// or a move whose from-square holds a piece of that side.
bool answers_for_side_to_move(const std::string &bestmove, const std::string &move_list) {
  if (bestmove.rfind("bestmove ", 0) != 0) return false;
  const std::string move = bestmove.substr(9);
  return move == "(none)" || moves_a_piece_of_side_to_move(move, move_list);
}

// Seeded junk: every byte value, with line feeds, carriage returns and NUL
// bytes more frequent than chance so that lines stay short and varied.
std::string junk(unsigned seed, size_t size) {
  std::mt19937 random(seed);
  std::string bytes;
  for (size_t i = 0; i < size; ++i) {
    const unsigned r = random() % 64;
    bytes += r == 0 ? '\n' : r == 1 ? '\r' : r == 2 ? '\0' : char(random() % 256);
  }
  return bytes;
}

class HostileInput : public ::testing::Test {
 protected:
  RawSession run(const std::string &bytes) { return run_bytes(dir_, bytes); }
  TempDir dir_;
};

}  // namespace

TEST_F(HostileInput, BinaryJunkInEveryState) {
  struct Case {
    const char *state;
    std::string before;
  };
  const Case cases[] = {
      {"first line", ""},
      {"handshake", "uci\n"},
      {"position wait", "uci\nisready\nucinewgame\n"},
      {"go wait", "uci\nisready\nposition startpos moves e2e4\n"},
  };
  for (const Case &c : cases) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
      SCOPED_TRACE(std::string(c.state) + ", seed " + std::to_string(seed));
      // Whatever state the junk leaves, "isready" is answered in all of them.
      const std::string bytes = c.before + junk(seed, 16384) + "\nisready\nquit\n";
      const RawSession s = run(bytes);
      expect_sound(s, bytes);
      const Lines answers = settled_answers(s.output);
      ASSERT_FALSE(answers.empty());
      EXPECT_EQ(answers.back(), "readyok");
    }
  }
}

TEST_F(HostileInput, NulBytesEndALinesText) {
  dir_.write_file("book.txt", "e2e4e7e5\ne2e4d7d5e4d5\n");
  // A NUL ends what the engine reads of a line: "isre" is no command,
  // "isready<NUL>junk" is "isready", and only e2e4 of the position is played,
  // so the book answers from the game after e2e4 (e7e5 or d7d5).
  const std::string bytes = std::string("uci\nisre\0ady\nisready\0junk\n", 26) +
                            std::string("position startpos moves e2e4\0 d7d5 e4d5\n", 40) +
                            std::string("\0go\nisready\nquit\n", 17);
  const RawSession s = run(bytes);
  expect_sound(s, bytes);
  const Lines out = without_options(s.output);
  ASSERT_EQ(out.size(), 7u) << joined(s.output);
  EXPECT_EQ(Lines(out.begin(), out.begin() + 4), concat(kHandshake, {"readyok"}));
  EXPECT_TRUE(out[5] == "bestmove e7e5" || out[5] == "bestmove d7d5") << out[5];
  EXPECT_EQ(out[4], book_note(out[5].substr(9)));
  EXPECT_EQ(out[6], "readyok");
  EXPECT_EQ(s.transcript, "uci\n" + joined(kStartup) +
                              "isre\nisready\nreadyok\nposition startpos moves e2e4\n\n" + out[4] + "\n" + out[5] +
                              "\nisready\nreadyok\nquit\n");
}

TEST_F(HostileInput, CrlfLineEndsChangeNothing) {
  dir_.write_file("book.txt", "e2e4e7e5g1f3b8c6\n");
  const Lines lines = {"uci",
                       "isready",
                       "ucinewgame",
                       "position startpos moves e2e4",
                       "go wtime 9000 btime 9000",
                       "position startpos moves e2e4 e7e5 g1f3",
                       "isready",
                       "go btime 8000 wtime 8000",
                       "quit"};
  std::string lf, crlf;
  for (const std::string &line : lines) {
    lf += line + "\n";
    crlf += line + "\r\n";
  }
  const RawSession plain = run(lf);
  const RawSession windows = run(crlf);
  expect_sound(windows, crlf);
  EXPECT_EQ(windows.output, concat(kStartup, {"readyok", book_note("e7e5"), "bestmove e7e5", "readyok",
                                              book_note("b8c6"), "bestmove b8c6"}));
  EXPECT_EQ(windows.output, plain.output);
  EXPECT_EQ(windows.transcript, plain.transcript) << "carriage returns never reach the transcript";
  // A carriage return anywhere in a line is dropped, not only at its end.
  const std::string stray = "u\rci\r\r\nis\rready\r\nqu\rit\r\n";
  const RawSession s = run(stray);
  expect_sound(s, stray);
  EXPECT_EQ(s.output, concat(kStartup, {"readyok"}));
}

TEST_F(HostileInput, LinesOfAHundredThousandCharacters) {
  const std::string letters(100000, 'x');
  std::string go_line = "go";
  while (go_line.size() < 100000) go_line += " wtime 1 btime 2 winc movestogo 3 nodes";
  const std::string long_list = knight_shuffle(20000);  // 99,999 characters, White to move
  ASSERT_GE(long_list.size(), 99999u);
  struct Case {
    const char *name;
    std::string bytes;
    Lines answers;
  };
  const Case cases[] = {
      {"as the first line", letters + "\nisready\n", concat(kStartup, {"readyok"})},
      {"in the handshake", "uci\n" + letters + "\nisready\n", concat(kStartup, {"readyok"})},
      {"in the position wait", "uci\nisready\nucinewgame\n" + letters + "\nisready\n",
       concat(kStartup, {"readyok", "readyok"})},
      {"in the go wait, taken as go", "uci\nisready\nposition startpos\n" + letters + "\nisready\n",
       concat(kStartup, {"readyok", "bestmove *", "readyok"})},
      {"a go line", "uci\nisready\nposition startpos moves e2e4\n" + go_line + "\nisready\n",
       concat(kStartup, {"readyok", "bestmove *", "readyok"})},
      {"a move list of 20,000 moves",
       "uci\nisready\nposition startpos moves " + long_list + "\ngo\nisready\n",
       concat(kStartup, {"readyok", "bestmove *", "readyok"})},
      {"one token of 100,000 characters", "uci\nisready\nposition startpos moves e2e4 " + letters + "\ngo\n",
       concat(kStartup, {"readyok", "bestmove *"})},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const RawSession s = run(c.bytes);
    expect_sound(s, c.bytes);
    const Lines answers = settled_answers(s.output);
    const Lines expected = settled_answers(c.answers);
    ASSERT_EQ(answers.size(), expected.size()) << joined(s.output);
    for (size_t i = 0; i < answers.size(); ++i) {
      if (expected[i] == "bestmove *")
        EXPECT_EQ(answers[i].rfind("bestmove ", 0), 0u) << answers[i];
      else
        EXPECT_EQ(answers[i], expected[i]);
    }
  }
  // The 20,000-move game ends in the start position with White to move; the
  // long token stops the replay after e2e4 with a warning, Black to move.
  const RawSession game = run("uci\nisready\nposition startpos moves " + long_list + "\ngo\n");
  EXPECT_TRUE(answers_for_side_to_move(answers_without_info(game.output).back(), long_list))
      << answers_without_info(game.output).back();
  const RawSession token = run("uci\nisready\nposition startpos moves e2e4 " + letters + "\ngo\n");
  EXPECT_TRUE(answers_for_side_to_move(answers_without_info(token.output).back(), "e2e4"))
      << answers_without_info(token.output).back();
  EXPECT_NE(token.transcript.find("*** WARNING **** : Invalid move\n"), std::string::npos);
}

TEST_F(HostileInput, ThousandsOfMovesWithJunkTokens) {
  // 4,000 knight moves with tokens between them that are no moves: the
  // replay skips those and plays every move, whatever their number.
  std::string list;
  const std::string shuffle = knight_shuffle(4000);
  const char *const junk_tokens[] = {"zz", "Q", "#$%", "e9e4", "i2i4", "0-", "e2", "@"};
  size_t start = 0;
  for (int i = 0; start < shuffle.size(); ++i) {
    const size_t end = std::min(shuffle.find(' ', start), shuffle.size());
    list += shuffle.substr(start, end - start) + " " + junk_tokens[i % 8] + " ";
    start = end + 1;
  }
  for (const std::string &game : {list + "g1f3", list}) {
    SCOPED_TRACE(game.size());
    const std::string bytes =
        "uci\nisready\nposition startpos moves " + game + "\ngo wtime 3000 btime 3000\nquit\n";
    const RawSession s = run(bytes);
    expect_sound(s, bytes);
    const Lines answers = without_options(answers_without_info(s.output));
    ASSERT_EQ(answers.size(), 5u) << joined(s.output);
    EXPECT_TRUE(answers_for_side_to_move(answers[4], game)) << answers[4];
  }
}

TEST_F(HostileInput, EndOfInputInEveryStateEvenMidLine) {
  struct Case {
    const char *state;
    std::string bytes;
    Lines answers;
  };
  const Case cases[] = {
      {"nothing at all", "", {}},
      {"inside the first line", "uc", {}},
      {"handshake", "uci\n", kStartup},
      {"inside a handshake line", "uci\nisre", kStartup},
      {"after readyok, inside a line", "uci\nisready\nucinewg", concat(kStartup, {"readyok"})},
      {"position wait, inside a position line", "uci\nisready\nucinewgame\nposition startpos mo",
       concat(kStartup, {"readyok"})},
      {"go wait", "uci\nisready\nposition startpos moves e2e4\n", concat(kStartup, {"readyok"})},
      {"go wait, inside the go line", "uci\nisready\nposition startpos moves e2e4\ngo wtime 1000",
       concat(kStartup, {"readyok"})},
      {"go wait after a bare moves keyword", "uci\nisready\nposition startpos moves\n",
       concat(kStartup, {"readyok"})},
      {"position wait after bestmove, inside a line",
       "uci\nisready\nposition startpos moves\ngo\nposition st", concat(kStartup, {"readyok", "bestmove *"})},
      {"inside a long line", "uci\nisready\n" + std::string(50000, 'p'), concat(kStartup, {"readyok"})},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.state);
    const RawSession s = run(c.bytes);
    expect_sound(s, c.bytes);
    const Lines answers = answers_without_info(s.output);
    ASSERT_EQ(answers.size(), c.answers.size()) << joined(s.output);
    for (size_t i = 0; i < answers.size(); ++i) {
      if (c.answers[i] != "bestmove *") {
        EXPECT_EQ(answers[i], c.answers[i]);
      }
    }
  }
}

TEST_F(HostileInput, BareMovesKeywordIsTheStartPosition) {
  dir_.write_file("book.txt", "d2d4d7d5\n");
  for (const char *position : {"position startpos moves", "position startpos moves ",
                               "position startpos moves\t", "position startpos moves  e2e4"}) {
    SCOPED_TRACE(position);
    const std::string bytes = std::string("uci\nisready\n") + position + "\ngo\nquit\n";
    const RawSession s = run(bytes);
    expect_sound(s, bytes);
    EXPECT_EQ(s.output, concat(kStartup, {"readyok", book_note("d2d4"), "bestmove d2d4"}));
  }
}

// The sanitizer build must drive the sanitized engine: a pipe test of an
// uninstrumented binary would prove nothing about memory safety.
TEST(HostileInputBuild, EngineIsBuiltWithTheTestsSanitizers) {
#if defined(__SANITIZE_ADDRESS__)
  std::ifstream engine(engine_path(), std::ios::binary);
  const std::string image((std::istreambuf_iterator<char>(engine)), std::istreambuf_iterator<char>());
  EXPECT_NE(image.find("__asan_"), std::string::npos) << engine_path() << " has no address sanitizer";
#else
  GTEST_SKIP() << "not a sanitizer build";
#endif
}
