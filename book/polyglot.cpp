#include "book/polyglot.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>

#include "board/chess_cb.h"
#include "notation/san.h"
#include "base/platform_io.h"

namespace {

// Each castling right: its lost flag, its king and rook home squares, and
// its offset from POLYGLOT_CASTLING_INDEX in the format's order.
struct CastlingKey {
  uint8_t lost_flag;
  int king_home, rook_home;
  uint8_t king, rook;  // square bytes of the right's king and rook
  int offset;
};

constexpr CastlingKey castling_keys[] = {
    {ST_WHITE_KING_LOST, SQ_E1, SQ_H1, KING, ROOK, 0},
    {ST_WHITE_QUEEN_LOST, SQ_E1, SQ_A1, KING, ROOK, 1},
    {ST_BLACK_KING_LOST, SQ_E8, SQ_H8, KING | COLOUR_BIT, ROOK | COLOUR_BIT, 2},
    {ST_BLACK_QUEEN_LOST, SQ_E8, SQ_A8, KING | COLOUR_BIT, ROOK | COLOUR_BIT, 3},
};

// The file (0 = a) of the pawn that has just advanced two squares when a
// pawn of the side to move stands beside it; -1 otherwise.
int en_passant_file(const uint8_t *cb) {
  const uint8_t side = side_to_move(cb);
  const uint8_t other = uint8_t(1 - side);
  // Where the other side's pawn stands after its two-square advance.
  const int rank = other == WHITE ? 3 : 4;
  const uint8_t own_pawn = side == WHITE ? uint8_t(PAWN) : uint8_t(PAWN | COLOUR_BIT);
  for (int file = 0; file < 8; ++file) {
    const int square = square_of(file, rank);
    const uint8_t b = cb[square];
    if (piece_of(b) != PAWN || colour_of(b) != other || !has_ep_mark(b)) continue;
    // The border holds 7 beside the a- and h-files: never a pawn.
    const uint8_t left = cb[square - 1] & (PIECE_MASK | COLOUR_BIT);
    const uint8_t right = cb[square + 1] & (PIECE_MASK | COLOUR_BIT);
    return left == own_pawn || right == own_pawn ? file : -1;
  }
  return -1;
}

}  // namespace

uint64_t polyglot_key(const uint8_t *cb) {
  uint64_t key = 0;
  for (const int square : boardin) {
    const uint8_t b = cb[square];
    const int piece = piece_of(b);
    if (piece == EMPTY || piece == BORDER) continue;
    const int kind = 2 * (piece - 1) + (colour_of(b) == WHITE ? 1 : 0);
    key ^= polyglot_random64[64 * kind + 8 * (square_row(square) - 2) + square_column(square) - 2];
  }
  for (const CastlingKey &c : castling_keys) {
    if ((cb[CB_STATE] & c.lost_flag) != 0) continue;
    if ((cb[c.king_home] & (PIECE_MASK | COLOUR_BIT)) != c.king) continue;
    if ((cb[c.rook_home] & (PIECE_MASK | COLOUR_BIT)) != c.rook) continue;
    key ^= polyglot_random64[POLYGLOT_CASTLING_INDEX + c.offset];
  }
  const int file = en_passant_file(cb);
  if (file >= 0) key ^= polyglot_random64[POLYGLOT_EN_PASSANT_INDEX + file];
  if (side_to_move(cb) == WHITE) key ^= polyglot_random64[POLYGLOT_WHITE_TO_MOVE_INDEX];
  return key;
}

namespace {

// Entries read in one call while walking forward from the first match.
constexpr int READ_BLOCK_ENTRIES = 32;

uint64_t big_endian(const unsigned char *bytes, int count) {
  uint64_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
  return value;
}

PolyglotEntry decode_entry(const unsigned char *bytes) {
  return PolyglotEntry{big_endian(bytes, 8), uint16_t(big_endian(bytes + 8, 2)),
                       uint16_t(big_endian(bytes + 10, 2)), uint32_t(big_endian(bytes + 12, 4))};
}

// The book file, closed on every way out of a lookup.
struct BinFile {
  InputFile file;
  explicit BinFile(const char *path) : file(path) {}

  // Reads exactly count bytes at offset; false on a short read or an error.
  bool read_exact(void *buffer, long count, long long offset) const {
    return io_read_at(file.fd, buffer, size_t(count), offset) == count;
  }
};


// Splitmix64, seeded once per process from the clock and the system's
// entropy source: the book's own generator, so that the runtime's rand,
// whose draws make the search's Zobrist keys, is left alone.
uint64_t next_draw() {
  static uint64_t state = [] {
    uint64_t seed = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
      std::random_device device;
      seed ^= (uint64_t(device()) << 32) ^ device();
    } catch (...) {
      // No entropy source: the clock alone still differs from game to game.
    }
    return seed;
  }();
  uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

}  // namespace

bool is_polyglot_book_name(const char *path) {
  if (path == nullptr) return false;
  const size_t n = std::strlen(path);
  return n >= 4 && std::strcmp(path + n - 4, ".bin") == 0;
}

int polyglot_entries(const char *path, uint64_t key, PolyglotEntry *out, int max, std::string &problem) {
  problem.clear();
  if (path == nullptr || *path == '\0') {
    problem = "has no name";
    return -1;
  }
  const BinFile book(path);
  if (book.file.fd < 0) {
    problem = std::string("cannot be opened: ") + std::strerror(errno);
    return -1;
  }
  // A directory, a pipe or a device has no entries to search; a pipe would
  // also make the engine wait for a writer.
  const long long size = io_regular_file_size(book.file.fd);
  if (size < 0) {
    problem = "is not a regular file";
    return -1;
  }
  if (size == 0) problem = "is empty";
  if (size % POLYGLOT_ENTRY_BYTES != 0)
    problem = std::to_string(size) + " bytes are not a whole number of 16-byte entries: the last " +
              std::to_string(size % POLYGLOT_ENTRY_BYTES) + " are ignored";
  const long long total = size / POLYGLOT_ENTRY_BYTES;
  const auto unsorted = [&] { problem = "entries are not sorted by key: positions may be missed"; };
  const auto unreadable = [&] {
    problem = "cannot be read";
    return -1;
  };

  // The first entry whose key is not below key. Every key the search visits
  // must lie between the nearest visited keys below and above it; in a file
  // that is not sorted the search still ends, at some entry.
  long long low = 0, high = total;
  uint64_t below = 0, above = ~0ULL;
  while (low < high) {
    const long long middle = low + (high - low) / 2;
    unsigned char bytes[8];
    if (!book.read_exact(bytes, 8, middle * POLYGLOT_ENTRY_BYTES)) return unreadable();
    const uint64_t visited = big_endian(bytes, 8);
    if (visited < below || visited > above) unsorted();
    if (visited < key) {
      low = middle + 1;
      below = visited;
    } else {
      high = middle;
      above = visited;
    }
  }

  int found = 0;
  for (long long index = low; index < total && found < max;) {
    unsigned char block[READ_BLOCK_ENTRIES * POLYGLOT_ENTRY_BYTES];
    const long long entries = std::min<long long>(READ_BLOCK_ENTRIES, total - index);
    if (!book.read_exact(block, long(entries * POLYGLOT_ENTRY_BYTES), index * POLYGLOT_ENTRY_BYTES))
      return unreadable();
    for (long long i = 0; i < entries && found < max; ++i) {
      const PolyglotEntry entry = decode_entry(block + i * POLYGLOT_ENTRY_BYTES);
      if (entry.key != key) {
        if (entry.key < key) unsorted();
        return found;
      }
      out[found++] = entry;
    }
    index += entries;
  }
  return found;
}

namespace {

// The Move word the book move names on the board, legal or not; 0 when it
// is malformed: the unused top bit set, a pawn reaching the last rank
// without a piece of the format, a piece where nothing promotes.
uint32_t decode_move(const uint8_t *cb, uint16_t move) {
  if ((move & 0x8000) != 0) return 0;
  const int to = square_of(move & 7, (move >> 3) & 7);
  const int from = square_of((move >> 6) & 7, (move >> 9) & 7);
  const int promotion = (move >> 12) & 7;
  const uint8_t piece = piece_of(cb[from]);

  // Castling is the king taking its own rook in the format; in the engine's
  // word, as in a front end's text, it is the king's two-column move.
  int target = to;
  // Under Chess960 rules the engine's word is the format's own.
  const bool king_home = piece == KING && (from == SQ_E1 || from == SQ_E8) && !is_chess960(cb);
  if (king_home && square_row(to) == square_row(from) && piece_of(cb[to]) == ROOK &&
      colour_of(cb[to]) == colour_of(cb[from])) {
    if (square_column(to) == 9) target = from + 2;
    if (square_column(to) == 2) target = from - 2;
  }

  // The format's pieces 1..4 (knight, bishop, rook, queen) as promotion bits.
  constexpr uint32_t promotion_bits[] = {0, MW_PROMO_KNIGHT, MW_PROMO_BISHOP, MW_PROMO_ROOK, 0};
  const bool reaches_last_rank = piece == PAWN && (square_row(to) == 2 || square_row(to) == 9);
  if (reaches_last_rank != (promotion >= 1 && promotion <= 4)) return 0;
  return move_word(from, target) | (reaches_last_rank ? promotion_bits[promotion] : 0);
}

// The word if it is one of the legal moves listed for the board, else 0.
// Only a legal move of the side to move is played: a damaged book, or a key
// that two positions share, must not put an illegal move on the board.
uint32_t legal_word(const uint8_t *cb, const LegalMove *legal, int count, uint32_t word) {
  LegalMove move;
  if (word == 0 || !legal_move_in_list(cb, legal, count, word, move)) return 0;
  return legal_move_word(move);
}

// The entry that the draw picks, walking the shares in file order.
uint32_t pick(const uint32_t *words, const uint64_t *shares, int count, uint64_t total, uint64_t draw) {
  if (total == 0) return 0;
  uint64_t rest = draw % total;
  for (int i = 0; i < count; ++i) {
    if (rest < shares[i]) return words[i];
    rest -= shares[i];
  }
  return 0;  // not reached: the shares add up to total
}

}  // namespace

std::string polyglot_move_text(uint16_t move) {
  std::string text;
  text += char('a' + ((move >> 6) & 7));
  text += char('1' + ((move >> 9) & 7));
  text += char('a' + (move & 7));
  text += char('1' + ((move >> 3) & 7));
  const int promotion = (move >> 12) & 7;
  if (promotion != 0) text += promotion <= 4 ? "nbrq"[promotion - 1] : '?';
  return text;
}

uint32_t polyglot_move_word(const uint8_t *cb, uint16_t move) {
  LegalMove legal[MAX_LEGAL_MOVES];
  const int count = legal_moves(cb, legal);
  return legal_word(cb, legal, count, decode_move(cb, move));
}

uint64_t polyglot_shares(const uint8_t *cb, const PolyglotEntry *entries, int count, uint32_t *words,
                         uint64_t *shares) {
  LegalMove legal[MAX_LEGAL_MOVES];
  const int legal_count = legal_moves(cb, legal);
  uint64_t total = 0;
  bool all_weightless = true;
  for (int i = 0; i < count; ++i) {
    words[i] = legal_word(cb, legal, legal_count, decode_move(cb, entries[i].move));
    shares[i] = words[i] != 0 ? entries[i].weight : 0;
    total += shares[i];
    if (words[i] != 0 && entries[i].weight != 0) all_weightless = false;
  }
  // A book whose moves here all weigh 0 still names them: each is as likely.
  if (all_weightless)
    for (int i = 0; i < count; ++i)
      if (words[i] != 0) total += shares[i] = 1;
  return total;
}

uint32_t choose_polyglot_move(const uint8_t *cb, const PolyglotEntry *entries, int count, uint64_t draw) {
  count = std::clamp(count, 0, POLYGLOT_MAX_ENTRIES);
  uint32_t words[POLYGLOT_MAX_ENTRIES];
  uint64_t shares[POLYGLOT_MAX_ENTRIES];
  const uint64_t total = polyglot_shares(cb, entries, count, words, shares);
  return pick(words, shares, count, total, draw);
}

bool polyglot_names_position(const uint8_t *cb) {
  if (!is_chess960(cb)) return true;
  for (int right = 0; right < 4; ++right) {
    if ((cb[CB_STATE] & (2u << right)) != 0) continue;
    const int colour = right / 2, which = right % 2;
    const int king = colour == WHITE ? SQ_E1 : SQ_E8;
    const int corner = which ? king + 3 : king - 4;
    if (castling_rook_square(cb, colour, which) != corner ||
        (cb[king] & (PIECE_MASK | COLOUR_BIT)) != uint8_t(KING | (colour << 3)))
      return false;
  }
  return true;
}

uint32_t polyglot_book_move(const char *path, const uint8_t *cb, std::string &note, std::string &said) {
  note.clear();
  if (!polyglot_names_position(cb)) return 0;
  // A problem of the file is said once, not before every move of the game.
  PolyglotEntry entries[POLYGLOT_MAX_ENTRIES];
  std::string problem;
  const int count = polyglot_entries(path, polyglot_key(cb), entries, POLYGLOT_MAX_ENTRIES, problem);
  const std::string book = std::string("Polyglot book ") + (path != nullptr ? path : "") + " ";
  if (problem.empty()) {
    said.clear();
  } else if (book + problem != said) {
    note = said = book + problem;
  }
  if (count <= 0) return 0;

  uint32_t words[POLYGLOT_MAX_ENTRIES];
  uint64_t shares[POLYGLOT_MAX_ENTRIES];
  const uint64_t total = polyglot_shares(cb, entries, count, words, shares);
  std::string illegal;
  for (int i = 0; i < count; ++i)
    if (words[i] == 0) illegal.append(" ").append(polyglot_move_text(entries[i].move));
  if (!illegal.empty()) note += (note.empty() ? book : "; ") + "moves not legal here, not played:" + illegal;

  const uint32_t word = pick(words, shares, count, total, next_draw());
  return word == 0 ? 0 : word | POLYGLOT_BOOK_SCORE;
}
