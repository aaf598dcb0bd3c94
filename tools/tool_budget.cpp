// velkor-tool budget: the engine's thinking budget for given clock figures,
// so that programs that keep the engine's clock (the game harness) can check
// their copy of the table against the engine's own function.
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "frontend/go_limits.h"
#include "tools/tool_common.h"

const char BUDGET_USAGE[] =
    "<clock given 0|1> <clock ms> <moves to go, 0: none> <half-moves> [four more ...]";

namespace {

// Whether text is a whole decimal integer within the int range.
bool parse_int(const char *text, int &value) {
  char *end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || v < -2147483648LL || v > 2147483647LL) return false;
  value = int(v);
  return true;
}

}  // namespace

// Prints one budget in milliseconds per group of four arguments, one a line.
int run_budget(int argc, char **argv) {
  if (argc == 0 || argc % 4 != 0) return tool_usage_error("budget", BUDGET_USAGE);
  for (int i = 0; i < argc; i += 4) {
    int given = 0, clock = 0, moves_to_go = 0, half_moves = 0;
    if (!parse_int(argv[i], given) || (given != 0 && given != 1) || !parse_int(argv[i + 1], clock) ||
        !parse_int(argv[i + 2], moves_to_go) || !parse_int(argv[i + 3], half_moves))
      return tool_usage_error("budget", BUDGET_USAGE);
    std::printf("%d\n", thinking_budget(given == 1, clock, moves_to_go, half_moves));
  }
  return 0;
}
