#include "eval/chess_heuristic.h"

#include <array>
#include <bit>
#include <cstdio>
#include <cstdlib>

#include "board/chess_cb.h"
#include "eval/file_structure.h"
#include "eval/piece_square_values.h"
#include "eval/weights.h"
#include "board/board_scan.h"

namespace {

constexpr int FILES = 8;
using namespace phase_terms;

// Byte of the evaluator's file masks that a piece code marks (see evaluate).
constexpr std::array<uint8_t, 16> FILE_BYTE = [] {
  std::array<uint8_t, 16> t{};
  for (int code = 0; code < 16; ++code) t[code] = 4;
  t[PAWN] = 0;
  t[PAWN | COLOUR_BIT] = 1;
  t[ROOK] = 2;
  t[ROOK | COLOUR_BIT] = 3;
  return t;
}();

// Scores the board with the given phase's terms, from White's point of view,
// 30000-centred. The board is only read. Only the
// occupied squares are visited; the sums do not depend on the order.
template <const PhaseTerms &T, const PieceSquareValues &V>
int evaluate(const uint8_t *cb) {
  int score = weights::BALANCED;

  // Bit f of byte FILE_BYTE[code] is set for a file holding such a piece:
  // White pawns, Black pawns, White rooks, Black rooks in bytes 0 to 3; the
  // other pieces land in bytes nobody reads, which saves a branch per piece.
  // A pawn whose file bit is already set makes the file doubled (twos).
  uint64_t files = 0, twos = 0;

  uint64_t bits = board_scan::occupied(cb);
  while (bits) {
    const int b = std::countr_zero(bits);
    bits &= bits - 1;
    const int s = boardin[b];
    const uint8_t code = cb[s] & (PIECE_MASK | COLOUR_BIT);
    score += V[code][b];
    const uint64_t file_bit = uint64_t(1) << (8 * FILE_BYTE[code] + (b & 7));
    twos |= files & file_bit;
    files |= file_bit;
    if constexpr (T.pawn_and_king_safety) {
      const uint8_t piece = code & PIECE_MASK;
      if (piece == PAWN)
        score += malus_pawn_security(cb, s, code >> 3);
      else if (piece == KING)
        score += check_security_king(cb, s, code >> 3);
    }
  }

  const uint8_t pawns_one[2] = {uint8_t(files), uint8_t(files >> 8)};
  const uint8_t pawns_two[2] = {uint8_t(twos), uint8_t(twos >> 8)};
  const uint8_t rooks[2] = {uint8_t(files >> 16), uint8_t(files >> 24)};
  score = file_evaluation(score, pawns_one, pawns_two, rooks);
  return castling_evaluation(cb, score);
}

// Masks of the files holding at least one (one) and at least two (two)
// members of a set: the eight ranks folded onto one byte, halves at a time.
// Merging two halves, a file holds two when either half does or both hold one.
struct FileMasks {
  uint8_t one, two;
};

inline FileMasks file_masks(uint64_t set) {
  // Only the low byte is read at the end, and each step's low half depends
  // only on the previous low half, so the high bits need no clearing.
  uint64_t one = set;
  uint64_t two = one & (one >> 32);
  one |= one >> 32;
  two |= (two >> 16) | (one & (one >> 16));
  one |= one >> 16;
  two |= (two >> 8) | (one & (one >> 8));
  one |= one >> 8;
  return {uint8_t(one), uint8_t(two)};
}

// Files holding at least one member of a set.
inline uint8_t files_of(uint64_t set) {
  set |= set >> 32;
  set |= set >> 16;
  set |= set >> 8;
  return uint8_t(set);
}

constexpr uint64_t FILE_A = 0x0101010101010101ull;
constexpr uint64_t FILE_H = 0x8080808080808080ull;

// Pawns of a set with no own pawn one rank behind on a neighbouring file
// (behind is towards rank 1 for White, rank 8 for Black).
inline uint64_t unprotected_pawns(uint64_t pawns, int colour) {
  const uint64_t defended = colour == WHITE ? ((pawns << 9) & ~FILE_A) | ((pawns << 7) & ~FILE_H)
                                            : ((pawns >> 7) & ~FILE_A) | ((pawns >> 9) & ~FILE_H);
  return pawns & ~defended;
}

// The same score as evaluate<T, V>, from the piece sets and the sum of V
// over the pieces that the search keeps: the board is read only around the
// kings and for the castled bits.
template <const PhaseTerms &T>
int evaluate_kept(const uint8_t *cb, const PieceSets &sets, int material) {
  int score = weights::BALANCED + material;

  const FileMasks white = file_masks(sets.of[PAWN]);
  const FileMasks black = file_masks(sets.of[PAWN | COLOUR_BIT]);
  const uint8_t pawns_one[2] = {white.one, black.one};
  const uint8_t pawns_two[2] = {white.two, black.two};
  const uint8_t rooks[2] = {files_of(sets.of[ROOK]), files_of(sets.of[ROOK | COLOUR_BIT])};
  score = file_evaluation(score, pawns_one, pawns_two, rooks);

  if constexpr (T.pawn_and_king_safety) {
    // malus_pawn_security of every pawn: one weight per pawn without a defender.
    score -= weights::UNDEFENDED_PAWN * std::popcount(unprotected_pawns(sets.of[PAWN], WHITE));
    score += weights::UNDEFENDED_PAWN * std::popcount(unprotected_pawns(sets.of[PAWN | COLOUR_BIT], BLACK));
    for (int colour = WHITE; colour <= BLACK; ++colour)
      for (uint64_t kings = sets.of[KING | (colour << 3)]; kings != 0; kings &= kings - 1)
        score += check_security_king(cb, boardin[std::countr_zero(kings)], colour);
  }
  return castling_evaluation(cb, score);
}

[[noreturn]] void phase_undefined() {
  // Every search decides its phase at the root, so this means the engine's
  // own state is broken: stop rather than search on nonsense.
  // The message goes straight to standard output, not to the protocol
  // transport, and the process ends with status 0 like every other exit.
  std::printf("Game position undefined !\n");
  std::exit(0);
}

}  // namespace

int heuristic_kept(const uint8_t *cb, const PieceSets &sets, int material, int phase) {
  switch (phase) {
    case PHASE_OPENING: return evaluate_kept<OPENING>(cb, sets, material);
    case PHASE_MIDDLE: return evaluate_kept<MIDDLE>(cb, sets, material);
    case PHASE_ENDING: return evaluate_kept<ENDING>(cb, sets, material);
    default: phase_undefined();
  }
}

int piece_square_sum(const uint8_t *cb, int phase) {
  const PieceSquareValues &v = phase_values(phase);
  int sum = 0;
  for (uint64_t bits = board_scan::occupied(cb); bits != 0; bits &= bits - 1) {
    const int b = std::countr_zero(bits);
    sum += v[cb[boardin[b]] & (PIECE_MASK | COLOUR_BIT)][b];
  }
  return sum;
}

int heuristic(const uint8_t *cb, int phase) {
  switch (phase) {
    case PHASE_OPENING: return evaluate<OPENING, OPENING_VALUES>(cb);
    case PHASE_MIDDLE: return evaluate<MIDDLE, MIDDLE_VALUES>(cb);
    case PHASE_ENDING: return evaluate<ENDING, ENDING_VALUES>(cb);
    default: phase_undefined();
  }
}

// The side to move is accepted for the common signature and never read: the
// score is White's whoever is to move.
int heuristic_opening(const uint8_t *cb, uint8_t /*side*/) { return evaluate<OPENING, OPENING_VALUES>(cb); }
int heuristic_middle(const uint8_t *cb, uint8_t /*side*/) { return evaluate<MIDDLE, MIDDLE_VALUES>(cb); }
int heuristic_ending(const uint8_t *cb, uint8_t /*side*/) { return evaluate<ENDING, ENDING_VALUES>(cb); }

int check_security_king(const uint8_t *cb, int king_square, int colour) {
  // The direction follows the king's square, not its colour: a king on ranks
  // 1 to 3 looks for cover towards rank 8, any other towards rank 1. Each
  // line is (near, far): own file, then the two diagonals; the far square of
  // a diagonal is two diagonal steps away.
  static constexpr int up[3][2] = {{12, 24}, {11, 22}, {13, 26}};
  const int dir = king_square <= 61 ? 1 : -1;
  int cover = 0;
  for (const auto &line : up) {
    // Pawns of either colour give cover.
    if (piece_of(cb[king_square + dir * line[0]]) == PAWN)
      cover += weights::KING_COVER_NEAR;
    else if (piece_of(cb[king_square + dir * line[1]]) == PAWN)
      cover += weights::KING_COVER_FAR;
  }
  return colour == WHITE ? cover : -cover;
}

int malus_pawn_security(const uint8_t *cb, int pawn_square, int colour) {
  // Defenders stand one rank behind the pawn on a neighbouring file.
  const int behind = colour == WHITE ? -12 : 12;
  const uint8_t own_pawn = uint8_t(PAWN | (colour == WHITE ? 0 : COLOUR_BIT));
  for (int side_step : {-1, 1}) {
    const uint8_t b = cb[pawn_square + behind + side_step];
    if ((b & (PIECE_MASK | COLOUR_BIT)) == own_pawn) return 0;
  }
  return colour == WHITE ? -weights::UNDEFENDED_PAWN : weights::UNDEFENDED_PAWN;
}

// File count byte: a White piece adds 1, a Black one 16, so the low nibble
// counts White's pieces on the file and the high nibble Black's.
namespace {
constexpr int white_count(uint8_t b) { return b & 0x0F; }
constexpr int black_count(uint8_t b) { return b >> 4; }
}  // namespace

int hoz_evaluation(int score, const uint8_t *pawn_files, const uint8_t *rook_files) {
  // w and b count consecutive files holding exactly one pawn of that colour;
  // a file with two or more pawns neither extends nor breaks the run, an
  // empty file ends it, and a run of length 1 is an isolated pawn.
  int w = 0, b = 0;
  for (int f = 0; f < FILES; ++f) {
    const int wp = white_count(pawn_files[f]), bp = black_count(pawn_files[f]);
    const int wr = white_count(rook_files[f]), br = black_count(rook_files[f]);

    if (wp > 1) {
      score -= weights::DOUBLED_PAWNS;
    } else if (wp == 0) {
      if (w == 1) score -= weights::ISOLATED_PAWN;
      w = 0;
    } else {
      ++w;
    }

    if (bp > 1) {
      score += weights::DOUBLED_PAWNS;
    } else if (bp == 0) {
      if (b == 1) score += weights::ISOLATED_PAWN;
      b = 0;
    } else {
      ++b;
    }

    // Rooks are judged by the run counters after this file's pawns: once per
    // file, however many rooks of the colour stand on it.
    if (wr > 0) {
      if (w == 0 && b == 0)
        score += weights::ROOK_OPEN_FILE;
      else if (w == 0)
        score += weights::ROOK_HALF_OPEN_FILE;
    }
    if (br > 0) {
      if (b == 0 && w == 0)
        score -= weights::ROOK_OPEN_FILE;
      else if (b == 0)
        score -= weights::ROOK_HALF_OPEN_FILE;
    }
  }
  // A run still open at the h-file ends at the board's edge.
  if (w == 1) score -= weights::ISOLATED_PAWN;
  if (b == 1) score += weights::ISOLATED_PAWN;
  return score;
}

int castling_evaluation(const uint8_t *cb, int score) {
  // Only the search's own castling moves set these bits, so at the root they
  // are clear and this rewards castling somewhere on the line searched.
  if (cb[CB_STATE] & ST_WHITE_CASTLED) score += weights::CASTLED;
  if (cb[CB_STATE] & ST_BLACK_CASTLED) score -= weights::CASTLED;
  return score;
}
