#include "book/chess_opening.h"
#include "book/engine_book.h"
#include "book/polyglot.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>
#if defined(_WIN32)
#include <io.h>
#endif

#include "base/transcript.h"
#include "board/chess_cb.h"
#include "notation/position.h"
#include "support/engine_process.h"
#include "support/test_board.h"

namespace {

constexpr uint32_t book_move(const char *from, const char *to) { return move_word(sq(from), sq(to)) | 30000u; }

// Each test runs in its own working directory, where "book.txt" is looked up.
class Book : public ::testing::Test {
 protected:
  void SetUp() override { dir_.write_file("UCI_debug.txt", ""); }
  void book(const std::string &content) { dir_.write_file("book.txt", content); }
  std::string transcript() const { return dir_.read_file("UCI_debug.txt").value_or(""); }

  TempDir dir_;
  ScopedWorkingDir cwd_{dir_.path()};
};

size_t open_descriptors() {
  size_t n = 0;
#if defined(_WIN32)
  // The C runtime's own table (under wine, /proc/self/fd would list wine's
  // descriptors, which come and go with wine's own work).
  for (int fd = 0; fd < 2048; ++fd) n += _get_osfhandle(fd) != -1;
#else
  for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
#endif
  return n;
}

}  // namespace

TEST_F(Book, NoFileNoMove) { EXPECT_EQ(check_opening_book("book.txt", "e2e4"), 0u); }

TEST_F(Book, LookupCases) {
  struct Case {
    const char *name;
    const char *content;
    const char *text;
    uint32_t expected;
  };
  const Case cases[] = {
      {"reply after the game", "e2e4e7e5g1f3\n", "e2e4", book_move("e7", "e5")},
      {"line ends with the game", "e2e4e7e5g1f3\n", "e2e4e7e5g1f3", 0},
      {"no line matches", "e2e4e7e5\ne2e4c7c5\n", "d2d4", 0},
      {"carriage returns ignored", "d2d4\r\ne2e4e7\re5\r\n", "e2e4", book_move("e7", "e5")},
      {"last line without line feed unread", "e2e4e7e5", "e2e4", 0},
      {"black castles short after 7 moves", "e2e4e7e5g1f3b8c6f1c4g8f6d2d3f8c5c2c30-0\n",
       "e2e4e7e5g1f3b8c6f1c4g8f6d2d3f8c5c2c3", move_word(SQ_E8, SQ_G8) | 30000u},
      {"white castles long after 6 moves", "d2d4d7d5b1c3g8f6c1f4e7e6d1d2f8e7e2e3b8d70-0-0\n",
       "d2d4d7d5b1c3g8f6c1f4e7e6d1d2f8e7e2e3b8d7", move_word(SQ_E1, SQ_C1) | 30000u},
      {"knight promotion at the end of the line", "a2a4b7b5a4b5h7h6b5b6h6h5b6b7h5h4b7a8k\n",
       "a2a4b7b5a4b5h7h6b5b6h6h5b6b7h5h4", book_move("b7", "a8") | MW_PROMO_KNIGHT},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    book(c.content);
    EXPECT_EQ(check_opening_book("book.txt", c.text), c.expected);
  }
}

TEST_F(Book, EmptyTextChoosesAmongAllFirstMoves) {
  book("e2e4e7e5\nd2d4d7d5\n");
  const uint32_t move = check_opening_book("book.txt", "");
  EXPECT_TRUE(move == book_move("e2", "e4") || move == book_move("d2", "d4")) << move;
}

TEST_F(Book, ReplyThatIsNoMoveLetsTheEngineSearch) {
  book("e2e4zz\n");
  EXPECT_EQ(check_opening_book("book.txt", "e2e4"), 0u) << "never a word without squares";
  EXPECT_NE(transcript().find("book.txt"), std::string::npos);
}

TEST_F(Book, UnreadableFileIsNoBook) {
  std::filesystem::create_directory(dir_.file("book.txt"));  // opens, but cannot be read
  EXPECT_EQ(check_opening_book("book.txt", ""), 0u);
}

TEST_F(Book, NoDescriptorLeftOpenOnAnyPath) {
  const size_t before = open_descriptors();
  const char *contents[] = {"e2e4e7e5\n", "e2e4\n", "e2e4zz\n", "d2d4\n"};
  for (int round = 0; round < 50; ++round) {
    for (const char *content : contents) {
      book(content);
      check_opening_book("book.txt", "e2e4");
    }
    std::filesystem::remove(dir_.file("book.txt"));
    check_opening_book("book.txt", "e2e4");
  }
  EXPECT_EQ(open_descriptors(), before);
}

TEST_F(Book, LinesAcrossReadBlocksAreReadWhole) {
  // The matching line, with a carriage return, straddles the 8 KB blocks in
  // which the file is read, at every offset around the boundary.
  for (int shift = 0; shift <= 12; ++shift) {
    SCOPED_TRACE(shift);
    std::string content(size_t(8192 - shift - 1), 'x');
    content += "\ne2e4e7e5\r\n";
    book(content + std::string(9000, 'y') + "\n");
    EXPECT_EQ(check_opening_book("book.txt", "e2e4"), book_move("e7", "e5"));
  }
}

#if !defined(_WIN32)  // a device as a file is POSIX's
TEST_F(Book, EndlessFileIsNoBook) {
  // A book that never ends must not keep the engine reading: the lookup
  // gives up after a bounded read and the engine searches.
  std::filesystem::create_symlink("/dev/zero", dir_.file("book.txt"));
  EXPECT_EQ(check_opening_book("book.txt", ""), 0u);
  EXPECT_NE(transcript().find("book.txt: more than 64 MiB"), std::string::npos) << transcript();
}
#endif

// The book and the transcript are found from the working directory by a
// relative path with '/' between folders, and on Windows with '\' too; in a
// folder with a blank in its name, or one named in UTF-8 as GUIs send it.
TEST_F(Book, PathsFromTheWorkingDirectoryWithEitherSeparator) {
  namespace fs = std::filesystem;
  for (const fs::path &folder : {fs::path(u8"sub dir/books"), fs::path(u8"\u00e9checs")}) {
    fs::create_directories(folder);
    std::ofstream(folder / "book.txt", std::ios::binary) << "e2e4e7e5\n";
  }
  std::vector<std::string> folders = {"sub dir/books/", "./sub dir/../sub dir/books/", "\xc3\xa9" "checs/"};
#if defined(_WIN32)
  folders.push_back("sub dir\\books\\");
  folders.push_back(".\\\xc3\xa9" "checs\\");
#endif
  for (const std::string &folder : folders) {
    SCOPED_TRACE(folder);
    EXPECT_EQ(check_opening_book((folder + "book.txt").c_str(), "e2e4"), book_move("e7", "e5"));
    const std::string transcript = folder + "UCI_debug.txt";
    set_transcript_file(transcript.c_str(), true);
    UCI_LOG("written\n");
    std::ifstream written(fs::path(std::u8string(transcript.begin(), transcript.end())), std::ios::binary);
    std::string line;
    EXPECT_TRUE(std::getline(written, line) && line == "written") << line;
  }
  set_transcript_file("UCI_debug.txt", false);
}

// The engine's book: the format by the file's name, the text book only for
// games from the start position, and its standard castling played under
// Chess960 rules as the king taking its rook.
TEST_F(Book, EngineBookChoosesByFormatAndRules) {
  const char *castles = "e2e4e7e5g1f3b8c6f1c4g8f6e1g1\nd2d4d7d5a1a8\n";
  struct Case {
    const char *name;
    const char *path;
    uint8_t rules;
    const char *moves;  // replayed from the start position
    bool from_start;
    uint32_t expected;
  };
  const Case cases[] = {
      {"text book", "book.txt", RULES_STANDARD, "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6", true,
       move_word(SQ_E1, SQ_G1) | 30000u},
      {"a game from elsewhere", "book.txt", RULES_STANDARD, "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6", false, 0},
      {"Chess960 castling", "book.txt", RULES_CHESS960, "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6", true,
       move_word(SQ_E1, SQ_H1) | 30000u},
      // The text book's replies are taken as they stand under standard
      // rules; under Chess960 rules only a legal move is played.
      {"standard reply not checked", "book.txt", RULES_STANDARD, "d2d4 d7d5", true, book_move("a1", "a8")},
      {"Chess960 reply not legal", "book.txt", RULES_CHESS960, "d2d4 d7d5", true, 0},
      // A ".bin" name is a Polyglot book, whatever the file holds.
      {"Polyglot by name", "book.bin", RULES_STANDARD, "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6", true, 0},
  };
  dir_.write_file("book.txt", castles);
  dir_.write_file("book.bin", castles);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    uint8_t cb[CB_SIZE];
    start_position(cb);
    set_castling_rules(cb, c.rules);
    OpeningText opening{};
    load_position_txt2(cb, c.moves, &opening);
    std::string note = "stale", said;
    EXPECT_EQ(engine_book_move(c.path, cb, c.from_start ? opening.text : nullptr, note, said), c.expected);
    if (!is_polyglot_book_name(c.path)) {
      EXPECT_EQ(note, "");
    }
  }
}
