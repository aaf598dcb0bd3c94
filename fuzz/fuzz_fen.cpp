// libFuzzer target: the FEN reader of "position fen" lines on arbitrary text.
// Properties checked: a refused FEN leaves the board untouched and gives a
// reason; an accepted one leaves a board with its border whole, one king a
// side, no pawn on the first or last rank and a rook of its side on the
// start square of every castling right it holds, with the king between
// them on the same rank; writing it back as a FEN and reading that again
// gives the same board. Every input is read under both castling rules,
// standard and Chess960.
#include <cstdint>
#include <cstring>
#include <string>

#include "board/chess_cb.h"
#include "notation/fen.h"
#include "fuzz/fuzz_support.h"

namespace {

void check_board(const uint8_t *cb, const std::string &text) {
  int kings[2] = {0, 0};
  for (int sq = 0; sq < CB_MAILBOX; ++sq) {
    const int row = square_row(sq), column = square_column(sq);
    const bool on_board = row >= 2 && row <= 9 && column >= 2 && column <= 9;
    if (!on_board) {
      if (cb[sq] != BORDER)
        fuzz_fail("border square " + std::to_string(sq) + " overwritten by \"" + text + "\"");
      continue;
    }
    const uint8_t piece = piece_of(cb[sq]);
    if (piece == BORDER) fuzz_fail("border code on the board from \"" + text + "\"");
    if (piece == KING) ++kings[colour_of(cb[sq])];
    if (piece == PAWN && (row == 2 || row == 9))
      fuzz_fail("pawn on the first or last rank from \"" + text + "\"");
  }
  if (kings[WHITE] != 1 || kings[BLACK] != 1) fuzz_fail("not one king a side from \"" + text + "\"");
  for (int right = 0; right < 4; ++right) {
    if (cb[CB_STATE] & (2u << right)) continue;
    const int colour = right / 2, which = right % 2;
    const int rook = castling_rook_square(cb, colour, which);
    const int back_row = colour == WHITE ? 2 : 9;
    int king = -1;
    for (int sq = square_of(0, back_row - 2); sq <= square_of(7, back_row - 2); ++sq)
      if ((cb[sq] & (PIECE_MASK | COLOUR_BIT)) == uint8_t(KING | (colour << 3))) king = sq;
    if (square_row(rook) != back_row || (cb[rook] & (PIECE_MASK | COLOUR_BIT)) != uint8_t(ROOK | (colour << 3)) ||
        king < 0 || (rook > king) != (which == 1))
      fuzz_fail("a castling right without its rook or king from \"" + text + "\"");
  }
}

void check_rules(const std::string &input, uint8_t rules) {
  const char *text = input.c_str();
  write_whole_file("UCI_debug.txt", "", 0);

  uint8_t cb[CB_SIZE], before[CB_SIZE];
  start_position(cb);
  std::memcpy(before, cb, CB_SIZE);
  FenSetup setup;
  if (!load_position_fen(cb, text, setup, rules)) {
    if (std::memcmp(cb, before, CB_SIZE) != 0) fuzz_fail("a refused FEN changed the board");
    if (std::memchr(setup.reason, '\0', sizeof setup.reason) == nullptr || setup.reason[0] == '\0')
      fuzz_fail("a refused FEN without a reason");
    return;
  }
  if (is_chess960(cb) != (rules == RULES_CHESS960)) fuzz_fail("the castling rules not kept");
  check_board(cb, text);
  if (setup.half_moves < 0) fuzz_fail("negative half-move count");
  if (setup.moves != nullptr && (setup.moves < text || setup.moves > text + std::strlen(text)))
    fuzz_fail("the move list lies outside the line");

  char fen[FEN_TEXT_SIZE];
  if (position_to_fen(cb, setup.half_moves, fen, sizeof fen) == 0)
    fuzz_fail("no FEN written for \"" + input + "\"");
  uint8_t again[CB_SIZE];
  start_position(again);
  FenSetup second;
  if (!load_position_fen(again, fen, second, rules))
    fuzz_fail("own FEN \"" + std::string(fen) + "\" refused: " + second.reason);
  if (std::memcmp(cb, again, CB_SIZE) != 0)
    fuzz_fail("FEN \"" + std::string(fen) + "\" does not give back its board");
  if (second.half_moves != setup.half_moves)
    fuzz_fail("FEN \"" + std::string(fen) + "\" changes the move count");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  // Dropped castling rights are noted in the transcript of the working directory.
  enter_private_directory("velkor-fuzz-fen");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string input(reinterpret_cast<const char *>(data), size);
  check_rules(input, RULES_STANDARD);
  check_rules(input, RULES_CHESS960);
  return 0;
}
