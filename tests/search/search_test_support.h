// Boards for the search tests: a game replayed from a move list as the engine
// replays it, or a diagram in Forsyth-Edwards notation.
#pragma once

#include <array>
#include <cctype>
#include <cstdint>
#include <sstream>
#include <string>

#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "hash/hash_table.h"
#include "notation/position.h"
#include "search/root_moves.h"
#include "search/search_context.h"
#include "search/search_driver.h"
#include "search/search_limits.h"
#include "support/test_board.h"

using Board = std::array<uint8_t, CB_SIZE>;

// Start position, then the move list replayed; moves receives the count.
inline Board board_from_moves(const std::string &list, int *moves = nullptr) {
  Board b{};
  start_position(b.data());
  const int n = load_position_txt2(b.data(), list.c_str());
  if (moves != nullptr) *moves = n;
  return b;
}

// Board of a FEN text: pieces, side to move, castling rights (as lost flags),
// and the en-passant target (as the mark on the pawn that just advanced).
inline Board board_from_fen(const std::string &fen) {
  Board b{};
  clear_board(b.data());
  std::istringstream in(fen);
  std::string placement, side = "w", castling = "-", ep = "-";
  in >> placement >> side >> castling >> ep;
  int rank = 7, file = 0;
  for (char c : placement) {
    if (c == '/') {
      --rank;
      file = 0;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      file += c - '0';
    } else {
      const uint8_t colour = std::islower(static_cast<unsigned char>(c)) ? BLACK : WHITE;
      cb_set_value(uint8_t(square_of(file, rank)), piece_code(c), colour, b.data());
      ++file;
    }
  }
  uint8_t state = side == "b" ? ST_BLACK_TO_MOVE : 0;
  if (castling.find('Q') == std::string::npos) state |= ST_WHITE_QUEEN_LOST;
  if (castling.find('K') == std::string::npos) state |= ST_WHITE_KING_LOST;
  if (castling.find('q') == std::string::npos) state |= ST_BLACK_QUEEN_LOST;
  if (castling.find('k') == std::string::npos) state |= ST_BLACK_KING_LOST;
  b[CB_STATE] = state;
  if (ep != "-") {
    // The pawn that advanced stands one rank beyond the target, seen from
    // the side that moved.
    const int target = square_of(ep[0] - 'a', ep[1] - '1');
    b[side == "w" ? target - 12 : target + 12] |= EP_MARK;
  }
  return b;
}

// Bytes 0 to 144: the squares and the state byte, without the two bytes of
// the move last tried, which the search leaves behind.
inline bool same_position(const Board &a, const Board &b) {
  for (int i = 0; i <= CB_STATE; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// The depth of a report "info depth <n> ...": its third word.
inline std::string info_depth(const std::string &info) {
  std::istringstream in(info);
  std::string word, depth;
  in >> word >> word >> depth;
  return depth;
}

// A one-thread search's records as think sets them up, for the tests that
// call alpha_beta, quies or the make directly: no limit, no input, a clock
// started now with the given budget (none by default), the given phase.
struct TestSearch {
  SearchShared shared{};
  Search s{};
  DriverState driver{};
  explicit TestSearch(int phase = PHASE_MIDDLE, int32_t budget_ms = INT32_MAX) {
    s.phase = phase;
    s.main = true;
    s.shared = &shared;
    shared.thread_count = 1;
    shared.threads[0] = &s;
    search_limits_clear(shared);
    start_clock(shared.clock);
    set_clock_budget(shared.clock, budget_ms);
  }
  // A new search's limits: no stop pending, the clock started again with
  // this budget.
  void budget(int32_t ms) {
    search_limits_clear(shared);
    start_clock(shared.clock);
    set_clock_budget(shared.clock, ms);
  }
  // A new pass on b as the driver starts one: fresh keys, an empty table,
  // the record set up for b, the root's list of every move, the
  // evaluations at 0. Returns the key.
  uint64_t new_pass(const uint8_t *cb) {
    ini_hash_table(cb);
    search_set_position(s, cb);
    root_moves_generate(shared.root, cb, s.kept.sets, nullptr, 0);
    s.evaluations = 0;
    return s.key;
  }
};
