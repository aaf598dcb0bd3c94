#include "tools/tool_common.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/chess_cb.h"
#include "notation/fen.h"
#include "notation/position.h"

namespace {

const char *fen_option = nullptr;  // the FEN of "--fen", checked; nullptr: the start position
bool fen_option_used = false;

}  // namespace

int tool_usage_error(const char *name, const char *usage) {
  std::fprintf(stderr, "usage: velkor-tool %s %s\n", name, usage);
  return TOOL_USAGE_ERROR;
}

bool tool_take_fen_option(int &argc, char **argv) {
  int kept = 0;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--fen") != 0) {
      argv[kept++] = argv[i];
      continue;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "velkor-tool: --fen needs a FEN as its value\n");
      return false;
    }
    if (fen_option != nullptr) {
      std::fprintf(stderr, "velkor-tool: --fen given twice\n");
      return false;
    }
    fen_option = argv[++i];
  }
  argc = kept;
  if (fen_option == nullptr) return true;

  // Checked once here, so that an invalid FEN stops the tool before the
  // subcommand starts.
  uint8_t cb[CB_SIZE];
  FenSetup setup;
  if (!load_position_fen(cb, fen_option, setup)) {
    std::fprintf(stderr, "velkor-tool: invalid FEN: %s\n", setup.reason);
    return false;
  }
  if (setup.moves != nullptr) {
    std::fprintf(stderr,
                 "velkor-tool: the FEN holds a move list; give the moves as the subcommand's argument\n");
    return false;
  }
  if (setup.dropped[0] != '\0')
    std::fprintf(stderr, "velkor-tool: castling rights %s dropped: king or rook not on its home square\n",
                 setup.dropped);
  return true;
}

bool tool_fen_option_unused() { return fen_option != nullptr && !fen_option_used; }

ToolPosition tool_setup_position(const char *move_list) {
  static char opening[OPENING_TEXT_SIZE];
  std::memset(opening, 0, sizeof opening);
  g_txt_opening = opening;
  ToolPosition pos{init_chessboard(), 0};
  if (fen_option != nullptr) {
    FenSetup setup;
    // tool_take_fen_option has set this FEN up once already.
    if (!load_position_fen(pos.cb, fen_option, setup)) std::abort();
    pos.moves = setup.half_moves;
    fen_option_used = true;
  }
  if (move_list != nullptr) pos.moves += load_position_txt2(pos.cb, move_list, pos.moves);
  return pos;
}

void tool_release_position(ToolPosition &pos) {
  release_chessboard(pos.cb);
  pos.cb = nullptr;
}
