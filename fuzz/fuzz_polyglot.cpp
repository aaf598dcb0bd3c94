// libFuzzer target: the Polyglot book reader on arbitrary file content. The
// input is read twice: as it is, as "book.bin", looked up from the start
// position; and with the key of every 16-byte entry replaced by the key of
// one of a few positions (castling, promotions, en passant to take), chosen
// by the entry's first byte, then sorted, so that the input's moves are
// decoded on boards where every kind of move is at hand. Properties
// checked: the answer is 0 or a legal move of the side to move with the
// book's score, and no descriptor is left open.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "board/chess_cb.h"
#include "notation/fen.h"
#include "notation/san.h"
#include "book/polyglot.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr const char *FENS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1",
    "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R b KQkq - 0 1",
    "1n2k3/P6P/8/8/8/8/p6p/1N2K3 w - - 0 1",
    "1n2k3/P6P/8/8/8/8/p6p/1N2K3 b - - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
};
constexpr int POSITIONS = int(std::size(FENS));

struct Position {
  uint8_t cb[CB_SIZE];
  uint64_t key;
};
std::array<Position, POSITIONS> positions;

void lookup(const char *path, const Position &p) {
  const int before = lowest_free_descriptor();
  std::string note, said;
  const uint32_t word = polyglot_book_move(path, p.cb, note, said);
  if (lowest_free_descriptor() != before) fuzz_fail("a descriptor was left open");
  if (word == 0) return;
  if (move_score(word) != POLYGLOT_BOOK_SCORE) fuzz_fail("book move without the book's score");
  const uint32_t move = word & ~MW_SCORE_MASK;
  LegalMove legal;
  if (!legal_move_of_word(p.cb, move, legal) || legal_move_word(legal) != move)
    fuzz_fail("book move that is no legal move of the side to move");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  enter_private_directory("velkor-fuzz-polyglot");
  for (int i = 0; i < POSITIONS; ++i) {
    FenSetup setup;
    if (!load_position_fen(positions[size_t(i)].cb, FENS[i], setup)) fuzz_fail("a fuzz position is refused");
    positions[size_t(i)].key = polyglot_key(positions[size_t(i)].cb);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  write_whole_file("book.bin", data, size);
  lookup("book.bin", positions[0]);

  // The same entries filed under the fixed positions' keys.
  std::vector<std::array<uint8_t, POLYGLOT_ENTRY_BYTES>> entries(size / POLYGLOT_ENTRY_BYTES);
  for (size_t i = 0; i < entries.size(); ++i) {
    std::copy_n(data + i * POLYGLOT_ENTRY_BYTES, POLYGLOT_ENTRY_BYTES, entries[i].begin());
    const uint64_t key = positions[size_t(entries[i][0] % POSITIONS)].key;
    for (int b = 0; b < 8; ++b) entries[i][size_t(b)] = uint8_t(key >> (56 - 8 * b));
  }
  std::stable_sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) {
    return std::lexicographical_compare(a.begin(), a.begin() + 8, b.begin(), b.begin() + 8);
  });
  std::string bytes;
  for (const auto &e : entries) bytes.append(reinterpret_cast<const char *>(e.data()), e.size());
  write_whole_file("rekeyed.bin", bytes.data(), bytes.size());
  for (const Position &p : positions) lookup("rekeyed.bin", p);
  return 0;
}
