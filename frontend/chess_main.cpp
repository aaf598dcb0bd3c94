#include "frontend/chess_main.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "base/platform_clock.h"
#include "base/platform_io.h"
#include "base/text.h"
#include "base/transcript.h"
#include "board/chess_cb.h"
#include "board/game_move.h"
#include "eval/chess_heuristic.h"
#include "book/engine_book.h"
#include "frontend/chess_uci.h"
#include "frontend/command_queue.h"
#include "frontend/engine_options.h"
#include "frontend/go_limits.h"
#include "frontend/reports.h"
#include "frontend/search_input.h"
#include "notation/fen.h"
#include "notation/position.h"
#include "notation/san.h"
#include "movegen/attack.h"
#include "movegen/perft.h"
#include "notation/move_text.h"
#include "search/strength.h"
#include "search/think.h"
#include "search/time_control.h"

SessionSearchCaps g_session_search_caps;

namespace {

// The strength levels' generator, the session's: each game restarts it
// (seed_strength_levels), and every search below full strength draws from it.
StrengthGenerator strength_generator;

// State of the command loop, created afresh at every start of the loop.
struct Loop {
  uint8_t *board;
  // Half-moves of the game: those replayed from the last "position" line,
  // plus, for a FEN, the count its fullmove number and side stand for. The
  // phase and the default moves to go are read from it.
  int half_moves;
  GoParameters go;
  bool from_start;      // the game began at the start position: the text book may answer
  OpeningText opening;  // the game's move tokens, for the text book
  bool refused;         // the last "position" line could not be set up: no search
};

// A new game for the strength levels: their generator restarts from the
// Strength Seed option, so that a game replays move for move, or, with the
// option at 0, from the clock and the process's own addresses, so that no
// two games are alike.
void seed_strength_levels() {
  if (g_options.strength_seed != 0) {
    strength_seed(strength_generator, uint64_t(g_options.strength_seed));
    return;
  }
  static uint64_t games = 0;
  velkor::timeval now{};
  velkor::gettimeofday(&now, nullptr);
  const uint64_t place = uint64_t(reinterpret_cast<uintptr_t>(&now));
  strength_seed(strength_generator, (uint64_t(uint32_t(now.tv_sec)) << 32 | uint32_t(now.tv_usec)) ^ place ^ ++games << 48);
}

// Gives the loop a new board in the start position, an empty opening text
// and no clock figures.
void loop_start(Loop &loop) {
  loop.half_moves = 0;
  loop.go = GoParameters{0, 0, false};
  loop.from_start = true;
  loop.refused = false;
  loop.opening.text[0] = '\0';
  loop.board = init_chessboard();
}

// Releases the board; its pointer is null after.
void loop_release(Loop &loop) {
  release_chessboard(loop.board);
  loop.board = nullptr;
}

// Puts the board into the game of a "position startpos" line. The move list
// is read in place from the line itself, so a game of any length that the
// reader returns is replayed whole.
void replay_position(Loop &loop, const char *line) {
  loop.opening.text[0] = '\0';
  const char *moves = std::strstr(line, "moves ");
  start_position(loop.board);
  set_castling_rules(loop.board, g_options.chess960 ? RULES_CHESS960 : RULES_STANDARD);
  loop.half_moves = moves != nullptr ? load_position_txt2(loop.board, moves + 6, &loop.opening) : 0;
  loop.from_start = true;
  loop.refused = false;
}

// Puts the board into the game of a "position fen" line: the FEN's position,
// then its move list replayed as after "position startpos". A FEN that
// cannot be set up is reported to the front end and leaves the loop refusing
// to search until the next "position" line replaces it.
void replay_fen(Loop &loop, const char *line) {
  loop.opening.text[0] = '\0';
  FenSetup setup;
  if (!load_position_fen(loop.board, line + 12, setup, g_options.chess960 ? RULES_CHESS960 : RULES_STANDARD)) {
    char text[sizeof setup.reason + 40];
    std::snprintf(text, sizeof text, "info string invalid FEN: %s\n", setup.reason);
    UCI_send(text);
    loop.refused = true;
    return;
  }
  const int replayed =
      setup.moves != nullptr ? load_position_txt2(loop.board, setup.moves, &loop.opening) : 0;
  loop.half_moves = setup.half_moves + replayed;
  // The book's lines are games from the start position: a FEN of that
  // position begins one too.
  loop.from_start = setup.is_start;
  loop.refused = false;
}

// Deepest "go perft": each ply multiplies the count by about thirty, and a
// count cannot be stopped once begun.
constexpr int GO_PERFT_MAX_DEPTH = 12;

// The book's move for the game on the board, 0 when there is none (or the
// OwnBook option is off); what is wrong with the book goes to the front end.
uint32_t book_move(const Loop &loop) {
  if (!g_options.own_book || g_options.book_file.empty()) return 0;
  std::string note;
  const uint32_t move =
      engine_book_move(g_options.book_file.c_str(), loop.board, loop.from_start ? loop.opening.text : nullptr, note);
  if (!note.empty()) UCI_send(("info string " + note + "\n").c_str());
  return move;
}

// "go perft N": for each legal move of the position, "<move>: <count>" with
// the number of legal move sequences of length N that begin with it (every
// promotion piece counted), then a blank line and "Nodes searched: <total>".
// No "bestmove": nothing was searched.
void answer_perft(const Loop &loop, const char *cursor) {
  const Word number = next_word(cursor);
  int64_t depth = 0;
  if (!read_decimal(number.text, number.length, 1000, depth) || depth < 1 || depth > GO_PERFT_MAX_DEPTH ||
      next_word(cursor).length != 0) {
    UCI_send("info string go perft needs one depth from 1 to 12\n");
    return;
  }
  const int cap = g_session_search_caps.perft_depth;
  if (cap >= 1 && depth > cap) depth = cap;
  if (loop.refused) {
    UCI_send("info string go perft: no position to count (the last position line was refused)\n");
    return;
  }
  const uint64_t total =
      perft_divide(loop.board, int(depth), PERFT_ALL_PROMOTIONS, [](const PerftRootMove &move, uint64_t nodes) {
        char text[MOVE_TEXT_SIZE], line[64];
        write_move_text(move.from, move.to, move.promotion, text);
        std::snprintf(line, sizeof line, "%s: %llu\n", text, static_cast<unsigned long long>(nodes));
        UCI_send(line);
        return true;  // the count runs to its end
      });
  char text[64];
  std::snprintf(text, sizeof text, "\nNodes searched: %llu\n", static_cast<unsigned long long>(total));
  UCI_send(text);
}

// Answers a "go" (or a line taken as one) with exactly one "bestmove";
// "go perft N" with its counts instead.
void answer_go(Loop &loop, const char *line) {
  if (is_keyword_line(line, "go")) {
    const char *cursor = line + 2;
    if (word_is(next_word(cursor), "perft")) {
      answer_perft(loop, cursor);
      return;
    }
  }
  // The board holds no position the front end asked for: nothing to search.
  if (loop.refused) {
    UCI_sendmove(0, 0, PROMO_NONE);
    return;
  }
  // A side to move without a legal move is reported as mated or stalemated
  // at once: no search, no book.
  LegalMove moves[MAX_LEGAL_MOVES];
  if (legal_moves(loop.board, moves) == 0) {
    const uint8_t side = side_to_move(loop.board);
    send_no_move_report(king_attacked(loop.board, side, where_is_king(loop.board, side)) != 0);
    UCI_sendmove(0, 0, PROMO_NONE);
    return;
  }
  GoLimits limits = NO_GO_LIMITS;
  if (begins_with(line, "go")) read_go(line, side_to_move(loop.board), loop.go, limits);
  // Everything from here on, the book lookup included, counts against the
  // budget.
  ThinkRequest request{};
  start_clock(request.clock);
  // A default, once computed, stays in force for the following moves.
  if (loop.go.moves_to_go == 0) loop.go.moves_to_go = default_moves_to_go(loop.half_moves);

  // "searchmoves": only the listed legal moves; none of them legal, all.
  uint32_t root_moves[SEARCHMOVES_CAPACITY];
  int root_move_count = 0;
  if (limits.searchmoves != nullptr) {
    root_move_count = resolve_searchmoves(loop.board, limits.searchmoves, limits.searchmoves_length, root_moves);
    if (root_move_count == 0) UCI_send("info string searchmoves names no legal move to search: searching every move\n");
  }

  // A book promotion goes out with its letter like any other: a bare
  // "e7e8" is no legal move for a front end. An analysis ("infinite", a
  // mate search, a restricted root) wants the search's answer, not a book
  // move, and a ponder search may not answer before "ponderhit" or "stop".
  const bool analysis = limits.infinite || limits.mate > 0 || limits.searchmoves != nullptr;
  if (!analysis && !limits.ponder) {
    const uint32_t book = book_move(loop);
    if (book != 0) {
      send_book_move(loop.board, book, g_options.book_file.c_str());
      send_result(loop.board, book, nullptr);
      return;
    }
  }
  const int budget = apply_move_overhead(go_budget(limits, loop.go, loop.half_moves), g_options.move_overhead);
  // A ponder search runs without a clock; "ponderhit" starts the move's
  // clock with this budget (search_input).
  if (limits.ponder) {
    if (limits.infinite) UCI_send("info string go ponder infinite: after ponderhit the search still waits for stop\n");
    start_pondering();
  }
  // The input is looked at during this search only: "stop", "quit",
  // "isready" and "ponderhit" are heard while it thinks.
  request.phase = get_game_position(loop.board, loop.half_moves / 2);
  request.budget_ms = limits.ponder ? NO_CLOCK_BUDGET : budget;
  request.ponderhit_budget_ms = budget;
  request.threads = g_options.threads;
  request.limits = SearchLimits{limits.depth, limits.nodes};
  request.poll = poll_search_input;
  request.report = UCI_sendinfos;
  request.current_move = send_current_move;
  request.multipv = g_options.multipv < 1 ? 1 : g_options.multipv > MULTIPV_MAX ? MULTIPV_MAX : g_options.multipv;
  request.root_moves = root_moves;
  request.root_move_count = root_move_count;
  request.mate = limits.mate;
  // UCI_Elo means something only with UCI_LimitStrength on.
  request.weakness = g_options.limit_strength ? weakness_of_elo(g_options.uci_elo) : 0;
  request.strength = &strength_generator;
  request.depth_cap = g_session_search_caps.depth;
  request.clock.budget_cap = g_session_search_caps.budget_ms;
  const ThinkResult result = think(loop.board, request);
  // An analysis that ran out of depth (or found its mate) before the front
  // end said "stop" still answers only then; so does a ponder search that
  // ended before "ponderhit".
  if ((limits.infinite || is_pondering()) && result.input == SEARCH_INPUT_NONE) wait_search_stop(limits.infinite);
  stop_pondering();
  send_result(loop.board, result.move, &result.line);
}

// Sets an option from a "setoption" line and applies it at once: lines are
// handled only between searches (one that comes during a search waits in
// the queue), so the table is never resized under a search. A line that
// cannot be taken is answered with one "info string" and changes nothing.
void take_setoption(const char *line) {
  const SetOptionResult r = read_setoption(line);
  if (r.option == OPT_NONE) {
    UCI_send(("info string " + r.error + "\n").c_str());
    return;
  }
  switch (r.option) {
    case OPT_HASH:
      if (!resize_hash_table(g_options.hash_mb)) {
        const int kept = int(hash_table_entries() / HASH_ENTRIES_PER_MB);
        char text[160];
        std::snprintf(text, sizeof text, "info string Hash %d MB cannot be allocated: the table stays at %d MB\n",
                      g_options.hash_mb, kept);
        UCI_send(text);
        g_options.hash_mb = kept;
      }
      break;
    case OPT_CLEAR_HASH: clear_hash_table(); break;
    case OPT_TRANSCRIPT:
      if (r.changed) set_transcript_file(g_options.transcript.c_str());
      break;
    case OPT_STRENGTH_SEED: seed_strength_levels(); break;
    default:  // read where they are used
      break;
  }
}

// What the loop does after a line: wait for a position, wait for "go",
// start afresh keeping the last position (the clock figures are forgotten),
// forget the game too, or end.
enum class Next { POSITION_WAIT, GO_WAIT, RESTART, FORGET, QUIT };

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

// The lines both waits take alike: "quit", a "position" line that sets up a
// game, "ucinewgame", a "stop" that comes after the search it was meant for
// has ended, a "ponderhit" with no ponder search running, and "setoption".
// stay is the wait the loop remains in; nullopt for any other line.
std::optional<Next> common_line(Loop &loop, const char *line, Next stay) {
  if (begins_with(line, "quit")) return Next::QUIT;
  if (take_position(loop, line)) return Next::GO_WAIT;
  // A new game starts with an empty table, as after "Clear Hash", and the
  // levels' generator restarts; the loop starts afresh on the same position.
  if (begins_with(line, "ucinewgame")) {
    clear_hash_table();
    seed_strength_levels();
    return Next::RESTART;
  }
  if (is_stop_command(line) || is_keyword_line(line, "ponderhit")) return stay;
  if (is_keyword_line(line, "setoption")) {
    take_setoption(line);
    return stay;
  }
  return std::nullopt;
}

// Handles one line read while waiting for a position.
Next position_wait(Loop &loop, const char *line) {
  if (const std::optional<Next> next = common_line(loop, line, Next::POSITION_WAIT)) return *next;
  if (begins_with(line, "isready")) {
    UCI_readyok();
    return Next::RESTART;
  }
  // The position stays until the next "position" line: a second "go" on it
  // (a compliance check's, an analysis restarted after "stop") is answered.
  if (is_keyword_line(line, "go")) {
    answer_go(loop, line);
    return Next::POSITION_WAIT;
  }
  // A position given otherwise: forget the game.
  if (begins_with(line, "position")) return Next::FORGET;
  // "uci", empty lines: start afresh on the same position.
  return Next::RESTART;
}

// Handles one line read while waiting for "go", with a game on the board.
Next go_wait(Loop &loop, const char *line) {
  if (const std::optional<Next> next = common_line(loop, line, Next::GO_WAIT)) return *next;
  // A match runner replays its opening one "position" line per ply and
  // pings "isready" before "go": none of these asks for a move.
  if (begins_with(line, "isready")) {
    UCI_readyok();
    return Next::GO_WAIT;
  }
  if (begins_with(line, "position")) return Next::FORGET;
  // "go", and any other line, is answered with a move.
  answer_go(loop, line);
  return Next::POSITION_WAIT;
}

}  // namespace

int UCI_wait_infos(char **line) {
  static constexpr struct {
    const char *keyword;
    int code;
  } commands[] = {
      {"isready", CMD_ISREADY}, {"ucinewgame", CMD_UCINEWGAME}, {"position", CMD_POSITION},
      {"quit", CMD_QUIT},       {"go", CMD_GO},           {"setoption", CMD_SETOPTION},
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
    // Restarts happen in place, never as a nested loop. The position is
    // kept for a "go" that follows; the clock figures start afresh.
    if (state == Next::RESTART) {
      loop.go = GoParameters{0, 0, false};
      state = Next::POSITION_WAIT;
    }
    if (state == Next::FORGET) {
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
  // Every session starts with the options at their defaults.
  reset_engine_options();
  seed_strength_levels();
  set_transcript_file(g_options.transcript.c_str(), false);
  if (UCI_identifier(ENGINE_NAME, ENGINE_AUTHOR) == 0) return 0;
  send_option_lines(UCI_send);
  UCI_ok();
  // The table at its default size, every page written, before the first
  // command is read: the front end gets "uciok" at once, and whatever it
  // sends next ("readyok" included) waits until the table is ready, so the
  // first search costs what later ones cost.
  if (hash_table_entries() != HASH_TABLE_ENTRIES) resize_hash_table(HASH_DEFAULT_MB);
  hash_table_make_resident();

  // Every "isready" is answered, however many arrive. A "position" line is
  // handed to the loop, not lost; "go" searches the start position.
  for (;;) {
    char *line = nullptr;
    switch (UCI_wait_infos(&line)) {
      case CMD_END_OF_INPUT: return 0;
      case CMD_QUIT: std::free(line); return 0;
      case CMD_ISREADY:
        std::free(line);
        UCI_readyok();
        break;
      case CMD_UCINEWGAME:
        std::free(line);
        clear_hash_table();
        seed_strength_levels();
        return chess_app(MODE_POSITION_WAIT);
      case CMD_POSITION: push_command_line(line); return chess_app(MODE_POSITION_WAIT);
      case CMD_GO:
        push_command_line(line);
        return chess_app(MODE_GO_WAIT);
      case CMD_SETOPTION:
        take_setoption(line);
        std::free(line);
        break;
      default: std::free(line); break;
    }
  }
}
