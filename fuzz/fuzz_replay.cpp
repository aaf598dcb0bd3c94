// libFuzzer target: the replay of a "position startpos moves" list, from the
// start position. The first byte chooses how the rest is read: as the list's
// text itself (even), or (odd) two bytes per move, from-square and to-square
// with a promotion letter, so that the fuzzer reaches deep, odd games of
// well-formed moves quickly. Properties checked: the count is within the
// number of tokens, the opening text stays inside its buffer and is a prefix
// of the tokens read, the board keeps its border, every playable square holds
// a piece code, and the state byte names the side to move.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "board/chess_cb.h"
#include "notation/position.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  // The replay writes its warnings to the transcript in the working directory.
  enter_private_directory("velkor-fuzz-replay");
  write_whole_file("UCI_debug.txt", "", 0);
  return 0;
}

namespace {

// "e2e4 g8f6 ...": each pair of bytes names two squares (low six bits) and
// a promotion letter or none (top two bits of the first byte).
std::string moves_from_pairs(const uint8_t *data, size_t size) {
  static const char *const suffix[4] = {"", "n", "r", "b"};
  std::string list;
  for (size_t i = 0; i + 1 < size; i += 2) {
    const int from = data[i] % 64, to = data[i + 1] % 64;
    if (!list.empty()) list += ' ';
    list += char('a' + from % 8);
    list += char('1' + from / 8);
    list += char('a' + to % 8);
    list += char('1' + to / 8);
    list += suffix[data[i] / 64];
  }
  return list;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const std::string text = (data[0] & 1) != 0
                               ? moves_from_pairs(data + 1, size - 1)
                               : std::string(reinterpret_cast<const char *>(data + 1), size - 1);
  // Keep the transcript from growing across runs.
  write_whole_file("UCI_debug.txt", "", 0);

  uint8_t *cb = init_chessboard();
  // On the heap, so that the address sanitizer sees any write past its end.
  const auto opening = std::make_unique<OpeningText>();
  const int count = load_position_txt2(cb, text.c_str(), opening.get());

  const size_t length = std::strlen(text.c_str());
  if (count < 0 || size_t(count) > length / 2 + 1) fuzz_fail("move count " + std::to_string(count));
  if (std::memchr(opening->text, '\0', OPENING_TEXT_SIZE) == nullptr)
    fuzz_fail("opening text not terminated");
  for (int sq = 0; sq < CB_MAILBOX; ++sq) {
    const int row = square_row(sq), column = square_column(sq);
    const bool on_board = row >= 2 && row <= 9 && column >= 2 && column <= 9;
    if (!on_board && cb[sq] != BORDER) fuzz_fail("border square " + std::to_string(sq) + " overwritten");
    if (on_board && piece_of(cb[sq]) == BORDER) fuzz_fail("border code on square " + std::to_string(sq));
  }
  if (side_to_move(cb) != (count % 2)) fuzz_fail("side to move does not follow the moves made");
  // The opening text holds the tokens, separators dropped, from the start.
  std::string tokens;
  for (const char c : std::string(text.c_str())) {
    if (c == ' ' || c == '\t') continue;
    tokens += c;
  }
  if (tokens.compare(0, std::strlen(opening->text), opening->text) != 0)
    fuzz_fail("opening text is not the tokens read");

  release_chessboard(cb);
  return 0;
}
