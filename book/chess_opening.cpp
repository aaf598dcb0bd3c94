#include "book/chess_opening.h"

#include <cstring>
#include <ctime>
#include <string>

#include "board/chess_cb.h"
#include "notation/position.h"
#include "base/line_reader.h"
#include "base/transcript.h"
#include "base/platform_io.h"
#include "base/rand.h"

namespace {

constexpr uint32_t BOOK_SCORE = 30000;  // marks a book move, so it is never 0

// Most bytes one pass over the book may read. A real book is a few megabytes;
// a file that never ends (a link to a device, a growing log) would otherwise
// keep the engine reading forever, and the move would be lost on time.
constexpr long long BOOK_READ_MAX = 64LL << 20;

// The book file, read a block at a time, and closed on every way out of the
// lookup. The book is scanned twice before every search, inside the move's
// budget: read a byte per call, as protocol input must be, a 600 KB book
// cost about 300 ms a move, every move of the game.
struct BookFile {
  InputFile file;
  char block[8192];
  long size = 0;  // bytes in block
  long at = 0;    // next byte of block to read
  long long read_total = 0;  // bytes read since the last rewind
  bool too_long = false;     // the pass stopped at BOOK_READ_MAX
  PartialLine line;

  explicit BookFile(const char *path) : file(path) {}

  // Afterwards line holds the next line, as the protocol's line reader gives
  // it: up to the next line feed, carriage returns dropped, cut to
  // MAX_LINE characters. false at the end of the file, on a read
  // error, or once the pass has read BOOK_READ_MAX bytes (too_long then
  // says so); a last line without a line feed is not read.
  bool next_line() {
    line.text.clear();  // keeps its room: a book has thousands of lines
    line.cut = false;
    for (;;) {
      if (at == size) {
        if (read_total >= BOOK_READ_MAX) {
          too_long = true;
          return false;
        }
        size = io_read(file.fd, block, sizeof block);
        at = 0;
        if (size <= 0) {
          size = 0;
          return false;
        }
        read_total += size;
      }
      if (add_line_byte(line, block[at++], '\n')) break;
    }
    note_cut_line(line.cut);
    return true;
  }

  // Back to the first line; false if the file cannot be wound back.
  bool rewind() {
    size = at = 0;
    read_total = 0;
    return io_rewind(file.fd) >= 0;
  }
};

}  // namespace

uint32_t check_opening_book(const char *path, const char *text) {
  if (text == nullptr) return 0;
  BookFile book(path);
  if (book.file.fd < 0) return 0;
  const size_t text_length = std::strlen(text);

  // First pass: how many lines continue the game (an empty text matches all).
  int count = 0;
  while (book.next_line())
    if (std::strncmp(book.line.text.c_str(), text, text_length) == 0) ++count;
  if (book.too_long) {
    UCI_LOG("*** WARNING **** : book.txt: more than 64 MiB, not used\n");
    return 0;
  }
  if (count == 0) return 0;

  // Every matching line has the same chance; a line written twice, twice.
  velkor_srand(unsigned(std::time(nullptr)));
  const int chosen = velkor_rand() % count;

  if (!book.rewind()) return 0;
  int index = 0;
  while (book.next_line()) {
    const char *line = book.line.text.c_str();
    if (std::strncmp(line, text, text_length) != 0) continue;
    if (index++ < chosen) continue;
    if (std::strlen(line) <= text_length) return 0;  // the line ends here

    // The side only matters for the castling forms "0-0" and "0-0-0".
    const int side = int((text_length / 4) % 2);
    const uint32_t move = convert_move(line + text_length, side);
    if ((move & MW_SCORE_MASK) != 0) {
      // Not a move text: playing it would send squares 0 to the front end;
      // the engine searches instead.
      UCI_LOG("*** WARNING **** : book.txt: no move text after the game's moves\n");
      return 0;
    }
    return move | BOOK_SCORE;
  }
  return 0;  // the file changed between the passes
}
