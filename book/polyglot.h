// Opening books in the Polyglot format (".bin" files), the books that chess
// players collect and that GUIs and other engines share. Moves are filed
// under a 64-bit key of the position, so a book answers from any position
// however the game reached it, a FEN's included.
//
// The file is a sequence of 16-byte entries sorted by key, every field
// big-endian:
//
//   bytes 0..7    key      Polyglot key of the position (polyglot_key)
//   bytes 8..9    move     the book move (below)
//   bytes 10..11  weight   how often to play it, relative to the position's
//                          other moves
//   bytes 12..15  learn    learning data, not used by the engine
//
// The move, 16 bits:
//
//   15  14 12 11   9 8    6 5    3 2    0
//  +---+-----+------+------+------+------+
//  | 0 |promo| from | from |  to  |  to  |
//  |   |     | row  | file | row  | file |
//  +---+-----+------+------+------+------+
//  row 0 = rank 1, file 0 = a-file; promo 0 none, 1 knight, 2 bishop,
//  3 rook, 4 queen. Castling is written as the king taking its own rook
//  (e1h1, e1a1, e8h8, e8a8).
#pragma once

#include <cstdint>
#include <string>

// ---------------------------------------------------------------------------
// Position key
//
// The format's 781 constants (book/polyglot_random.cpp), in its index order:
//
//   0..767   a piece on a square: 64 * kind + 8 * row + file, row 0 = rank 1,
//            file 0 = a-file, kind = 2 * (piece code - 1) + (1 if White):
//            0 black pawn, 1 white pawn, 2 black knight, ... 11 white king
//   768..771 castling right White short, White long, Black short, Black long
//   772..779 en-passant file a..h
//   780      White to move
// ---------------------------------------------------------------------------

inline constexpr int POLYGLOT_KEY_COUNT = 781;
inline constexpr int POLYGLOT_CASTLING_INDEX = 768;
inline constexpr int POLYGLOT_EN_PASSANT_INDEX = 772;
inline constexpr int POLYGLOT_WHITE_TO_MOVE_INDEX = 780;
extern const uint64_t polyglot_random64[POLYGLOT_KEY_COUNT];

// The Polyglot key of the board: the XOR of the constants of every piece on
// its square, of every castling right, of the en-passant file and of White
// to move.
//
// A castling right counts when its lost flag in byte 144 is clear and the
// king and the rook stand on their home squares. The en-passant file counts
// when a pawn of the side not to move carries the en-passant mark where a
// two-square advance leaves it and a pawn of the side to move stands beside
// it, ready to take; whether taking would leave its king in check is not
// asked: the format's keys do not ask it either.
uint64_t polyglot_key(const uint8_t *cb);

// ---------------------------------------------------------------------------
// Book file
// ---------------------------------------------------------------------------

struct PolyglotEntry {
  uint64_t key;
  uint16_t move;
  uint16_t weight;
  uint32_t learn;
};

inline constexpr int POLYGLOT_ENTRY_BYTES = 16;

// Most entries one position's lookup reads; a real book has a few dozen at
// most, and a damaged one with thousands under one key must not hold the
// engine up.
inline constexpr int POLYGLOT_MAX_ENTRIES = 256;

// Score field of a book move, as the text book's: a book move is never 0.
inline constexpr uint32_t POLYGLOT_BOOK_SCORE = 30000;

// Whether a book file name names a Polyglot book: it ends in ".bin". Every
// other name is a text book.
bool is_polyglot_book_name(const char *path);

// Copies the entries filed under key into out (room for max), in file order,
// and returns their number; -1 when there is no book to read at path
// (missing, a directory, a pipe or a device, unreadable). Never waits on a
// named pipe. The entries are found by binary search, reading only the
// entries it visits and those of the key.
//
// problem is emptied, then says what is wrong with the file, if anything:
// why it cannot be read, that it is empty, that its size is not a whole
// number of entries (the bytes after the last whole entry are ignored), or
// that the entries the search visited are not sorted by key (the lookup
// still ends, and answers with the entries of the key it found).
int polyglot_entries(const char *path, uint64_t key, PolyglotEntry *out, int max, std::string &problem);

// The Move word (score field 0, promotion bits as play_move reads them) of
// the book move on the board, or 0 when it names no legal move of the side
// to move: the king-takes-rook castling form becomes the king's two-column
// move, a pawn reaching the last rank must name its piece and no other move
// may name one.
uint32_t polyglot_move_word(const uint8_t *cb, uint16_t move);

// The format's text of an entry's move ("e1h1" for White's short castling,
// "a7a8q"), whatever the board: for entries that name no legal move.
std::string polyglot_move_text(uint16_t move);

// Fills words with each entry's Move word (0 when not legal on the board)
// and shares with its share of the draw: its weight, or 1 for every legal
// entry when all the legal entries weigh 0; an illegal entry's share is 0.
// Returns the sum of the shares (0: the book has no move to play here).
uint64_t polyglot_shares(const uint8_t *cb, const PolyglotEntry *entries, int count, uint32_t *words,
                         uint64_t *shares);

// Chooses among the entries (those of the board's key) in proportion to
// their shares: with draw reduced modulo the total, the first entry whose
// running total passes it. Returns its Move word (score field 0), or 0 when
// no entry has a share.
uint32_t choose_polyglot_move(const uint8_t *cb, const PolyglotEntry *entries, int count, uint64_t draw);

// The book's move for the board from the Polyglot book at path, chosen at
// random in proportion to the weights, with POLYGLOT_BOOK_SCORE in its score
// field; 0 when the book has no legal move there or cannot be read (the
// engine then searches).
//
// note is emptied, then holds one line for the front end or the transcript
// when something is wrong: a problem of the file (said once, until the file
// or its problem changes), or book moves of this position that are not legal
// here (skipped; the others may still be played). said is the caller's
// memory of the file's problem last said, kept from one move to the next
// (the session keeps it): a problem is said again only once it has changed.
//
// The file is opened and closed within the call. The draw comes from a
// generator of the book's own, seeded from the clock once per process: the
// runtime's rand, which the search's Zobrist keys are drawn from, is never
// called.
uint32_t polyglot_book_move(const char *path, const uint8_t *cb, std::string &note, std::string &said);

// Whether the format's key can name the board's position: always under
// standard rules; under Chess960 rules only when every castling right held
// belongs to a rook in its corner with the king on the e-file (the format
// keys rights by side, as a standard game has them). polyglot_book_move
// answers 0 for any other position.
bool polyglot_names_position(const uint8_t *cb);
