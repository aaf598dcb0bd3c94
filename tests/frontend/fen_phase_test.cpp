// The phase of a game given as FEN counts the half-moves its fullmove
// number and side stand for, plus the moves replayed after it: run in
// process, so that the phase the command loop stored can be read back.
#include <gtest/gtest.h>

#include <string>

#include "eval/chess_heuristic.h"
#include "frontend/chess_main.h"
#include "support/in_process_protocol.h"
#include "support/test_board.h"

namespace {

class FenPhase : public InProcessProtocol {
 protected:
  // Runs a whole session on the lines and returns the phase it left.
  int phase_after(const std::string &lines) {
    EXPECT_GE(input("uci\nisready\n" + lines + "quit\n"), 0);
    set_game_position(PHASE_UNDEFINED);
    EXPECT_EQ(velkor_main(), 0);
    return game_position;
  }
};

// Full material (16 phase points), but not the start position: one pawn is
// missing, so the book stays out of it.
std::string full_material(const char *side, int fullmove) {
  return std::string("position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPP1/RNBQKBNR ") + side + " KQkq - 0 " +
         std::to_string(fullmove);
}

}  // namespace

TEST_F(FenPhase, GoCountsTheFensMovesAndTheReplayedOnes) {
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
    EXPECT_EQ(phase_after(c.position + "\ngo\n"), c.phase);
  }
}

TEST_F(FenPhase, ReplayCountsFromTheFen) {
  // Without "go" the phase is the one set before the last replayed move:
  // from move 8 (14 half-moves) the third move is made at 16, a middle game;
  // from move 1 at 2, the opening.
  EXPECT_EQ(phase_after(full_material("w", 8) + " moves " + knight_shuffle(3, false) + "\n"), PHASE_MIDDLE);
  EXPECT_EQ(phase_after(full_material("w", 1) + " moves " + knight_shuffle(3, false) + "\n"), PHASE_OPENING);
}
