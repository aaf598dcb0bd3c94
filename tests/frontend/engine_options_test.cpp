// The option table and the "setoption" reader, in-process.
#include "frontend/engine_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class EngineOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_engine_options(); }
  void TearDown() override { reset_engine_options(); }
};

// The option's current value as text, from the record itself.
std::string value_of(OptionId id) {
  const EngineOptions &o = g_options;
  switch (id) {
    case OPT_HASH: return std::to_string(o.hash_mb);
    case OPT_THREADS: return std::to_string(o.threads);
    case OPT_PONDER: return o.ponder ? "true" : "false";
    case OPT_MULTIPV: return std::to_string(o.multipv);
    case OPT_OWN_BOOK: return o.own_book ? "true" : "false";
    case OPT_BOOK_FILE: return o.book_file;
    case OPT_MOVE_OVERHEAD: return std::to_string(o.move_overhead);
    case OPT_TRANSCRIPT: return o.transcript;
    default: return "?";
  }
}

std::vector<std::string> all_values() {
  std::vector<std::string> v;
  for (int i = 0; i < OPTION_COUNT; ++i) v.push_back(value_of(OptionId(i)));
  return v;
}

std::vector<std::string> declared;
void collect(const char *line) { declared.emplace_back(line); }

}  // namespace

TEST_F(EngineOptionsTest, DeclaredInOrderAndEachDefaultIsAccepted) {
  declared.clear();
  send_option_lines(collect);
  const std::vector<std::string> expected = {
      "option name Hash type spin default 64 min 1 max 65536\n",
      "option name Threads type spin default 1 min 1 max 1\n",
      "option name Ponder type check default false\n",
      "option name MultiPV type spin default 1 min 1 max 64\n",
      "option name OwnBook type check default true\n",
      "option name BookFile type string default book.txt\n",
      "option name Move Overhead type spin default 0 min 0 max 5000\n",
      "option name Transcript type string default UCI_debug.txt\n",
  };
  EXPECT_EQ(declared, expected);
  // A GUI sends the declared defaults back: each is taken, and none changes
  // anything.
  const std::vector<std::string> defaults = all_values();
  for (const std::string &line : declared) {
    const size_t type = line.find(" type "), value = line.find(" default ");
    const std::string name = line.substr(12, type - 12);
    std::string text = line.substr(value + 9);
    text = text.substr(0, text.find_first_of(" \n"));
    const SetOptionResult r = read_setoption(("setoption name " + name + " value " + text).c_str());
    EXPECT_EQ(r.error, "") << name;
    EXPECT_NE(r.option, OPT_NONE) << name;
    EXPECT_FALSE(r.changed) << name;
  }
  EXPECT_EQ(all_values(), defaults);
}

TEST_F(EngineOptionsTest, GoodValuesAreTaken) {
  struct Case {
    const char *line;
    OptionId option;
    const char *value;
    bool changed;
  };
  const Case cases[] = {
      {"setoption name Hash value 128", OPT_HASH, "128", true},
      {"setoption name hash value 1", OPT_HASH, "1", true},
      {"setoption name HASH value 65536", OPT_HASH, "65536", true},
      {"setoption name Hash value 64", OPT_HASH, "64", false},
      {"setoption name Threads value 1", OPT_THREADS, "1", false},
      {"setoption name Ponder value true", OPT_PONDER, "true", true},
      {"setoption name pOnDeR value TRUE", OPT_PONDER, "true", true},
      {"setoption name MultiPV value 64", OPT_MULTIPV, "64", true},
      {"setoption name OwnBook value False", OPT_OWN_BOOK, "false", true},
      {"setoption name Move Overhead value 250", OPT_MOVE_OVERHEAD, "250", true},
      {"  setoption\tname  move \t OVERHEAD\tvalue   5000  ", OPT_MOVE_OVERHEAD, "5000", true},
      {"setoption name Move Overhead value -0", OPT_MOVE_OVERHEAD, "0", false},
      {"setoption name Hash value 0000032", OPT_HASH, "32", true},
      {"setoption name BookFile value my books/open  ing.txt \t", OPT_BOOK_FILE, "my books/open  ing.txt", true},
      {"setoption name bookfile value book.txt", OPT_BOOK_FILE, "book.txt", false},
      {"setoption name Transcript value <empty>", OPT_TRANSCRIPT, "", true},
      {"setoption name Transcript value logs/value 1.txt", OPT_TRANSCRIPT, "logs/value 1.txt", true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line);
    reset_engine_options();
    std::vector<std::string> expected = all_values();
    expected[c.option] = c.value;
    const SetOptionResult r = read_setoption(c.line);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.option, c.option);
    EXPECT_EQ(r.changed, c.changed);
    EXPECT_EQ(all_values(), expected) << "only the named option changes";
  }
}

TEST_F(EngineOptionsTest, BadInputGetsOneLineAndChangesNothing) {
  const std::string long_name = "setoption name " + std::string(100000, 'x') + " value 1";
  const std::string long_file = "setoption name BookFile value " + std::string(OPTION_STRING_MAX + 1, 'b');
  const std::string cases[] = {
      "setoption",
      "setoption name",
      "setoption name  \t  ",
      "setoption name value 5",
      "setoption Hash value 5",
      "setoption name Hashes value 5",
      "setoption name Move value 5",
      "setoption name MoveOverhead value 5",
      "setoption name Hash",
      "setoption name Hash value",
      "setoption name Hash value  \t ",
      "setoption name Hash value abc",
      "setoption name Hash value 12x",
      "setoption name Hash value 12 34",
      "setoption name Hash value +5",
      "setoption name Hash value 1000000000000000000000000000000",
      "setoption name Hash value -1000000000000000000000000000000",
      "setoption name Hash value -1",
      "setoption name Hash value 0",
      "setoption name Hash value 65537",
      "setoption name Threads value 2",
      "setoption name MultiPV value 65",
      "setoption name Move Overhead value -1",
      "setoption name Move Overhead value -",
      "setoption name Move Overhead value 5001",
      "setoption name Ponder value yes",
      "setoption name Ponder value 1",
      "setoption name OwnBook value truex",
      "setoption name OwnBook value true false",
      "setoption name BookFile",
      "setoption name Transcript value",
      "setoption name \x01\x1b[2J\x7f\xff value 1",
      "setoption name Hash value \x1b\n",
      long_name,
      long_file,
  };
  const std::vector<std::string> defaults = all_values();
  for (const std::string &line : cases) {
    SCOPED_TRACE(line.substr(0, 80));
    const SetOptionResult r = read_setoption(line.c_str());
    EXPECT_EQ(r.option, OPT_NONE);
    EXPECT_FALSE(r.changed);
    EXPECT_FALSE(r.error.empty());
    EXPECT_LT(r.error.size(), 200u);
    for (char ch : r.error) EXPECT_TRUE(ch >= ' ' && ch <= '~') << "one printable line";
    EXPECT_EQ(all_values(), defaults);
  }
}
