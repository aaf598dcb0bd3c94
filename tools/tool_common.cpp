#include "tools/tool_common.h"

#include <cstdio>
#include <cstring>

#include "board/chess_cb.h"
#include "board/position.h"

int tool_usage_error(const char *name, const char *usage) {
  std::fprintf(stderr, "usage: velkor-tool %s %s\n", name, usage);
  return TOOL_USAGE_ERROR;
}

ToolPosition tool_setup_position(const char *move_list) {
  static char opening[OPENING_TEXT_SIZE];
  std::memset(opening, 0, sizeof opening);
  g_txt_opening = opening;
  ToolPosition pos{init_chessboard(), 0};
  if (move_list != nullptr) pos.moves = load_position_txt2(pos.cb, move_list);
  return pos;
}

void tool_release_position(ToolPosition &pos) {
  release_chessboard(pos.cb);
  pos.cb = nullptr;
}

std::string square_text(int square) {
  std::string s;
  s += char('a' + square % 12 - 2);
  s += char('1' + square / 12 - 2);
  return s;
}

std::string move_text(int from, int to) { return square_text(from) + square_text(to); }
