#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"

int get_game_position(const uint8_t *cb, int n) {
  // The first sixteen half-moves are always played as an opening.
  if (n <= 7) return PHASE_OPENING;
  int count = 0;
  for (int sq = SQ_FIRST; sq <= SQ_LAST; ++sq) {
    switch (piece_of(cb[sq])) {
      case KNIGHT:
      case BISHOP:
      case ROOK: count += 1; break;
      case QUEEN: count += 2; break;
      default: break;  // pawns, kings, empty squares and border bytes
    }
  }
  return count > 6 ? PHASE_MIDDLE : PHASE_ENDING;
}
