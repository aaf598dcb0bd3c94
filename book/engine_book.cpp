#include "book/engine_book.h"

#include "board/chess_cb.h"
#include "book/chess_opening.h"
#include "book/polyglot.h"
#include "notation/san.h"

namespace {

// A text book reply under Chess960 rules: its lines are standard games, so
// castling is written as the king's two-column step (e1g1), which here is
// the king taking its rook. Only a legal move is played; 0 otherwise.
uint32_t chess960_book_reply(const uint8_t *cb, uint32_t move) {
  const int from = move_from(move);
  int to = move_to(move);
  if (from >= SQ_FIRST && from <= SQ_LAST && piece_of(cb[from]) == KING && square_row(from) == square_row(to) &&
      (to - from == 2 || from - to == 2))
    to = castling_rook_square(cb, colour_of(cb[from]), to > from ? 1 : 0);
  LegalMove legal;
  if (!legal_move_of_word(cb, move_word(from, to) | (move & (MW_PROMO_KNIGHT | MW_PROMO_UNDER)), legal)) return 0;
  return legal_move_word(legal) | (move & MW_SCORE_MASK);
}

}  // namespace

uint32_t engine_book_move(const char *path, const uint8_t *cb, const char *opening_text, std::string &note,
                          std::string &said) {
  note.clear();
  if (is_polyglot_book_name(path)) return polyglot_book_move(path, cb, note, said);
  if (opening_text == nullptr) return 0;
  const uint32_t move = check_opening_book(path, opening_text);
  return move != 0 && is_chess960(cb) ? chess960_book_reply(cb, move) : move;
}
