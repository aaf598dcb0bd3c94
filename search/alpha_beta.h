// The full-width alpha-beta search and the quiescence search, on the absolute
// score scale: 30000 balanced, 60000 Black mated, 0 White mated.
#pragma once

#include <cstdint>
#include <cstring>

inline constexpr uint32_t SCORE_DRAW = 30000;
inline constexpr uint32_t SCORE_WHITE_WINS = 60000;  // Black is mated
inline constexpr uint32_t SCORE_BLACK_WINS = 0;      // White is mated
inline constexpr uint32_t SCORE_ILLEGAL = 60001;     // side that moved is in check

inline constexpr int LINE_CAPACITY = 1024;

struct Search;  // search_context.h

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

// 1 if score strictly improves best for the side to move (0 White, larger
// is better; 1 Black, smaller is better), else 0; always 0 for SCORE_ILLEGAL.
// At ply 0 best carries the root move's squares above its 16 score bits and
// only those bits are compared.
int is_better_result(uint32_t best, uint32_t score, uint8_t side, int ply);

// 1 if score reaches bound for the side to move (equal counts), else 0;
// always 0 for SCORE_ILLEGAL. At ply 0 both are compared by their low 16 bits.
int is_better_beta(uint32_t bound, uint32_t score, uint8_t side, int ply);

// The thread's one question to the outside world while it searches: 1 once
// it must stop. The main thread asks the limits (search_limits_stop: the
// move's time budget used up, a node limit reached, "stop" or "quit"
// received) and sets the shared stop; every thread stops when the shared
// stop is set. Asked at nodes of ply 0 to 2 after every move, every 1024
// nodes at any depth (64 in a helper), and by the driver
// after every iteration. Once it has answered 1, it keeps answering 1 until
// the thread's next search starts at ply 0: every node then unwinds at once,
// records nothing, and the root returns its best among the moves it searched
// to the end (or its bare starting value, without squares).
int search_stop_requested(Search &s);

// 1 if the stop has been decided since the thread's last search began at ply
// 0: the search was cut short, unless the decision came from a question
// asked after it had ended (as the driver asks after every iteration).
int search_was_stopped(const Search &s);

// Called by the root with the root position on the board as it begins to
// search each generated move (gm) it may play; number is 1 + the legal
// moves it has searched before (the move itself may prove illegal: the
// search learns that one ply down). It must not change the board. The
// search's record holds it (Search::root_listener): only the main thread's
// root tells.
using RootMoveListener = void (*)(const uint8_t *cb, uint32_t gm, int number);

// Fail-hard search of the position on the board to nominal depth `depth`,
// `ply` plies below the root. best: the side to move's guaranteed value;
// bound: the parent's, at which this node is cut off. Returns a score (at ply
// 0 a Move word carrying the best move's squares, none if nothing improved on
// best) or SCORE_ILLEGAL when the side that just moved is in check. line gets
// the principal variation when a move improved best. The board, byte 144 and
// s.key are as on entry when it returns (bytes 145/146 excepted). s is set
// up for the board (search_set_position).
uint32_t alpha_beta(Search &s, uint8_t *cb, uint8_t ply, uint8_t depth, uint32_t best, uint32_t bound,
                    tagLINE *line);

// Captures-only search below the nominal depth: stand pat on the static
// evaluation or try the four best-ordered captures, made as plain moves.
// Same window, result and restoring contract as alpha_beta.
uint32_t quies(Search &s, uint8_t *cb, uint8_t ply, uint8_t depth, uint32_t best, uint32_t bound, tagLINE *line);
