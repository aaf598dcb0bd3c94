#include "frontend/chess_main.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "base/text.h"
#include "board/chess_cb.h"
#include "notation/fen.h"
#include "notation/position.h"
#include "book/chess_opening.h"
#include "eval/chess_heuristic.h"
#include "frontend/chess_uci.h"
#include "frontend/go_limits.h"
#include "base/platform_io.h"
#include "frontend/search_input.h"
#include "hash/hash_table.h"
#include "search/alpha_beta.h"
#include "search/search_driver.h"
#include "search/search_limits.h"
#include "search/time_control.h"

namespace {

// Lines that have been read but not yet handled by the command loop.
std::deque<char *> pending_lines;

// State of the command loop, created afresh at every start of the loop.
struct Loop {
  uint8_t *board;
  // Half-moves of the game: those replayed from the last "position" line,
  // plus, for a FEN, the count its fullmove number and side stand for. The
  // phase and the default moves to go are read from it.
  int half_moves;
  GoParameters go;
  bool from_start;  // the game began at the start position: the book may answer
  bool refused;     // the last "position" line could not be set up: no search
};

// Gives the loop a new board in the start position, an empty opening text
// and no clock figures.
void loop_start(Loop &loop) {
  loop.half_moves = 0;
  loop.go = GoParameters{0, 0, false};
  loop.from_start = true;
  loop.refused = false;
  g_txt_opening = static_cast<char *>(std::calloc(OPENING_TEXT_SIZE, 1));
  loop.board = init_chessboard();
}

// Releases the board and the opening text; both pointers are null after.
void loop_release(Loop &loop) {
  release_chessboard(loop.board);
  loop.board = nullptr;
  std::free(g_txt_opening);
  g_txt_opening = nullptr;
}

// Puts the board into the game of a "position startpos" line. The move list
// is read in place from the line itself, so a game of any length that the
// reader returns is replayed whole.
void replay_position(Loop &loop, const char *line) {
  ini_stat_calculated();
  std::memset(g_txt_opening, 0, OPENING_TEXT_SIZE);
  const char *moves = std::strstr(line, "moves ");
  start_position(loop.board);
  loop.half_moves = moves != nullptr ? load_position_txt2(loop.board, moves + 6) : 0;
  loop.from_start = true;
  loop.refused = false;
}

// Puts the board into the game of a "position fen" line: the FEN's position,
// then its move list replayed as after "position startpos". A FEN that
// cannot be set up is reported to the front end and leaves the loop refusing
// to search until the next "position" line replaces it.
void replay_fen(Loop &loop, const char *line) {
  ini_stat_calculated();
  std::memset(g_txt_opening, 0, OPENING_TEXT_SIZE);
  FenSetup setup;
  if (!load_position_fen(loop.board, line + 12, setup)) {
    char text[sizeof setup.reason + 40];
    std::snprintf(text, sizeof text, "info string invalid FEN: %s\n", setup.reason);
    UCI_send(text);
    loop.refused = true;
    return;
  }
  const int replayed =
      setup.moves != nullptr ? load_position_txt2(loop.board, setup.moves, setup.half_moves) : 0;
  loop.half_moves = setup.half_moves + replayed;
  // The book's lines are games from the start position: a FEN of that
  // position begins one too.
  loop.from_start = setup.is_start;
  loop.refused = false;
}

// Sends the move as "bestmove", with the promotion letter when a pawn
// reaches the last rank; a result without squares sends "(none)".
void send_result(const uint8_t *board, uint32_t result) {
  const int from = move_from(result);
  const int to = move_to(result);
  uint8_t flag = PROMO_NONE;
  const int to_row = square_row(to);
  if ((from != 0 || to != 0) && piece_of(cb_get_value(uint8_t(from), board)) == PAWN &&
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

// Answers a "go" (or a line taken as one) with exactly one "bestmove".
void answer_go(Loop &loop, const char *line) {
  // The board holds no position the front end asked for: nothing to search.
  if (loop.refused) {
    UCI_sendmove(0, 0, PROMO_NONE);
    return;
  }
  GoLimits limits = NO_GO_LIMITS;
  if (begins_with(line, "go")) {
    read_go_parameters(line, side_to_move(loop.board), loop.go);
    read_go_limits(line, side_to_move(loop.board), limits);
  }
  // Everything from here on, the book lookup included, counts against the
  // budget.
  start_timer();
  // A default, once computed, stays in force for the following moves.
  if (loop.go.moves_to_go == 0) loop.go.moves_to_go = default_moves_to_go(loop.half_moves);
  set_limit_time(go_budget(limits, loop.go, loop.half_moves));
  set_game_position(get_game_position(loop.board, loop.half_moves / 2));

  // A book promotion goes out with its letter like any other: a bare
  // "e7e8" is no legal move for a front end. An analysis ("infinite") wants
  // the search's reports, not a book move.
  const uint32_t book = loop.from_start && !limits.infinite ? check_opening_book(g_txt_opening) : 0;
  if (book != 0) {
    send_result(loop.board, book);
    return;
  }
  // The input is looked at during this search only: "stop", "quit" and
  // "isready" are heard while it thinks.
  search_limits_start(SearchLimits{limits.depth, limits.nodes}, poll_search_input);
  uint32_t result = alpha_beta_time(loop.board);
  const int input = search_limits_input();
  search_limits_clear();
  if (move_from(result) == 0 && move_to(result) == 0) result = search_one_ply(loop.board);
  // An analysis that ran out of depth (or found its mate) before the front
  // end said "stop" still answers only then.
  if (limits.infinite && input == SEARCH_INPUT_NONE) wait_search_stop();
  send_result(loop.board, result);
}

// What the loop does after a line: wait for a position, wait for "go",
// start afresh, or end.
enum class Next { POSITION_WAIT, GO_WAIT, RESTART, QUIT };

// Sets up the game of a "position startpos" or "position fen" line, in
// either waiting state; false, with the loop untouched, for any other line.
bool take_position(Loop &loop, const char *line) {
  if (begins_with(line, "position startpos")) {
    replay_position(loop, line);
    return true;
  }
  if (is_keyword_line(line, "position fen")) {
    replay_fen(loop, line);
    return true;
  }
  return false;
}

// Handles one line read while waiting for a position.
Next position_wait(Loop &loop, const char *line) {
  if (begins_with(line, "quit")) return Next::QUIT;
  if (begins_with(line, "isready")) {
    UCI_readyok();
    return Next::RESTART;
  }
  if (take_position(loop, line)) return Next::GO_WAIT;
  // A "stop" that comes after the search it was meant for has ended.
  if (is_stop_command(line)) return Next::POSITION_WAIT;
  // "ucinewgame", a position given otherwise, a stray "go", "uci", empty
  // lines: forget the game and wait for the next position.
  return Next::RESTART;
}

// Handles one line read while waiting for "go", with a game on the board.
Next go_wait(Loop &loop, const char *line) {
  if (begins_with(line, "quit")) return Next::QUIT;
  // A match runner replays its opening one "position" line per ply and
  // pings "isready" before "go": none of these asks for a move.
  if (begins_with(line, "isready")) {
    UCI_readyok();
    return Next::GO_WAIT;
  }
  if (take_position(loop, line)) return Next::GO_WAIT;
  if (begins_with(line, "position") || begins_with(line, "ucinewgame")) return Next::RESTART;
  // A late "stop" (its search has already answered) asks for no move.
  if (is_stop_command(line)) return Next::GO_WAIT;
  // "go", and any other line, is answered with a move.
  answer_go(loop, line);
  return Next::POSITION_WAIT;
}

// Decimal conversion of a token of at most 15 characters, clamped to int.
// Returns false when the token holds no digits at all (its value is then 0,
// as the usual conversion gives).
bool token_number(const char *token, int length, int &value) {
  char number[16] = {};
  std::memcpy(number, token, size_t(length));
  char *end = nullptr;
  const long long wide = std::strtoll(number, &end, 10);
  value = wide > INT_MAX ? INT_MAX : wide < INT_MIN ? INT_MIN : int(wide);
  return end != number;
}

}  // namespace

uint32_t search_one_ply(uint8_t *board) {
  // By now the budget is usually spent (or a "stop" came), and the root asks
  // for its stop decision after each move: it would stop after the first
  // one, and send no move at all whenever that first move was illegal. One
  // ply takes milliseconds, so the clock and every other limit are lifted
  // for it.
  set_limit_time(INT32_MAX);
  search_limits_clear();
  ini_hash_table(board);
  static tagLINE line;
  line.length = 0;
  const bool white = side_to_move(board) == WHITE;
  return alpha_beta(board, 0, 1, white ? SCORE_BLACK_WINS : SCORE_WHITE_WINS,
                    white ? SCORE_WHITE_WINS : SCORE_BLACK_WINS, &line);
}

void push_command_line(char *line) { pending_lines.push_back(line); }

char *next_command_line() {
  if (!pending_lines.empty()) {
    char *line = pending_lines.front();
    pending_lines.pop_front();
    return line;
  }
  return UCI_recv();
}

void clear_command_lines() {
  for (char *line : pending_lines) std::free(line);
  pending_lines.clear();
}

int default_moves_to_go(int half_moves) {
  const int n = half_moves < 0 ? 0 : half_moves;
  if (n <= 24) return 40 - n;
  if (n <= 39) return 60 - n;
  if (n <= 49) return 70 - n;
  if (n <= 69) return 100 - n;
  if (n <= 99) return 120 - n;
  // The table would reach 0 at 200 half-moves and go negative beyond.
  if (n <= 199) return 200 - n;
  return 10;
}

int thinking_budget(bool clock_given, int own_clock, int moves_to_go, int half_moves) {
  const long long t = own_clock;
  long long m = moves_to_go == 0 ? default_moves_to_go(half_moves) : moves_to_go;
  if (m < 1) m = 1;
  long long budget;
  if (t > 30000)
    budget = (t - 20000) / (m + 2);
  else if (t > 5000)
    budget = (t - 2000) / (m + 2);
  else
    budget = 1000 / m;
  if (clock_given && budget > t / 2) budget = t / 2;
  if (budget < 0) budget = 0;
  return int(budget);
}

void read_go_parameters(const char *line, uint8_t side, GoParameters &params) {
  const char *cursor = line;
  while (*cursor != '\0') {
    if ((begins_with(cursor, "wtime ") && side == WHITE) || (begins_with(cursor, "btime ") && side == BLACK)) {
      cursor += 6;
      const int length = where_is_next_space(cursor);
      if (length <= 15 && token_number(cursor, length, params.own_clock)) params.clock_given = true;
      cursor += length;
    } else if (begins_with(cursor, "movestogo ")) {
      cursor += 10;
      const int length = where_is_next_space(cursor);
      if (length <= 15) token_number(cursor, length, params.moves_to_go);
      cursor += length;
    } else {
      ++cursor;
    }
  }
}

int UCI_wait_infos(char **line) {
  static constexpr struct {
    const char *keyword;
    int code;
  } commands[] = {
      {"isready", CMD_ISREADY}, {"ucinewgame", CMD_UCINEWGAME}, {"position", CMD_POSITION},
      {"quit", CMD_QUIT},       {"go", CMD_GO},
  };
  for (;;) {
    char *text = UCI_recv();
    if (text == nullptr) {
      *line = nullptr;
      return CMD_END_OF_INPUT;
    }
    for (const auto &c : commands) {
      if (begins_with(text, c.keyword)) {
        *line = text;
        return c.code;
      }
    }
    std::free(text);
  }
}

int chess_app(int mode) {
  Loop loop{};
  loop_start(loop);
  Next state = mode == MODE_POSITION_WAIT ? Next::POSITION_WAIT : Next::GO_WAIT;
  for (;;) {
    char *line = next_command_line();
    if (line == nullptr) break;  // end of input: the front end has gone
    state = state == Next::GO_WAIT ? go_wait(loop, line) : position_wait(loop, line);
    std::free(line);
    if (state == Next::QUIT) break;
    if (state == Next::RESTART) {
      // Restarts happen in place: a new board and an empty game, never a
      // nested loop.
      loop_release(loop);
      loop_start(loop);
      state = Next::POSITION_WAIT;
    }
  }
  loop_release(loop);
  clear_command_lines();
  return 0;
}

int velkor_main() {
  io_ignore_broken_pipe();
  clear_command_lines();
  reset_search_input();
  if (UCI_identifier(ENGINE_NAME, ENGINE_AUTHOR) == 0) return 0;
  UCI_set_opts();
  UCI_ok();

  // Every "isready" is answered, however many arrive. A "position" line is
  // handed to the loop, not lost; "go" is taken only once the front end has
  // seen a "readyok", and searches the start position.
  bool ready_answered = false;
  for (;;) {
    char *line = nullptr;
    switch (UCI_wait_infos(&line)) {
      case CMD_END_OF_INPUT: return 0;
      case CMD_QUIT: std::free(line); return 0;
      case CMD_ISREADY:
        std::free(line);
        UCI_readyok();
        ready_answered = true;
        break;
      case CMD_UCINEWGAME: std::free(line); return chess_app(MODE_POSITION_WAIT);
      case CMD_POSITION: push_command_line(line); return chess_app(MODE_POSITION_WAIT);
      case CMD_GO:
        if (!ready_answered) {
          std::free(line);
          break;
        }
        push_command_line(line);
        return chess_app(MODE_GO_WAIT);
      default: std::free(line); break;
    }
  }
}
