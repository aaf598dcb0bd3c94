// velkor-tool book: what a Polyglot book holds for a position, so that a
// user can inspect a book before pointing the engine at it.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "board/chess_cb.h"
#include "book/polyglot.h"
#include "notation/move_text.h"
#include "tools/tool_common.h"

const char BOOK_USAGE[] =
    "<book.bin> [\"<moves>\"]  -- the position's Polyglot key, \"key <16 hex digits>\", then one line per "
    "book "
    "entry in file order, \"<move> weight <w> chance <p>%\" (\"not legal\" instead of the chance for a move "
    "the engine would not play), then \"entries <n>\"; problems of the file on stderr";

int run_book(int argc, char **argv) {
  if (argc < 1 || argc > 2) return tool_usage_error("book", BOOK_USAGE);
  ToolPosition pos = tool_setup_position(argc == 2 ? argv[1] : nullptr);
  const uint64_t key = polyglot_key(pos.cb);
  std::printf("key %016" PRIx64 "\n", key);
  PolyglotEntry entries[POLYGLOT_MAX_ENTRIES];
  std::string problem;
  const int count = polyglot_entries(argv[0], key, entries, POLYGLOT_MAX_ENTRIES, problem);
  if (!problem.empty()) std::fprintf(stderr, "velkor-tool: Polyglot book %s %s\n", argv[0], problem.c_str());
  if (count < 0) {
    tool_release_position(pos);
    return 1;
  }
  uint32_t words[POLYGLOT_MAX_ENTRIES];
  uint64_t shares[POLYGLOT_MAX_ENTRIES];
  const uint64_t total = polyglot_shares(pos.cb, entries, count, words, shares);
  for (int i = 0; i < count; ++i) {
    // A legal move as a front end writes it (its promotion letter where a
    // pawn reaches the last rank), any other in the format's own text.
    const std::string text = words[i] != 0 ? move_text(move_from(words[i]), move_to(words[i]),
                                                       move_promotion_on(pos.cb, words[i]))
                                           : polyglot_move_text(entries[i].move);
    std::printf("%s weight %u ", text.c_str(), unsigned(entries[i].weight));
    if (words[i] == 0)
      std::printf("not legal\n");
    else
      std::printf("chance %.1f%%\n", 100.0 * double(shares[i]) / double(total));
  }
  std::printf("entries %d\n", count);
  tool_release_position(pos);
  return 0;
}
