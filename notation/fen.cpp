#include "notation/fen.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "board/chess_cb.h"
#include "base/text.h"
#include "base/transcript.h"
#include "movegen/attack.h"

namespace {

constexpr const char *colour_name[2] = {"White", "Black"};

// The FEN's fields are the words of the line (next_word), read in place:
// the input line may be far longer than any buffer, so nothing is copied.

// A required field is missing when the text ends or the move list begins.
bool field_missing(Word f) { return f.length == 0 || word_is(f, "moves"); }

// Writes the reason and answers false, so that checks read "return refuse(...)".
bool refuse(FenSetup &setup, const char *format, ...) __attribute__((format(printf, 2, 3)));
bool refuse(FenSetup &setup, const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(setup.reason, sizeof setup.reason, format, args);
  va_end(args);
  return false;
}

// A byte of the input as a reason shows it: quoted when printable, by its
// value otherwise, so that no control byte reaches the front end.
struct ByteText {
  char text[12];
};
ByteText byte_text(char c) {
  ByteText t;
  const unsigned value = static_cast<unsigned char>(c);
  if (value > 32 && value < 127)
    std::snprintf(t.text, sizeof t.text, "'%c'", c);
  else
    std::snprintf(t.text, sizeof t.text, "byte %u", value);
  return t;
}

// Piece code and colour of a FEN piece letter; false for any other byte.
bool piece_letter(char c, uint8_t &piece, uint8_t &colour) {
  static constexpr char letters[] = "PNBRQK";
  colour = (c >= 'a' && c <= 'z') ? BLACK : WHITE;
  const char upper = colour == BLACK ? char(c - 'a' + 'A') : c;
  for (int i = 0; letters[i] != '\0'; ++i) {
    if (letters[i] == upper) {
      piece = uint8_t(PAWN + i);
      return true;
    }
  }
  return false;
}

// Coordinate text of a playable square ("e4") into out, zero-terminated.
void square_name(int square, char out[3]) {
  out[0] = file_letter(square);
  out[1] = rank_digit(square);
  out[2] = '\0';
}

// Reads the piece placement onto the scratch board, whose playable squares
// are empty; checks the ranks, the letters, the kings and the pawns.
bool read_placement(Word f, uint8_t *board, FenSetup &setup) {
  int rank = 7;  // the FEN starts with rank 8
  int file = 0;
  int kings[2] = {0, 0};
  for (size_t i = 0; i < f.length; ++i) {
    const char c = f.text[i];
    if (c == '/') {
      if (file != 8) return refuse(setup, "piece placement: rank %d has %d squares, not 8", rank + 1, file);
      if (rank == 0) return refuse(setup, "piece placement: more than 8 ranks");
      --rank;
      file = 0;
    } else if (c >= '1' && c <= '8') {
      file += c - '0';
      if (file > 8) return refuse(setup, "piece placement: rank %d has more than 8 squares", rank + 1);
    } else {
      uint8_t piece, colour;
      if (!piece_letter(c, piece, colour))
        return refuse(setup, "piece placement: %s is neither a piece letter nor a digit 1 to 8",
                      byte_text(c).text);
      if (file >= 8) return refuse(setup, "piece placement: rank %d has more than 8 squares", rank + 1);
      const int square = square_of(file, rank);
      if (piece == PAWN && (rank == 0 || rank == 7)) {
        char name[3];
        square_name(square, name);
        return refuse(setup, "piece placement: %s pawn on %s, on the first or eighth rank",
                      colour_name[colour], name);
      }
      if (piece == KING) ++kings[colour];
      board[square] = uint8_t(piece | (colour << 3));
      ++file;
    }
  }
  if (rank != 0) return refuse(setup, "piece placement: %d ranks, not 8", 8 - rank);
  if (file != 8) return refuse(setup, "piece placement: rank 1 has %d squares, not 8", file);
  for (int colour = WHITE; colour <= BLACK; ++colour)
    if (kings[colour] != 1)
      return refuse(setup, "%s has %d kings, not one", colour_name[colour], kings[colour]);
  return true;
}

// A castling right of the FEN: its letter, its lost flag, and where king and
// rook must stand for it to be real.
struct CastlingRight {
  char letter;
  uint8_t lost_flag;
  uint8_t colour;
  int king_home;
  int rook_home;
};
constexpr CastlingRight castling_rights[4] = {
    {'K', ST_WHITE_KING_LOST, WHITE, SQ_E1, SQ_H1},
    {'Q', ST_WHITE_QUEEN_LOST, WHITE, SQ_E1, SQ_A1},
    {'k', ST_BLACK_KING_LOST, BLACK, SQ_E8, SQ_H8},
    {'q', ST_BLACK_QUEEN_LOST, BLACK, SQ_E8, SQ_A8},
};

// Whether the byte is a castling letter of the field: one of KQkq, or the
// file letter of a Chess960 rook (A to H for White, a to h for Black).
bool is_castling_letter(char c) {
  return c == 'K' || c == 'Q' || c == 'k' || c == 'q' || (c >= 'A' && c <= 'H') || (c >= 'a' && c <= 'h');
}

// Checks the castling field: "-", or at most four distinct castling letters.
// Which rights the letters give is settled once the whole FEN has passed
// (resolve_castling), since a letter that names no rook only drops a right.
bool read_castling(Word f, FenSetup &setup) {
  if (word_is(f, "-")) return true;
  if (f.length > 4) return refuse(setup, "castling rights: more than four letters");
  for (size_t i = 0; i < f.length; ++i) {
    if (!is_castling_letter(f.text[i]))
      return refuse(setup, "castling rights: %s is not one of K, Q, k, q, a file letter or a lone '-'",
                    byte_text(f.text[i]).text);
    if (std::memchr(f.text, f.text[i], i) != nullptr)
      return refuse(setup, "castling rights: '%c' given twice", f.text[i]);
  }
  return true;
}

// Notes a right of the field that the board cannot carry: the transcript
// says why, and the letter joins setup.dropped.
void drop_right(FenSetup &setup, char letter, const char *why) {
  char line[160];
  std::snprintf(line, sizeof line, "FEN: castling right %c dropped: %s\n", letter, why);
  UCI_LOG(line);
  const size_t n = std::strlen(setup.dropped);
  if (n + 1 < sizeof setup.dropped) setup.dropped[n] = letter;
}

// Standard rules: K, Q, k, q stand for the rooks in the corners, and only
// with king and rook on their home squares. A file letter names a Chess960
// rook, which these rules do not know.
uint8_t resolve_standard_castling(Word f, const uint8_t *board, FenSetup &setup) {
  uint8_t lost = 0;
  for (const CastlingRight &right : castling_rights) {
    const uint8_t king = uint8_t(KING | (right.colour << 3));
    const uint8_t rook = uint8_t(ROOK | (right.colour << 3));
    const bool named = !word_is(f, "-") && std::memchr(f.text, right.letter, f.length) != nullptr;
    bool keep = named;
    if (keep && (board[right.king_home] & (PIECE_MASK | COLOUR_BIT)) != king) {
      drop_right(setup, right.letter,
                 right.colour == WHITE ? "the white king is not on its home square"
                                       : "the black king is not on its home square");
      keep = false;
    } else if (keep && (board[right.rook_home] & (PIECE_MASK | COLOUR_BIT)) != rook) {
      char name[3], why[48];
      square_name(right.rook_home, name);
      std::snprintf(why, sizeof why, "no %s rook on %s", right.colour == WHITE ? "white" : "black", name);
      drop_right(setup, right.letter, why);
      keep = false;
    }
    if (!keep) lost |= right.lost_flag;
  }
  for (size_t i = 0; i < f.length && !word_is(f, "-"); ++i) {
    const char c = f.text[i];
    if (c != 'K' && c != 'Q' && c != 'k' && c != 'q')
      drop_right(setup, c, "a file letter names a Chess960 rook, and UCI_Chess960 is off");
  }
  return lost;
}

// Chess960 rules: each letter names one rook on its side's first rank, K
// and k the outermost on the h-file side of the king, Q and q the outermost
// on the a-file side, a file letter the rook on that file (its side of the
// king says which right it is). Writes the rooks' squares on the board and
// answers the lost flags.
uint8_t resolve_chess960_castling(Word f, uint8_t *board, FenSetup &setup) {
  uint8_t lost = ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST | ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST;
  for (size_t i = 0; i < f.length && !word_is(f, "-"); ++i) {
    const char c = f.text[i];
    const uint8_t colour = (c >= 'a' && c <= 'z') ? BLACK : WHITE;
    const char *name = colour == WHITE ? "white" : "black";
    const uint8_t rook = uint8_t(ROOK | (colour << 3));
    const int base = colour == WHITE ? SQ_A1 : SQ_A8;
    const int king = where_is_king(board, colour);
    char why[80];
    if (king < base || king > base + 7) {
      std::snprintf(why, sizeof why, "the %s king is not on its first rank", name);
      drop_right(setup, c, why);
      continue;
    }
    int square = -1;
    const char upper = colour == BLACK ? char(c - 'a' + 'A') : c;
    if (upper == 'K' || upper == 'Q') {
      // The outermost rook of that side of the king.
      const int step = upper == 'K' ? -1 : 1;
      for (int s = upper == 'K' ? base + 7 : base; s != king && square < 0; s += step)
        if ((board[s] & (PIECE_MASK | COLOUR_BIT)) == rook) square = s;
      if (square < 0) {
        std::snprintf(why, sizeof why, "no %s rook on the %s side of the king", name,
                      upper == 'K' ? "h-file" : "a-file");
        drop_right(setup, c, why);
        continue;
      }
    } else {
      square = base + (upper - 'A');
      char at[3];
      square_name(square, at);
      if ((board[square] & (PIECE_MASK | COLOUR_BIT)) != rook) {
        std::snprintf(why, sizeof why, "no %s rook on %s", name, at);
        drop_right(setup, c, why);
        continue;
      }
    }
    const int which = square > king ? 1 : 0;
    const uint8_t flag = uint8_t(2u << (2 * colour + which));
    if ((lost & flag) == 0) {
      std::snprintf(why, sizeof why, "a second %s castling rook on the %s side of the king", name,
                    which ? "h-file" : "a-file");
      drop_right(setup, c, why);
      continue;
    }
    lost = uint8_t(lost & ~flag);
    board[CB_CASTLING_ROOKS + 2 * colour + which] = uint8_t(square);
  }
  return lost;
}

// Reads the en-passant field; on a square, checks that a pawn of the side
// not to move has just passed it with a two-square advance, and gives that
// pawn the mark the advance would have left.
bool read_en_passant(Word f, uint8_t *board, uint8_t side, FenSetup &setup) {
  if (word_is(f, "-")) return true;
  if (f.length != 2 || f.text[0] < 'a' || f.text[0] > 'h' || f.text[1] < '1' || f.text[1] > '8')
    return refuse(setup, "en-passant square: not '-' nor a square a1 to h8");
  const int rank = f.text[1] - '1';
  const int wanted = side == WHITE ? 5 : 2;  // rank 6 with White to move, rank 3 with Black
  if (rank != wanted)
    return refuse(setup, "en-passant square %.2s: with %s to move it lies on rank %d", f.text,
                  colour_name[side], wanted + 1);
  const int target = square_of(f.text[0] - 'a', rank);
  const int ahead = side == WHITE ? -12 : 12;  // the mover's direction of the pawn that advanced
  const int pawn = target + ahead;
  const int origin = target - ahead;
  const uint8_t mover = uint8_t(1 - side);
  if (piece_of(board[pawn]) != PAWN || colour_of(board[pawn]) != mover)
    return refuse(setup, "en-passant square %.2s: no %s pawn stands just past it", f.text,
                  colour_name[mover]);
  if (piece_of(board[target]) != EMPTY || piece_of(board[origin]) != EMPTY)
    return refuse(setup, "en-passant square %.2s: the pawn cannot have just passed it, its path is not empty",
                  f.text);
  board[pawn] |= EP_MARK;
  return true;
}

// Reads a counter: plain decimal digits only, at most max. The conversion
// saturates, so no count of digits can overflow.
bool read_counter(Word f, const char *name, int max, int &value, FenSetup &setup) {
  int64_t v = 0;
  if (!read_decimal(f.text, f.length, INT64_MAX, v)) return refuse(setup, "%s: not a plain decimal number", name);
  if (v > max) return refuse(setup, "%s: larger than %d", name, max);
  value = int(v);
  return true;
}

// After the fields: nothing, or the "moves" keyword and its list.
bool read_end(const char *cursor, FenSetup &setup) {
  const Word f = next_word(cursor);
  if (f.length == 0) return true;
  if (!word_is(f, "moves"))
    return refuse(setup,
                  "unexpected text after the fullmove number (only \"moves\" and a move list may follow)");
  // As after "position startpos": the list begins after one separator.
  if (is_blank(*cursor)) ++cursor;
  setup.moves = cursor;
  return true;
}

// The letter a right is written with: its KQkq letter, except for a
// Chess960 rook with another rook of its side further out on the same side
// of the king, which only its file letter names (X-FEN).
char castling_letter(const uint8_t *cb, const CastlingRight &right) {
  if (!is_chess960(cb)) return right.letter;
  const int which = right.letter == 'K' || right.letter == 'k' ? 1 : 0;
  const int square = castling_rook_square(cb, right.colour, which);
  const int base = right.colour == WHITE ? SQ_A1 : SQ_A8;
  const uint8_t rook = uint8_t(ROOK | (right.colour << 3));
  for (int s = which ? square + 1 : base; s <= (which ? base + 7 : square - 1); ++s)
    if ((cb[s] & (PIECE_MASK | COLOUR_BIT)) == rook) {
      const char file = char('A' + (square - base));
      return right.colour == WHITE ? file : char(file - 'A' + 'a');
    }
  return right.letter;
}

}  // namespace

bool load_position_fen(uint8_t *cb, const char *text, FenSetup &setup, uint8_t rules) {
  setup = FenSetup{0, 0, 1, false, nullptr, {}, {}};
  if (text == nullptr) text = "";
  const char *cursor = text;

  // The scratch board takes its border from the start position.
  uint8_t board[CB_SIZE];
  start_position(board);
  for (int square : boardin) board[square] = EMPTY;

  const Word placement = next_word(cursor);
  if (field_missing(placement)) return refuse(setup, "missing field: piece placement");
  if (!read_placement(placement, board, setup)) return false;

  const Word side_field = next_word(cursor);
  if (field_missing(side_field)) return refuse(setup, "missing field: side to move");
  if (!word_is(side_field, "w") && !word_is(side_field, "b"))
    return refuse(setup, "side to move: not \"w\" or \"b\"");
  const uint8_t side = side_field.text[0] == 'b' ? BLACK : WHITE;

  const Word castling_field = next_word(cursor);
  if (field_missing(castling_field)) return refuse(setup, "missing field: castling rights");
  if (!read_castling(castling_field, setup)) return false;

  const Word ep_field = next_word(cursor);
  if (field_missing(ep_field)) return refuse(setup, "missing field: en-passant square");
  if (!read_en_passant(ep_field, board, side, setup)) return false;

  // The two counters may be missing, each on its own; the move list may
  // follow either.
  const char *rest = cursor;
  Word counter = next_word(cursor);
  if (counter.length > 0 && !word_is(counter, "moves")) {
    if (!read_counter(counter, "halfmove clock", FEN_HALFMOVE_CLOCK_MAX, setup.halfmove_clock, setup))
      return false;
    rest = cursor;
    counter = next_word(cursor);
    if (counter.length > 0 && !word_is(counter, "moves")) {
      if (!read_counter(counter, "fullmove number", FEN_FULLMOVE_MAX, setup.fullmove, setup)) return false;
      if (setup.fullmove == 0) setup.fullmove = 1;
      rest = cursor;
    }
  }
  if (!read_end(rest, setup)) return false;

  const uint8_t other = uint8_t(1 - side);
  if (king_attacked(board, other, where_is_king(board, other)))
    return refuse(setup, "%s, not to move, is in check", colour_name[other]);

  // Every check has passed: the rights are settled, and only now is a right
  // that the board cannot carry dropped and noted.
  set_castling_rules(board, rules);
  const uint8_t lost = rules == RULES_CHESS960 ? resolve_chess960_castling(castling_field, board, setup)
                                               : resolve_standard_castling(castling_field, board, setup);
  board[CB_STATE] = uint8_t(side | lost);

  setup.half_moves = 2 * (setup.fullmove - 1) + side;
  uint8_t start[CB_SIZE];
  start_position(start);
  set_castling_rules(start, rules);
  setup.is_start = std::memcmp(board, start, CB_SIZE) == 0;
  std::memcpy(cb, board, CB_SIZE);
  return true;
}

int position_to_fen(const uint8_t *cb, int half_moves, char *out, size_t size) {
  static constexpr char letters[] = " PNBRQK";
  char fen[FEN_TEXT_SIZE];
  int n = 0;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      const uint8_t b = cb[square_of(file, rank)];
      const uint8_t piece = piece_of(b);
      if (piece == EMPTY || piece == BORDER) {
        ++empty;
        continue;
      }
      if (empty > 0) fen[n++] = char('0' + empty);
      empty = 0;
      fen[n++] = colour_of(b) == BLACK ? char(letters[piece] - 'A' + 'a') : letters[piece];
    }
    if (empty > 0) fen[n++] = char('0' + empty);
    if (rank > 0) fen[n++] = '/';
  }
  const uint8_t side = side_to_move(cb);
  fen[n++] = ' ';
  fen[n++] = side == BLACK ? 'b' : 'w';
  fen[n++] = ' ';
  const int rights_start = n;
  for (const CastlingRight &right : castling_rights)
    if ((cb[CB_STATE] & right.lost_flag) == 0) fen[n++] = castling_letter(cb, right);
  if (n == rights_start) fen[n++] = '-';
  fen[n++] = ' ';

  // A pawn of the side not to move that stands where a two-square advance
  // leaves it and carries the mark has just made that advance.
  const uint8_t mover = uint8_t(1 - side);
  const int pawn_rank = mover == WHITE ? 3 : 4;
  int target = 0;
  for (int file = 0; file < 8 && target == 0; ++file) {
    const uint8_t b = cb[square_of(file, pawn_rank)];
    if (piece_of(b) == PAWN && colour_of(b) == mover && has_ep_mark(b))
      target = square_of(file, mover == WHITE ? pawn_rank - 1 : pawn_rank + 1);
  }
  if (target != 0) {
    square_name(target, fen + n);
    n += 2;
  } else {
    fen[n++] = '-';
  }
  const int moves = half_moves < 0 ? 0 : half_moves;
  const int written = std::snprintf(fen + n, sizeof fen - size_t(n), " 0 %d", moves / 2 + 1);
  n += written;
  if (size_t(n) + 1 > size) return 0;
  std::memcpy(out, fen, size_t(n) + 1);
  return n;
}
