// libFuzzer target: the move-text converter and the replay's token
// converter on arbitrary text. The first byte chooses the side to move (for
// the castling forms), the rest is the text. Properties checked: the answer
// is "not a move" or a word with score 0 whose squares are on the board, and
// the token converter is the converter after dropping a piece letter.
#include <cstdint>
#include <string>

#include "board/chess_cb.h"
#include "notation/position.h"
#include "fuzz/fuzz_support.h"

namespace {

void check_word(uint32_t word, const std::string &text) {
  if (word == MW_NOT_A_MOVE) return;
  if (move_score(word) != 0) fuzz_fail("score bits set for \"" + text + "\"");
  if (!playable(move_from(word)) || !playable(move_to(word)))
    fuzz_fail("off-board square for \"" + text + "\"");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const int side = data[0] & 1;
  // The engine's texts are zero-terminated: a NUL inside ends the text.
  const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);

  const uint32_t word = convert_move(text.c_str(), side);
  check_word(word, text);

  uint8_t cb[CB_SIZE];
  start_position(cb);
  const uint32_t token_word = set_new_move_txt2(cb, text.c_str(), side);
  check_word(token_word, text);
  const bool letter = !text.empty() && text[0] >= 'A' && text[0] <= 'Z';
  if (token_word != convert_move(text.c_str() + (letter ? 1 : 0), side))
    fuzz_fail("token converter differs from the converter for \"" + text + "\"");
  return 0;
}
