// The option table and the "setoption" reader, in-process.
#include "frontend/engine_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every option's current value as text, in OptionId order.
std::vector<std::string> all_values() {
  const EngineOptions &o = g_options;
  auto check = [](bool b) { return std::string(b ? "true" : "false"); };
  return {std::to_string(o.hash_mb), "" /* Clear Hash: a button */, std::to_string(o.threads), check(o.ponder),
          std::to_string(o.multipv), check(o.own_book),             o.book_file,
          std::to_string(o.move_overhead), o.transcript,        check(o.chess960),
          check(o.limit_strength), std::to_string(o.uci_elo), std::to_string(o.strength_seed)};
}

std::vector<std::string> declared;
void collect(const char *line) { declared.emplace_back(line); }

}  // namespace

TEST(EngineOptions, DeclaredInOrder) {
  send_option_lines(collect);
  const std::vector<std::string> expected = {
      "option name Hash type spin default 64 min 1 max 65536\n",
      "option name Clear Hash type button\n",
      "option name Threads type spin default 1 min 1 max 256\n",
      "option name Ponder type check default false\n",
      "option name MultiPV type spin default 1 min 1 max 64\n",
      "option name OwnBook type check default true\n",
      "option name BookFile type string default book.txt\n",
      "option name Move Overhead type spin default 0 min 0 max 5000\n",
      "option name Transcript type string default UCI_debug.txt\n",
      "option name UCI_Chess960 type check default false\n",
      "option name UCI_LimitStrength type check default false\n",
      "option name UCI_Elo type spin default " + std::to_string(STRENGTH_ELO_MAX) + " min " +
          std::to_string(STRENGTH_ELO_MIN) + " max " + std::to_string(STRENGTH_ELO_MAX) + "\n",
      "option name Strength Seed type spin default 0 min 0 max 2147483647\n",
  };
  EXPECT_EQ(declared, expected);
}

TEST(EngineOptions, SetoptionTakesGoodValuesAndRefusesBadOnesWithOneLine) {
  struct Case {
    std::string line;
    OptionId option;  // OPT_NONE: refused
    const char *value = "";
    bool changed = false;
  };
  const std::string weakest = std::to_string(STRENGTH_ELO_MIN);
  const Case cases[] = {
      {"setoption name Hash value 128", OPT_HASH, "128", true},
      {"setoption name HASH value 65536", OPT_HASH, "65536", true},
      {"setoption name Hash value 64", OPT_HASH, "64", false},
      {"setoption name Threads value 1", OPT_THREADS, "1", false},
      // A button is pressed by its name alone; a value is ignored.
      {"setoption name Clear Hash", OPT_CLEAR_HASH, "", true},
      {"setoption name clear  HASH value 17", OPT_CLEAR_HASH, "", true},
      {"setoption name Clear Hash value", OPT_CLEAR_HASH, "", true},
      {"setoption name Threads value 256", OPT_THREADS, "256", true},
      {"setoption name pOnDeR value TRUE", OPT_PONDER, "true", true},
      {"setoption name MultiPV value 64", OPT_MULTIPV, "64", true},
      {"setoption name OwnBook value False", OPT_OWN_BOOK, "false", true},
      {"  setoption\tname  move \t OVERHEAD\tvalue   5000  ", OPT_MOVE_OVERHEAD, "5000", true},
      {"setoption name BookFile value my books/open  ing.txt \t", OPT_BOOK_FILE, "my books/open  ing.txt", true},
      {"setoption name Transcript value <empty>", OPT_TRANSCRIPT, "", true},
      {"setoption name Transcript value logs/value 1.txt", OPT_TRANSCRIPT, "logs/value 1.txt", true},
      {"setoption name uci_chess960 value true", OPT_CHESS960, "true", true},
      {"setoption name UCI_Chess960 value false", OPT_CHESS960, "false", false},
      {"setoption name UCI_LimitStrength value true", OPT_LIMIT_STRENGTH, "true", true},
      {"setoption name UCI_Elo value " + weakest, OPT_UCI_ELO, weakest.c_str(), true},
      {"setoption name strength seed value 17", OPT_STRENGTH_SEED, "17", true},
      // Refused: every option keeps its value.
      {"setoption", OPT_NONE},
      {"setoption name  \t  ", OPT_NONE},
      {"setoption name value 5", OPT_NONE},
      {"setoption Hash value 5", OPT_NONE},
      {"setoption name Hashes value 5", OPT_NONE},
      {"setoption name Move value 5", OPT_NONE},
      {"setoption name MoveOverhead value 5", OPT_NONE},
      {"setoption name Hash", OPT_NONE},
      {"setoption name Hash value  \t ", OPT_NONE},
      {"setoption name Hash value abc", OPT_NONE},
      {"setoption name Hash value 12x", OPT_NONE},
      {"setoption name Hash value 12 34", OPT_NONE},
      {"setoption name Hash value +5", OPT_NONE},
      {"setoption name Hash value " + std::string(30, '9'), OPT_NONE},
      {"setoption name Hash value -1", OPT_NONE},
      {"setoption name Clear", OPT_NONE},
      {"setoption name Clear Hash Table", OPT_NONE},
      {"setoption name Hash value 0", OPT_NONE},
      {"setoption name Hash value 65537", OPT_NONE},
      {"setoption name Threads value 257", OPT_NONE},
      {"setoption name Threads value 0", OPT_NONE},
      {"setoption name MultiPV value 65", OPT_NONE},
      {"setoption name Move Overhead value 5001", OPT_NONE},
      {"setoption name Ponder value yes", OPT_NONE},
      {"setoption name OwnBook value truex", OPT_NONE},
      {"setoption name UCI_Chess960 value 1", OPT_NONE},
      {"setoption name UCI Chess960 value true", OPT_NONE},
      {"setoption name Transcript value", OPT_NONE},
      {"setoption name BookFile value " + std::string(OPTION_STRING_MAX + 1, 'b'), OPT_NONE},
      {"setoption name UCI_Elo value " + std::to_string(STRENGTH_ELO_MIN - 1), OPT_NONE},
      {"setoption name UCI_Elo value " + std::to_string(STRENGTH_ELO_MAX + 1), OPT_NONE},
      {"setoption name UCI_LimitStrength value 1", OPT_NONE},
      {"setoption name Strength Seed value 2147483648", OPT_NONE},
      {"setoption name \x01\x1b[2J\x7f\xff value 1", OPT_NONE},
      {"setoption name " + std::string(100000, 'x') + " value 1", OPT_NONE},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line.substr(0, 80));
    reset_engine_options();
    std::vector<std::string> expected = all_values();
    if (c.option != OPT_NONE) expected[c.option] = c.value;
    const SetOptionResult r = read_setoption(c.line.c_str());
    EXPECT_EQ(r.option, c.option);
    EXPECT_EQ(r.changed, c.changed);
    EXPECT_EQ(all_values(), expected) << "only the named option may change";
    EXPECT_EQ(r.error.empty(), c.option != OPT_NONE);
    EXPECT_LT(r.error.size(), 200u);
    for (char ch : r.error) EXPECT_TRUE(ch >= ' ' && ch <= '~') << "one printable line";
  }
  reset_engine_options();
}
