// velkor-tool subcommands of the move generators: the full list, the capture
// list, and perft/divide counts made with game moves.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "board/chess_cb.h"
#include "movegen/captures.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
#include "tools/tool_common.h"

namespace {

constexpr int PERFT_MAX_DEPTH = 12;

// Coordinate text of a Generated move, with the promotion letter that front
// ends write ("q" or "n") for the two promotion kinds.
std::string generated_move_text(uint32_t gm) {
  std::string text = move_text(gm_from(gm), gm_to(gm));
  if (gm_kind(gm) == KIND_PROMO_QUEEN) text += 'q';
  if (gm_kind(gm) == KIND_PROMO_KNIGHT) text += 'n';
  return text;
}

// Parses a whole decimal depth within [lo, PERFT_MAX_DEPTH]; -1 otherwise.
int parse_depth(const char *text, int lo) {
  if (text == nullptr || *text == '\0') return -1;
  char *end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (*end != '\0' || v < lo || v > PERFT_MAX_DEPTH) return -1;
  return int(v);
}

}  // namespace

const char MOVES_USAGE[] =
    "[\"<moves>\"]  -- one line per Generated move in list order, \"<move> <kind> <first>\"; "
    "promotions carry their letter (e7e8q 5 1, e7e8n 2 1)";
const char CAPTURES_USAGE[] = "[\"<moves>\"]  -- one line per capture in list order, \"<move> <score>\"";
const char PERFT_USAGE[] =
    "<depth 0..12> [\"<moves>\" | fen <FEN> [moves <moves>]]  -- count of legal move sequences alone on the "
    "last line; time on stderr";
const char DIVIDE_USAGE[] =
    "<depth 1..12> [\"<moves>\" | fen <FEN> [moves <moves>]]  -- \"<move>: <count>\" per legal first move, "
    "then the total alone";

int run_moves(int argc, char **argv) {
  if (argc > 1) return tool_usage_error("moves", MOVES_USAGE);
  ToolPosition pos = tool_setup_position(argc == 1 ? argv[0] : nullptr);
  uint32_t list[MAX_GENERATED_MOVES];
  const int n = generate_moves(pos.cb, list);
  for (int i = 0; i < n; ++i)
    std::printf("%s %d %d\n", generated_move_text(list[i]).c_str(), gm_kind(list[i]), gm_first(list[i]));
  tool_release_position(pos);
  return 0;
}

int run_captures(int argc, char **argv) {
  if (argc > 1) return tool_usage_error("captures", CAPTURES_USAGE);
  ToolPosition pos = tool_setup_position(argc == 1 ? argv[0] : nullptr);
  const s_mv list = generate_qsearch_moves(pos.cb);
  for (int i = 0; i < list.count; ++i)
    std::printf("%s %d\n", move_text(list.from[i], list.to[i]).c_str(), list.score[i]);
  tool_release_position(pos);
  return 0;
}

int run_perft(int argc, char **argv) {
  const int depth = argc >= 1 ? parse_depth(argv[0], 0) : -1;
  if (depth < 0) return tool_usage_error("perft", PERFT_USAGE);
  std::string text;
  const char *position = nullptr;
  if (!tool_position_arguments(argc, argv, 1, text, position)) return tool_usage_error("perft", PERFT_USAGE);
  ToolPosition pos = tool_setup_position(position);
  const auto start = std::chrono::steady_clock::now();
  const uint64_t count = perft(pos.cb, depth);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%llu\n", static_cast<unsigned long long>(count));
  std::fprintf(stderr, "perft %d: %llu nodes in %.3f s (%.0f nodes/s)\n", depth,
               static_cast<unsigned long long>(count), seconds, seconds > 0 ? double(count) / seconds : 0.0);
  tool_release_position(pos);
  return 0;
}

int run_divide(int argc, char **argv) {
  const int depth = argc >= 1 ? parse_depth(argv[0], 1) : -1;
  if (depth < 0) return tool_usage_error("divide", DIVIDE_USAGE);
  std::string text;
  const char *position = nullptr;
  if (!tool_position_arguments(argc, argv, 1, text, position)) return tool_usage_error("divide", DIVIDE_USAGE);
  ToolPosition pos = tool_setup_position(position);
  const uint64_t total =
      perft_divide(pos.cb, depth, PERFT_GENERATED_PROMOTIONS, [](const PerftRootMove &move, uint64_t count) {
        std::printf("%s: %llu\n", move_text(move.from, move.to, move.promotion).c_str(),
                    static_cast<unsigned long long>(count));
        return true;
      });
  std::printf("%llu\n", static_cast<unsigned long long>(total));
  tool_release_position(pos);
  return 0;
}
