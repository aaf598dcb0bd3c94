#include "frontend/reports.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "board/chess_cb.h"
#include "board/game_move.h"
#include "frontend/chess_uci.h"
#include "frontend/engine_options.h"
#include "notation/move_text.h"
#include "notation/san.h"

namespace {

// Principal-variation text buffer and the whole line's buffer.
constexpr size_t PV_TEXT_SIZE = 256;
constexpr size_t INFO_LINE_SIZE = 512;
// Each move of the text takes five characters at least: a line's walk
// compares every position of any line the text can hold.
static_assert(PV_TEXT_SIZE / 5 + 1 <= size_t(LINE_POSITIONS_MAX));

// Appends the move's text to the principal-variation text if it fits
// whole; false once it does not.
bool append_move(char *text, size_t &used, const LegalMove &m) {
  char move[MOVE_TEXT_SIZE + 1] = " ";
  const int n = write_move_text(m.from, m.to, m.promotion, move + 1);
  const char *word = used == 0 ? move + 1 : move;
  const size_t length = used == 0 ? size_t(n) : size_t(n) + 1;
  if (used + length >= PV_TEXT_SIZE) return false;
  std::memcpy(text + used, word, length);
  used += length;
  text[used] = '\0';
  return true;
}

// Writes into text (PV_TEXT_SIZE bytes) the part of the search's line that
// is true when played from the root: the moves replayed one by one with the
// game's legality test, cut at the first that is not legal (a line taken
// from a table entry or a captures-only search can hold one), promotions
// with their letter. A line ends by itself after a mate: nothing is legal
// then. When the line does not begin with the move the engine would play,
// that move alone is shown. The line's squares carry no promotion piece:
// its first move promotes as the played word says, later ones to a queen.
// With the game given, the line also ends at the move with which the game
// would end (line_move_ends_game). Returns the number of moves written.
int true_line_text(const uint8_t *root, const tagLINE &line, uint32_t played, const GameHistory *game,
                   char *text) {
  text[0] = '\0';
  size_t used = 0;
  uint8_t board[CB_SIZE];
  std::memcpy(board, root, CB_SIZE);
  const bool starts_with_played =
      line.length > 0 && line.from[0] == move_from(played) && line.to[0] == move_to(played);
  const int length = starts_with_played ? line.length : 1;
  int written = 0;
  LineWalk walk;
  if (game != nullptr) line_walk_start(walk, *game);
  for (int i = 0; i < length; ++i) {
    const int from = starts_with_played ? line.from[i] : move_from(played);
    const int to = starts_with_played ? line.to[i] : move_to(played);
    const uint32_t word = i == 0 ? played : move_word(from, to);
    LegalMove m;
    if (!legal_move_of_word(board, word, m) || !append_move(text, used, m)) break;
    const uint32_t made = legal_move_word(m);
    const bool resets = resets_fifty_move_count(board, made);
    play_move(board, made);
    ++written;
    if (game != nullptr && line_move_ends_game(walk, board, resets)) break;
  }
  return written;
}

}  // namespace

void UCI_sendinfos(const uint8_t *cb, const ThinkReport &r) {
  const uint32_t nps = r.time_ms > 0 ? uint32_t(uint64_t(r.evaluations) * 1000u / uint32_t(r.time_ms)) : 0;
  const int n = r.line->length;
  char pv[PV_TEXT_SIZE];
  const int shown = true_line_text(cb, *r.line, r.move, static_cast<const GameHistory *>(r.context), pv);

  // A mate is a score of exactly +-30000, at the distance the search knows
  // from its passes; when it does not, the distance is read from the
  // search's line of n moves: n / 2 + 1 when the engine mates, n / 2 (at
  // least 1) when it is mated. The protocol's form is "score mate N",
  // negative when the engine is the one mated.
  char score[32];
  if (r.score >= 30000)
    std::snprintf(score, sizeof score, "mate %d", r.mate_moves > 0 ? r.mate_moves : n / 2 + 1);
  else if (r.score <= -30000)
    std::snprintf(score, sizeof score, "mate -%d", r.mate_moves > 0 ? r.mate_moves : n / 2 > 0 ? n / 2 : 1);
  else
    std::snprintf(score, sizeof score, "cp %d", r.score);
  // The pass's depth; a longer line reached further, shown as "seldepth".
  char seldepth[24] = "";
  if (n > r.depth) std::snprintf(seldepth, sizeof seldepth, " seldepth %d", n);

  // An analysis of several lines ranks each one; a single line has no rank.
  char multipv[24] = "";
  if (r.multipv > 0) std::snprintf(multipv, sizeof multipv, " multipv %d", r.multipv);

  // How full the table is, when the search says.
  char hashfull[24] = "";
  if (r.hashfull >= 0) std::snprintf(hashfull, sizeof hashfull, " hashfull %d", r.hashfull);

  char info[INFO_LINE_SIZE];
  std::snprintf(info, sizeof info, "info depth %d%s%s score %s time %d nodes %u nps %u%s%s%s\n", r.depth, seldepth,
                multipv, score, r.time_ms, r.evaluations, nps, hashfull, shown > 0 ? " pv " : "", pv);
  UCI_send(info);
}

void send_current_move(const uint8_t *cb, uint32_t gm, int number) {
  // The search tries moves that leave the king attacked, and refuses them
  // one ply down; the front end is told only of legal ones.
  const uint8_t kind = gm_kind(gm);
  const uint32_t word = move_word(gm_from(gm), gm_to(gm)) | (kind == KIND_PROMO_KNIGHT ? MW_PROMO_KNIGHT : 0);
  LegalMove m;
  if (!legal_move_of_word(cb, word, m)) return;
  char move[MOVE_TEXT_SIZE];
  write_move_text(m.from, m.to, m.promotion, move);
  char text[64];
  std::snprintf(text, sizeof text, "info currmove %s currmovenumber %d\n", move, number);
  UCI_send(text);
}

void send_book_move(const uint8_t *cb, uint32_t move, const char *book) {
  // The book's name is the user's text: shown printable and not too long,
  // so that it cannot break the line.
  constexpr size_t SHOWN = 200;
  std::string name;
  for (size_t i = 0; book[i] != '\0' && i < SHOWN; ++i) name += book[i] >= ' ' && book[i] <= '~' ? book[i] : '?';
  if (std::strlen(book) > SHOWN) name += "...";
  char text[MOVE_TEXT_SIZE];
  write_move_text(move_from(move), move_to(move), move_promotion_on(cb, move), text);
  UCI_send(("info string book move " + std::string(text) + " from " + name + "\n").c_str());
}

void send_no_move_report(bool mated) {
  UCI_send(mated ? "info depth 0 score mate 0\n" : "info depth 0 score cp 0\n");
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
  write_move_text(from, to, flag < sizeof promotion_piece ? promotion_piece[flag] : uint8_t(EMPTY), move);
  char text[32];
  std::snprintf(text, sizeof text, "bestmove %s\n", move);
  UCI_send(text);
}

void send_result(const uint8_t *cb, uint32_t result, const tagLINE *line, const GameHistory *game) {
  if (!names_a_move(result)) {
    UCI_sendmove(0, 0, PROMO_NONE);
    return;
  }
  const int from = move_from(result);
  const int to = move_to(result);
  // The move's own promotion letter, when a pawn reaches the last rank.
  char move[MOVE_TEXT_SIZE];
  write_move_text(from, to, move_promotion_on(cb, result), move);
  char text[64];
  int n = std::snprintf(text, sizeof text, "bestmove %s", move);
  // The expected reply, for the front end to ponder on: the line's second
  // move, as the reports show it (legal, with its letter), when the game
  // goes on after the move played.
  if (g_options.ponder && line != nullptr && line->length >= 2) {
    char pv[PV_TEXT_SIZE];
    if (true_line_text(cb, *line, result, game, pv) >= 2) {
      const char *reply = std::strchr(pv, ' ') + 1;
      const char *end = std::strchr(reply, ' ');
      const int length = int(end != nullptr ? end - reply : int(std::strlen(reply)));
      n += std::snprintf(text + n, sizeof text - size_t(n), " ponder %.*s", length, reply);
    }
  }
  std::snprintf(text + n, sizeof text - size_t(n), "\n");
  UCI_send(text);
}
