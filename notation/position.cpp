#include "notation/position.h"

#include <cstring>

#include "board/chess_cb.h"
#include "board/game_move.h"
#include "notation/move_text.h"
#include "base/text.h"
#include "base/transcript.h"

namespace {

constexpr int TOKEN_MAX = 5;  // longest move token the replay accepts

bool is_file(char c) { return c >= 'a' && c <= 'h'; }
bool is_rank(char c) { return c >= '1' && c <= '8'; }
int text_square(const char *t) { return 12 * ((t[1] - '0') + 1) + (t[0] - 'a' + 2); }

// Promotion bits for the letter after a move's squares; anything that is not
// a known under-promotion letter means a queen.
uint32_t promotion_bits(char letter) {
  switch (letter) {
    case 'n':
    case 'k': return MW_PROMO_KNIGHT;  // the book writes knights as "k"
    case 'r': return MW_PROMO_ROOK;
    case 'b': return MW_PROMO_BISHOP;
    default: return 0;
  }
}

// Where the replay writes the opening text (nullptr: nowhere): its length
// so far, and whether a token has already been dropped for lack of room.
struct OpeningCursor {
  char *text;
  size_t used;
  bool full;
};

// Appends a token to the opening text if it fits whole. Once one token does
// not fit, no later token is appended either, so that the text never skips a
// move: it stays the true beginning of the game, which no book line of
// ordinary length continues. The transcript notes it once per replay.
void append_opening(const char *token, int length, OpeningCursor &cursor) {
  if (cursor.text == nullptr || cursor.full) return;
  if (cursor.used + size_t(length) < size_t(OPENING_TEXT_SIZE)) {
    std::memcpy(cursor.text + cursor.used, token, size_t(length));
    cursor.used += size_t(length);
    cursor.text[cursor.used] = '\0';
  } else {
    UCI_LOG("*** WARNING **** : opening text full, moves no longer recorded for the book\n");
    cursor.full = true;
  }
}

// Under Chess960 rules a castling from the standard squares (king on e1 or
// e8 taking its rook in a corner) is written in the opening text as a
// standard game writes it (e1g1), so that the book's lines, which are
// standard games, go on matching after it. Writes the text into out and
// answers true for such a move; false for any other.
bool standard_castling_text(const uint8_t *cb, uint32_t move, char *out) {
  if ((move & MW_SCORE_MASK) != 0) return false;
  const int from = move_from(move), to = move_to(move);
  if ((from != SQ_E1 && from != SQ_E8) || piece_of(cb[from]) != KING) return false;
  if (square_row(to) != square_row(from) || (square_column(to) != 2 && square_column(to) != 9)) return false;
  if (piece_of(cb[to]) != ROOK || colour_of(cb[to]) != colour_of(cb[from])) return false;
  write_move_text(from, square_column(to) == 9 ? from + 2 : from - 2, EMPTY, out);
  return true;
}

}  // namespace

uint32_t convert_move(const char *text, int side) {
  while (is_blank(*text)) ++text;

  if (begins_with(text, "0-0-0") || begins_with(text, "000") || begins_with(text, "0-00") ||
      begins_with(text, "0 00"))
    return side == 0 ? move_word(SQ_E1, SQ_C1) : move_word(SQ_E8, SQ_C8);
  if (begins_with(text, "0-0") || begins_with(text, "00") || begins_with(text, "0 0"))
    return side == 0 ? move_word(SQ_E1, SQ_G1) : move_word(SQ_E8, SQ_G8);

  const size_t length = std::strlen(text);
  if (length <= 3) return MW_NOT_A_MOVE;
  if (!is_file(text[0]) || !is_rank(text[1])) return MW_NOT_A_MOVE;
  const int from = text_square(text);

  // The promotion letter is read only when it ends the text: in a book line
  // the next move follows at once, and its file letter must not be taken
  // for a promotion.
  if (is_file(text[2]) && is_rank(text[3])) {
    uint32_t word = move_word(from, text_square(text + 2));
    if (length == 5) word |= promotion_bits(text[4]);
    return word;
  }
  if (text[2] == 'x' && is_file(text[3]) && is_rank(text[4])) {
    uint32_t word = move_word(from, text_square(text + 3));
    if (length == 6) word |= promotion_bits(text[5]);
    return word;
  }
  return MW_NOT_A_MOVE;
}

uint32_t set_new_move_txt2(uint8_t * /*cb*/, const char *token, int side) {
  if (token[0] >= 'A' && token[0] <= 'Z') ++token;  // piece letter, as in Ng1f3
  return convert_move(token, side);
}

int load_position_txt2(uint8_t *cb, const char *text, OpeningText *opening_text) {
  int count = 0;
  int side = side_to_move(cb);
  OpeningCursor opening{opening_text != nullptr ? opening_text->text : nullptr,
                        opening_text != nullptr ? strnlen(opening_text->text, OPENING_TEXT_SIZE - 1) : 0, false};
  char token[16];

  int length = where_is_next_space(text);
  while (length > 0) {
    std::memset(token, 0, sizeof token);
    if (length > TOKEN_MAX) {
      UCI_LOG("*** WARNING **** : Invalid move\n");
      break;
    }
    std::memcpy(token, text, size_t(length));
    const uint32_t move = set_new_move_txt2(cb, token, side);
    char standard[MOVE_TEXT_SIZE];
    if (is_chess960(cb) && standard_castling_text(cb, move, standard))
      append_opening(standard, 4, opening);
    else
      append_opening(token, length, opening);
    text += length;
    if (is_blank(*text)) ++text;

    if ((move & MW_SCORE_MASK) == 0) {
      play_move(cb, move);
      side = side_to_move(cb);
      ++count;
    }
    length = where_is_next_space(text);
  }
  return count;
}
