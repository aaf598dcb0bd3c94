// Iterative deepening: fixed-depth passes of the search, each on a freshly
// emptied table with freshly drawn keys, until the search must stop. Every
// pass is searched by all the threads of the search (search_threads.h);
// the main thread runs the driver.
#pragma once

#include <cstdint>

#include "search/alpha_beta.h"

// One finished pass, as the driver reports it.
struct ThinkReport {
  int depth;              // the pass's nominal depth
  int score;              // the side to move's view: +30000 it mates, -30000 it is mated
  const tagLINE *line;    // principal variation of the result kept so far
  int time_ms;            // since the move's clock started
  uint32_t evaluations;   // of this pass
  uint32_t move;          // the Move word kept so far: the move the engine would play
  int multipv;            // the line's rank in an analysis of several lines (1 the best); 0: one line only
  // For a score of +-30000, the moves to the mate (the side to move mates,
  // or is mated, with its last move): the first pass of depth 2n shows a
  // mate in n by the side to move, the first of depth 2n + 1 one against it,
  // and the passes run 2, 3, 4, ... without a gap. 0: not known (the
  // reporter reads it from the line).
  int mate_moves = 0;
  // Per mille of the table stored in the pass reported; -1: not known.
  int hashfull = -1;
  // The request's report_context, handed on untouched for the reporter.
  const void *context = nullptr;
};

// Where the reports go: the front end writes them as "info" lines; the
// tools pass none. The board holds the root position when it is called.
using ThinkReporter = void (*)(const uint8_t *cb, const ThinkReport &report);

// What the driver has accepted so far: the Move word it will return, and the
// line and depth of the pass that produced it.
struct DriverKept {
  uint32_t result;
  tagLINE line;
  int depth;
};

// The driver's own state, the main thread's alone: what it has accepted so
// far, the pass under way, an analysis's other line, and the last report of
// line 1. It lives beside the main thread's Search record, so that a
// helper's record holds only what a thread searches with.
struct DriverState {
  DriverKept kept_result;
  DriverKept other_line;
  tagLINE pass_line;
  int first_pass_depth;  // the first depth: from 2, mate distances are exact
  // The last report of line 1 sent, so that the one-ply fallback can send it
  // again with the move it plays.
  ThinkReport last_report;
  bool reported;
  const void *report_context;  // handed on in every report
};

// Most lines an analysis searches in each pass.
inline constexpr int SEARCH_LINES_MAX = 64;

// Runs passes of nominal depth first_depth, first_depth + 1, ... up to
// last_depth with the main thread's record s, the driver's state d and the
// threads of s's shared record, until the search must stop (search_stop_requested) or a mate is
// established, reporting after every pass it keeps (report may be nullptr).
// Returns a Move word: the move to play and its score; both squares 0 means
// that no move was found. d.kept_result.line holds its line.
//
// lines > 1 (at most SEARCH_LINES_MAX): after the best line, each pass
// searches the best line without the root moves of the lines before it,
// and so on, until it has that many lines, the root has no move left, or
// every move left loses to a mate; each is reported as it is found, with
// its rank. A line cut short by a stop is not reported; the move to play is
// always line 1's. lines 1 (or less) is the plain search, reported without
// ranks.
uint32_t alpha_beta_time(Search &s, DriverState &d, uint8_t *cb, int first_depth, int last_depth,
                         ThinkReporter report, int lines = 1);
