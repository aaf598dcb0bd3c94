// The Chessboard: one 152-byte buffer that every subsystem reads and writes
// directly, the two packed move formats, and the board's constant tables.
#pragma once

#include <array>
#include <cstdint>

// ---------------------------------------------------------------------------
// Chessboard layout
//
//   bytes 0..143   12 x 12 mailbox, index = row * 12 + column
//   byte  144      state byte (below)
//   byte  145      from-square of the move the search is trying
//   byte  146      to-square of that move
//   bytes 147..150 start square of each castling rook (below)
//   byte  151      castling rules: bit 0 set for Chess960 (below)
//
// Rows 0,1,10,11 and columns 0,1,10,11 are a two-deep border holding 7, so
// every single step and every knight jump from a playable square lands inside
// the buffer and sliders stop on the border without range checks.
//
//        a   b   c   d   e   f   g   h
//   8  110 111 112 113 114 115 116 117      row 9
//   7   98  99 100 101 102 103 104 105      row 8
//   6   86  87  88  89  90  91  92  93      row 7
//   5   74  75  76  77  78  79  80  81      row 6
//   4   62  63  64  65  66  67  68  69      row 5
//   3   50  51  52  53  54  55  56  57      row 4
//   2   38  39  40  41  42  43  44  45      row 3
//   1   26  27  28  29  30  31  32  33      row 2
//
// Directions: +12 up (towards rank 8), -12 down, +1 towards h, -1 towards a,
// +11 up-left, +13 up-right, -11 down-right, -13 down-left.
// ---------------------------------------------------------------------------

inline constexpr int CB_MAILBOX = 144;  // number of square bytes
inline constexpr int CB_STATE = 144;    // index of the state byte
inline constexpr int CB_TRY_FROM = 145; // from-square of the move being tried
inline constexpr int CB_TRY_TO = 146;   // to-square of the move being tried
inline constexpr int CB_CASTLING_ROOKS = 147;  // 4 bytes: the castling rooks' start squares
inline constexpr int CB_RULES = 151;           // castling rules of the game
inline constexpr int CB_SIZE = 152;

inline constexpr int SQ_A1 = 26, SQ_B1 = 27, SQ_C1 = 28, SQ_D1 = 29, SQ_E1 = 30,
                     SQ_F1 = 31, SQ_G1 = 32, SQ_H1 = 33;
inline constexpr int SQ_A8 = 110, SQ_B8 = 111, SQ_C8 = 112, SQ_D8 = 113,
                     SQ_E8 = 114, SQ_F8 = 115, SQ_G8 = 116, SQ_H8 = 117;
inline constexpr int SQ_FIRST = 26; // a1, lowest playable index
inline constexpr int SQ_LAST = 117; // h8, highest playable index

// Square index of file f (0 = a .. 7 = h) and rank r (0 = rank 1 .. 7 = rank 8).
constexpr int square_of(int file, int rank) { return 26 + file + 12 * rank; }
constexpr int square_row(int sq) { return sq / 12; }    // 2 = rank 1 .. 9 = rank 8
constexpr int square_column(int sq) { return sq % 12; } // 2 = a-file .. 9 = h-file
// Coordinate letters of a playable square: its file 'a'..'h', its rank '1'..'8'.
constexpr char file_letter(int sq) { return char('a' + square_column(sq) - 2); }
constexpr char rank_digit(int sq) { return char('1' + square_row(sq) - 2); }

// ---------------------------------------------------------------------------
// Square byte
//
//    7   6   5   4   3   2   1   0
//  +---+---+---+---+---+---+---+---+
//  | 0 | 0 | 0 | EP| C |  piece    |
//  +---+---+---+---+---+---+---+---+
//  piece: 0 empty, 1 pawn, 2 knight, 3 bishop, 4 rook, 5 queen, 6 king, 7 border
//  C:     colour, 0 White, 1 Black
//  EP:    en-passant mark, left on a pawn that has just advanced two squares
//
// A mark follows the square, not the piece: writing a square keeps its mark,
// so an empty square may read 16. Always judge a square by (byte & PIECE_MASK).
// ---------------------------------------------------------------------------

// Piece codes and the square byte's masks share one enum so that they combine
// without casts (KING | COLOUR_BIT is a black king).
enum SquareCode : uint8_t {
  EMPTY = 0,
  PAWN = 1,
  KNIGHT = 2,
  BISHOP = 3,
  ROOK = 4,
  QUEEN = 5,
  KING = 6,
  BORDER = 7,
  PIECE_MASK = 0x07,
  COLOUR_BIT = 0x08,
  EP_MARK = 0x10,
};

enum Colour : uint8_t { WHITE = 0, BLACK = 1 };

constexpr uint8_t piece_of(uint8_t sqbyte) { return sqbyte & PIECE_MASK; }
constexpr uint8_t colour_of(uint8_t sqbyte) { return (sqbyte >> 3) & 1; }
constexpr bool has_ep_mark(uint8_t sqbyte) { return (sqbyte & EP_MARK) != 0; }

// ---------------------------------------------------------------------------
// State byte (byte 144)
//
//    7   6    5    4    3    2    1    0
//  +---+----+----+----+----+----+----+---+
//  | 0 | BC | WC | BK | BQ | WK | WQ | S |
//  +---+----+----+----+----+----+----+---+
//  S:  side to move, 0 White, 1 Black
//  WQ/WK, BQ/BK: castling right LOST on the a-file (queen) / h-file (king) side
//  WC/BC: this side has castled somewhere on the current search line
//
// The lost-flag pair of side c sits at shift 1 + 2c, queen side in the low bit.
// ---------------------------------------------------------------------------

enum StateBits : uint8_t {
  ST_BLACK_TO_MOVE = 0x01,
  ST_WHITE_QUEEN_LOST = 0x02,
  ST_WHITE_KING_LOST = 0x04,
  ST_BLACK_QUEEN_LOST = 0x08,
  ST_BLACK_KING_LOST = 0x10,
  ST_WHITE_CASTLED = 0x20,
  ST_BLACK_CASTLED = 0x40,
};

constexpr uint8_t side_to_move(const uint8_t *cb) { return cb[CB_STATE] & ST_BLACK_TO_MOVE; }
constexpr int castling_shift(int colour) { return 1 + 2 * colour; }
constexpr uint8_t queen_side_lost_bit(int colour) { return uint8_t(1u << castling_shift(colour)); }
constexpr uint8_t king_side_lost_bit(int colour) { return uint8_t(2u << castling_shift(colour)); }
constexpr uint8_t castled_bit(int colour) { return uint8_t(ST_WHITE_CASTLED << colour); }

// ---------------------------------------------------------------------------
// Castling rooks and rules (bytes 147..151)
//
// Byte 147 + 2c + w is the start square of side c's castling rook on side w
// (0 the a-file side, 1 the h-file side): the order of the lost flags, and
// of the castling keys. Byte 151 says how castling is played:
//
//  standard (0)  king on e1/e8, rooks in the corners; the castling move is
//                the king's two-column step (e1g1), and a rook leaving the
//                a- or h-file costs that side's right, whatever its rank.
//  Chess960 (1)  king and rooks anywhere on the back rank, king between
//                them; the castling move is written as the king taking its
//                own rook (e1h1, b1a1), and a right is lost only by a move
//                from or onto its rook's start square (or any king move).
//
// Either way castling puts the king on the g- or c-file and the rook on the
// f- or d-file. The rules never change during a game, and the search never
// writes these bytes.
// ---------------------------------------------------------------------------

enum CastlingRules : uint8_t { RULES_STANDARD = 0, RULES_CHESS960 = 1 };

constexpr bool is_chess960(const uint8_t *cb) { return (cb[CB_RULES] & RULES_CHESS960) != 0; }
// Start square of side colour's castling rook on side which (0 a-file, 1 h-file).
constexpr int castling_rook_square(const uint8_t *cb, int colour, int which) {
  return cb[CB_CASTLING_ROOKS + 2 * colour + which];
}
// Where king and rook stand after castling on side which.
constexpr int castled_king_square(int colour, int which) { return square_of(which ? 6 : 2, colour ? 7 : 0); }
constexpr int castled_rook_square(int colour, int which) { return square_of(which ? 5 : 3, colour ? 7 : 0); }
// The castling right (colour * 2 + which) whose rook starts on square, -1
// for none: in Chess960 a move from or onto that square takes the right.
constexpr int castling_right_of_rook_square(const uint8_t *cb, int square) {
  for (int i = 0; i < 4; ++i)
    if (cb[CB_CASTLING_ROOKS + i] == square) return i;
  return -1;
}

// ---------------------------------------------------------------------------
// Move word: the search's result and the input of play_move
//
//   31  30  29      23 22      16 15                0
//  +---+---+----------+----------+-------------------+
//  | U | N |    to    |   from   |       score       |
//  +---+---+----------+----------+-------------------+
//  score: 16-bit, White's point of view (30000 balanced, 60000 Black mated)
//  N, U:  promotion piece when a pawn reaches the last rank:
//         N=0 U=0 queen, N=1 U=0 knight, N=0 U=1 rook, N=1 U=1 bishop.
//         U (bit 31) only ever comes from a front end's move text; the search
//         and the book never set it.
//
// A move made from text carries score 0; the converter's "not a move" answer
// is the value 1, so callers test the low 16 bits.
// ---------------------------------------------------------------------------

inline constexpr uint32_t MW_SCORE_MASK = 0xFFFFu;
inline constexpr int MW_FROM_SHIFT = 16;
inline constexpr int MW_TO_SHIFT = 23;
inline constexpr uint32_t MW_SQUARE_MASK = 0x7Fu;
inline constexpr uint32_t MW_PROMO_KNIGHT = 1u << 30;
inline constexpr uint32_t MW_PROMO_UNDER = 1u << 31;
inline constexpr uint32_t MW_PROMO_ROOK = MW_PROMO_UNDER;
inline constexpr uint32_t MW_PROMO_BISHOP = MW_PROMO_UNDER | MW_PROMO_KNIGHT;
inline constexpr uint32_t MW_NOT_A_MOVE = 1;

constexpr uint32_t move_word(int from, int to) {
  return ((uint32_t(from) & MW_SQUARE_MASK) << MW_FROM_SHIFT) |
         ((uint32_t(to) & MW_SQUARE_MASK) << MW_TO_SHIFT);
}
constexpr int move_from(uint32_t mw) { return int((mw >> MW_FROM_SHIFT) & MW_SQUARE_MASK); }
constexpr int move_to(uint32_t mw) { return int((mw >> MW_TO_SHIFT) & MW_SQUARE_MASK); }
constexpr uint32_t move_score(uint32_t mw) { return mw & MW_SCORE_MASK; }

// Whether a Move word names a move: a search's result without squares names
// none (no legal move, or no root move searched to the end).
constexpr bool names_a_move(uint32_t mw) { return move_from(mw) != 0 || move_to(mw) != 0; }

// Piece a pawn becomes when the move word promotes it.
constexpr uint8_t move_promotion_piece(uint32_t mw) {
  if (mw & MW_PROMO_UNDER) return (mw & MW_PROMO_KNIGHT) ? BISHOP : ROOK;
  return (mw & MW_PROMO_KNIGHT) ? KNIGHT : QUEEN;
}

// The piece a Move word makes of the piece on its from-square: the word's
// promotion piece when that is a pawn reaching the last rank (row 2 or 9),
// EMPTY for every other move.
constexpr uint8_t move_promotion_on(const uint8_t *cb, uint32_t mw) {
  const int row = square_row(move_to(mw));
  const bool promotes = piece_of(cb[move_from(mw)]) == PAWN && (row == 2 || row == 9);
  return promotes ? move_promotion_piece(mw) : uint8_t(EMPTY);
}

// ---------------------------------------------------------------------------
// Generated move: an entry of the full move generator's list
//
//   31         24 23         16 15          8 7           0
//  +-------------+-------------+-------------+-------------+
//  |    first    |    kind     |     to      |    from     |
//  +-------------+-------------+-------------+-------------+
//  first: 1 = tried in the search's first pass (captures, promotions,
//         en passant, castling), 0 = quiet move for the second pass
// ---------------------------------------------------------------------------

enum MoveKind : uint8_t {
  KIND_NORMAL = 0,        // ordinary move or capture, any piece
  KIND_PROMO_KNIGHT = 2,  // pawn promotes to a knight (kind = new piece code)
  KIND_PROMO_QUEEN = 5,   // pawn promotes to a queen
  KIND_CASTLE_KING = 8,   // king two files towards h
  KIND_CASTLE_QUEEN = 9,  // king two files towards a
  KIND_EN_PASSANT = 10,
  KIND_DOUBLE_PUSH = 11,  // pawn advances two squares
  // Never generated: how the quiescence search makes its captures, as plain
  // moves (a pawn reaching the last rank stays a pawn, castling rights do
  // not change).
  KIND_PLAIN_CAPTURE = 12,
};

// Largest number of pseudo-legal moves any position can produce is 218; the
// list is sized with room to spare.
inline constexpr int MAX_GENERATED_MOVES = 256;

constexpr uint32_t fill_move(uint8_t from, uint8_t to, uint8_t kind, int32_t first) {
  return uint32_t(from) + uint32_t(to) * 256u + uint32_t(kind) * 65536u + uint32_t(first) * 16777216u;
}
constexpr uint8_t gm_from(uint32_t gm) { return uint8_t(gm); }
constexpr uint8_t gm_to(uint32_t gm) { return uint8_t(gm >> 8); }
constexpr uint8_t gm_kind(uint32_t gm) { return uint8_t(gm >> 16); }
constexpr uint8_t gm_first(uint32_t gm) { return uint8_t(gm >> 24); }

// ---------------------------------------------------------------------------
// Constant tables
// ---------------------------------------------------------------------------

// The 64 playable squares, a1..h1, a2..h2, ..., a8..h8: the generator's walk.
inline constexpr std::array<int32_t, 64> boardin = [] {
  std::array<int32_t, 64> t{};
  for (int r = 0; r < 8; ++r)
    for (int f = 0; f < 8; ++f) t[r * 8 + f] = square_of(f, r);
  return t;
}();

// Piece values by piece code, for capture ordering.
inline constexpr std::array<int32_t, 7> value_piece = {0, 100, 300, 300, 500, 900, 4200};

// Direction lists, each ended by 0; the order is the order moves are tried.
inline constexpr std::array<int8_t, 5> argbishop = {-11, -13, 11, 13, 0};
inline constexpr std::array<int8_t, 9> argknight = {-10, -14, -23, -25, 10, 14, 23, 25, 0};
inline constexpr std::array<int8_t, 5> argrook = {-12, -1, 12, 1, 0};
inline constexpr std::array<int8_t, 9> argqueen = {-11, -13, -12, -1, 11, 13, 12, 1, 0};
inline constexpr std::array<int8_t, 9> argking = {-11, -13, -12, -1, 11, 13, 12, 1, 0};
inline constexpr std::array<int8_t, 3> argpwhite = {11, 13, 0}; // White pawn captures
inline constexpr std::array<int8_t, 3> argpblack = {-11, -13, 0}; // Black pawn captures

// ---------------------------------------------------------------------------
// Board operations
// ---------------------------------------------------------------------------

// Allocates a new board in the start position; the caller releases it with
// release_chessboard.
uint8_t *init_chessboard();
void release_chessboard(uint8_t *cb);

// Resets an existing board to the start position: White to move, all castling
// rights, no en-passant marks, bytes 145 and 146 zero, standard castling
// rules with the rooks in the corners.
void start_position(uint8_t *cb);

// Sets the castling rules of the game on the board (RULES_STANDARD or
// RULES_CHESS960), keeping the castling rooks' squares.
void set_castling_rules(uint8_t *cb, uint8_t rules);

// Writes piece and colour on a square; the square's en-passant mark survives
// whatever is written (bits 3 and 4 of the piece argument are ignored).
void cb_set_value(uint8_t square, uint8_t piece, uint8_t colour, uint8_t *cb);

uint8_t cb_get_value(uint8_t square, const uint8_t *cb);

// The byte at a square index reached by a step from a playable square: the
// two-deep border keeps every such index inside the mailbox, and the index
// is taken as a byte, as the board's square indices are.
inline uint8_t at(const uint8_t *cb, int sq) { return cb[uint8_t(sq)]; }
