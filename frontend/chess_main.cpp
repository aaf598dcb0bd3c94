#include "frontend/chess_main.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/platform_io.h"
#include "base/text.h"
#include "base/transcript.h"
#include "board/chess_cb.h"
#include "board/game_move.h"
#include "eval/chess_heuristic.h"
#include "book/engine_book.h"
#include "frontend/chess_uci.h"
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
#include "search/search_threads.h"
#include "search/strength.h"
#include "search/think.h"
#include "search/time_control.h"

namespace {

// Gives the game a new board in the start position, an empty opening text
// and no clock figures.
void game_start(SessionGame &game) {
  game = SessionGame{};
  game.board = init_chessboard();
}

// Releases the board; its pointer is null after.
void game_release(SessionGame &game) {
  release_chessboard(game.board);
  game.board = nullptr;
}

// Puts the board into the game of a "position startpos" line. The move list
// is read in place from the line itself, so a game of any length that the
// reader returns is replayed whole.
void replay_position(SessionGame &game, const char *line) {
  game.opening.text[0] = '\0';
  const char *moves = std::strstr(line, "moves ");
  start_position(game.board);
  set_castling_rules(game.board, g_options.chess960 ? RULES_CHESS960 : RULES_STANDARD);
  game.half_moves = moves != nullptr ? load_position_txt2(game.board, moves + 6, &game.opening) : 0;
  game.from_start = true;
  game.refused = false;
}

// Puts the board into the game of a "position fen" line: the FEN's position,
// then its move list replayed as after "position startpos". A FEN that
// cannot be set up is reported to the front end and leaves the loop refusing
// to search until the next "position" line replaces it.
void replay_fen(SessionGame &game, const char *line) {
  game.opening.text[0] = '\0';
  FenSetup setup;
  if (!load_position_fen(game.board, line + 12, setup, g_options.chess960 ? RULES_CHESS960 : RULES_STANDARD)) {
    char text[sizeof setup.reason + 40];
    std::snprintf(text, sizeof text, "info string invalid FEN: %s\n", setup.reason);
    UCI_send(text);
    game.refused = true;
    return;
  }
  const int replayed =
      setup.moves != nullptr ? load_position_txt2(game.board, setup.moves, &game.opening) : 0;
  game.half_moves = setup.half_moves + replayed;
  // The book's lines are games from the start position: a FEN of that
  // position begins one too.
  game.from_start = setup.is_start;
  game.refused = false;
}

// Deepest "go perft": each ply multiplies the count by about thirty, and
// past twelve plies no count would end in a lifetime ("stop" ends any).
constexpr int GO_PERFT_MAX_DEPTH = 12;

// The book's move for the game on the board, 0 when there is none (or the
// OwnBook option is off); what is wrong with the book goes to the front end.
uint32_t book_move(Session &session) {
  if (!g_options.own_book || g_options.book_file.empty()) return 0;
  const SessionGame &game = session.game;
  std::string note;
  const uint32_t move = engine_book_move(g_options.book_file.c_str(), game.board,
                                         game.from_start ? game.opening.text : nullptr, note, session.book_problem_said);
  if (!note.empty()) UCI_send(("info string " + note + "\n").c_str());
  return move;
}

// "go perft N": for each legal move of the position, "<move>: <count>" with
// the number of legal move sequences of length N that begin with it (every
// promotion piece counted), then a blank line and "Nodes searched: <total>".
// No "bestmove": nothing was searched. The input is heard while it counts,
// as during a search: "isready" is answered, and "stop", or a "quit" or the
// end of the input that comes during the count, ends it (perft_stop_asked).
// A stopped count keeps the lines of the moves it counted whole and,
// instead of a total, which it does not have, says "info string go perft
// stopped: <n> of <m> moves counted".
void answer_perft(Session &session, const char *cursor) {
  const SessionGame &game = session.game;
  const Word number = next_word(cursor);
  int64_t depth = 0;
  if (!read_decimal(number.text, number.length, 1000, depth) || depth < 1 || depth > GO_PERFT_MAX_DEPTH ||
      next_word(cursor).length != 0) {
    UCI_send("info string go perft needs one depth from 1 to 12\n");
    return;
  }
  const int cap = session.caps.perft_depth;
  if (cap >= 1 && depth > cap) depth = cap;
  if (game.refused) {
    UCI_send("info string go perft: no position to count (the last position line was refused)\n");
    return;
  }
  CountInput input = count_input(session);
  PerftStop stop{perft_stop_asked, &input};
  int counted = 0;
  const uint64_t total = perft_divide(
      game.board, int(depth), PERFT_ALL_PROMOTIONS,
      [&counted](const PerftRootMove &move, uint64_t nodes) {
        char text[MOVE_TEXT_SIZE], line[64];
        write_move_text(move.from, move.to, move.promotion, text);
        std::snprintf(line, sizeof line, "%s: %llu\n", text, static_cast<unsigned long long>(nodes));
        UCI_send(line);
        ++counted;
        return true;  // only the input ends the count early
      },
      &stop);
  char text[96];
  if (stop.stopped) {
    LegalMove moves[MAX_LEGAL_MOVES];
    std::snprintf(text, sizeof text, "info string go perft stopped: %d of %d moves counted\n", counted,
                  legal_moves(game.board, moves));
  } else {
    std::snprintf(text, sizeof text, "\nNodes searched: %llu\n", static_cast<unsigned long long>(total));
  }
  UCI_send(text);
}

// Answers a "go" (or a line taken as one) with exactly one "bestmove";
// "go perft N" with its counts instead.
void answer_go(Session &session, const char *line) {
  SessionGame &game = session.game;
  if (is_keyword_line(line, "go")) {
    const char *cursor = line + 2;
    if (word_is(next_word(cursor), "perft")) {
      answer_perft(session, cursor);
      return;
    }
  }
  // The board holds no position the front end asked for: nothing to search.
  if (game.refused) {
    UCI_sendmove(0, 0, PROMO_NONE);
    return;
  }
  // A side to move without a legal move is reported as mated or stalemated
  // at once: no search, no book.
  LegalMove moves[MAX_LEGAL_MOVES];
  if (legal_moves(game.board, moves) == 0) {
    const uint8_t side = side_to_move(game.board);
    send_no_move_report(king_attacked(game.board, side, where_is_king(game.board, side)) != 0);
    UCI_sendmove(0, 0, PROMO_NONE);
    return;
  }
  GoLimits limits = NO_GO_LIMITS;
  if (begins_with(line, "go")) read_go(line, side_to_move(game.board), game.go, limits);
  // Everything from here on, the book lookup included, counts against the
  // budget.
  ThinkRequest request{};
  start_clock(request.clock);
  // A default, once computed, stays in force for the following moves.
  if (game.go.moves_to_go == 0) game.go.moves_to_go = default_moves_to_go(game.half_moves);

  // "searchmoves": only the listed legal moves; none of them legal, all.
  uint32_t root_moves[SEARCHMOVES_CAPACITY];
  int root_move_count = 0;
  if (limits.searchmoves != nullptr) {
    root_move_count = resolve_searchmoves(game.board, limits.searchmoves, limits.searchmoves_length, root_moves);
    if (root_move_count == 0) UCI_send("info string searchmoves names no legal move to search: searching every move\n");
  }

  // A book promotion goes out with its letter like any other: a bare
  // "e7e8" is no legal move for a front end. An analysis ("infinite", a
  // mate search, a restricted root) wants the search's answer, not a book
  // move, and a ponder search may not answer before "ponderhit" or "stop".
  const bool analysis = limits.infinite || limits.mate > 0 || limits.searchmoves != nullptr;
  if (!analysis && !limits.ponder) {
    const uint32_t book = book_move(session);
    if (book != 0) {
      send_book_move(game.board, book, g_options.book_file.c_str());
      send_result(game.board, book, nullptr);
      return;
    }
  }
  const int budget = apply_move_overhead(go_budget(limits, game.go, game.half_moves), g_options.move_overhead);
  // A ponder search runs without a clock; "ponderhit" starts the move's
  // clock with this budget (search_input).
  if (limits.ponder) {
    if (limits.infinite) UCI_send("info string go ponder infinite: after ponderhit the search still waits for stop\n");
    session.pondering = true;
  }
  request.phase = get_game_position(game.board, game.half_moves / 2);
  request.budget_ms = limits.ponder ? NO_CLOCK_BUDGET : budget;
  request.ponderhit_budget_ms = budget;
  // The helpers were started when the option was set: this only says how
  // many of them search.
  request.threads = g_options.threads;
  request.limits = SearchLimits{limits.depth, limits.nodes};
  // The input is heard during this search only: "stop", "quit", "isready"
  // and "ponderhit" while it thinks.
  request.poll = poll_search_input;
  request.poll_context = &session;
  request.report = UCI_sendinfos;
  request.current_move = send_current_move;
  request.multipv = g_options.multipv < 1 ? 1 : g_options.multipv > MULTIPV_MAX ? MULTIPV_MAX : g_options.multipv;
  request.root_moves = root_moves;
  request.root_move_count = root_move_count;
  request.mate = limits.mate;
  // UCI_Elo means something only with UCI_LimitStrength on.
  request.weakness = g_options.limit_strength ? weakness_of_elo(g_options.uci_elo) : 0;
  request.strength = &session.strength;
  request.depth_cap = session.caps.depth;
  request.clock.budget_cap = session.caps.budget_ms;
  const ThinkResult result = think(game.board, request);
  // An analysis that ran out of depth (or found its mate) before the front
  // end said "stop" still answers only then; so does a ponder search that
  // ended before "ponderhit".
  if ((limits.infinite || session.pondering) && result.input == SEARCH_INPUT_NONE)
    wait_search_stop(session, limits.infinite);
  session.pondering = false;
  send_result(game.board, result.move, &result.line);
}

// Sets an option from a "setoption" line and applies it at once, by its row
// of the option table: lines are handled only between searches (one that
// comes during a search waits its turn), so the table is never resized and
// no helper started under a search. A line that cannot be taken is answered
// with one "info string" and changes nothing.
void take_setoption(Session &session, const char *line) {
  const SetOptionResult r = read_setoption(line);
  if (r.option == OPT_NONE) {
    UCI_send(("info string " + r.error + "\n").c_str());
    return;
  }
  const std::string message = apply_option(session, r);
  if (!message.empty()) UCI_send(("info string " + message + "\n").c_str());
}

// Sets up the game of a "position startpos" or "position fen" line; false,
// with the game untouched, for any other form.
bool take_position(SessionGame &game, const char *line) {
  if (begins_with(line, "position startpos")) {
    replay_position(game, line);
    return true;
  }
  if (is_keyword_line(line, "position fen")) {
    replay_fen(game, line);
    return true;
  }
  return false;
}

// Where the loop goes after a line: on in the handshake, wait for a
// position, wait for "go", start afresh keeping the last position (the
// clock figures are forgotten), forget the game too, or end.
enum class Next { HANDSHAKE, POSITION_WAIT, GO_WAIT, RESTART, FORGET, QUIT };

// Does what the line's row of the command table says it does in the state.
Next perform(Session &session, const char *line, SessionState state) {
  const Next stay = state == IN_HANDSHAKE ? Next::HANDSHAKE : state == IN_GO_WAIT ? Next::GO_WAIT : Next::POSITION_WAIT;
  switch (command_action(line, state)) {
    case CommandAction::READY: UCI_readyok(); return stay;
    case CommandAction::READY_RESTART: UCI_readyok(); return Next::RESTART;
    // A new game starts with an empty table, as after "Clear Hash", and the
    // levels' generator restarts; the loop starts afresh on the same position.
    case CommandAction::NEW_GAME:
      clear_hash_table();
      seed_strength_levels(session);
      return Next::RESTART;
    case CommandAction::POSITION: return take_position(session.game, line) ? Next::GO_WAIT : Next::FORGET;
    case CommandAction::OPTION: take_setoption(session, line); return stay;
    case CommandAction::GO: answer_go(session, line); return Next::POSITION_WAIT;
    case CommandAction::RESTART: return Next::RESTART;
    case CommandAction::QUIT: return Next::QUIT;
    default: return stay;  // skipped (what only a search does never reaches the loop)
  }
}

// Handles one line read while waiting for a position. The position stays
// until the next "position" line: a second "go" on it (a compliance check's,
// an analysis restarted after "stop") is answered.
Next position_wait(Session &session, const char *line) { return perform(session, line, IN_POSITION_WAIT); }

// Handles one line read while waiting for "go", with a game on the board. A
// match runner replays its opening one "position" line per ply and pings
// "isready" before "go": none of these asks for a move; any line the table
// does not name does.
Next go_wait(Session &session, const char *line) { return perform(session, line, IN_GO_WAIT); }

}  // namespace

int UCI_wait_infos(Session &session, char **line) {
  for (;;) {
    char *text = next_command_line(session);
    if (text == nullptr) {
      *line = nullptr;
      return CMD_END_OF_INPUT;
    }
    const Command &command = command_of(text);
    if (command.action[IN_HANDSHAKE] != CommandAction::SKIP) {
      *line = text;
      return command.code;
    }
    std::free(text);
  }
}

int chess_app(Session &session, int mode) {
  Next state = mode == MODE_HANDSHAKE       ? Next::HANDSHAKE
               : mode == MODE_POSITION_WAIT ? Next::POSITION_WAIT
                                            : Next::GO_WAIT;
  for (;;) {
    char *line = nullptr;
    if (state == Next::HANDSHAKE) {
      // Every "isready" is answered, however many arrive; a "position" line
      // sets up the game, a "go" searches the start position.
      if (UCI_wait_infos(session, &line) == CMD_END_OF_INPUT) break;
      state = perform(session, line, IN_HANDSHAKE);
    } else {
      line = next_command_line(session);
      if (line == nullptr) break;  // end of input: the front end has gone
      state = state == Next::GO_WAIT ? go_wait(session, line) : position_wait(session, line);
    }
    std::free(line);
    if (state == Next::QUIT) break;
    // Restarts happen in place, never as a nested loop. The position is
    // kept for a "go" that follows; the clock figures start afresh.
    if (state == Next::RESTART) {
      session.game.go = GoParameters{0, 0, false};
      state = Next::POSITION_WAIT;
    }
    if (state == Next::FORGET) {
      game_release(session.game);
      game_start(session.game);
      state = Next::POSITION_WAIT;
    }
  }
  return 0;
}

int velkor_main(const SessionSearchCaps &caps) {
  io_ignore_broken_pipe();
  Session session;
  session.caps = caps;
  // Every session starts with the options at their defaults, applied: one
  // thread (an in-process session may follow one that had more).
  reset_engine_options();
  search_threads_set(g_options.threads);
  seed_strength_levels(session);
  set_transcript_file(g_options.transcript.c_str(), false);
  int status = 0;
  if (UCI_identifier(ENGINE_NAME, ENGINE_AUTHOR) != 0) {
    send_option_lines(UCI_send);
    UCI_ok();
    // The table at its default size, every page written, before the first
    // command is read: the front end gets "uciok" at once, and whatever it
    // sends next ("readyok" included) waits until the table is ready, so the
    // first search costs what later ones cost.
    if (hash_table_entries() != HASH_TABLE_ENTRIES) resize_hash_table(HASH_DEFAULT_MB);
    hash_table_make_resident();
    game_start(session.game);
    status = chess_app(session, MODE_HANDSHAKE);
    game_release(session.game);
  }
  clear_command_lines(session);
  UCI_close_input();
  return status;
}
