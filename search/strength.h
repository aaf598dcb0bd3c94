// Playing below full strength, for people who want an opponent near their
// own level. A weakness from 1 to WEAKNESS_MAX (0 is full strength, the
// search untouched) makes the engine both see less and misjudge more:
//
// - it sees less: the move's search may spend only so many evaluations, and
//   answers as soon as it has spent them, however long its clock;
// - it misjudges: on some moves, more of them the weaker it is, it does not
//   search at all but plays on a glance: every root move gets a two-ply look
//   (its best reply and the captures after it), the look's score is blurred
//   by a random misjudgement, and the best-looking move is played. A glance
//   sees a mate in one and a piece left hanging to a plain capture, but a
//   large enough misjudgement overlooks the piece: that is how the weaker
//   levels blunder, and why they blunder more often, not only think shorter.
//
// Every draw comes from the levels' own generator, never from velkor_rand(), which
// draws the table's keys: a level neither disturbs the keys nor depends on
// them, and a game replays move for move from the generator's seed.
#pragma once

#include <cstdint>

#include "search/alpha_beta.h"

inline constexpr int WEAKNESS_MAX = 1000;

// The evaluations the strongest level may spend on a move. A level's
// strength must come from its work, not from the machine's speed, so even
// the top of the scale must finish inside a fast game's budget: at 2 s +
// 0.02 s the engine gives a move about 43 ms, and 48,000 evaluations took
// at most 33 ms (22 ms for 95 % of the moves) on the machine the levels were
// calibrated on.
inline constexpr int64_t LEVEL_NODES_TOP = 48000;

// What a weakness means for one move.
struct StrengthLevel {
  int64_t nodes;             // evaluations the search may spend; -1: no limit
  int glance_per_mille;      // chance that the move is played on a glance
  int misjudgement_cp;       // spread of the glance's misjudgement (one standard deviation), centipawns
};

// The level of a weakness (clamped to 0..WEAKNESS_MAX). Weakness 0 is full
// strength: no node limit, no glance; every other weakness has a node limit.
StrengthLevel strength_level(int weakness);

// The UCI_Elo scale: the setting's range, and the weakness a setting stands
// for, interpolated linearly between the measured points (strength.cpp).
// The top is the strongest level bounded by its work (full strength is
// UCI_LimitStrength off); the bottom is the weakest level measured with some
// precision (weaker ones exist, but their ratings were too uncertain to
// offer).
inline constexpr int STRENGTH_ELO_MIN = 790;
inline constexpr int STRENGTH_ELO_MAX = 1500;
int weakness_of_elo(int elo);

// The levels' generator (splitmix64: small, fast, and every seed, 0
// included, gives a full-period stream). Its whole state is this record,
// owned by whoever plays the game (the command loop keeps the session's)
// and lent to the search by the request.
struct StrengthGenerator {
  uint64_t state = 0x9E3779B97F4A7C15ull;
};

// Restarts g from seed (any value); g's next draw; a draw in 0..999.
void strength_seed(StrengthGenerator &g, uint64_t seed);
uint64_t strength_random(StrengthGenerator &g);
int strength_per_mille(StrengthGenerator &g);

// What a glance plays, and what it cost.
struct GlanceResult {
  uint32_t move;      // Move word of the move played, with its unblurred score; no squares: none found
  tagLINE line;       // the glance's line for that move
  int64_t evaluations;
};

// Plays a move on a glance: each root move the search may play (all, or
// those of only) is searched two plies deep on its own, on s's thread
// alone, its score seen from the side to move is blurred by
// misjudgement_cp, and the best blurred score wins (the first of equals).
// Runs under the limits and the clock already set in s's shared record; a
// stop keeps the best of the moves looked at so far. Draws from g once per
// move looked at. Draws the table's keys afresh, as every pass does, and
// sets s up for the board under them; the board is as on entry when it
// returns, and s's root may play every move again.
GlanceResult glance_move(Search &s, uint8_t *cb, int misjudgement_cp, StrengthGenerator &g, const uint32_t *only,
                         int only_count);
