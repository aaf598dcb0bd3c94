// The state of one search: one Search record per searching thread, handed
// by reference to every search function, and one SearchShared record that
// the threads of a search have in common. Nothing the search writes lives
// anywhere else; what the threads share besides (the table, the pass's
// Zobrist keys, the evaluation's tables) is written only while no thread
// searches.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "board/board_scan.h"
#include "board/chess_cb.h"
#include "eval/piece_square_values.h"
#include "search/search_types.h"
#include "search/time_control.h"

// The pieces of the position on a thread's board, kept move by move by
// search_make/search_unmake for the evaluator, the legality test and the
// en-passant expiry (make_move.h). Valid from search_set_position on, for
// as long as the board changes only through those two.
struct KeptPieces {
  PieceSets sets;
  int32_t material;                                // sum of the phase's values over the pieces
  const phase_terms::PieceSquareValues *values;    // that phase's table
  uint16_t marks;                                  // en-passant marks on ranks 4 and 5
};

struct Search;

// What the threads of one search share. The main thread alone writes it
// while the threads search (its stop decision, the clock, the input), except
// for the atomics, which every thread reads and the root's share out.
struct SearchShared {
  SearchLimits limits;        // the "go"'s depth and node limits
  MoveClock clock;            // the move's clock; "ponderhit" starts it again
  int ponderhit_budget_ms;    // the budget the clock takes on "ponderhit"
  SearchInputPoll poll;       // the input, asked by the main thread; nullptr: none
  void *poll_context;         // what poll is called with
  int input_seen;             // what the input asked for (SearchInput)
  bool nodes_reached;         // the node limit stopped the search
  int64_t counted_nodes;      // evaluations of the finished passes, all threads
  int thread_count;           // threads searching each pass, the main one included
  Search *threads[SEARCH_THREADS_MAX];  // their records, the main thread's first
  // Set once the search must end: every thread unwinds.
  std::atomic<bool> stop{false};
  // The moves the root may play ("searchmoves"; count 0: every move),
  // which each pass's list is made from; the caller's, alive while it
  // searches.
  const uint32_t *only_moves;
  int only_count;
  // The root's list of moves, made anew for each pass (search_start_pass)
  // and shared by its threads.
  RootMoves root;
  // A pass of several threads shares out the list's moves (root_search.h):
  // whether the pass under way does (not the glance, nor the one-ply
  // search, which the main thread runs alone);
  bool sharing_root;
  // whether the helpers may take moves: the main thread opens the list once
  // its first move is searched (its score is their window) or it has left
  // the root;
  std::atomic<bool> root_open{false};
  std::mutex root_open_mutex;             // guards the opening, for root_opened
  std::condition_variable root_opened;    // the helpers wait here for the opening
  // the index in the list that the next thread to take a move gets;
  std::atomic<int> root_next{0};
  // the best result so far (low 32 bits) and 1 + the index in the list of
  // the move that has it (high 32 bits; 0: no move yet): every thread
  // searches its next move with that window, and it is the pass's answer;
  std::atomic<uint64_t> root_best{0};
  // whether some thread has found a legal root move.
  std::atomic<bool> root_legal{false};
  // Over the passes that several threads shared, in microseconds: the
  // threads' time in them (the threads times each pass's wall time), and
  // the part of it they spent waiting for work (main thread only).
  int64_t thread_pass_us;
  int64_t thread_waited_us;
};

// One searching thread's state.
struct Search {
  uint64_t key;             // key of the position on the board, under the pass's keys
  KeptPieces kept;          // the pieces of that position
  int phase;                // the root's game phase: every evaluation of the search uses it
  // Evaluations of the pass under way; read by the main thread for the node
  // limit and the reports while this thread counts on.
  std::atomic<uint32_t> evaluations{0};
  uint32_t nodes_until_poll;  // nodes left before the next stop question
  bool stop_decided;          // this thread unwinds: the search must stop
  bool main;                  // this thread decides the answer, the reports and the stop
  int index;                  // 0 for the main thread, 1.. for the helpers
  int64_t root_busy_us;       // a helper's time in the root of its last shared pass
  SearchShared *shared;
  // Told about each root move as the root begins it, once the clock has run
  // for root_listener_after_ms; nullptr (always, on a helper): nobody.
  RootMoveListener root_listener;
  int32_t root_listener_after_ms;
};

// One evaluation more for this thread. Only the thread itself writes its
// counter, so a load and a store suffice (no locked addition).
inline void count_evaluation(Search &s) {
  s.evaluations.store(s.evaluations.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

// Sets the thread's board up for a search from the position on cb: the key
// under the current keys, the kept pieces for the phase. Called at the start
// of every pass (the keys are new) and whenever the board was set up anew.
void search_set_position(Search &s, const uint8_t *cb);
