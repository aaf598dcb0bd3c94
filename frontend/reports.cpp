#include "frontend/reports.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "board/chess_cb.h"
#include "frontend/chess_uci.h"
#include "notation/move_text.h"

namespace {

// Principal-variation text buffer and the whole line's buffer.
constexpr size_t PV_TEXT_SIZE = 256;
constexpr size_t INFO_LINE_SIZE = 512;

// Writes "e2e4 e7e5 ..." into text (size PV_TEXT_SIZE): the line's moves,
// single blanks between, none at the end, no promotion letters. The text ends
// after the last whole move that fits, so at most 51 moves are shown.
void line_text(const tagLINE &line, char *text) {
  std::memset(text, 0, PV_TEXT_SIZE);
  size_t used = 0;
  for (int i = 0; i < line.length; ++i) {
    char move[MOVE_TEXT_SIZE + 1] = " ";
    const int n = write_move_text(line.from[i], line.to[i], EMPTY, move + 1) + 1;
    const char *word = i == 0 ? move + 1 : move;
    const size_t length = size_t(i == 0 ? n - 1 : n);
    if (used + length >= PV_TEXT_SIZE) break;
    std::memcpy(text + used, word, length);
    used += length;
  }
}

}  // namespace

void UCI_sendinfos(int depth, int score, const tagLINE &line, int time, uint32_t nodes, int iteration_depth) {
  const uint32_t nps = time > 0 ? uint32_t(uint64_t(nodes) * 1000u / uint32_t(time)) : 0;
  const int shown_depth = depth > iteration_depth ? depth : iteration_depth;
  char pv[PV_TEXT_SIZE];
  line_text(line, pv);

  // A mate is a score of exactly +-30000; its distance is taken from the
  // line's length n. The protocol's form is "score mate N", negative when
  // the engine is the one mated.
  const int n = line.length;
  char info[INFO_LINE_SIZE];
  if (score >= 30000)
    std::snprintf(info, sizeof info, "info depth %d score mate %d pv %s time %d nodes %u nps %u\n",
                  shown_depth, n / 2 + 1, pv, time, nodes, nps);
  else if (score <= -30000)
    std::snprintf(info, sizeof info, "info depth %d score mate -%d pv %s time %d nodes %u nps %u\n",
                  shown_depth, n / 2, pv, time, nodes, nps);
  else
    std::snprintf(info, sizeof info, "info depth %d score cp %d pv %s time %d nodes %u nps %u\n", shown_depth,
                  score, pv, time, nodes, nps);
  UCI_send(info);
}

void send_search_report(const uint8_t * /*cb*/, const ThinkReport &r) {
  UCI_sendinfos(r.line->length, r.score, *r.line, r.time_ms, r.evaluations, r.depth);
}

void UCI_sendmove(uint8_t from, uint8_t to, uint8_t flag) {
  // A result without squares means the side to move has no move at all
  // (mate or stalemate); front ends read "(none)" as exactly that.
  if (from == 0 && to == 0) {
    UCI_send("bestmove (none)\n");
    return;
  }
  static constexpr uint8_t promotion_piece[] = {EMPTY, QUEEN, KNIGHT, ROOK, BISHOP};
  char move[MOVE_TEXT_SIZE];
  write_move_text(from, to, flag < sizeof promotion_piece ? promotion_piece[flag] : EMPTY, move);
  char text[32];
  std::snprintf(text, sizeof text, "bestmove %s\n", move);
  UCI_send(text);
}

void send_result(const uint8_t *cb, uint32_t result) {
  const int from = move_from(result);
  const int to = move_to(result);
  uint8_t flag = PROMO_NONE;
  const int to_row = square_row(to);
  if ((from != 0 || to != 0) && piece_of(cb_get_value(uint8_t(from), cb)) == PAWN &&
      (to_row == 2 || to_row == 9)) {
    switch (move_promotion_piece(result)) {
      case KNIGHT: flag = PROMO_KNIGHT; break;
      case ROOK: flag = PROMO_ROOK; break;
      case BISHOP: flag = PROMO_BISHOP; break;
      default: flag = PROMO_QUEEN; break;
    }
  }
  UCI_sendmove(uint8_t(from), uint8_t(to), flag);
}
