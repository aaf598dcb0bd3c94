// The phase of a game given as FEN counts the half-moves its fullmove
// number and side stand for, plus the moves replayed after it. The phase
// shows in the score: the engine's three-ply search of each case is compared
// with the same search made in process under each phase, and the positions
// are chosen so that the two phases score them differently.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "notation/fen.h"
#include "notation/position.h"
#include "search/think.h"
#include "support/engine_process.h"
#include "support/test_board.h"

namespace {

constexpr int DEPTH = 3;

// The score of the engine's report at DEPTH for the position line.
int reported_score(const std::string &position) {
  TempDir dir;
  EngineProcess engine(dir.path());
  engine.send("uci");
  engine.send(position);
  engine.send("go depth " + std::to_string(DEPTH));
  const std::vector<std::string> out = engine.read_until("bestmove");
  engine.send("quit");
  EXPECT_EQ(engine.wait_exit(), 0);
  for (const std::string &line : out) {
    if (line.rfind("info depth " + std::to_string(DEPTH) + " ", 0) != 0) continue;
    const size_t cp = line.find(" score cp ");
    if (cp != std::string::npos) return std::stoi(line.substr(cp + 10));
  }
  ADD_FAILURE() << "no score at depth " << DEPTH;
  return 0;
}

// The score, seen from the side to move, of a single pass at DEPTH on the
// game of the position line (a "position fen" or "position startpos" line).
int score_in_phase(const std::string &position, int phase) {
  uint8_t cb[CB_SIZE];
  const char *moves = nullptr;
  if (position.rfind("position fen ", 0) == 0) {
    FenSetup setup;
    EXPECT_TRUE(load_position_fen(cb, position.c_str() + 13, setup));
    moves = setup.moves;
  } else {
    start_position(cb);
    const size_t at = position.find("moves ");
    if (at != std::string::npos) moves = position.c_str() + at + 6;
  }
  if (moves != nullptr) load_position_txt2(cb, moves);
  const int score = int(move_score(think_single_pass(cb, phase, DEPTH).move)) - int(SCORE_DRAW);
  return side_to_move(cb) == WHITE ? score : -score;
}

// Full material (16 phase points), but not the start position: one pawn is
// missing, so the book stays out of it.
std::string full_material(const char *side, int fullmove) {
  return std::string("position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPP1/RNBQKBNR ") + side + " KQkq - 0 " +
         std::to_string(fullmove);
}

}  // namespace

TEST(FenPhase, GoCountsTheFensMovesAndTheReplayedOnes) {
  // The opening lasts while fewer than 8 full moves (16 half-moves) are
  // counted; with full material the middle game follows.
  struct Case {
    const char *name;
    std::string position;
    int phase;
  };
  const Case cases[] = {
      {"move 1", full_material("w", 1), PHASE_OPENING},
      {"move 8, white: 14 half-moves", full_material("w", 8), PHASE_OPENING},
      {"move 8, black: 15 half-moves", full_material("b", 8), PHASE_OPENING},
      {"move 9, white: 16 half-moves", full_material("w", 9), PHASE_MIDDLE},
      {"move 30", full_material("w", 30), PHASE_MIDDLE},
      {"move 4 white and 9 replayed: 15", full_material("w", 4) + " moves " + knight_shuffle(9, false),
       PHASE_OPENING},
      {"move 4 white and 10 replayed: 16", full_material("w", 4) + " moves " + knight_shuffle(10, false),
       PHASE_MIDDLE},
      {"move 4 black and 9 replayed: 16", full_material("b", 4) + " moves " + knight_shuffle(9, true),
       PHASE_MIDDLE},
      {"startpos, 15 replayed", "position startpos moves " + knight_shuffle(15, false), PHASE_OPENING},
      {"startpos, 16 replayed", "position startpos moves " + knight_shuffle(16, false), PHASE_MIDDLE},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const int other = c.phase == PHASE_OPENING ? PHASE_MIDDLE : PHASE_OPENING;
    const int want = score_in_phase(c.position, c.phase);
    ASSERT_NE(want, score_in_phase(c.position, other)) << "the case cannot tell the phases apart";
    EXPECT_EQ(reported_score(c.position), want);
  }
}
