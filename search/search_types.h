// The values the search is made of and handed: scores and lines, the
// limits of a "go", and the root's list of moves. Plain data and the small
// rules on it; the search's records (search_context.h) are built of these,
// and the search functions work on them.
#pragma once

#include <cstdint>
#include <cstring>

#include "board/chess_cb.h"

// ---------------------------------------------------------------------------
// Scores: absolute, from White's point of view.
// ---------------------------------------------------------------------------

inline constexpr uint32_t SCORE_DRAW = 30000;
inline constexpr uint32_t SCORE_WHITE_WINS = 60000;  // Black is mated
inline constexpr uint32_t SCORE_BLACK_WINS = 0;      // White is mated
inline constexpr uint32_t SCORE_ILLEGAL = 60001;     // side that moved is in check

// ---------------------------------------------------------------------------
// Lines
// ---------------------------------------------------------------------------

inline constexpr int LINE_CAPACITY = 1024;

// Principal variation: move 1 is the move made at the node owning the line.
struct tagLINE {
  uint8_t length;
  uint8_t from[LINE_CAPACITY];
  uint8_t to[LINE_CAPACITY];
};

// to := from, copying only the moves the line holds.
inline void copy_line(tagLINE &to, const tagLINE &from) {
  to.length = from.length;
  std::memcpy(to.from, from.from, from.length);
  std::memcpy(to.to, from.to, from.length);
}

// line := (from, to) followed by child; child is then emptied.
inline void take_over_line(tagLINE &line, uint8_t from, uint8_t to, tagLINE &child) {
  // The length is a byte: a line that could not grow loses its last move.
  const int n = child.length < 255 ? child.length : 254;
  line.from[0] = from;
  line.to[0] = to;
  std::memcpy(line.from + 1, child.from, size_t(n));
  std::memcpy(line.to + 1, child.to, size_t(n));
  line.length = uint8_t(n + 1);
  child.length = 0;
}

// ---------------------------------------------------------------------------
// Limits of a "go"
// ---------------------------------------------------------------------------

// The driver's first and last nominal depth. Plies and line lengths are
// byte counters: the deepest pass stays far enough below 255 that the
// captures searched past it cannot wrap them.
inline constexpr int SEARCH_FIRST_DEPTH = 2;
inline constexpr int SEARCH_DEPTH_CAP = 64;

// Threads that may search one position together (the "Threads" option).
inline constexpr int SEARCH_THREADS_MAX = 256;

// Takes whatever input has arrived, without ever waiting, deals with what
// it can at once, and answers what the search must do (a SearchInput, search_limits.h). It is
// asked at every stop decision, so it must cost next to nothing when nothing
// has arrived. context: the caller's, handed back unchanged.
using SearchInputPoll = int (*)(void *context);

struct SearchLimits {
  int depth;      // last nominal depth, clamped to SEARCH_FIRST_DEPTH..SEARCH_DEPTH_CAP; 0: the cap
  int64_t nodes;  // stop once the evaluations of the whole search reach this; below 0: no limit
};

inline constexpr SearchLimits NO_SEARCH_LIMITS = {0, -1};

// ---------------------------------------------------------------------------
// The root's moves
// ---------------------------------------------------------------------------

// Called by the root with the root position on the board as it begins to
// search each move it may play (gm, a generated move); number is 1 + the
// legal moves it has searched before (the move itself may prove illegal:
// the search learns that one ply down). It must not change the board.
using RootMoveListener = void (*)(const uint8_t *cb, uint32_t gm, int number);

// One move the root may play.
struct RootMove {
  uint32_t move;  // the generated move
  // Its search's result in the pass under way: fail-hard, so a move that did
  // not beat the window it was searched with holds that window's value;
  // SCORE_ILLEGAL when it leaves its own king attacked. Unsearched: 0.
  uint32_t score;
  bool excluded;  // an earlier line of an analysis took it: not searched
  tagLINE line;   // its line, from the search in which it last improved on its window
};

// Room for every move a position can generate.
inline constexpr int ROOT_MOVES_CAPACITY = MAX_GENERATED_MOVES;

// The moves the root searches, in the order it searches them: the root's
// captures, promotions, en-passant captures and castlings first, then its
// quiet moves, each in generation order (all of them, or those a
// "searchmoves" listed). The threads of a search share one list.
struct RootMoves {
  int count;
  RootMove moves[ROOT_MOVES_CAPACITY];
};
