// The word-at-a-time readers (occupancy, king search, attack test, the
// evaluator built on them) against plain square-by-square computations, over
// the positions of random games (en-passant marks, castled bits, promotions
// and captures all occur).
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "eval/piece_square_tables.h"
#include "movegen/attack.h"
#include "board/board_scan.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"

namespace {

using Board = std::array<uint8_t, CB_SIZE>;

// Positions of a few random games from the start, every ply kept.
std::vector<Board> random_positions(int games, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<Board> out;
  uint8_t *start = init_chessboard();
  for (int g = 0; g < games; ++g) {
    Board b;
    std::memcpy(b.data(), start, CB_SIZE);
    for (int ply = 0; ply < 120; ++ply) {
      out.push_back(b);
      uint32_t list[MAX_GENERATED_MOVES];
      const int n = generate_moves(b.data(), list);
      std::vector<Board> children;
      for (int i = 0; i < n; ++i) {
        Board child = b;
        if (play_if_legal(child.data(), list[i])) children.push_back(child);
      }
      if (children.empty()) break;
      b = children[rng() % children.size()];
      // Now and then a castled bit, as the search's castling leaves one.
      if (rng() % 16 == 0) b[CB_STATE] |= castled_bit(rng() % 2);
    }
  }
  release_chessboard(start);
  return out;
}

const std::vector<Board> &positions() {
  static const std::vector<Board> p = random_positions(40, 2026);
  return p;
}

bool is_piece(uint8_t b) { return piece_of(b) != EMPTY && piece_of(b) != BORDER; }

// The attack test probe by probe, as the rules say it.
int attacked_reference(const uint8_t *cb, uint8_t colour, int square) {
  if (square < SQ_FIRST || square > SQ_LAST) return 0;
  const auto enemy = [&](int sq, uint8_t piece) {
    const uint8_t b = cb[uint8_t(sq)];
    return piece_of(b) == piece && colour_of(b) != colour;
  };
  for (int off : argknight) if (off && enemy(square + off, KNIGHT)) return 1;
  for (int off : argking) if (off && enemy(square + off, KING)) return 1;
  for (int off : argking) {
    if (!off) continue;
    int sq = square + off;
    while (piece_of(cb[uint8_t(sq)]) == EMPTY) sq += off;
    const bool diagonal = off == 11 || off == -11 || off == 13 || off == -13;
    if (enemy(sq, QUEEN) || enemy(sq, diagonal ? BISHOP : ROOK)) return 1;
  }
  for (int off : {11, 13}) {
    const int probe = square + (colour == BLACK ? -off : off);
    const int rows = square_row(probe) - square_row(square);
    if ((rows == 1 || rows == -1) && enemy(probe, PAWN)) return 1;
  }
  return 0;
}

// The evaluation walked over every square with the public terms.
int evaluation_reference(const uint8_t *cb, int phase) {
  const bool safety = phase != PHASE_OPENING;
  const ColourTable &pawns =
      phase == PHASE_OPENING ? ope_position_pawn : phase == PHASE_MIDDLE ? mid_position_pawn : end_position_pawn;
  const ColourTable &kings = phase == PHASE_ENDING ? end_position_king : ope_position_king;
  int score = 30000;
  uint8_t pawn_files[8] = {}, rook_files[8] = {};
  for (int s = SQ_FIRST; s <= SQ_LAST; ++s) {
    if (!is_piece(cb[s])) continue;
    const int c = colour_of(cb[s]), sign = c == WHITE ? 1 : -1;
    const uint8_t count = c == WHITE ? 1 : 16;
    switch (piece_of(cb[s])) {
      case PAWN:
        score += sign * (100 + pawns[c][s]) + (safety ? malus_pawn_security(cb, s, c) : 0);
        pawn_files[square_column(s) - 2] += count;
        break;
      case KNIGHT: score += sign * (300 + position_good_knight[s]); break;
      case BISHOP: score += sign * ((safety ? 310 : 300) + position_good_bishop[s]); break;
      case ROOK:
        score += sign * 500;
        rook_files[square_column(s) - 2] += count;
        break;
      case QUEEN: score += sign * 900; break;
      default: score += sign * kings[c][s] + (safety ? check_security_king(cb, s, c) : 0); break;
    }
  }
  return castling_evaluation(cb, hoz_evaluation(score, pawn_files, rook_files));
}

}  // namespace

TEST(BoardScan, OccupancyAndKingSearchMatchASquareWalk) {
  ASSERT_GT(positions().size(), 2000u);
  for (const Board &b : positions()) {
    uint64_t colour[2] = {0, 0};
    int king[2] = {-1, -1};
    for (int i = 63; i >= 0; --i) {
      const uint8_t byte = b[boardin[i]];
      if (!is_piece(byte)) continue;
      colour[colour_of(byte)] |= uint64_t(1) << i;
      if (piece_of(byte) == KING) king[colour_of(byte)] = boardin[i];
    }
    const board_scan::Occupancy occ = board_scan::occupancy(b.data());
    for (uint8_t c : {WHITE, BLACK}) {
      ASSERT_EQ(occ.by_colour[c], colour[c]);
      ASSERT_EQ(board_scan::occupancy_of(b.data(), c), colour[c]);
      ASSERT_EQ(where_is_king(b.data(), c), king[c]);
    }
    ASSERT_EQ(board_scan::occupied(b.data()), colour[WHITE] | colour[BLACK]);
  }
}

TEST(BoardScan, AttackTestMatchesProbeByProbe) {
  for (const Board &b : positions())
    for (int sq = SQ_FIRST; sq <= SQ_LAST; ++sq)
      for (uint8_t c : {WHITE, BLACK})
        ASSERT_EQ(king_attacked(b.data(), c, sq), attacked_reference(b.data(), c, sq)) << sq;
}

TEST(BoardScan, EvaluatorsMatchASquareWalk) {
  for (const Board &b : positions()) {
    ASSERT_EQ(heuristic_opening(b.data(), 0), evaluation_reference(b.data(), PHASE_OPENING));
    ASSERT_EQ(heuristic_middle(b.data(), 0), evaluation_reference(b.data(), PHASE_MIDDLE));
    ASSERT_EQ(heuristic_ending(b.data(), 0), evaluation_reference(b.data(), PHASE_ENDING));
  }
}
