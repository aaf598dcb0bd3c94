#include "frontend/game_history.h"

#include <algorithm>
#include <cstring>

#include "board/chess_cb.h"
#include "book/polyglot.h"
#include "notation/san.h"

namespace {

// The lost flags of byte 144, in the order of the castling rights.
constexpr uint8_t LOST_FLAGS = ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST | ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST;

// The file of an en-passant capture the side to move can legally make, -1
// for none. A pawn beside the one that has just advanced which cannot take
// (pinned, or its king in check from elsewhere) leaves the position what it
// would be without the advance's mark.
int legal_en_passant_file(const uint8_t *cb) {
  bool marked = false;
  for (const int square : boardin) marked = marked || has_ep_mark(cb[square]);
  if (!marked) return -1;  // nearly every position: no legal moves to list
  LegalMove moves[MAX_LEGAL_MOVES];
  const int n = legal_moves(cb, moves);
  for (int i = 0; i < n; ++i)
    if (moves[i].kind == KIND_EN_PASSANT) return square_column(moves[i].to) - 2;
  return -1;
}

}  // namespace

PositionKey position_key(const uint8_t *cb) {
  // The Polyglot key of the board without its marks, so that the format's
  // own test (a pawn beside, legal or not) does not decide; the legal
  // capture's file is added instead.
  uint8_t board[CB_SIZE];
  std::memcpy(board, cb, CB_SIZE);
  for (const int square : boardin) board[square] &= uint8_t(~EP_MARK);
  uint64_t key = polyglot_key(board);
  const int file = legal_en_passant_file(cb);
  if (file >= 0) key ^= polyglot_random64[POLYGLOT_EN_PASSANT_INDEX + file];
  const uint8_t rights = is_chess960(cb) ? uint8_t(~cb[CB_STATE] & LOST_FLAGS) : uint8_t(0);
  return PositionKey{key, rights};
}

void history_start(GameHistory &game, const uint8_t *cb, int clock) {
  game.clock = clock < 0 ? 0 : clock;
  game.count = 1;
  game.keys[0] = position_key(cb);
}

void history_move(GameHistory &game, const uint8_t *cb, bool resets) {
  // The clock stops where the rule does: no overflow however long the game.
  game.clock = resets ? 0 : std::min(game.clock + 1, FIFTY_MOVE_PLIES);
  if (resets) game.count = 0;
  if (game.count == FIFTY_MOVE_PLIES) {
    std::copy(game.keys.begin() + 1, game.keys.end(), game.keys.begin());
    --game.count;
  }
  game.keys[size_t(game.count++)] = position_key(cb);
}

void line_walk_start(LineWalk &walk, const GameHistory &game) {
  walk.game = &game;
  walk.clock = game.clock;
  walk.reset = false;
  walk.count = 0;
}

bool line_move_ends_game(LineWalk &walk, const uint8_t *cb, bool resets) {
  if (resets) {
    walk.clock = 0;
    walk.reset = true;
    walk.count = 0;
  } else {
    ++walk.clock;
  }
  const PositionKey key = position_key(cb);
  int earlier = 0;
  if (!walk.reset)
    earlier += int(std::count(walk.game->keys.begin(), walk.game->keys.begin() + walk.game->count, key));
  earlier += int(std::count(walk.keys.begin(), walk.keys.begin() + walk.count, key));
  if (walk.count < LINE_POSITIONS_MAX) walk.keys[size_t(walk.count++)] = key;
  return earlier >= 2 || walk.clock >= FIFTY_MOVE_PLIES;
}
