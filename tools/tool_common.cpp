#include "tools/tool_common.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "board/chess_cb.h"
#include "notation/fen.h"
#include "notation/position.h"

namespace {

const char *fen_option = nullptr;  // the FEN of "--fen", checked; nullptr: the start position
bool fen_option_used = false;
uint8_t castling_rules = RULES_STANDARD;  // "--chess960" gives RULES_CHESS960

// A position argument written as a "position" line's tail ("fen <FEN>
// [moves ...]" or "startpos [moves ...]"): sets the board up from it and
// answers the game's half-moves; -1, with the reason on stderr, for a FEN
// that cannot be set up.
int setup_position_text(uint8_t *cb, const char *text) {
  start_position(cb);
  set_castling_rules(cb, castling_rules);
  const char *moves = nullptr;
  int half_moves = 0;
  if (is_keyword_line(text, "fen")) {
    FenSetup setup;
    if (!load_position_fen(cb, text + 3, setup, castling_rules)) {
      std::fprintf(stderr, "velkor-tool: invalid FEN: %s\n", setup.reason);
      return -1;
    }
    if (setup.dropped[0] != '\0') std::fprintf(stderr, "velkor-tool: castling rights %s dropped\n", setup.dropped);
    moves = setup.moves;
    half_moves = setup.half_moves;
  } else {
    moves = std::strstr(text, "moves ");
    if (moves != nullptr) moves += 6;
  }
  if (moves != nullptr) half_moves += load_position_txt2(cb, moves);
  return half_moves;
}

}  // namespace

int tool_usage_error(const char *name, const char *usage) {
  std::fprintf(stderr, "usage: velkor-tool %s %s\n", name, usage);
  return TOOL_USAGE_ERROR;
}

bool tool_take_fen_option(int &argc, char **argv) {
  int kept = 0;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--chess960") == 0) {
      castling_rules = RULES_CHESS960;
      continue;
    }
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
  if (!load_position_fen(cb, fen_option, setup, castling_rules)) {
    std::fprintf(stderr, "velkor-tool: invalid FEN: %s\n", setup.reason);
    return false;
  }
  if (setup.moves != nullptr) {
    std::fprintf(stderr,
                 "velkor-tool: the FEN holds a move list; give the moves as the subcommand's argument\n");
    return false;
  }
  if (setup.dropped[0] != '\0') std::fprintf(stderr, "velkor-tool: castling rights %s dropped\n", setup.dropped);
  return true;
}

bool tool_fen_option_unused() { return fen_option != nullptr && !fen_option_used; }

ToolPosition tool_setup_position(const char *move_list) {
  ToolPosition pos{init_chessboard(), 0};
  set_castling_rules(pos.cb, castling_rules);
  if (move_list != nullptr && fen_option == nullptr &&
      (is_keyword_line(move_list, "fen") || is_keyword_line(move_list, "startpos"))) {
    pos.moves = setup_position_text(pos.cb, move_list);
    if (pos.moves < 0) std::exit(TOOL_USAGE_ERROR);
    return pos;
  }
  if (fen_option != nullptr) {
    FenSetup setup;
    // tool_take_fen_option has set this FEN up once already.
    if (!load_position_fen(pos.cb, fen_option, setup, castling_rules)) std::abort();
    pos.moves = setup.half_moves;
    fen_option_used = true;
  }
  if (move_list != nullptr) pos.moves += load_position_txt2(pos.cb, move_list);
  return pos;
}

void tool_release_position(ToolPosition &pos) {
  release_chessboard(pos.cb);
  pos.cb = nullptr;
}

bool tool_position_arguments(int argc, char **argv, int first, std::string &text, const char *&position) {
  position = nullptr;
  if (first >= argc) return true;
  // Several words only for a whole position; a move list is one argument.
  if (argc > first + 1 && !is_keyword_line(argv[first], "fen") && !is_keyword_line(argv[first], "startpos"))
    return false;
  text = argv[first];
  for (int i = first + 1; i < argc; ++i) text.append(" ").append(argv[i]);
  position = text.c_str();
  return true;
}
