// libFuzzer target: the book reader on arbitrary file content. The input
// becomes "book.txt" in a private working directory and is looked up with
// an empty game, a common opening, and a prefix of its own first line (so
// that lookups match). Properties checked: the answer is 0 or a move on the
// board with the book's score, and no descriptor is left open.
#include <algorithm>
#include <cstdint>
#include <string>

#include "board/chess_cb.h"
#include "book/chess_opening.h"
#include "fuzz/fuzz_support.h"

namespace {

void lookup(const std::string &game) {
  const int before = lowest_free_descriptor();
  const uint32_t word = check_opening_book("book.txt", game.c_str());
  if (lowest_free_descriptor() != before) fuzz_fail("a descriptor was left open");
  if (word == 0) return;
  if (move_score(word) != 30000) fuzz_fail("book move without the book's score");
  if (!playable(move_from(word)) || !playable(move_to(word))) fuzz_fail("book move off the board");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  enter_private_directory("velkor-fuzz-book");
  write_whole_file("UCI_debug.txt", "", 0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  write_whole_file("book.txt", data, size);
  write_whole_file("UCI_debug.txt", "", 0);
  const std::string content(reinterpret_cast<const char *>(data), size);

  lookup("");
  lookup("e2e4");
  // A prefix of the first line, its length chosen by the input's last byte.
  std::string first = content.substr(0, content.find('\n'));
  first = first.substr(0, first.find('\0'));
  first.erase(std::remove(first.begin(), first.end(), '\r'), first.end());
  if (!first.empty() && size > 0) lookup(first.substr(0, data[size - 1] % (first.size() + 1)));
  return 0;
}
