#include "notation/san.h"

#include <cstring>

#include "board/game_move.h"
#include "movegen/attack.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"

namespace {

constexpr char piece_letter[] = {'\0', 'P', 'N', 'B', 'R', 'Q', 'K'};

uint8_t piece_of_letter(char c) {
  switch (c) {
    case 'N':
      return KNIGHT;
    case 'B':
      return BISHOP;
    case 'R':
      return ROOK;
    case 'Q':
      return QUEEN;
    case 'K':
      return KING;
    default:
      return EMPTY;
  }
}

// Promotion piece of a letter in either case; EMPTY for any other character.
uint8_t promotion_of_letter(char c) {
  if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  const uint8_t piece = piece_of_letter(c);
  return piece == KING ? uint8_t(EMPTY) : piece;
}

bool is_file(char c) { return c >= 'a' && c <= 'h'; }
bool is_rank(char c) { return c >= '1' && c <= '8'; }
int file_of(int square) { return square_column(square) - 2; }
int rank_of(int square) { return square_row(square) - 2; }

bool is_capture(const uint8_t *cb, const LegalMove &m) {
  return m.kind == KIND_EN_PASSANT || piece_of(cb[m.to]) != EMPTY;
}

// The board after the move, the other side to move.
void board_after(const uint8_t *cb, const LegalMove &m, uint8_t *after) {
  std::memcpy(after, cb, CB_SIZE);
  play_move(after, legal_move_word(m));
}

// The one legal move that passes the filter; why says otherwise.
template <typename Fits>
bool single_fit(const uint8_t *cb, Fits fits, LegalMove &move, const char *&why) {
  LegalMove list[MAX_LEGAL_MOVES];
  const int count = legal_moves(cb, list);
  int found = 0;
  for (int i = 0; i < count; ++i) {
    if (!fits(list[i])) continue;
    if (found++ == 0) move = list[i];
  }
  if (found == 1) return true;
  why = found == 0 ? "no legal move fits" : "more than one legal move fits";
  return false;
}

}  // namespace

int legal_moves(const uint8_t *cb, LegalMove *list) {
  uint32_t generated[MAX_GENERATED_MOVES];
  const int count = generate_moves(cb, generated);
  int n = 0;
  for (int i = 0; i < count; ++i) {
    const uint8_t kind = gm_kind(generated[i]);
    LegalMove m{gm_from(generated[i]), gm_to(generated[i]), EMPTY, kind};
    if (kind == KIND_PROMO_QUEEN || kind == KIND_PROMO_KNIGHT) m.promotion = kind;
    uint8_t after[CB_SIZE];
    std::memcpy(after, cb, CB_SIZE);
    if (!play_if_legal(after, generated[i])) continue;
    list[n++] = m;
    // The generator offers a queen and a knight; a rook and a bishop are
    // legal as well, and a test suite may name them.
    if (kind == KIND_PROMO_QUEEN) {
      list[n++] = LegalMove{m.from, m.to, ROOK, ROOK};
      list[n++] = LegalMove{m.from, m.to, BISHOP, BISHOP};
    }
    if (n > MAX_LEGAL_MOVES - 3) break;  // no position comes near it
  }
  return n;
}

uint32_t legal_move_word(const LegalMove &move) {
  uint32_t word = move_word(move.from, move.to);
  switch (move.promotion) {
    case KNIGHT:
      word |= MW_PROMO_KNIGHT;
      break;
    case ROOK:
      word |= MW_PROMO_ROOK;
      break;
    case BISHOP:
      word |= MW_PROMO_BISHOP;
      break;
    default:
      break;
  }
  return word;
}

bool legal_move_in_list(const uint8_t *cb, const LegalMove *list, int count, uint32_t word, LegalMove &move) {
  const int from = move_from(word), to = move_to(word);
  if (from < SQ_FIRST || from > SQ_LAST || to < SQ_FIRST || to > SQ_LAST) return false;
  const uint8_t promotion = move_promotion_on(cb, word);
  // Squares and promotion name at most one legal move.
  for (int i = 0; i < count; ++i) {
    if (list[i].from == from && list[i].to == to && list[i].promotion == promotion) {
      move = list[i];
      return true;
    }
  }
  return false;
}

bool legal_move_of_word(const uint8_t *cb, uint32_t word, LegalMove &move) {
  LegalMove list[MAX_LEGAL_MOVES];
  const int count = legal_moves(cb, list);
  return legal_move_in_list(cb, list, count, word, move);
}

bool san_to_move(const uint8_t *cb, const char *text, LegalMove &move, const char *&why) {
  why = "not a move";
  char s[16];
  size_t n = std::strlen(text);
  if (n >= sizeof s) return false;
  std::memcpy(s, text, n + 1);
  // Check, mate and comment marks say nothing about which move it is.
  while (n > 0 && std::strchr("+#!?", s[n - 1]) != nullptr) s[--n] = '\0';
  if (n == 0) return false;

  if (std::strcmp(s, "O-O") == 0 || std::strcmp(s, "0-0") == 0)
    return single_fit(
        cb, [](const LegalMove &m) { return m.kind == KIND_CASTLE_KING; }, move, why);
  if (std::strcmp(s, "O-O-O") == 0 || std::strcmp(s, "0-0-0") == 0)
    return single_fit(
        cb, [](const LegalMove &m) { return m.kind == KIND_CASTLE_QUEEN; }, move, why);

  // Coordinates name the squares whatever the piece: "e2e4", "b1c3", "e7e8q".
  if ((n == 4 || n == 5) && is_file(s[0]) && is_rank(s[1]) && is_file(s[2]) && is_rank(s[3])) {
    const int from = square_of(s[0] - 'a', s[1] - '1'), to = square_of(s[2] - 'a', s[3] - '1');
    const uint8_t promotion = n == 5 ? promotion_of_letter(s[4]) : uint8_t(EMPTY);
    if (n == 5 && promotion == EMPTY) return false;
    return single_fit(
        cb,
        [&](const LegalMove &m) {
          if (m.from != from || m.to != to) return false;
          if (m.promotion == EMPTY) return promotion == EMPTY;
          return m.promotion == (promotion == EMPTY ? uint8_t(QUEEN) : promotion);
        },
        move, why);
  }

  // SAN: [piece] [file] [rank] [x] square [[=] promotion].
  size_t begin = 0;
  uint8_t piece = PAWN;
  if (piece_of_letter(s[0]) != EMPTY) {
    piece = piece_of_letter(s[0]);
    begin = 1;
  } else if (s[0] == 'P') {
    begin = 1;
  }
  size_t end = n;
  uint8_t promotion = EMPTY;
  if (end >= 2 && s[end - 2] == '=' && promotion_of_letter(s[end - 1]) != EMPTY) {
    promotion = promotion_of_letter(s[end - 1]);
    end -= 2;
  } else if (end >= 2 && is_rank(s[end - 2]) && promotion_of_letter(s[end - 1]) != EMPTY) {
    promotion = promotion_of_letter(s[end - 1]);
    end -= 1;
  }
  if (end < begin + 2 || !is_file(s[end - 2]) || !is_rank(s[end - 1])) return false;
  const int to = square_of(s[end - 2] - 'a', s[end - 1] - '1');
  end -= 2;
  int from_file = -1, from_rank = -1;
  bool capture_mark = false;
  size_t k = begin;
  if (k < end && is_file(s[k])) from_file = s[k++] - 'a';
  if (k < end && is_rank(s[k])) from_rank = s[k++] - '1';
  if (k < end && (s[k] == 'x' || s[k] == ':' || s[k] == '-')) capture_mark = s[k++] != '-';
  if (k != end) return false;
  if (promotion != EMPTY && piece != PAWN) return false;

  return single_fit(
      cb,
      [&](const LegalMove &m) {
        if (m.to != to || piece_of(cb[m.from]) != piece) return false;
        if (from_file >= 0 && file_of(m.from) != from_file) return false;
        if (from_rank >= 0 && rank_of(m.from) != from_rank) return false;
        if (capture_mark && !is_capture(cb, m)) return false;
        // A pawn's file of departure is written exactly when it captures.
        if (piece == PAWN && from_file < 0 && file_of(m.from) != file_of(m.to)) return false;
        if (m.promotion == EMPTY) return promotion == EMPTY;
        return m.promotion == (promotion == EMPTY ? uint8_t(QUEEN) : promotion);
      },
      move, why);
}

int move_to_san(const uint8_t *cb, const LegalMove &move, char *out, size_t size) {
  char s[16];
  size_t n = 0;
  const uint8_t piece = piece_of(cb[move.from]);
  const auto square = [&](int sq) {
    s[n++] = file_letter(sq);
    s[n++] = rank_digit(sq);
  };
  if (move.kind == KIND_CASTLE_KING || move.kind == KIND_CASTLE_QUEEN) {
    const char *text = move.kind == KIND_CASTLE_KING ? "O-O" : "O-O-O";
    n = std::strlen(text);
    std::memcpy(s, text, n);
  } else if (piece == PAWN) {
    if (is_capture(cb, move)) {
      s[n++] = file_letter(move.from);
      s[n++] = 'x';
    }
    square(move.to);
    if (move.promotion != EMPTY) {
      s[n++] = '=';
      s[n++] = piece_letter[move.promotion];
    }
  } else {
    s[n++] = piece_letter[piece < sizeof piece_letter ? piece : 0];
    // Which other pieces of the kind could go there as well.
    LegalMove list[MAX_LEGAL_MOVES];
    const int count = legal_moves(cb, list);
    bool rival = false, same_file = false, same_rank = false;
    for (int i = 0; i < count; ++i) {
      const LegalMove &o = list[i];
      if (o.to != move.to || o.from == move.from || piece_of(cb[o.from]) != piece) continue;
      rival = true;
      same_file |= file_of(o.from) == file_of(move.from);
      same_rank |= rank_of(o.from) == rank_of(move.from);
    }
    if (rival && (!same_file || same_rank)) s[n++] = file_letter(move.from);
    if (rival && same_file) s[n++] = rank_digit(move.from);
    if (is_capture(cb, move)) s[n++] = 'x';
    square(move.to);
  }

  uint8_t after[CB_SIZE];
  board_after(cb, move, after);
  const uint8_t other = side_to_move(after);
  if (king_attacked(after, other, where_is_king(after, other))) {
    LegalMove replies[MAX_LEGAL_MOVES];
    s[n++] = legal_moves(after, replies) == 0 ? '#' : '+';
  }
  if (n + 1 > size) return 0;
  std::memcpy(out, s, n);
  out[n] = '\0';
  return int(n);
}
