// velkor-tool fen: the position after a move list written as FEN.
#include <cstdio>
#include <string>

#include "board/chess_cb.h"
#include "notation/fen.h"
#include "tools/tool_common.h"

const char FEN_USAGE[] =
    "[\"<moves>\" | fen <FEN> [moves <moves>]]  -- the position after the moves as one FEN line (halfmove "
    "clock 0: the board does not keep it)";

// Sets the position up as every subcommand does (FEN of "--fen", then the
// moves) and prints it as one FEN line.
int run_fen(int argc, char **argv) {
  std::string text;
  const char *position = nullptr;
  if (!tool_position_arguments(argc, argv, 0, text, position)) return tool_usage_error("fen", FEN_USAGE);
  ToolPosition pos = tool_setup_position(position);
  char fen[FEN_TEXT_SIZE];
  position_to_fen(pos.cb, pos.moves, fen, sizeof fen);
  std::printf("%s\n", fen);
  tool_release_position(pos);
  return 0;
}
