// Polyglot books: the position key against the format's published keys,
// the decoding of the book's moves, the choice by weight, damaged files, and
// a book made by Debian's polyglot from games the test writes.
#include "book/polyglot.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "board/chess_cb.h"
#include "notation/fen.h"
#include "board/game_move.h"
#include "notation/position.h"
#include "notation/san.h"
#include "support/engine_process.h"
#include "support/test_board.h"
#include "support/tool_run.h"

namespace {

struct Board {
  uint8_t cb[CB_SIZE];
  explicit Board(const char *moves = "") {
    start_position(cb);
    load_position_txt2(cb, moves);
  }
  static Board fen(const std::string &text) {
    Board b;
    FenSetup setup;
    EXPECT_TRUE(load_position_fen(b.cb, text.c_str(), setup)) << text << ": " << setup.reason;
    return b;
  }
  uint64_t key() const { return polyglot_key(cb); }
};

// The format's move for coordinate text ("e1h1"); promo 1 knight .. 4 queen.
uint16_t pg(const char *text, int promo = 0) {
  return uint16_t((text[2] - 'a') | (text[3] - '1') << 3 | (text[0] - 'a') << 6 | (text[1] - '1') << 9 |
                  promo << 12);
}

std::string entry_bytes(uint64_t key, uint16_t move, uint16_t weight) {
  std::string bytes;
  for (int i = 7; i >= 0; --i) bytes += char(key >> (8 * i));
  bytes += {char(move >> 8), char(move), char(weight >> 8), char(weight), 0, 0, 0, 0};
  return bytes;
}

constexpr uint32_t word(const char *from, const char *to) { return move_word(sq(from), sq(to)); }

// Debian installs its games, polyglot among them, where PATH may not look.
[[maybe_unused]] std::string polyglot_program() {
  for (const char *dir : {"/usr/bin", "/usr/games", "/usr/local/bin"})
    if (::access((std::string(dir) + "/polyglot").c_str(), X_OK) == 0) return std::string(dir) + "/polyglot";
  return "";
}

}  // namespace

TEST(PolyglotKey, PublishedKeysAndEnPassantAndCastlingRules) {
  const struct {
    uint64_t key;
    const char *moves, *fen;
  } published[] = {
      {0x463b96181691fc9cULL, "", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"},
      {0x823c9b50fd114196ULL, "e2e4", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1"},
      {0x0756b94461c50fb0ULL, "e2e4 d7d5", "rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2"},
      {0x662fafb965db29d4ULL, "e2e4 d7d5 e4e5",
       "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 2"},
      {0x22a48b5a8e47ff78ULL, "e2e4 d7d5 e4e5 f7f5",
       "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3"},
      {0x652a607ca3f242c1ULL, "e2e4 d7d5 e4e5 f7f5 e1e2",
       "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPPKPPP/RNBQ1BNR b kq - 1 3"},
      {0x00fdd303c946bdd9ULL, "e2e4 d7d5 e4e5 f7f5 e1e2 e8f7",
       "rnbq1bnr/ppp1pkpp/8/3pPp2/8/8/PPPPKPPP/RNBQ1BNR w - - 2 4"},
      {0x3c8123ea7b067637ULL, "a2a4 b7b5 h2h4 b5b4 c2c4",
       "rnbqkbnr/p1pppppp/8/8/PpP4P/8/1P1PPPP1/RNBQKBNR b KQkq c3 0 3"},
      {0x5c3f9b829b279560ULL, "a2a4 b7b5 h2h4 b5b4 c2c4 b4c3 a1a3",
       "rnbqkbnr/p1pppppp/8/8/P6P/R1p5/1P1PPPP1/1NBQKBNR b Kkq - 1 4"},
  };
  // Every constant as the format publishes it: the XOR of all 781.
  uint64_t folded = 0;
  for (uint64_t k : polyglot_random64) folded ^= k;
  EXPECT_EQ(folded, 0xeaa4dc0dd06542b6ULL);
  for (const auto &p : published) {
    EXPECT_EQ(Board(p.moves).key(), p.key) << p.moves;
    EXPECT_EQ(Board::fen(p.fen).key(), p.key) << p.fen;
  }
  // The en-passant file counts only with a pawn of the side to move beside
  // the pawn that has just advanced (on the board's edge files too, and even
  // when taking would expose its king); a castling right only with king and
  // rook at home.
  const uint64_t *ep = polyglot_random64 + POLYGLOT_EN_PASSANT_INDEX;
  const struct {
    Board board;
    std::string fen;
    uint64_t extra;
  } rules[] = {
      {Board("b2b4 h7h6 b4b5 a7a5"), "rnbqkbnr/1pppppp1/7p/pP6/8/8/P1PPPPPP/RNBQKBNR w KQkq - 0 3", ep[0]},
      {Board("g2g4 a7a6 g4g5 h7h5"), "rnbqkbnr/1pppppp1/p7/6Pp/8/8/PPPPPP1P/RNBQKBNR w KQkq - 0 3", ep[7]},
      {Board::fen("8/8/8/K2pP2r/8/8/8/4k3 w - d6 0 1"), "8/8/8/K2pP2r/8/8/8/4k3 w - - 0 1", ep[3]},
      {Board::fen("rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq e6 0 2"),
       "rnbqkbnr/pppp1ppp/8/4p3/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 2", 0},
      {Board::fen("rnbqkbnr/pppppppp/8/8/3PP3/8/PPP2PPP/RNBQKBNR b KQkq e3 0 2"),
       "rnbqkbnr/pppppppp/8/8/3PP3/8/PPP2PPP/RNBQKBNR b KQkq - 0 2", 0},
      {Board("e2e4 d7d5 e4e5 f7f5 g1f3 g8f6"),
       "rnbqkb1r/ppp1p1pp/5n2/3pPp2/8/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 4", 0},
      {Board::fen("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1"), "r3k2r/8/8/8/8/8/8/R3K2R b KQq - 0 1",
       polyglot_random64[POLYGLOT_CASTLING_INDEX + 2]},
  };
  for (const auto &r : rules) EXPECT_EQ(r.board.key(), Board::fen(r.fen).key() ^ r.extra) << r.fen;
  Board no_rooks = Board::fen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  no_rooks.cb[CB_STATE] &= uint8_t(~(ST_WHITE_KING_LOST | ST_WHITE_QUEEN_LOST));  // flags clear, rooks gone
  EXPECT_EQ(no_rooks.key(), Board::fen("4k3/8/8/8/8/8/8/4K3 w - - 0 1").key());
}

TEST(PolyglotMove, CastlingPromotionsAndIllegalMoves) {
  const char *castles = "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1";
  const char *promotes = "1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1";
  const struct {
    std::string fen;
    uint16_t move;
    uint32_t expected;
  } cases[] = {
      {castles, pg("e1h1"), word("e1", "g1")},
      {castles, pg("e1a1"), word("e1", "c1")},
      {"r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R b KQkq - 0 1", pg("e8h8"), word("e8", "g8")},
      {"r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R b KQkq - 0 1", pg("e8a8"), word("e8", "c8")},
      {"r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w Qkq - 0 1", pg("e1h1"), 0},  // the right is gone
      {promotes, pg("a7a8", 4), word("a7", "a8")},
      {promotes, pg("a7b8", 1), word("a7", "b8") | MW_PROMO_KNIGHT},
      {promotes, pg("a7a8", 2), word("a7", "a8") | MW_PROMO_BISHOP},
      {promotes, pg("a7a8", 3), word("a7", "a8") | MW_PROMO_ROOK},
      {promotes, pg("a7a8"), 0},     // a pawn on the last rank must become something
      {promotes, pg("a7a8", 5), 0},  // not a piece of the format
      {promotes, pg("e1e2", 4), 0},  // a piece where nothing promotes
      {promotes, uint16_t(pg("e1e2") | 0x8000), 0},
      {promotes, pg("e8e7"), 0},                             // the other side's king
      {"4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1", pg("e2d3"), 0},  // a pinned bishop
  };
  for (const auto &c : cases)
    EXPECT_EQ(polyglot_move_word(Board::fen(c.fen).cb, c.move), c.expected) << c.fen;
}

// Under Chess960 rules the format's king-takes-rook castling is the
// engine's own word, and a book is asked only about positions whose rights
// belong to rooks in the corners with the king on the e-file.
TEST(PolyglotMove, Chess960CastlingAndTheRightsABookCanName) {
  const auto board960 = [](const char *fen) {
    Board b;
    FenSetup setup;
    EXPECT_TRUE(load_position_fen(b.cb, fen, setup, RULES_CHESS960)) << fen << ": " << setup.reason;
    return b;
  };
  const Board corners = board960("r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w HAha - 0 1");
  EXPECT_EQ(polyglot_move_word(corners.cb, pg("e1h1")), word("e1", "h1"));
  EXPECT_EQ(polyglot_move_word(corners.cb, pg("e1a1")), word("e1", "a1"));
  EXPECT_EQ(polyglot_move_word(corners.cb, pg("e1g1")), 0u) << "a two-column king step is no castling here";
  EXPECT_TRUE(polyglot_names_position(corners.cb));
  EXPECT_EQ(corners.key(), Board::fen("r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1").key());
  EXPECT_FALSE(polyglot_names_position(board960("1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 w GBgb - 0 1").cb));
  EXPECT_FALSE(polyglot_names_position(board960("r2k3r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w HAha - 0 1").cb));
  // Rights that are gone do not matter: only those held must be nameable.
  EXPECT_TRUE(polyglot_names_position(board960("1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w HA - 0 1").cb));
  EXPECT_TRUE(polyglot_names_position(Board().cb)) << "standard rules: always";
  std::string note, said;
  EXPECT_EQ(polyglot_book_move("no-such-book.bin",
                               board960("1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 w GBgb - 0 1").cb, note, said),
            0u);
  EXPECT_EQ(note, "") << "a position the book cannot name is not looked up";
}

TEST(PolyglotChoice, InProportionToTheWeightsOfTheLegalMoves) {
  const Board start;
  const uint64_t k = start.key();
  const PolyglotEntry entries[] = {
      {k, pg("e2e4"), 1, 0}, {k, pg("d2d4"), 0, 0}, {k, pg("e2e5"), 7, 0}, {k, pg("c2c4"), 3, 0}};
  const uint32_t expected[] = {word("e2", "e4"), word("c2", "c4"), word("c2", "c4"), word("c2", "c4"),
                               word("e2", "e4")};
  for (uint64_t draw = 0; draw < 5; ++draw)
    EXPECT_EQ(choose_polyglot_move(start.cb, entries, 4, draw), expected[draw]);
  // Only weightless legal moves left: each is as likely; nothing legal: none.
  EXPECT_EQ(choose_polyglot_move(start.cb, entries + 1, 2, 0), word("d2", "d4"));
  EXPECT_EQ(choose_polyglot_move(start.cb, entries + 2, 1, 0), 0u);
}

TEST(PolyglotFile, DamagedOrMissingBooksSayWhyAndGiveNoWrongMove) {
  TempDir dir;
  const Board start;
  const uint64_t k = start.key();
  const std::string good = entry_bytes(k, pg("e2e4"), 1);
  const std::string after = entry_bytes(k + 1, pg("d2d4"), 1);
  std::filesystem::create_directory(dir.file("dir.bin"));
#if !defined(_WIN32)  // named pipes and devices as files are POSIX's
  ASSERT_EQ(::mkfifo(dir.file("pipe.bin").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir.file("zero.bin"));
#endif
  dir.write_file("empty.bin", "");
  dir.write_file("ragged.bin", good + "\x01\x02\x03");
  // Disorder seen on the search's way (the key is then missed) or right
  // after the key's entries.
  dir.write_file("unsorted.bin", after + good + after + entry_bytes(0, pg("g1f3"), 1) + good);
  dir.write_file("unsorted2.bin", entry_bytes(0, pg("g1f3"), 1) + good + entry_bytes(5, pg("g1f3"), 1));
  dir.write_file("illegal.bin", good + entry_bytes(k, pg("e2e5"), 9));
  const struct {
    const char *name;
    int entries;
    const char *problem;
    uint32_t move;
  } cases[] = {
      {"none.bin", -1, "cannot be opened", 0},
#if defined(_WIN32)  // which opens no directory as a file
      {"dir.bin", -1, "cannot be opened", 0},
#else
      {"dir.bin", -1, "not a regular file", 0},
      {"pipe.bin", -1, "not a regular file", 0},
      {"zero.bin", -1, "not a regular file", 0},
#endif
      {"empty.bin", 0, "is empty", 0},
      {"ragged.bin", 1, "the last 3 are ignored", word("e2", "e4")},
      {"unsorted.bin", 0, "not sorted", 0},
      {"unsorted2.bin", 1, "not sorted", word("e2", "e4")},
      {"illegal.bin", 2, "", word("e2", "e4")},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file(c.name);
    PolyglotEntry out[POLYGLOT_MAX_ENTRIES];
    std::string problem, note, said;
    EXPECT_EQ(polyglot_entries(path.c_str(), k, out, POLYGLOT_MAX_ENTRIES, problem), c.entries);
    EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    // A problem of the file is said once; an illegal book move each time.
    for (int i = 0; i < 20; ++i) {
      EXPECT_EQ(polyglot_book_move(path.c_str(), start.cb, note, said), c.move ? c.move | 30000u : 0u);
      if (i == 0) {
        EXPECT_NE(note.find(c.problem), std::string::npos) << note;
      }
    }
    const bool illegal = std::string(c.name) == "illegal.bin";
    EXPECT_EQ(note, illegal ? "Polyglot book " + path + " moves not legal here, not played: e2e5" : "");
  }
}

TEST(PolyglotFile, LargeBookFindsEveryKeyAndLeavesNoDescriptorOpen) {
  TempDir dir;
  std::mt19937_64 random(16);
  std::set<uint64_t> keys;
  while (keys.size() < 3000) keys.insert(random() | 1);  // odd: key - 1 is never a key
  std::string bytes;
  for (uint64_t k : keys)
    for (int i = 0; i <= int(k % 4); ++i) bytes += entry_bytes(k, uint16_t(i + 1), uint16_t(k));
  dir.write_file("big.bin", bytes);
  const std::string path = dir.file("big.bin");
#if defined(__linux__)
  const size_t descriptors = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
#endif
  PolyglotEntry out[POLYGLOT_MAX_ENTRIES];
  std::string problem;
  for (uint64_t k : keys) {
    ASSERT_EQ(polyglot_entries(path.c_str(), k, out, POLYGLOT_MAX_ENTRIES, problem), int(k % 4) + 1);
    EXPECT_TRUE(out[0].key == k && out[0].move == 1 && out[0].weight == uint16_t(k) && problem.empty());
    EXPECT_EQ(polyglot_entries(path.c_str(), k - 1, out, POLYGLOT_MAX_ENTRIES, problem), 0);
  }
#if defined(__linux__)
  EXPECT_EQ(size_t(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {})), descriptors);
#endif
}

#if !defined(VELKOR_CROSS_TESTS)  // runs Debian's polyglot and velkor-tool
TEST(PolyglotFile, BookMadeByDebiansPolyglotIsPlayedByTheWeights) {
  const std::string polyglot = polyglot_program();
  if (polyglot.empty()) {
    if (const char *require = std::getenv("VELKOR_REQUIRE_STOCKFISH"); require && std::string(require) == "1")
      FAIL() << "polyglot (Debian package polyglot) is not installed";
    GTEST_SKIP() << "polyglot (Debian package polyglot) is not installed";
  }
  // Games in coordinates, written to the PGN in SAN; the first move of each
  // result varies so that the start position has moves of several weights.
  const std::vector<std::pair<std::string, const char *>> games = {
      {"e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 e1g1", "1-0"},
      {"e2e4 e7e5 g1f3 b8c6 f1c4", "1-0"},
      {"e2e4 c7c5 g1f3 d7d6", "1-0"},
      {"e2e4 c7c5 b1c3", "1/2-1/2"},
      {"d2d4 d7d5 c2c4 e7e6", "1-0"},
      {"d2d4 g8f6 c2c4 g7g6", "0-1"},
      {"c2c4 e7e5 b1c3", "1/2-1/2"},
  };
  TempDir dir;
  std::ostringstream pgn;
  std::map<uint64_t, std::set<uint32_t>> played;  // the moves the games made in each position
  for (const auto &[moves, result] : games) {
    pgn << "[Result \"" << result << "\"]\n\n";
    Board b;
    std::istringstream in(moves);
    std::string move;
    for (int ply = 0; in >> move; ++ply) {
      LegalMove m;
      const char *why = nullptr;
      ASSERT_TRUE(san_to_move(b.cb, move.c_str(), m, why)) << move;
      char san[16];
      move_to_san(b.cb, m, san, sizeof san);
      pgn << (ply % 2 == 0 ? std::to_string(ply / 2 + 1) + ". " : "") << san << " ";
      played[b.key()].insert(legal_move_word(m));
      play_move(b.cb, legal_move_word(m));
    }
    pgn << result << "\n\n";
  }
  dir.write_file("games.pgn", pgn.str());
  const std::string command = "cd " + shell_quoted(dir.path()) + " && " + polyglot +
                              " make-book -pgn games.pgn -bin book.bin -min-game 1 >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string path = dir.file("book.bin");

  // Every answer is a move the games made there; from the start position,
  // the frequencies follow the weights the book gives.
  std::string note, said;
  int answered = 0;
  for (const auto &[moves, result] : games) {
    std::istringstream in(moves);
    std::string game, move;
    while (in >> move) {
      const Board b(game.c_str());
      const uint32_t answer = polyglot_book_move(path.c_str(), b.cb, note, said);
      EXPECT_TRUE(note.empty()) << note;
      if (answer != 0) {
        ++answered;
        EXPECT_EQ(played[b.key()].count(answer & ~MW_SCORE_MASK), 1u) << game;
      }
      game += move + " ";
    }
  }
  EXPECT_GT(answered, 10);
  const Board start;
  PolyglotEntry entries[POLYGLOT_MAX_ENTRIES];
  const int count = polyglot_entries(path.c_str(), start.key(), entries, POLYGLOT_MAX_ENTRIES, note);
  ASSERT_GE(count, 2);
  uint32_t words[POLYGLOT_MAX_ENTRIES];
  uint64_t shares[POLYGLOT_MAX_ENTRIES];
  const uint64_t total = polyglot_shares(start.cb, entries, count, words, shares);
  std::mt19937_64 random(16);
  std::map<uint32_t, int> chosen;
  for (int i = 0; i < 4000; ++i) ++chosen[choose_polyglot_move(start.cb, entries, count, random())];
  for (int i = 0; i < count; ++i)
    EXPECT_NEAR(chosen[words[i]] / 4000.0, double(shares[i]) / double(total), 0.05) << entries[i].move;

  // The tool lists the same entries.
  const ToolRun listed = run_tool("book " + shell_quoted(path));
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(complete_lines(listed.out).size(), size_t(count) + 2) << listed.out;
  EXPECT_EQ(listed.out.rfind("key 463b96181691fc9c\n", 0), 0u) << listed.out;
}
#endif
