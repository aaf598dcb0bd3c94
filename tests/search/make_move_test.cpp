// Make and unmake inside the search, over every generated move of positions
// from seeded random games, checked against the key from scratch and against
// the game-move code.
#include "search/make_move.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "board/board_scan.h"
#include "board/game_move.h"
#include "book/polyglot.h"
#include "eval/chess_heuristic.h"
#include "hash/zobrist.h"
#include "movegen/attack.h"
#include "movegen/captures.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
#include "notation/fen.h"
#include "notation/san.h"
#include "search/search_test_support.h"

namespace {

// Kinds of move the random games must have made and unmade at least once.
enum Seen {
  ORDINARY,
  CAPTURE,
  DOUBLE_PUSH,
  EN_PASSANT_WHITE,
  EN_PASSANT_BLACK,
  CASTLE_KING_WHITE,
  CASTLE_QUEEN_WHITE,
  CASTLE_KING_BLACK,
  CASTLE_QUEEN_BLACK,
  PROMO_QUEEN_PUSH,
  PROMO_QUEEN_CAPTURE,
  PROMO_KNIGHT_PUSH,
  PROMO_KNIGHT_CAPTURE,
  KING_TAKES_RIGHTS,
  ROOK_TAKES_RIGHT,
  CAPTURE_ON_MARK,
  SEEN_COUNT
};

const char *seen_name[SEEN_COUNT] = {"ordinary",
                                     "capture",
                                     "double push",
                                     "en passant white",
                                     "en passant black",
                                     "O-O white",
                                     "O-O-O white",
                                     "O-O black",
                                     "O-O-O black",
                                     "queen promotion",
                                     "queen capture-promotion",
                                     "knight promotion",
                                     "knight capture-promotion",
                                     "king move taking rights",
                                     "rook move taking a right",
                                     "capture onto a marked square"};

// What the search reads from the pieces its make and unmake keep must be
// what the board says, read from scratch: the evaluation in the search's
// phase, the kings' squares and their attack test, both generators' lists.
void expect_kept_pieces_agree(Search &s, Board &b, const std::string &what) {
  uint8_t *cb = b.data();
  const uint32_t evaluated = s.evaluations;
  EXPECT_EQ(search_evaluate(s, cb), heuristic(cb, s.phase)) << what << ", phase " << s.phase;
  EXPECT_EQ(s.evaluations, evaluated + 1) << what << ": one evaluation counted for the thread";
  const PieceSets &sets = s.kept.sets;
  for (uint8_t colour : {WHITE, BLACK}) {
    const int king = where_is_king(cb, colour);
    EXPECT_EQ(search_king_square(s, colour), king) << what;
    // The king's square and its neighbours: empty squares, own and enemy
    // pieces, as the legality test and the king's steps ask about them.
    for (int step : {0, 1, -1, 12, -12, 11, 13, -11, -13}) {
      const int sq = king + step;
      if (king < 0 || square_bit[sq] < 0) continue;
      EXPECT_EQ(king_attacked(cb, sets, colour, sq), king_attacked(cb, colour, sq)) << what << " square " << sq;
    }
  }
  uint32_t walked[MAX_GENERATED_MOVES], kept[MAX_GENERATED_MOVES];
  const int n = generate_moves(cb, walked);
  ASSERT_EQ(generate_moves(cb, kept, sets), n) << what;
  for (int i = 0; i < n; ++i) EXPECT_EQ(kept[i], walked[i]) << what << " move " << i;
  const s_mv a = generate_qsearch_moves(cb), c = generate_qsearch_moves(cb, sets);
  ASSERT_EQ(c.count, a.count) << what;
  for (int i = 0; i < a.count; ++i) {
    EXPECT_EQ(c.from[i], a.from[i]) << what << " capture " << i;
    EXPECT_EQ(c.to[i], a.to[i]) << what << " capture " << i;
    EXPECT_EQ(c.score[i], a.score[i]) << what << " capture " << i;
  }
}

// Checks one generated move on b (s set up for b): the make agrees with
// play_move square by square and in the lost flags, the key follows the board,
// and the unmake restores bytes 0..144 and the key. Returns whether the move
// was legal (the mover's king not attacked afterwards).
bool check_move(Search &s, Board &b, uint32_t gm, std::set<int> &seen) {
  const Board before = b;
  const uint64_t key_before = s.key;
  const uint8_t side = side_to_move(b.data());
  const uint8_t from = gm_from(gm), to = gm_to(gm), kind = gm_kind(gm);
  const std::string what =
      move_name(from, to) + " kind " + std::to_string(kind) + ", side to move " + std::to_string(side);

  Board game = before;
  play_move(game.data(), game_move_of(gm));

  SearchUndo undo;
  search_make(s, b.data(), gm, undo);

  EXPECT_EQ(s.key, first_zobrist_key(b.data())) << what;
  // Whole square bytes: the en-passant marks expire as a game move expires
  // them, so a pawn can be taken en passant only on the very next move.
  for (int s = 0; s < CB_MAILBOX; ++s) EXPECT_EQ(b[s], game[s]) << what << " square " << s;
  EXPECT_EQ(b[CB_STATE] & 0x1E, game[CB_STATE] & 0x1E) << what << ": lost flags";
  EXPECT_EQ(b[CB_STATE] & ST_BLACK_TO_MOVE, side ^ 1) << what;
  const bool castling = kind == KIND_CASTLE_KING || kind == KIND_CASTLE_QUEEN;
  EXPECT_EQ((b[CB_STATE] & castled_bit(side)) != 0, castling) << what << ": castled bit";
  EXPECT_EQ(b[CB_TRY_FROM], from);
  EXPECT_EQ(b[CB_TRY_TO], to);
  if (kind == KIND_DOUBLE_PUSH) {
    EXPECT_TRUE(has_ep_mark(b[to])) << what;
  }

  const bool legal = !king_attacked(b.data(), side, where_is_king(b.data(), side));
  // Every sixteenth move (and every rarer kind) is also checked for what
  // the kept pieces answer, after the make and after the unmake.
  const bool sample = kind != KIND_NORMAL || (s.key & 15) == 0;
  if (sample) expect_kept_pieces_agree(s, b, what + " after the make");

  search_unmake(s, b.data(), gm, before[CB_STATE], undo);
  if (sample) expect_kept_pieces_agree(s, b, what + " after the unmake");
  EXPECT_EQ(s.key, key_before) << what;
  for (int i = 0; i <= CB_STATE; ++i) EXPECT_EQ(b[i], before[i]) << what << " byte " << i;

  const bool capture = piece_of(before[to]) != EMPTY;
  const uint8_t lost = before[CB_STATE] & uint8_t(3u << castling_shift(side));
  const uint8_t lost_after = game[CB_STATE] & uint8_t(3u << castling_shift(side));
  switch (kind) {
    case KIND_NORMAL:
      seen.insert(capture ? CAPTURE : ORDINARY);
      if (capture && has_ep_mark(before[to])) seen.insert(CAPTURE_ON_MARK);
      if (lost != lost_after)
        seen.insert(piece_of(before[from]) == KING ? KING_TAKES_RIGHTS : ROOK_TAKES_RIGHT);
      break;
    case KIND_DOUBLE_PUSH:
      seen.insert(DOUBLE_PUSH);
      break;
    case KIND_EN_PASSANT:
      seen.insert(side == WHITE ? EN_PASSANT_WHITE : EN_PASSANT_BLACK);
      break;
    case KIND_CASTLE_KING:
      seen.insert(side == WHITE ? CASTLE_KING_WHITE : CASTLE_KING_BLACK);
      break;
    case KIND_CASTLE_QUEEN:
      seen.insert(side == WHITE ? CASTLE_QUEEN_WHITE : CASTLE_QUEEN_BLACK);
      break;
    case KIND_PROMO_QUEEN:
      seen.insert(capture ? PROMO_QUEEN_CAPTURE : PROMO_QUEEN_PUSH);
      break;
    case KIND_PROMO_KNIGHT:
      seen.insert(capture ? PROMO_KNIGHT_CAPTURE : PROMO_KNIGHT_PUSH);
      break;
  }
  return legal;
}

}  // namespace

TEST(SearchMakeUnmake, EveryGeneratedMoveOfRandomGamesRestoresBoardAndKey) {
  set_zobrist();
  // Games start from positions that hold the rarer kinds at once; random
  // play reaches promotions of both kinds and colours on its own.
  const std::vector<std::string> starts = {
      "",
      "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 d2d3 f8c5 b1c3 d7d6 c1g5 c8g4 d1d2 d8d7 h2h3",
      "e2e4 a7a6 e4e5 d7d5",
      "a2a3 d7d5 a3a4 d5d4 e2e4",
      "a2a4 h7h5 a4a5 h5h4 a5a6 h4h3 a6b7 h3g2",
  };
  std::mt19937 rng(20240611);
  std::set<int> seen;
  uint32_t moves[MAX_GENERATED_MOVES];
  long checked = 0;
  for (int game = 0; game < 60; ++game) {
    Board b = board_from_moves(starts[game % starts.size()]);
    // Each phase's piece-square sum in turn.
    TestSearch t(PHASE_OPENING + game % 3);
    for (int ply = 0; ply < 160; ++ply) {
      // The game's move changed the board outside the make: set up again.
      search_set_position(t.s, b.data());
      const int count = generate_moves(b.data(), moves);
      std::vector<uint32_t> legal;
      for (int i = 0; i < count; ++i) {
        if (check_move(t.s, b, moves[i], seen)) legal.push_back(moves[i]);
        ++checked;
      }
      if (testing::Test::HasFailure()) return;
      if (legal.empty()) break;
      // The game goes on as a "position" line would play it. Two-square
      // advances and pawn captures come often, and captures onto a marked
      // square (the pawn that has just advanced, and whoever took it) most
      // often, so that the capture that must not inherit the mark, and the
      // recapture after it, are made in every run.
      std::vector<double> weights;
      for (const uint32_t gm : legal) {
        const uint8_t mover = piece_of(b[gm_from(gm)]), target = b[gm_to(gm)];
        const bool capture = piece_of(target) != EMPTY;
        weights.push_back(capture && has_ep_mark(target)     ? 40.0
                          : gm_kind(gm) == KIND_DOUBLE_PUSH  ? 6.0
                          : capture && mover == PAWN         ? 4.0
                                                             : 1.0);
      }
      std::discrete_distribution<size_t> choose(weights.begin(), weights.end());
      play_move(b.data(), game_move_of(legal[choose(rng)]));
    }
  }
  for (int k = 0; k < SEEN_COUNT; ++k) EXPECT_TRUE(seen.count(k)) << "never made: " << seen_name[k];
  EXPECT_GT(checked, 50000);
}

// The same under Chess960 rules, from start positions where castling passes
// the other rook's square, leaves the king where it stands (g1 with the rook
// on h1, c1 with the rook on a1 or b1) or needs only the rook's or the king's
// own square: the game move and the search's make keep agreeing, and every
// castling of both kinds and colours is made and unmade. The games prefer
// castling and clearing the back rank, and taking castling rooks.
TEST(SearchMakeUnmake, Chess960GamesRestoreBoardAndKey) {
  set_zobrist();
  const char *starts[] = {
      "rkrnnqbb/pppppppp/8/8/8/8/PPPPPPPP/RKRNNQBB w HAha - 0 1",  // king b1 between rooks a1, c1
      "bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w KQkq - 0 1",  // king g1, rooks f1 and h1
      "nrkbbrqn/pppppppp/8/8/8/8/PPPPPPPP/NRKBBRQN w FBfb - 0 1",  // king c1 with the rook on b1
      "qnbrkrnb/pppppppp/8/8/8/8/PPPPPPPP/QNBRKRNB w FDfd - 0 1",  // rooks next to the king
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1",  // the standard arrangement
      "brknrnqb/pppppppp/8/8/8/8/PPPPPPPP/BRKNRNQB w KQkq - 0 1",
  };
  std::mt19937 rng(960);
  std::set<int> seen;
  uint32_t moves[MAX_GENERATED_MOVES];
  long checked = 0, king_stays = 0;
  for (int game = 0; game < 120; ++game) {
    Board b{};
    FenSetup setup;
    ASSERT_TRUE(load_position_fen(b.data(), starts[game % std::size(starts)], setup, RULES_CHESS960));
    TestSearch t(PHASE_OPENING + game % 3);
    for (int ply = 0; ply < 80; ++ply) {
      // The game's move changed the board outside the make: set up again.
      search_set_position(t.s, b.data());
      const int count = generate_moves(b.data(), moves);
      std::vector<uint32_t> legal, preferred;
      for (int i = 0; i < count; ++i) {
        const uint8_t kind = gm_kind(moves[i]);
        if (kind == KIND_CASTLE_KING || kind == KIND_CASTLE_QUEEN)
          king_stays += gm_from(moves[i]) == castled_king_square(side_to_move(b.data()), kind == KIND_CASTLE_KING);
        if (!check_move(t.s, b, moves[i], seen)) continue;
        ++checked;
        legal.push_back(moves[i]);
        const int from_row = square_row(gm_from(moves[i]));
        if (kind == KIND_CASTLE_KING || kind == KIND_CASTLE_QUEEN ||
            castling_right_of_rook_square(b.data(), gm_to(moves[i])) >= 0 ||
            (piece_of(b[gm_from(moves[i])]) != KING && piece_of(b[gm_from(moves[i])]) != ROOK &&
             (from_row == 2 || from_row == 9)))
          preferred.push_back(moves[i]);
      }
      if (testing::Test::HasFailure()) return;
      if (legal.empty()) break;
      const std::vector<uint32_t> &from = !preferred.empty() && rng() % 4 != 0 ? preferred : legal;
      play_move(b.data(), game_move_of(from[rng() % from.size()]));
    }
  }
  for (int k : {CASTLE_KING_WHITE, CASTLE_QUEEN_WHITE, CASTLE_KING_BLACK, CASTLE_QUEEN_BLACK, KING_TAKES_RIGHTS,
                ROOK_TAKES_RIGHT})
    EXPECT_TRUE(seen.count(k)) << "never made: " << seen_name[k];
  EXPECT_GT(king_stays, 0) << "no castling with the king already on its castled square";
  EXPECT_GT(checked, 5000);
}

// A pawn that has advanced two squares may be taken en passant on the reply
// only: two plies later, inside the search as in the game, the capture is
// gone from the generator's list, and it is back once the plies are unmade.
TEST(SearchMakeUnmake, EnPassantOnlyOnTheImmediateReply) {
  struct Case {
    const char *moves;        // the game, ending with the two-square advance
    const char *later[2];     // two quiet moves made in the search after it
    const char *en_passant;   // the capture open on the reply
  } cases[] = {
      {"e2e4 a7a6 e4e5 d7d5", {"g1f3", "g8f6"}, "e5d6"},
      {"a2a3 d7d5 a3a4 d5d4 e2e4", {"g8f6", "g1f3"}, "d4e3"},
  };
  const auto has_move = [](Board &b, const std::string &name) {
    uint32_t list[MAX_GENERATED_MOVES];
    const int n = generate_moves(b.data(), list);
    for (int i = 0; i < n; ++i)
      if (move_name(gm_from(list[i]), gm_to(list[i])) == name && gm_kind(list[i]) == KIND_EN_PASSANT) return true;
    return false;
  };
  const auto find = [](Board &b, const std::string &name) {
    uint32_t list[MAX_GENERATED_MOVES];
    const int n = generate_moves(b.data(), list);
    for (int i = 0; i < n; ++i)
      if (move_name(gm_from(list[i]), gm_to(list[i])) == name) return list[i];
    ADD_FAILURE() << name << " not generated";
    return list[0];
  };
  set_zobrist();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.moves);
    Board b = board_from_moves(c.moves);
    TestSearch t;
    search_set_position(t.s, b.data());
    const Board root = b;
    EXPECT_TRUE(has_move(b, c.en_passant));
    SearchUndo undo[2];
    uint32_t made[2];
    uint8_t state[2];
    for (int ply = 0; ply < 2; ++ply) {
      made[ply] = find(b, c.later[ply]);
      state[ply] = b[CB_STATE];
      search_make(t.s, b.data(), made[ply], undo[ply]);
    }
    EXPECT_FALSE(has_move(b, c.en_passant));
    for (int ply = 1; ply >= 0; --ply) search_unmake(t.s, b.data(), made[ply], state[ply], undo[ply]);
    for (int i = 0; i <= CB_STATE; ++i) EXPECT_EQ(b[i], root[i]) << "byte " << i;
    EXPECT_TRUE(has_move(b, c.en_passant));
  }
}

// A pawn that has just advanced two squares carries its en-passant mark on
// its square. Sequences that bring another piece onto that square by a
// capture: the piece must not inherit the mark, in the game (play_move, the
// replay) nor in the search's make, whose unmake puts the mark back. The
// worst case is a pawn that takes the advanced pawn and is retaken by a
// pawn: the retaking pawn would stand marked, and a pawn beside it could
// take it "en passant" (an illegal move the engine once played in a game).
// Each line is checked against the FEN of its position as stockfish writes
// it (its first four fields): the replayed board must equal that FEN's board
// in its legal moves, its own FEN and its Polyglot key, and the search's
// make of the last plies must leave the same squares and unmake them exactly.
TEST(SearchMakeUnmake, NoMarkInheritedByACaptureOnTheMarkedSquare) {
  struct Case {
    const char *name;
    const char *moves;
    const char *fen;      // the position's FEN, en-passant field as the rules give it
    const char *phantom;  // a capture "en passant" that the inherited mark would allow, or ""
    int search_plies;     // trailing plies also made by the search's make
  } cases[] = {
      {"the game's line: White's g-pawn takes on f5, Black's e-pawn retakes",
       "f2f4 g7g5 e2e4 a7a5 e1f2 g8h6 f4g5 h6g8 g1f3 f8g7 h1g1 b8c6 f1b5 d7d5 b5c6 b7c6 f2e3 d5d4 e3e2 c8g4 "
       "d2d3 a5a4 h2h3 g4h5 g2g4 h5g6 c2c4 c6c5 f3h4 d8d6 g1g2 e7e6 b1a3 f7f5 g4f5 e6f5",
       "r3k1nr/2p3bp/3q2b1/2p2pP1/p1PpP2N/N2P3P/PP2K1R1/R1BQ4 w kq -", "g5f6", 3},
      {"White pawn takes, Black pawn retakes, king side", "e2e4 g7g6 e4e5 a7a6 g2g4 f7f5 g4f5 g6f5",
       "rnbqkbnr/1pppp2p/p7/4Pp2/8/8/PPPP1P1P/RNBQKBNR w KQkq -", "e5f6", 3},
      {"White pawn takes, Black pawn retakes, queen side", "d2d4 b7b6 d4d5 h7h6 b2b4 c7c5 b4c5 b6c5",
       "rnbqkbnr/p2pppp1/7p/2pP4/8/8/P1P1PPPP/RNBQKBNR w KQkq -", "d5c6", 3},
      {"Black pawn takes, White pawn retakes, king side", "a2a3 e7e5 g2g3 e5e4 h2h3 g7g5 f2f4 g5f4 g3f4",
       "rnbqkbnr/pppp1p1p/8/8/4pP2/P6P/1PPPP3/RNBQKBNR b KQkq -", "e4f3", 3},
      {"Black pawn takes, White pawn retakes, queen side", "h2h3 d7d5 b2b3 d5d4 a2a3 b7b5 c2c4 b5c4 b3c4",
       "rnbqkbnr/p1p1pppp/8/8/2Pp4/P6P/3PPPP1/RNBQKBNR b KQkq -", "d4c3", 3},
      {"White pawn takes and stays, Black to move", "e2e4 g7g6 e4e5 a7a6 g2g4 f7f5 g4f5",
       "rnbqkbnr/1pppp2p/p5p1/4PP2/8/8/PPPP1P1P/RNBQKBNR b KQkq -", "", 2},
      {"White knight takes, Black pawn retakes, king side", "e2e4 g7g6 e4e5 a7a6 g1f3 a6a5 f3h4 f7f5 h4f5 g6f5",
       "rnbqkbnr/1pppp2p/8/p3Pp2/8/8/PPPP1PPP/RNBQKB1R w KQkq -", "e5f6", 3},
      {"White knight takes, Black pawn retakes, queen side", "d2d4 b7b6 d4d5 h7h6 b1c3 h6h5 c3a4 c7c5 a4c5 b6c5",
       "rnbqkbnr/p2pppp1/8/2pP3p/8/8/PPP1PPPP/R1BQKBNR w KQkq -", "d5c6", 3},
      {"White pawn takes, Black knight retakes", "e2e4 g7g6 e4e5 g8h6 g2g4 f7f5 g4f5 h6f5",
       "rnbqkb1r/ppppp2p/6p1/4Pn2/8/8/PPPP1P1P/RNBQKBNR w KQkq -", "e5f6", 3},
      {"Black bishop takes, queen side", "a2a3 e7e5 b2b3 e5e4 h2h3 f8c5 d2d4 c5d4",
       "rnbqk1nr/pppp1ppp/8/8/3bp3/PP5P/2P1PPP1/RNBQKBNR w KQkq -", "", 2},
      // The mark itself stays where it belongs: the capture is open.
      {"a real en-passant capture", "e2e4 g7g6 e4e5 f7f5", "rnbqkbnr/ppppp2p/6p1/4Pp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6",
       "", 2},
  };
  const auto names = [](const uint8_t *cb) {
    LegalMove list[MAX_LEGAL_MOVES];
    const int n = legal_moves(cb, list);
    std::set<std::string> out;
    for (int i = 0; i < n; ++i) out.insert(move_name(list[i].from, list[i].to) + char('0' + list[i].promotion));
    return out;
  };
  set_zobrist();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    int made = 0;
    Board game = board_from_moves(c.moves, &made);
    Board expected{};
    FenSetup setup{};
    ASSERT_TRUE(load_position_fen(expected.data(), c.fen, setup)) << setup.reason;

    const std::set<std::string> legal = names(game.data());
    EXPECT_EQ(legal, names(expected.data()));
    if (*c.phantom != '\0') {
      EXPECT_FALSE(legal.count(std::string(c.phantom) + '0'));
    }
    char fen[FEN_TEXT_SIZE];
    ASSERT_GT(position_to_fen(game.data(), made, fen, sizeof fen), 0);
    EXPECT_EQ(std::string(fen).substr(0, std::strlen(c.fen)), c.fen);
    EXPECT_EQ(polyglot_key(game.data()), polyglot_key(expected.data()));
    for (int s = 0; s < CB_MAILBOX; ++s) EXPECT_EQ(game[s], expected[s]) << "square " << s;

    // The same plies made by the search from the position before them.
    const std::string list = c.moves;
    size_t cut = list.size();
    for (int i = 0; i < c.search_plies; ++i) cut = list.rfind(' ', cut - 1);
    Board b = board_from_moves(list.substr(0, cut));
    const Board root = b;
    TestSearch t;
    search_set_position(t.s, b.data());
    const uint64_t root_key = t.s.key;
    std::istringstream plies(list.substr(cut));
    std::string ply;
    std::vector<uint32_t> gms;
    std::vector<uint8_t> states;
    std::vector<SearchUndo> undos(size_t(c.search_plies));
    while (plies >> ply) {
      uint32_t moves[MAX_GENERATED_MOVES];
      const int n = generate_moves(b.data(), moves);
      int found = -1;
      for (int i = 0; i < n; ++i)
        if (move_name(gm_from(moves[i]), gm_to(moves[i])) == ply) found = i;
      ASSERT_GE(found, 0) << ply << " not generated";
      gms.push_back(moves[found]);
      states.push_back(b[CB_STATE]);
      search_make(t.s, b.data(), moves[found], undos[gms.size() - 1]);
      EXPECT_EQ(t.s.key, first_zobrist_key(b.data())) << ply;
    }
    for (int s = 0; s < CB_MAILBOX; ++s) EXPECT_EQ(b[s], game[s]) << "search, square " << s;
    EXPECT_EQ(b[CB_STATE] & 0x1F, game[CB_STATE] & 0x1F);
    uint32_t moves[MAX_GENERATED_MOVES];
    const int n = generate_moves(b.data(), moves);
    for (int i = 0; i < n; ++i) {
      if (gm_kind(moves[i]) == KIND_EN_PASSANT) {
        EXPECT_STRNE(move_name(gm_from(moves[i]), gm_to(moves[i])).c_str(), c.phantom) << "search";
      }
    }
    expect_kept_pieces_agree(t.s, b, "after the search's plies");
    for (size_t i = gms.size(); i-- > 0;) search_unmake(t.s, b.data(), gms[i], states[i], undos[i]);
    for (int i = 0; i <= CB_STATE; ++i) EXPECT_EQ(b[i], root[i]) << "unmade, byte " << i;
    EXPECT_EQ(t.s.key, root_key);
  }
}
