// velkor-tool with "--fen": every subcommand that takes a position gives the
// same answers from the FEN of a game's position as from the game's moves.
#include <gtest/gtest.h>

#include <string>

#include "support/tool_run.h"

namespace {

std::string fen_of(const std::string &moves) {
  ToolRun r = run_tool("fen " + shell_quoted(moves));
  EXPECT_EQ(r.status, 0);
  if (!r.out.empty() && r.out.back() == '\n') r.out.pop_back();
  return r.out;
}

}  // namespace

TEST(ToolFen, EverySubcommandGivesTheSameAnswersFromTheFen) {
  // Games whose last position has en passant to take, partial castling
  // rights, promotions pending (queen and knight, by push and capture), a
  // promoted rook, and Black to move.
  const char *games[] = {
      "e2e4 g8f6 e4e5 d7d5",
      "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1 f8c5 h1e1",
      "g2g4 h7h5 g4h5 g7g5 h5g6 a7a6 g6g7 a6a5",
      "b2b4 a7a5 b4a5 b7b5 a5b6 c7c6 b6b7 c6c5 b7a8r e7e6",
      "d2d4 d7d5 c1f4 c8f5 b1c3 b8c6 d1d2 d8d7 e1c1 e8c8 h2h4",
  };
  for (const char *moves : games) {
    SCOPED_TRACE(moves);
    const std::string fen = fen_of(moves);
    for (const std::string command : {"perft 3", "divide 2", "moves", "captures", "eval", "fen"}) {
      SCOPED_TRACE(command);
      const ToolRun from_moves = run_tool(command + " " + shell_quoted(moves));
      const ToolRun from_fen = run_tool(command + " --fen " + shell_quoted(fen));
      EXPECT_EQ(from_moves.status, 0);
      EXPECT_EQ(from_fen.status, 0);
      EXPECT_EQ(from_fen.out, from_moves.out);
    }
  }
  // A FEN and the moves that follow it: the same as the whole game.
  const std::string fen = fen_of("e2e4 e7e5 g1f3");
  EXPECT_EQ(run_tool("perft 3 --fen " + shell_quoted(fen) + " 'b8c6 f1b5'").out,
            run_tool("perft 3 'e2e4 e7e5 g1f3 b8c6 f1b5'").out);
  EXPECT_EQ(run_tool("eval --fen " + shell_quoted(fen) + " 'b8c6 f1b5'").out,
            run_tool("eval 'e2e4 e7e5 g1f3 b8c6 f1b5'").out);
  // "--fen" may stand before the subcommand's own arguments.
  EXPECT_EQ(run_tool("perft --fen " + shell_quoted(fen) + " 2").out,
            run_tool("perft 2 'e2e4 e7e5 g1f3'").out);
}

TEST(ToolFen, PhaseFromTheFullmoveNumber) {
  // Full material at move 30 is a middle game; at move 1 still the opening.
  const std::string board = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPP1/RNBQKBNR w KQkq - 0 ";
  EXPECT_EQ(run_tool("eval --fen " + shell_quoted(board + "30")).out.rfind("phase 2 ", 0), 0u);
  EXPECT_EQ(run_tool("eval --fen " + shell_quoted(board + "1")).out.rfind("phase 1 ", 0), 0u);
}

TEST(ToolFen, BadFenOrOptionIsAClearErrorWithStatusTwo) {
  struct Case {
    std::string args;
    const char *message;
  };
  const Case cases[] = {
      {"perft 2 --fen '8/8/8/8/8/8/8/8 w - - 0 1'", "velkor-tool: invalid FEN: White has 0 kings, not one"},
      {"moves --fen 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e3 0 1'",
       "velkor-tool: invalid FEN: en-passant square e3"},
      {"eval --fen ''", "velkor-tool: invalid FEN: missing field: piece placement"},
      {"perft 2 --fen", "velkor-tool: --fen needs a FEN as its value"},
      {"perft 2 --fen '4k3/8/8/8/8/8/8/4K3 w - -' --fen '4k3/8/8/8/8/8/8/4K3 w - -'", "--fen given twice"},
      {"perft 2 --fen '4k3/8/8/8/8/8/8/4K3 w - - 0 1 moves e1e2'", "the FEN holds a move list"},
      {"perft 2 --fen '4k3/8/8/8/8/8/8/4K3 w - - 0 " + std::string(30, '9') + "'",
       "fullmove number: larger than"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args);
    const ToolRun r = run_tool(c.args, true);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
  }
  // A dropped right is no error: noted on stderr, and the position is used.
  const ToolRun dropped = run_tool("fen --fen '4k3/8/8/8/8/8/8/4K2R w KQ - 0 1'", true);
  EXPECT_EQ(dropped.status, 0);
  EXPECT_NE(dropped.out.find("castling rights Q dropped"), std::string::npos) << dropped.out;
  EXPECT_NE(dropped.out.find("4k3/8/8/8/8/8/8/4K2R w K - 0 1\n"), std::string::npos) << dropped.out;
}
