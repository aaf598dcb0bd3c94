#include "frontend/session.h"

#include <cstdlib>

#include "base/platform_clock.h"
#include "frontend/chess_uci.h"
#include "frontend/engine_options.h"

void push_command_line(Session &session, char *line) { session.pending.push_back(line); }

char *next_command_line(Session &session) {
  if (!session.pending.empty()) {
    char *line = session.pending.front();
    session.pending.pop_front();
    return line;
  }
  return UCI_recv();
}

void clear_command_lines(Session &session) {
  for (char *line : session.pending) std::free(line);
  session.pending.clear();
}

void seed_strength_levels(Session &session) {
  if (g_options.strength_seed != 0) {
    strength_seed(session.strength, uint64_t(g_options.strength_seed));
    return;
  }
  velkor::timeval now{};
  velkor::gettimeofday(&now, nullptr);
  const uint64_t place = uint64_t(reinterpret_cast<uintptr_t>(&now));
  strength_seed(session.strength,
                (uint64_t(uint32_t(now.tv_sec)) << 32 | uint32_t(now.tv_usec)) ^ place ^ ++session.games << 48);
}
