// The game's positions since its last capture or pawn move, as the rules of
// repetition and of the fifty moves tell positions apart: the search knows
// no repetition, but the lines the engine reports are read as continuations
// of the game, and one must end where the game would end.
#pragma once

#include <array>
#include <cstdint>

// A position as the repetition rule tells positions apart: the pieces on
// their squares, the side to move and the castling rights (the Polyglot
// key, which stays the same from one search to the next, unlike the
// search's own keys), with the en-passant file only when a capture there is
// legal; under Chess960 rules the rights held besides (the key names only
// those of a king on e1 or e8 and rooks in their corners).
struct PositionKey {
  uint64_t key;
  uint8_t rights;  // Chess960: the lost flags of byte 144 that are clear; 0 under standard rules
  bool operator==(const PositionKey &) const = default;
};

PositionKey position_key(const uint8_t *cb);

// Half-moves without a capture or a pawn move after which the game is drawn.
inline constexpr int FIFTY_MOVE_PLIES = 100;

// The game's positions since its last capture or pawn move, the board's own
// last. Only the last FIFTY_MOVE_PLIES are kept: a line from a game whose
// count has reached that far ends after its first move anyway, unless that
// move is a capture or a pawn move, after which no earlier position recurs.
struct GameHistory {
  int clock = 0;  // half-moves since the last capture or pawn move
  int count = 0;  // positions held in keys
  std::array<PositionKey, FIFTY_MOVE_PLIES> keys{};
};

// The game begins on the board with clock half-moves already played without
// a capture or a pawn move (a FEN's halfmove clock; 0 for the start).
void history_start(GameHistory &game, const uint8_t *cb, int clock);

// The game's move, made: cb holds the position after it; resets says it
// was a capture or a pawn move (resets_fifty_move_count, asked before).
void history_move(GameHistory &game, const uint8_t *cb, bool resets);

// Most positions a line's walk compares: more than any reported line holds.
inline constexpr int LINE_POSITIONS_MAX = 128;

// A line walked from the game's position, move by move.
struct LineWalk {
  const GameHistory *game;
  int clock;         // half-moves without a capture or a pawn move, the game's and the line's
  bool reset;        // the line has made a capture or a pawn move: no position of the game recurs
  int count;         // the line's positions since its last capture or pawn move
  std::array<PositionKey, LINE_POSITIONS_MAX> keys;
};

void line_walk_start(LineWalk &walk, const GameHistory &game);

// The line's next move, made: cb holds the position after it, resets as for
// history_move. True when the game would end with this move: the position
// now stands for the third time (counting the game's positions and the
// line's), or the hundredth half-move without a capture or a pawn move is
// reached; the line must end there.
bool line_move_ends_game(LineWalk &walk, const uint8_t *cb, bool resets);
