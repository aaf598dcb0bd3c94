#include "movegen/attack.h"

#include <bit>

#include "board/chess_cb.h"
#include "board/board_scan.h"

namespace {

// Bit (piece | colour << 3) of a square byte's low nibble: sets of attacker
// codes are 16-bit masks, so one shift and test judges a byte against all of
// them. Border bytes (7) and empty squares are in no set.
constexpr uint16_t code_bit(uint8_t piece, int colour) { return uint16_t(1u << (piece | (colour << 3))); }
inline bool in_set(uint16_t set, uint8_t sqbyte) { return (set >> (sqbyte & (PIECE_MASK | COLOUR_BIT))) & 1; }

constexpr int knight_probes[8] = {23, 25, 10, 14, -23, -25, -10, -14};

// The eight lines out of a square: four straight, then four diagonal.
constexpr int line_steps[8] = {12, -12, 1, -1, -13, -11, 13, 11};

// Per defender colour and line: the attackers that hit the square from the
// first square of the line (near) and from further along it (far). A king
// and, on the two lines a pawn captures along, an enemy pawn attack only
// from next door; enemy pawns attack a White square from above (+11, +13)
// and a Black one from below.
struct LineSets {
  uint16_t near[8];
  uint16_t far[8];
};

// Attackers of a defender: the other colour's pieces. A colour argument that
// is neither White nor Black (defender 2) has every piece as an enemy and
// White's pawn lines, as the piece-by-piece comparisons always gave it.
constexpr uint16_t enemy_bits(uint8_t piece, int defender) {
  if (defender > BLACK) return uint16_t(code_bit(piece, WHITE) | code_bit(piece, BLACK));
  return code_bit(piece, defender ^ 1);
}

constexpr LineSets line_sets(int defender) {
  LineSets t{};
  for (int i = 0; i < 8; ++i) {
    const bool straight = i < 4;
    t.far[i] = uint16_t(enemy_bits(QUEEN, defender) | enemy_bits(straight ? ROOK : BISHOP, defender));
    t.near[i] = uint16_t(t.far[i] | enemy_bits(KING, defender));
    const int step = line_steps[i];
    const bool pawn_line = defender == BLACK ? (step == -11 || step == -13) : (step == 11 || step == 13);
    if (pawn_line) t.near[i] = uint16_t(t.near[i] | enemy_bits(PAWN, defender));
  }
  return t;
}

constexpr LineSets LINES[3] = {line_sets(WHITE), line_sets(BLACK), line_sets(2)};

}  // namespace

int king_attacked(const uint8_t *cb, uint8_t colour, int square) {
  // Nothing to probe from: a missing king (-1) or any index off the playable
  // rows would let the probes run outside the buffer.
  if (square < SQ_FIRST || square > SQ_LAST) return 0;
  const int defender = colour > BLACK ? 2 : colour;

  // The border bytes within 26..117 may be asked about (the castling tests
  // reach square + 3 from a king that stands on g1); from them every probe
  // still lands between 1 and 142, so nothing outside the mailbox is read.
  const uint16_t knight = enemy_bits(KNIGHT, defender);
  for (int off : knight_probes)
    if (in_set(knight, cb[uint8_t(square + off)])) return 1;

  // Each line once: the neighbour is judged against every attacker that can
  // stand next door (king, pawn, slider), and only an empty neighbour lets
  // the line run on to the first piece, judged against the sliders.
  const LineSets &sets = LINES[defender];
  for (int i = 0; i < 8; ++i) {
    const int step = line_steps[i];
    int sq = square + step;
    uint8_t byte = cb[uint8_t(sq)];
    if (piece_of(byte) != EMPTY) {
      if (!in_set(sets.near[i], byte)) continue;
      // A pawn attacks only from the next row; a square on the border's
      // outer column would otherwise see one along the row.
      if (piece_of(byte) == PAWN) {
        const int rows_apart = square_row(sq) - square_row(square);
        if (rows_apart != 1 && rows_apart != -1) continue;
      }
      return 1;
    }
    do {
      sq += step;
      byte = cb[uint8_t(sq)];
    } while (piece_of(byte) == EMPTY);
    if (in_set(sets.far[i], byte)) return 1;
  }
  return 0;
}

int king_attacked(const uint8_t *cb, const PieceSets &sets, uint8_t colour, int square) {
  using namespace board_scan;
  const int b = square >= 0 && square < CB_MAILBOX ? square_bit[square] : -1;
  if (b < 0 || colour > BLACK) return king_attacked(cb, colour, square);
  const int enemy = (colour ^ 1) << 3;
  // Steppers first: a look-up each, whatever stands between.
  if ((KNIGHT_TARGETS[b] & sets.of[KNIGHT | enemy]) || (KING_TARGETS[b] & sets.of[KING | enemy]) ||
      (PAWN_TARGETS[colour][b] & sets.of[PAWN | enemy]))
    return 1;
  // Sliders: the first piece along each line that an enemy slider of the
  // kind could stand on; lines without one are not looked at.
  const uint64_t all = sets.by_colour[WHITE] | sets.by_colour[BLACK];
  const uint64_t straight = sets.of[ROOK | enemy] | sets.of[QUEEN | enemy];
  const uint64_t diagonal = sets.of[BISHOP | enemy] | sets.of[QUEEN | enemy];
  for (int d = 0; d < 8; ++d) {
    const uint64_t sliders = d < 4 ? straight : diagonal;
    if ((LINE[d][b] & sliders) == 0) continue;
    const int first = first_on_line(all, d, b);
    if ((sliders >> first) & 1) return 1;
  }
  return 0;
}

int where_is_king(const uint8_t *cb, uint8_t colour) {
  // Kings only stand on the playable squares: eight of them are compared at
  // once, rank by rank upwards, and the lowest match is the first square.
  if (colour > BLACK) return -1;  // no king has that colour
  const uint8_t king = uint8_t(KING | (colour << 3));
  for (int r = 0; r < 8; ++r) {
    const uint64_t match =
        board_scan::bytes_equal(board_scan::rank_word(cb, r) & board_scan::LOW_NIBBLES, king);
    if (match) return square_of(std::countr_zero(match) / 8, r);
  }
  return -1;
}

int king_not_attacked_right(const uint8_t *cb, uint8_t colour, int square) {
  // The rook's corner (square + 3) counts too: castling is refused when it is
  // attacked, although the king never crosses it.
  for (int sq = square; sq <= square + 3; ++sq)
    if (king_attacked(cb, colour, sq)) return 0;
  return 1;
}

int king_not_attacked_left(const uint8_t *cb, uint8_t colour, int square) {
  // Stricter than the king's path: the b-file square (square - 3) and the
  // rook's corner (square - 4) must be unattacked as well.
  for (int sq = square; sq >= square - 4; --sq)
    if (king_attacked(cb, colour, sq)) return 0;
  return 1;
}
