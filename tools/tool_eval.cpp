// velkor-tool eval: the static evaluation of a position in all three phases.
#include <cstdio>

#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "tools/tool_common.h"

// Sets the position up from the move list as the engine does and prints
// "phase <p> opening <s1> middle <s2> ending <s3>": p is the phase the engine
// would decide after the replay, s1..s3 the raw evaluator results
// (30000-centred, White's point of view) whatever that phase is.
int run_eval(int argc, char **argv) {
  if (argc > 1) return tool_usage_error("eval", "[\"<move list>\"]");
  // A missing list is the start position, as for every other subcommand.
  ToolPosition pos = tool_setup_position(argc == 1 ? argv[0] : nullptr);
  const uint8_t side = side_to_move(pos.cb);
  const int phase = get_game_position(pos.cb, pos.moves / 2);
  const int opening = heuristic_opening(pos.cb, side);
  const int middle = heuristic_middle(pos.cb, side);
  const int ending = heuristic_ending(pos.cb, side);
  std::printf("phase %d opening %d middle %d ending %d\n", phase, opening, middle, ending);
  tool_release_position(pos);
  return 0;
}
