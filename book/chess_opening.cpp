#include "book/chess_opening.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "board/chess_cb.h"
#include "board/position.h"
#include "frontend/chess_uci.h"
#include "frontend/platform_io.h"

namespace {

constexpr const char *BOOK_FILE = "book.txt";
constexpr uint32_t BOOK_SCORE = 30000;  // marks a book move, so it is never 0

// The book file's descriptor, closed on every way out of the lookup.
struct BookFile {
  int fd;
  explicit BookFile(const char *path) : fd(io_open_read(path)) {}
  ~BookFile() {
    if (fd >= 0) io_close(fd);
  }
  BookFile(const BookFile &) = delete;
  BookFile &operator=(const BookFile &) = delete;
};

// One line read from the book, released when it goes out of scope.
struct BookLine {
  char *text;
  explicit BookLine(int fd) : text(my_get_next_line(fd, '\n')) {}
  ~BookLine() { std::free(text); }
  BookLine(const BookLine &) = delete;
  BookLine &operator=(const BookLine &) = delete;
};

}  // namespace

uint32_t check_opening_book(const char *text) {
  if (text == nullptr) return 0;
  BookFile book(BOOK_FILE);
  if (book.fd < 0) return 0;
  const size_t text_length = std::strlen(text);

  // First pass: how many lines continue the game (an empty text matches all).
  int count = 0;
  for (;;) {
    BookLine line(book.fd);
    if (line.text == nullptr) break;
    if (std::strncmp(line.text, text, text_length) == 0) ++count;
  }
  if (count == 0) return 0;

  // Every matching line has the same chance; a line written twice, twice.
  std::srand(unsigned(std::time(nullptr)));
  const int chosen = std::rand() % count;

  if (io_rewind(book.fd) < 0) return 0;
  int index = 0;
  for (;;) {
    BookLine line(book.fd);
    if (line.text == nullptr) return 0;  // the file changed between the passes
    if (std::strncmp(line.text, text, text_length) != 0) continue;
    if (index++ < chosen) continue;
    if (std::strlen(line.text) <= text_length) return 0;  // the line ends here

    // The side only matters for the castling forms "0-0" and "0-0-0".
    const int side = int((text_length / 4) % 2);
    const uint32_t move = convert_move(line.text + text_length, side);
    if ((move & MW_SCORE_MASK) != 0) {
      // Not a move text: playing it would send squares 0 to the front end;
      // the engine searches instead.
      UCI_LOG("*** WARNING **** : book.txt: no move text after the game's moves\n");
      return 0;
    }
    return move | BOOK_SCORE;
  }
}
