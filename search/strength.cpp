#include "search/strength.h"

#include <array>

#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "hash/hash_table.h"
#include "movegen/movegen.h"
#include "search/make_move.h"
#include "search/root_moves.h"
#include "search/root_search.h"
#include "search/search_context.h"
#include "search/search_limits.h"
#include "search/search_threads.h"

namespace {

// The measured points of the UCI_Elo scale: a setting and the weakness that
// played at that rating, strongest last. Settings between two points take
// the weakness on the straight line between them. Each point is the level's
// rating measured in games of 2 s plus 0.02 s a move against Debian's
// stockfish 15.1 limited to UCI_Elo 1500 (the top) and 1350 (the next two),
// and below, each level against the next one up (the README has the figures
// and the same levels' results at 15 s plus 0.15 s).
struct EloPoint {
  int elo;
  int weakness;
};
constexpr std::array<EloPoint, 5> ELO_POINTS = {{
    {STRENGTH_ELO_MIN, 750},
    {1005, 625},
    {1145, 500},
    {1365, 250},
    {STRENGTH_ELO_MAX, 1},
}};

constexpr bool elo_points_sound() {
  if (ELO_POINTS.front().elo != STRENGTH_ELO_MIN || ELO_POINTS.back().elo != STRENGTH_ELO_MAX) return false;
  // Every setting is a level bounded by its work: none is full strength.
  if (ELO_POINTS.back().weakness < 1) return false;
  for (size_t i = 1; i < ELO_POINTS.size(); ++i)
    if (ELO_POINTS[i].elo <= ELO_POINTS[i - 1].elo || ELO_POINTS[i].weakness > ELO_POINTS[i - 1].weakness)
      return false;
  return true;
}
static_assert(elo_points_sound(), "points rise in rating, fall in weakness, and span the option's range");

// Two-ply look at each root move.
constexpr int GLANCE_DEPTH = 2;

// A misjudgement: the sum of four uniform draws, which is close enough to a
// bell curve, scaled to one standard deviation of spread_cp. One draw of the
// generator gives the four 16-bit parts.
int misjudgement(StrengthGenerator &g, int spread_cp) {
  if (spread_cp <= 0) return 0;
  const uint64_t r = strength_random(g);
  int64_t sum = 0;
  for (int i = 0; i < 4; ++i) sum += int64_t((r >> (16 * i)) & 0xFFFF) - 32768;
  // Each part has a standard deviation of 65536 / sqrt(12) = 18919; four of
  // them 37837.
  return int(sum * spread_cp / 37837);
}

}  // namespace

StrengthLevel strength_level(int weakness) {
  if (weakness <= 0) return StrengthLevel{-1, 0, 0};
  if (weakness > WEAKNESS_MAX) weakness = WEAKNESS_MAX;
  // Node budget: LEVEL_NODES_TOP at the top of the scale, halving every
  // quarter of it down to a sixteenth at the bottom, where a two-ply pass
  // still fits in most positions. Even the top is bounded by this work
  // alone, never by the clock, so that a level is the same player on any
  // machine whose clock lets it finish.
  int64_t nodes = LEVEL_NODES_TOP;
  for (int w = weakness; w >= 250; w -= 250) nodes /= 2;
  const int rest = weakness % 250;  // the part of a quarter: a straight line to the next halving
  nodes -= nodes / 2 * rest / 250;
  // Glances: none at the top, rising with the square of the weakness to two
  // moves in three at the bottom. Misjudgement: from half a pawn to four
  // pawns.
  const int glance = int(int64_t(670) * weakness * weakness / (int64_t(WEAKNESS_MAX) * WEAKNESS_MAX));
  const int spread = 50 + 350 * weakness / WEAKNESS_MAX;
  return StrengthLevel{nodes, glance, spread};
}

int weakness_of_elo(int elo) {
  if (elo <= ELO_POINTS.front().elo) return ELO_POINTS.front().weakness;
  if (elo >= ELO_POINTS.back().elo) return ELO_POINTS.back().weakness;
  for (size_t i = 1; i < ELO_POINTS.size(); ++i) {
    const EloPoint &lo = ELO_POINTS[i - 1], &hi = ELO_POINTS[i];
    if (elo <= hi.elo)
      return lo.weakness + (hi.weakness - lo.weakness) * (elo - lo.elo) / (hi.elo - lo.elo);
  }
  return 0;
}

void strength_seed(StrengthGenerator &g, uint64_t seed) { g.state = seed; }

uint64_t strength_random(StrengthGenerator &g) {
  uint64_t z = (g.state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

int strength_per_mille(StrengthGenerator &g) { return int(strength_random(g) % 1000); }

GlanceResult glance_move(Search &s, uint8_t *cb, int misjudgement_cp, StrengthGenerator &g, const uint32_t *only,
                         int only_count) {
  GlanceResult result{};
  const uint8_t side = side_to_move(cb);
  const uint32_t root_best = side == WHITE ? SCORE_BLACK_WINS : SCORE_WHITE_WINS;
  const uint32_t root_bound = side == WHITE ? SCORE_WHITE_WINS : SCORE_BLACK_WINS;
  result.move = root_best;

  // Fresh keys and table, the thread's record set up for the board, its
  // count of evaluations at 0.
  search_start_pass(s, cb);
  uint32_t moves[MAX_GENERATED_MOVES];
  const int count = generate_moves(cb, moves, s.kept.sets);
  tagLINE line;
  int best_seen = 0;
  bool found = false;
  for (int i = 0; i < count; ++i) {
    const uint32_t key = root_move_key_of_generated(moves[i]);
    if (only_count > 0) {
      bool listed = false;
      for (int k = 0; k < only_count; ++k) listed |= only[k] == key;
      if (!listed) continue;
    }
    // This move alone at the root, on a table holding nothing of the moves
    // before it (the root's own entry would answer for them).
    root_moves_one(s.shared->root, moves[i]);
    clear_hash_table();
    line.length = 0;
    const uint32_t r = search_root(s, cb, uint8_t(GLANCE_DEPTH), root_best, root_bound, &line);
    if (search_was_stopped(s)) break;
    // No squares: the move is illegal, or loses to a mate the look sees.
    if (!names_a_move(r)) continue;
    const int score = side == WHITE ? int(move_score(r)) - int(SCORE_DRAW) : int(SCORE_DRAW) - int(move_score(r));
    const int seen = score + misjudgement(g, misjudgement_cp);
    if (!found || seen > best_seen) {
      found = true;
      best_seen = seen;
      result.move = r;
      result.line = line;
    }
  }
  result.evaluations = s.evaluations.load(std::memory_order_relaxed);
  if (!found) result.line.length = 0;
  return result;
}
