// The stop decision and the driver under the limits of a "go": depth, node
// count, and "stop" or "quit" from the input, here a stand-in poll.
#include "search/search_limits.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <string>
#include <vector>

#include "eval/chess_heuristic.h"
#include "frontend/reports.h"
#include "hash/hash_table.h"
#include "search/alpha_beta.h"
#include "search/search_driver.h"
#include "search/root_search.h"
#include "search/search_test_support.h"
#include "search/think.h"
#include "search/time_control.h"

namespace {

// The search records of the test under way: each test's own, so that no
// limit or stop outlives it.
struct ClearLimits;
ClearLimits *current = nullptr;
struct ClearLimits {
  TestSearch t;
  ClearLimits() { current = this; }
  ~ClearLimits() { current = nullptr; }
  ClearLimits(const ClearLimits &) = delete;
  ClearLimits &operator=(const ClearLimits &) = delete;
};

struct DriverRun {
  uint32_t result;
  int reports;  // "info" lines: one per whole pass, and one for a stopped pass
};

// The driver on the position with no clock, under the limits and the poll.
DriverRun drive(TestSearch &t, Board &b, const SearchLimits &limits, SearchInputPoll poll, int moves_played = 0) {
  t.s.phase = get_game_position(b.data(), moves_played / 2);
  t.budget(INT32_MAX);
  search_limits_start(t.shared, limits, poll);
  testing::internal::CaptureStdout();
  const uint32_t result =
      alpha_beta_time(t.s, t.driver, b.data(), SEARCH_FIRST_DEPTH, search_depth_limit(t.shared), UCI_sendinfos);
  DriverRun run{result, 0};
  std::istringstream out(testing::internal::GetCapturedStdout());
  for (std::string line; std::getline(out, line);) run.reports += line.rfind("info depth ", 0) == 0;
  return run;
}

// One pass of the given depth, as the driver runs it.
uint32_t pass(Board &b, int depth, int moves_played) {
  TestSearch t(get_game_position(b.data(), moves_played / 2));
  t.new_pass(b.data());
  static tagLINE line;
  line.length = 0;
  const bool white = side_to_move(b.data()) == WHITE;
  return search_root(t.s, b.data(), uint8_t(depth), white ? SCORE_BLACK_WINS : SCORE_WHITE_WINS,
                     white ? SCORE_WHITE_WINS : SCORE_BLACK_WINS, &line);
}

// Stand-in polls.
int poll_count_only(void *context) {
  ++*static_cast<int *>(context);
  return SEARCH_INPUT_NONE;
}
int poll_stop_at_once(void *) { return SEARCH_INPUT_STOP; }
int poll_quit_at_once(void *) { return SEARCH_INPUT_QUIT; }
// Counts the times the input is asked once the first whole pass has been
// counted (during the second pass and after), and answers "stop" the
// stop_at_look-th time (never when 0). The input is asked at every stop
// decision, so which look is which depends on the nodes searched, not on
// how fast the machine searched them.
int looks_after_first_pass = 0;
int stop_at_look = 0;
int poll_stop_in_second_pass(void *) {
  if (current->t.shared.counted_nodes == 0) return SEARCH_INPUT_NONE;
  ++looks_after_first_pass;
  return looks_after_first_pass == stop_at_look ? SEARCH_INPUT_STOP : SEARCH_INPUT_NONE;
}

const char *kMiddleGame = "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 d2d3 f8c5 b1c3 d7d6";

}  // namespace

TEST(SearchLimits, DepthLimitEndsAfterThatPassWithItsResult) {
  ClearLimits guard;
  TestSearch &t = guard.t;
  struct Case {
    int asked;
    int last;
  };
  const Case cases[] = {{4, 4}, {3, 3}, {2, 2}, {1, 2}, {0, 64}};
  for (const Case &c : cases) {
    if (c.asked == 0) {
      search_limits_start(t.shared, SearchLimits{0, -1}, nullptr);
      EXPECT_EQ(search_depth_limit(t.shared), SEARCH_DEPTH_CAP);
      search_limits_start(t.shared, SearchLimits{200, -1}, nullptr);
      EXPECT_EQ(search_depth_limit(t.shared), SEARCH_DEPTH_CAP);
      continue;
    }
    int n = 0;
    Board b = board_from_moves(kMiddleGame, &n);
    const DriverRun run = drive(t, b, SearchLimits{c.asked, -1}, nullptr, n);
    EXPECT_EQ(run.reports, c.last - 1) << "passes 2 to " << c.last;
    // The same move and score as one pass of that depth.
    EXPECT_EQ(run.result, pass(b, c.last, n)) << c.asked;
  }
}

TEST(SearchLimits, NodeLimitCountsEveryPassOfTheSearch) {
  ClearLimits guard;
  TestSearch &t = guard.t;
  int n = 0;
  Board b = board_from_moves(kMiddleGame, &n);
  // Evaluations of the passes of depth 2 and 3.
  drive(t, b, SearchLimits{3, -1}, nullptr, n);
  const int64_t two_passes = t.shared.counted_nodes;
  drive(t, b, SearchLimits{2, -1}, nullptr, n);
  const int64_t first_pass = t.shared.counted_nodes;
  ASSERT_GT(two_passes - first_pass, first_pass) << "the second pass outweighs the first";

  // A limit just short of both passes is reached in the second pass at the
  // latest, counted across both: no third pass starts.
  const DriverRun run = drive(t, b, SearchLimits{0, two_passes - 1}, nullptr, n);
  EXPECT_GE(t.shared.counted_nodes, two_passes - 1);
  EXPECT_LE(t.shared.counted_nodes, two_passes);
  EXPECT_EQ(run.reports, 2) << "the first pass, then the second, stopped or whole";

  // "nodes 0": used up at once; the first pass stops before any root move
  // improves, and the fallback's one ply still finds a move.
  const DriverRun none = drive(t, b, SearchLimits{0, 0}, nullptr, n);
  EXPECT_EQ(move_from(none.result), 0);
  EXPECT_NE(move_from(search_one_ply(t.s, b.data())), 0);
}

TEST(SearchLimits, NodeLimitCountsEveryThreadsEvaluations) {
  // The limit weighs the evaluations of every thread of the search, the
  // helpers' as much as the main thread's, with those of the finished
  // passes; so do the reports. The counters are set here by hand: with
  // threads searching, how the work falls between them depends on the
  // scheduler, and a limit that looked at the main thread alone would pass
  // whenever the helpers happened to do little.
  ClearLimits guard;
  current = &guard;
  TestSearch &t = guard.t;
  Search helpers[2]{};
  t.shared.thread_count = 3;
  for (int i = 0; i < 2; ++i) {
    helpers[i].shared = &t.shared;
    helpers[i].index = i + 1;
    t.shared.threads[i + 1] = &helpers[i];
  }
  struct Row {
    const char *name;
    int64_t finished;  // the finished passes' evaluations
    uint32_t main, first_helper, second_helper;
    int64_t limit;
    bool reached;
  };
  const Row rows[] = {
      {"the main thread one short", 0, 999, 0, 0, 1000, false},
      {"the main thread alone", 0, 1000, 0, 0, 1000, true},
      {"the first helper alone", 0, 0, 1000, 0, 1000, true},
      {"the second helper alone", 0, 0, 0, 1000, 1000, true},
      {"the three together", 0, 400, 300, 300, 1000, true},
      {"the three together one short", 0, 400, 300, 299, 1000, false},
      {"a helper and the finished passes", 600, 0, 0, 400, 1000, true},
      {"the finished passes alone", 1000, 0, 0, 0, 1000, true},
      {"no limit", 1000, 5000, 5000, 5000, -1, false},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.name);
    search_limits_start(t.shared, SearchLimits{0, r.limit}, nullptr);
    search_limits_count_pass(t.shared, r.finished);
    t.s.evaluations = r.main;
    helpers[0].evaluations = r.first_helper;
    helpers[1].evaluations = r.second_helper;
    EXPECT_EQ(search_pass_evaluations(t.shared), int64_t(r.main) + r.first_helper + r.second_helper);
    EXPECT_EQ(search_node_limit_reached(t.shared), r.reached);
    // A helper asks the limit itself; the main thread's decision weighs it
    // with the rest and makes every thread stop.
    helpers[1].stop_decided = false;
    EXPECT_EQ(search_stop_requested(helpers[1]) != 0, r.reached);
    search_limits_start(t.shared, SearchLimits{0, r.limit}, nullptr);
    search_limits_count_pass(t.shared, r.finished);
    EXPECT_EQ(search_limits_stop(t.shared) != 0, r.reached);
  }
}

TEST(SearchLimits, StopFromTheInputKeepsTheLastWholePass) {
  ClearLimits guard;
  TestSearch &t = guard.t;
  int n = 0;
  Board b = board_from_moves(kMiddleGame, &n);
  const Board before = b;

  // The looks of a whole second pass (depth 3), and its evaluations.
  stop_at_look = 0;
  looks_after_first_pass = 0;
  drive(t, b, SearchLimits{3, -1}, poll_stop_in_second_pass, n);
  const int second_pass_looks = looks_after_first_pass;
  const int64_t two_passes = t.shared.counted_nodes;
  ASSERT_GE(second_pass_looks, 4);

  // A stop at the first look of the second pass, before it finished any
  // root move: the first pass's move is the answer, reported twice (once as
  // the pass ended, once as the final decision). A stop halfway through the
  // second pass: a root move that pass finished by then is taken when it is
  // at least as good (a tie goes to the deeper pass), so the answer is the
  // first pass's or better.
  const uint32_t first = pass(b, 2, n);
  for (const int look : {1, second_pass_looks / 2}) {
    SCOPED_TRACE(look);
    stop_at_look = look;
    looks_after_first_pass = 0;
    const DriverRun run = drive(t, b, NO_SEARCH_LIMITS, poll_stop_in_second_pass, n);
    EXPECT_EQ(t.shared.input_seen, SEARCH_INPUT_STOP);
    EXPECT_EQ(looks_after_first_pass, look);
    EXPECT_LT(t.shared.counted_nodes, two_passes) << "stopped within the second pass";
    EXPECT_EQ(run.reports, 2);
    if (look == 1) {
      EXPECT_EQ(run.result, first);
    }
    if (run.result != first) {
      EXPECT_TRUE(is_better_beta(move_score(first), move_score(run.result), side_to_move(b.data())))
          << run.result << " is neither the first pass's " << first << " nor better";
      EXPECT_NE(move_from(run.result), 0);
    }
    EXPECT_TRUE(same_position(b, before));
  }
  stop_at_look = 0;

  // At the first look, before any root move was searched whole: no move and
  // no report; the command loop's one ply answers.
  DriverRun run = drive(t, b, NO_SEARCH_LIMITS, poll_stop_at_once, n);
  EXPECT_EQ(move_from(run.result), 0);
  EXPECT_EQ(move_to(run.result), 0);
  EXPECT_EQ(run.reports, 0);
  EXPECT_NE(move_from(search_one_ply(t.s, b.data())), 0);
  EXPECT_TRUE(same_position(b, before));

  run = drive(t, b, NO_SEARCH_LIMITS, poll_quit_at_once, n);
  EXPECT_EQ(t.shared.input_seen, SEARCH_INPUT_QUIT);
  EXPECT_EQ(search_limits_stop(t.shared), 1) << "the stop holds until the limits are set again";
  search_limits_clear(t.shared);
  EXPECT_EQ(search_limits_stop(t.shared), 0);
  EXPECT_EQ(t.shared.input_seen, SEARCH_INPUT_NONE);
}

TEST(SearchLimits, InputIsAskedAtEveryStopDecisionWithItsContext) {
  ClearLimits guard;
  TestSearch &t = guard.t;
  t.budget(INT32_MAX);
  // The input answers from what its thread has queued, so it is asked every
  // time the search decides: a "stop" waits for no clock.
  int polls = 0;
  search_limits_start(t.shared, NO_SEARCH_LIMITS, poll_count_only, &polls);
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(search_limits_stop(t.shared), 0);
  EXPECT_EQ(polls, 1000);

  // Neither the tools nor the bench look at any input.
  search_limits_clear(t.shared);
  polls = 0;
  for (int i = 0; i < 1000; ++i) search_limits_stop(t.shared);
  EXPECT_EQ(polls, 0);
}
