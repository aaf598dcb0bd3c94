#include "eval/chess_heuristic.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "eval/file_structure.h"
#include "notation/position.h"
#include "eval_test_board.h"

namespace {

const int PHASES[] = {PHASE_OPENING, PHASE_MIDDLE, PHASE_ENDING};

// Kings used where a test is about other pieces: a White king on a8 and a
// Black king on h1 cancel in every phase's king table and find no pawn cover
// unless a pawn stands on a7, a6, b7, c6 or h2, h3, g2, f3.
struct EvalCase {
  const char *pieces;
  int opening, middle, ending;
};

const EvalCase EVAL_CASES[] = {
    // Knights: one unmirrored table, so d4 (7) and d5 (5) do not cancel.
    {"Nd4 nd5 Ke1 ke8", 30002, 30002, 30002},
    // Bishops: signed table, and 300 in the opening, 310 later.
    {"Ba1 Ke1 ke8", 30293, 30303, 30303},
    {"ba1 Ke1 ke8", 29707, 29697, 29697},
    // King tables of both colours, opening/middle table against ending table.
    {"Kg1 kd5", 30012, 30012, 29993},
    {"Kd4 kg8", 29990, 29990, 30007},
    {"Kd4 kg7", 29988, 29988, 30005},
    // One pawn: isolated (-30); later phases add the king's cover (d2 covers
    // e1 diagonally, +15) and the undefended pawn (-5).
    {"Ke1 ke8 Pd2", 30070, 30080, 30080},
    // Doubled d-file (-50) does not extend the c-pawn's run: still isolated.
    {"Ke1 ke8 Pc2 Pd2 Pd3", 30227, 30227, 30225},
    // Edge files: isolated on the a-file, and on the h-file charged after the
    // last file.
    {"Ka8 kh1 Pa4", 30071, 30067, 30068},
    {"Ka8 kh1 Ph4", 30071, 30067, 30068},
    {"Ka8 kh1 Pa4 Pb4", 30202, 30194, 30196},
    // Black's counts come from the high nibble: isolated is +30 for White,
    // doubled +50.
    {"Ka8 kh1 pd5", 29922, 29930, 29932},
    {"Ka8 kh1 pd5 pd6", 29835, 29853, 29857},
    // Rook files: 40 on a file without pawns, once per file; 30 with only
    // the opponent's pawns; nothing on a file with its own pawn.
    {"Ka8 kh1 Rd1", 30540, 30540, 30540},
    {"Ka8 kh1 Rd1 Rd2", 31040, 31040, 31040},
    {"Ka8 kh1 Rd1 pc7 pd7", 30330, 30340, 30340},
    {"Ka8 kh1 Rd1 Pd2", 30570, 30565, 30565},
    {"Ka8 kh1 rd8", 29460, 29460, 29460},
    {"Ka8 kh1 rd8 Pc2 Pd2", 29670, 29660, 29660},
};

TEST(Evaluation, StartPositionIsTwoPointsForBlackInEveryPhase) {
  Board b{};
  start_position(b.data());
  for (int phase : PHASES) EXPECT_EQ(evaluate_in(phase, b), 29998) << "phase " << phase;
}

TEST(Evaluation, PositionsScoreAsWorkedOut) {
  for (const EvalCase &c : EVAL_CASES) {
    const Board b = board_with(c.pieces);
    EXPECT_EQ(evaluate_in(PHASE_OPENING, b), c.opening) << c.pieces << " (opening)";
    EXPECT_EQ(evaluate_in(PHASE_MIDDLE, b), c.middle) << c.pieces << " (middle)";
    EXPECT_EQ(evaluate_in(PHASE_ENDING, b), c.ending) << c.pieces << " (ending)";
  }
}

TEST(Evaluation, CastledBitsAreWorthFiftyEach) {
  struct {
    uint8_t state;
    int want;
  } cases[] = {
      {ST_WHITE_CASTLED, 30048},
      {ST_BLACK_CASTLED, 29948},
      {ST_WHITE_CASTLED | ST_BLACK_CASTLED, 29998},
      // Lost castling rights and the side to move are not scored.
      {ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST | ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST, 29998},
  };
  for (const auto &c : cases) {
    Board b{};
    start_position(b.data());
    b[CB_STATE] = c.state;
    for (int phase : PHASES) EXPECT_EQ(evaluate_in(phase, b), c.want) << "state " << int(c.state);
    EXPECT_EQ(castling_evaluation(b.data(), 100), c.want - 29998 + 100);
  }
}

TEST(Evaluation, EnPassantMarkDoesNotHideAPawn) {
  // After e2e4 the e4 pawn carries the mark (byte 17): it must still be
  // scored as a pawn, defend, cover and count on its file.
  Board b{};
  start_position(b.data());
  ASSERT_EQ(load_position_txt2(b.data(), "d2d3 h7h6 e2e4"), 3);
  ASSERT_TRUE(has_ep_mark(b[sq("e4")]));
  Board unmarked = b;
  unmarked[sq("e4")] &= uint8_t(~EP_MARK);
  for (int phase : PHASES) EXPECT_EQ(evaluate_in(phase, b), evaluate_in(phase, unmarked));
  // d3 defends e4 even when the mark sits on e4, and a marked defender counts.
  EXPECT_EQ(malus_pawn_security(b.data(), sq("e4"), WHITE), 0);
  Board marked_defender = board_with("Pe4");
  marked_defender[sq("d3")] = PAWN | EP_MARK;
  EXPECT_EQ(malus_pawn_security(marked_defender.data(), sq("e4"), WHITE), 0);
}

// ---------------------------------------------------------------------------
// Terms
// ---------------------------------------------------------------------------

TEST(KingCover, LinesAndDirection) {
  struct {
    const char *pieces;
    const char *king;
    int colour;
    int want;
  } cases[] = {
      {"Kg1 Pf2 Pg2 Ph2", "g1", WHITE, 45},
      {"Kg1 Pf2 Pg3 Ph2", "g1", WHITE, 40},
      {"kg8 pf7 pg7 ph7", "g8", BLACK, -45},
      {"Kg1 pf2 pg2 ph2", "g1", WHITE, 45},  // pawns of either colour cover
      {"Kg1 Pg2 Pg3", "g1", WHITE, 15},      // only one square of a line scores
      {"Kg1 Pe3", "g1", WHITE, 10},          // far square: two diagonal steps
      {"Kg1 Pf3", "g1", WHITE, 0},           // not on any of the three lines
      {"Kg1 Ng2 Bh2", "g1", WHITE, 0},       // only pawns give cover
      // The direction follows the square: rank 4 looks towards rank 1...
      {"Ke4 Pe3 Pd3 Pf3", "e4", WHITE, 45},
      {"Ke4 Pe5 Pd5 Pf5", "e4", WHITE, 0},
      {"Ka4 Pa3", "a4", WHITE, 15},
      // ...and rank 3 towards rank 8, for a Black king too.
      {"Kh3 Ph4", "h3", WHITE, 15},
      {"kd3 pd4", "d3", BLACK, -15},
  };
  for (const auto &c : cases) {
    const Board b = board_with(c.pieces);
    EXPECT_EQ(check_security_king(b.data(), sq(c.king), c.colour), c.want) << c.pieces;
  }
}

TEST(PawnProtection, DefendedByOwnPawnBehindOnANeighbouringFile) {
  struct {
    const char *pieces;
    const char *pawn;
    int colour;
    int want;
  } cases[] = {
      {"Pd4 Pc3", "d4", WHITE, 0},
      {"Pd4 Pe3", "d4", WHITE, 0},
      {"Pd4 pc3", "d4", WHITE, -5},  // an enemy pawn does not defend
      {"Pd4 Pd3", "d4", WHITE, -5},  // nor a pawn straight behind
      {"Pd4 Pc5", "d4", WHITE, -5},  // nor one in front
      {"Pd4", "d4", WHITE, -5},
      {"pd5 pc6", "d5", BLACK, 0},
      {"pd5 Pc6", "d5", BLACK, 5},
      {"pd5", "d5", BLACK, 5},
  };
  for (const auto &c : cases) {
    const Board b = board_with(c.pieces);
    EXPECT_EQ(malus_pawn_security(b.data(), sq(c.pawn), c.colour), c.want) << c.pieces;
  }
}

TEST(FileTerm, PawnRunsAndRookFiles) {
  // Counts per file a..h: White in the low nibble, Black in the high one.
  struct {
    uint8_t pawns[8];
    uint8_t rooks[8];
    int want;
    const char *what;
  } cases[] = {
      {{1, 0, 0, 0, 0, 0, 0, 0}, {}, -30, "a-pawn isolated"},
      {{0, 0, 0, 0, 0, 0, 0, 1}, {}, -30, "h-pawn isolated, charged after the last file"},
      {{0, 0, 0, 0, 0, 0, 0, 0x10}, {}, 30, "Black h-pawn isolated"},
      {{1, 1, 0, 0, 0, 0, 0, 0}, {}, 0, "run of two"},
      {{0, 1, 2, 1, 0, 0, 0, 0}, {}, -50, "doubled file neither extends nor breaks a run"},
      {{0, 0, 1, 2, 0, 0, 0, 0}, {}, -80, "doubled d-file, isolated c-pawn"},
      {{0x20, 0, 0, 0, 0, 0, 0, 0}, {}, 50, "Black doubled"},
      {{}, {0, 0, 0, 1, 0, 0, 0, 0}, 40, "open file"},
      {{}, {0, 0, 0, 2, 0, 0, 0, 0}, 40, "two rooks on one open file: once"},
      {{0, 0, 0x10, 0x10, 0, 0, 0, 0}, {0, 0, 0, 1, 0, 0, 0, 0}, 30, "half-open for White"},
      {{0, 0, 1, 1, 0, 0, 0, 0}, {0, 0, 0, 0x10, 0, 0, 0, 0}, -30, "half-open for Black"},
      {{0, 0, 0, 1, 0, 0, 0, 0}, {0, 0, 0, 1, 0, 0, 0, 0}, -30, "own pawn on the file: isolated, no bonus"},
      // The rook reads the counters after its file's pawns: a file without
      // pawns right after a White pawn file ends the run there.
      {{0, 1, 0, 0, 0, 0, 0, 0}, {0, 0, 1, 0, 0, 0, 0, 0}, 10, "rook beside an isolated pawn"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(hoz_evaluation(30000, c.pawns, c.rooks), 30000 + c.want) << c.what;
}

// ---------------------------------------------------------------------------
// Properties over many positions
// ---------------------------------------------------------------------------

// Random position: the two kings (White on ranks 1-3, Black on ranks 6-8, on
// the c- to f-files) and up to 24 more pieces; pawns on ranks 2 to 7.
Board random_position(std::mt19937 &rng, bool with_knights) {
  Board b = empty_board();
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  b[26 + pick(2, 5) + 12 * pick(0, 2)] = KING;
  b[26 + pick(2, 5) + 12 * pick(5, 7)] = KING | COLOUR_BIT;
  const int extra = pick(0, 24);
  for (int i = 0; i < extra; ++i) {
    const uint8_t kind = uint8_t(with_knights ? pick(PAWN, QUEEN) : std::array<int, 4>{1, 3, 4, 5}[pick(0, 3)]);
    const int rank = kind == PAWN ? pick(1, 6) : pick(0, 7);
    const int square = 26 + pick(0, 7) + 12 * rank;
    if (piece_of(b[square]) != EMPTY) continue;
    b[square] = uint8_t(kind | (pick(0, 1) ? COLOUR_BIT : 0));
  }
  b[CB_STATE] = uint8_t(pick(0, 0x7F));
  return b;
}

// The same position with the board turned round: every piece moves to the
// same file on the opposite rank and changes colour, as do the castled bits.
Board colours_swapped(const Board &b) {
  Board m = empty_board();
  for (int r = 0; r < 8; ++r)
    for (int f = 0; f < 8; ++f) {
      const uint8_t byte = b[26 + f + 12 * r];
      if (piece_of(byte) != EMPTY) m[26 + f + 12 * (7 - r)] = byte ^ COLOUR_BIT;
    }
  const uint8_t st = b[CB_STATE];
  m[CB_STATE] = uint8_t((st & ~(ST_WHITE_CASTLED | ST_BLACK_CASTLED)) | ((st & ST_WHITE_CASTLED) << 1) |
                        ((st & ST_BLACK_CASTLED) >> 1));
  return m;
}

TEST(Evaluation, DoesNotDependOnTheSideToMove) {
  std::mt19937 rng(12345);
  for (int i = 0; i < 300; ++i) {
    Board b = random_position(rng, true);
    Board other = b;
    other[CB_STATE] ^= ST_BLACK_TO_MOVE;
    for (int phase : PHASES) {
      EXPECT_EQ(evaluate_in(phase, b), evaluate_in(phase, other)) << "position " << i << " phase " << phase;
      // The side argument is ignored as well as the board's bit.
      EXPECT_EQ(heuristic_opening(b.data(), 0), heuristic_opening(b.data(), 1));
    }
  }
}

TEST(Evaluation, TurningTheBoardRoundNegatesTheScore) {
  // Without knights (one unmirrored table) and with the kings where the
  // Black opening king table is the mirror of White's and each king looks
  // for cover towards its own side, every term is symmetric: a position and
  // its colour-swapped mirror sum to 60000. A sign slip, a colour's half
  // read for the other, or a nibble mixed up in the file counts breaks it.
  std::mt19937 rng(2024);
  for (int i = 0; i < 300; ++i) {
    const Board b = random_position(rng, false);
    const Board m = colours_swapped(b);
    for (int phase : PHASES)
      EXPECT_EQ(evaluate_in(phase, b) + evaluate_in(phase, m), 60000) << "position " << i << " phase " << phase;
  }
}

// ---------------------------------------------------------------------------
// Phase decision, dispatch and counter
// ---------------------------------------------------------------------------

TEST(GamePhase, Thresholds) {
  const char *ALL_PAWNS =
      " Pa2 Pb2 Pc2 Pd2 Pe2 Pf2 Pg2 Ph2 pa7 pb7 pc7 pd7 pe7 pf7 pg7 ph7";
  struct {
    std::string pieces;
    int n;
    int want;
  } cases[] = {
      {"Ke1 ke8", 7, PHASE_OPENING},  // bare kings, still the opening
      {"Ke1 ke8", 8, PHASE_ENDING},
      {"Ke1 ke8 Qd1 Ra1 Rh1 Bc1 Bf1 Nb1 Ng1 qd8 ra8 rh8 bc8 bf8 nb8 ng8", 7, PHASE_OPENING},
      {"Ke1 ke8 Qd1 Ra1 Rh1 Bc1 Bf1 Nb1 Ng1 qd8 ra8 rh8 bc8 bf8 nb8 ng8", 8, PHASE_MIDDLE},
      {"Ke1 ke8 Qd1 Ra1 qd8 ra8 Nb1", 8, PHASE_MIDDLE},  // count 7
      {"Ke1 ke8 Qd1 Ra1 qd8 ra8", 8, PHASE_ENDING},      // count 6
      {std::string("Ke1 ke8 Qd1 Ra1 qd8 ra8") + ALL_PAWNS, 8, PHASE_ENDING},
      {std::string("Ke1 ke8 Qd1 Ra1 qd8 ra8 Nb1") + ALL_PAWNS, 8, PHASE_MIDDLE},
      {std::string("Ke1 ke8") + ALL_PAWNS, 8, PHASE_ENDING},
  };
  for (const auto &c : cases) {
    const Board b = board_with(c.pieces);
    EXPECT_EQ(get_game_position(b.data(), c.n), c.want) << c.pieces << ", n = " << c.n;
  }
  Board start{};
  start_position(start.data());
  EXPECT_EQ(get_game_position(start.data(), 7), PHASE_OPENING);
  EXPECT_EQ(get_game_position(start.data(), 8), PHASE_MIDDLE);
}

TEST(GamePhase, HeuristicRunsThePhasesEvaluator) {
  // A passed d7 pawn scores differently in each phase's pawn table.
  const Board b = board_with("Ka8 kh1 Pd7");
  const int want[] = {0, 30070, 30080, 30085};
  for (int phase : PHASES) EXPECT_EQ(heuristic(b.data(), phase), want[phase]) << "phase " << phase;
}

TEST(GamePhaseDeathTest, UndefinedPhaseStopsWithTheMessageOnStandardOutput) {
  // The message goes to standard output; the child sends it to standard
  // error so that the death test can see it.
  Board b{};
  start_position(b.data());
  for (int phase : {int(PHASE_UNDEFINED), 4, -1}) {
    EXPECT_EXIT(
        {
          std::fflush(stdout);
          dup2(2, 1);
          heuristic(b.data(), phase);
        },
        ::testing::ExitedWithCode(0), "^Game position undefined !\n$")
        << "phase " << phase;
  }
}

}  // namespace

// The tabulated file term against hoz_evaluation's walk, over random per-file
// pawn counts (up to three a file) and rook files of both colours.
TEST(FileTerm, TableMatchesTheWalk) {
  std::mt19937 rng(13);
  for (int n = 0; n < 50000; ++n) {
    uint8_t pawns[8], rooks[8], one[2] = {0, 0}, two[2] = {0, 0}, rook_mask[2] = {0, 0};
    for (int f = 0; f < 8; ++f) {
      const int wp = rng() % 4, bp = rng() % 4, wr = rng() % 3 == 0, br = rng() % 3 == 0;
      pawns[f] = uint8_t(wp + 16 * bp);
      rooks[f] = uint8_t(wr + 16 * br);
      const uint8_t bit = uint8_t(1u << f);
      one[0] |= wp >= 1 ? bit : 0, two[0] |= wp >= 2 ? bit : 0, rook_mask[0] |= wr ? bit : 0;
      one[1] |= bp >= 1 ? bit : 0, two[1] |= bp >= 2 ? bit : 0, rook_mask[1] |= br ? bit : 0;
    }
    ASSERT_EQ(file_evaluation(30000, one, two, rook_mask), hoz_evaluation(30000, pawns, rooks)) << n;
  }
}
