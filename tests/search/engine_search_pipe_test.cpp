// The whole engine searching, driven through pipes as a front end drives it,
// in a working directory without a book so that every answer is searched.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "frontend/go_limits.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
#include "search/search_test_support.h"
#include "support/engine_process.h"

namespace {

using Clock = std::chrono::steady_clock;

// What the clock check may overshoot the budget by: the move in hand at ply
// 2 is finished before the root stops, and the process needs scheduling.
constexpr int MARGIN_MS = 300;

// The fields in the usual order, the principal variation last and left out
// when empty; the table's fill per mille before it.
const std::regex info_line(
    "info depth 0 score (mate 0|cp 0)|info depth [0-9]+( seldepth [0-9]+)? score (cp -?[0-9]+|mate -?[1-9][0-9]*) time [0-9]+ nodes [0-9]+ "
    "nps [0-9]+ hashfull [0-9]+( pv( [a-h][1-8][a-h][1-8][qrbn]?)+)?|"
    "info currmove [a-h][1-8][a-h][1-8][qrbn]? currmovenumber [1-9][0-9]*");

// The legal moves after the list, as coordinate texts (promotions to a queen
// or a knight written with q and n).
std::vector<std::string> legal_moves(const std::string &list) {
  const Board b = board_from_moves(list);
  uint32_t moves[MAX_GENERATED_MOVES];
  const int count = generate_moves(b.data(), moves);
  std::vector<std::string> legal;
  for (int i = 0; i < count; ++i) {
    const uint8_t kind = gm_kind(moves[i]);
    Board after = b;
    if (!play_if_legal(after.data(), moves[i])) continue;
    std::string text = move_name(gm_from(moves[i]), gm_to(moves[i]));
    if (kind == KIND_PROMO_QUEEN) text += 'q';
    if (kind == KIND_PROMO_KNIGHT) text += 'n';
    legal.push_back(text);
  }
  return legal;
}

// A game that ends in a pawn ending, White to move with a pawn on c7 about
// to queen.
const std::string kPawnEnding =
    "d2d4 g8f6 c2c4 e7e6 g2g3 f8b4 b1d2 e8g8 a2a3 b4e7 f1g2 a7a5 b2b3 h7h6 c1b2 d7d5 d1c2 b8d7 g1h3 b7b6 "
    "e2e4 d5e4 d2e4 f6e4 g2e4 a8b8 e4c6 e6e5 e1c1 e5d4 d1d4 e7c5 d4d5 d8e7 h1d1 d7f6 d5e5 c8e6 a3a4 c5d6 "
    "e5e2 d6a3 c6d5 b6b5 a4b5 f6d5 c4d5 e6h3 e2e7 a3e7 c2c3 e7f6 c3c4 f6e7 g3g4 f8d8 d1g1 d8e8 g1g3 a5a4 "
    "b3a4 e7g5 c1d1 c7c5 d5c6 h3g2 g3g2 g5d8 g4g5 h6g5 d1c2 b8c8 f2f4 e8e6 f4g5 e6g6 c4d4 c8a8 h2h4 d8f6 "
    "d4d5 f6b2 c6c7 a8f8 g2d2 b2d4 a4a5 d4b6 a5b6 g6b6 d5c5 b6b8 c5f8 b8f8 d2d8 g7g6 d8f8 g8f8";

struct Answer {
  std::vector<std::string> infos;
  std::string bestmove;  // the move text, "(none)", or empty if none came
  int ms;                // from sending "go" to reading "bestmove"
};

class EngineSearch : public testing::Test {
 protected:
  void SetUp() override {
    engine_.handshake();
    engine_.send("ucinewgame");
  }

  // One "position"/"go" exchange; every line before "bestmove" must be an
  // "info" report.
  Answer ask(const std::string &list, const std::string &go) {
    engine_.send(list.empty() ? "position startpos" : "position startpos moves " + list);
    const Clock::time_point sent = Clock::now();
    engine_.send(go);
    Answer answer;
    for (const std::string &line : engine_.read_until("bestmove ", 30000)) {
      if (line.rfind("bestmove ", 0) == 0) {
        answer.bestmove = line.substr(9);
      } else {
        EXPECT_TRUE(std::regex_match(line, info_line)) << line;
        answer.infos.push_back(line);
      }
    }
    answer.ms = int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count());
    return answer;
  }

  TempDir dir_;
  EngineProcess engine_{dir_.path()};
};

}  // namespace

TEST_F(EngineSearch, ShortGameEveryAnswerLegalAndWithinItsBudget) {
  // The engine plays both sides; each "go" gives both clocks 10 s, so the
  // budget is (10000 - 2000) / (40 - n + 2) for n half-moves played.
  std::string list;
  for (int n = 0; n < 10; ++n) {
    const int budget = thinking_budget(true, 10000, 0, n);
    const Answer a = ask(list, "go wtime 10000 btime 10000");
    ASSERT_FALSE(a.bestmove.empty()) << "no bestmove after " << list;
    const std::vector<std::string> legal = legal_moves(list);
    EXPECT_NE(std::find(legal.begin(), legal.end(), a.bestmove), legal.end())
        << a.bestmove << " after " << list;
    EXPECT_LE(a.ms, budget + MARGIN_MS) << "budget " << budget << " after " << list;
    ASSERT_FALSE(a.infos.empty());
    // Depth 2 takes milliseconds: at least one pass was accepted and
    // reported as depth 2 or deeper.
    EXPECT_GE(std::stoi(info_depth(a.infos.front())), 2) << a.infos.front();
    list += (list.empty() ? "" : " ") + a.bestmove;
  }
}

TEST_F(EngineSearch, MatedInOneStopsAtDepthThreeAndPlaysTheOnePlyMove) {
  // Black to move is mated next move whatever it plays: the driver stops at
  // depth 3 without a move and the one-ply search supplies a legal one.
  const std::string list = kPawnEnding + " c7c8q f8e7 b5b6 f7f6 b6b7 f6g5 b7b8q g5g4 c8e8";
  const Answer a = ask(list, "go wtime 60000 btime 60000");
  // The last report names the move played.
  ASSERT_EQ(a.infos.size(), 3u);
  EXPECT_EQ(info_depth(a.infos[1]), "3") << a.infos[1];
  EXPECT_NE(a.infos[1].find(" score mate -"), std::string::npos) << a.infos[1];
  EXPECT_TRUE(a.infos[2].ends_with(" pv " + a.bestmove)) << a.infos[2];
  const std::vector<std::string> legal = legal_moves(list);
  EXPECT_NE(std::find(legal.begin(), legal.end(), a.bestmove), legal.end()) << a.bestmove;

  // One move on, mate: no move at all.
  const Answer mated = ask(list + " e7f6 b8e5", "go wtime 60000 btime 60000");
  EXPECT_EQ(mated.bestmove, "(none)");
}

TEST_F(EngineSearch, PromotionsGoOutWithTheQueenLetter) {
  struct Case {
    std::string list;
    const char *pattern;
  } cases[] = {
      // Both sides' pawns can take on the back rank and promote.
      {"a2a4 h7h5 a4a5 h5h4 a5a6 h4h3 a6b7 h3g2", "b7[ac]8q"},
      // Queening on an empty square in a pawn ending.
      {kPawnEnding, "c7c8q"},
  };
  for (const auto &c : cases) {
    const Answer a = ask(c.list, "go wtime 20000 btime 20000");
    EXPECT_TRUE(std::regex_match(a.bestmove, std::regex(c.pattern))) << a.bestmove;
  }
}

// Once a search has run for a second, the root's moves are told as it
// begins them, legal ones only, numbered from 1 in each pass; a short search
// tells none.
TEST_F(EngineSearch, CurrentMoveOnlyAfterASecond) {
  const std::regex current("info currmove ([a-h][1-8][a-h][1-8][qrbn]?) currmovenumber ([1-9][0-9]*)");
  const std::vector<std::string> legal = legal_moves("e2e4");
  const Answer quick = ask("e2e4", "go depth 3");
  for (const std::string &line : quick.infos) EXPECT_EQ(line.find("currmove"), std::string::npos) << line;

  // A search without end, stopped a while after it has told some moves
  // (when a pass's first root move alone takes seconds, the next ones are
  // told only after it).
  engine_.send("position startpos moves e2e4");
  const Clock::time_point sent = Clock::now();
  engine_.send("go infinite");
  std::vector<std::string> lines;
  int told = 0;
  while (told < 3) {
    const std::optional<std::string> line = engine_.read_line(30000);
    ASSERT_TRUE(line.has_value()) << "no root move told within 30 s";
    if (line->rfind("info currmove ", 0) == 0) {
      ++told;
      EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count(), 1000) << *line;
    }
    lines.push_back(*line);
  }
  engine_.send("stop");
  for (const std::string &line : engine_.read_until("bestmove ", 30000)) lines.push_back(line);
  int last_number = 0;
  for (const std::string &line : lines) {
    std::smatch m;
    if (!std::regex_match(line, m, current)) {
      // A pass's report: the next pass numbers from 1 again.
      last_number = 0;
      continue;
    }
    EXPECT_NE(std::find(legal.begin(), legal.end(), m[1].str()), legal.end()) << line;
    const int number = std::stoi(m[2].str());
    EXPECT_GT(number, last_number) << line;
    EXPECT_LE(number, int(legal.size())) << line;
    last_number = number;
  }
}

TEST_F(EngineSearch, ClockSpentBeforeAnyMoveStillGivesALegalMove) {
  // One millisecond on the clock: the budget is 0, the first pass stops
  // before any root move improves, and the one-ply search must answer.
  // Black is in check from h5 and the first move scanned, f5xe4, leaves it
  // there: a one-ply search stopped by the clock after that move would have
  // no move to give.
  // No pass was searched whole: the one report is the one-ply search's own,
  // depth 1 with its score and its move.
  const Answer a = ask("e2e4 f7f5 d1h5", "go wtime 1 btime 1");
  EXPECT_EQ(a.bestmove, "g7g6");
  ASSERT_EQ(a.infos.size(), 1u);
  EXPECT_TRUE(std::regex_match(a.infos[0], std::regex("info depth 1 score cp -?[0-9]+ .* pv g7g6"))) << a.infos[0];
}
