#include "notation/move_text.h"

#include "board/chess_cb.h"

int write_move_text(int from, int to, uint8_t promotion, char *out) {
  int n = 0;
  out[n++] = file_letter(from);
  out[n++] = rank_digit(from);
  out[n++] = file_letter(to);
  out[n++] = rank_digit(to);
  switch (promotion) {
    case QUEEN: out[n++] = 'q'; break;
    case ROOK: out[n++] = 'r'; break;
    case BISHOP: out[n++] = 'b'; break;
    case KNIGHT: out[n++] = 'n'; break;
    default: break;
  }
  out[n] = '\0';
  return n;
}

std::string move_text(int from, int to, uint8_t promotion) {
  char text[MOVE_TEXT_SIZE];
  write_move_text(from, to, promotion, text);
  return text;
}

std::string square_text(int square) { return {file_letter(square), rank_digit(square)}; }

std::string result_move_text(uint32_t mw) {
  if (!names_a_move(mw)) return "0000";
  return move_text(move_from(mw), move_to(mw));
}
