// Make and unmake inside the search, over every generated move of positions
// from seeded random games, checked against the key from scratch and against
// the game-move code.
#include "search/make_move.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "board/board_scan.h"
#include "board/game_move.h"
#include "eval/chess_heuristic.h"
#include "hash/zobrist.h"
#include "movegen/attack.h"
#include "movegen/captures.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
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
                                     "rook move taking a right"};

// What the search reads from the pieces its make and unmake keep must be
// what the board says, read from scratch: the evaluation in every phase,
// the kings' squares and their attack test, both generators' lists.
void expect_kept_pieces_agree(Board &b, const std::string &what) {
  uint8_t *cb = b.data();
  const int phase_before = game_position;
  for (int phase : {PHASE_OPENING, PHASE_MIDDLE, PHASE_ENDING}) {
    set_game_position(phase);
    const int evaluated = heuristic_calculated;
    EXPECT_EQ(search_evaluate(cb), heuristic(cb, side_to_move(cb))) << what << ", phase " << phase;
    EXPECT_EQ(heuristic_calculated, evaluated + 2) << what << ": one evaluation counted each";
  }
  set_game_position(phase_before);
  const PieceSets &sets = search_piece_sets(cb);
  for (uint8_t colour : {WHITE, BLACK}) {
    const int king = where_is_king(cb, colour);
    EXPECT_EQ(search_king_square(cb, colour), king) << what;
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

// Checks one generated move on b (hash_key current): the make agrees with
// play_move square by square and in the lost flags, the key follows the board,
// and the unmake restores bytes 0..144 and the key. Returns whether the move
// was legal (the mover's king not attacked afterwards).
bool check_move(Board &b, uint32_t gm, std::set<int> &seen) {
  const Board before = b;
  const uint64_t key_before = hash_key;
  const uint8_t side = side_to_move(b.data());
  const uint8_t from = gm_from(gm), to = gm_to(gm), kind = gm_kind(gm);
  const std::string what =
      move_name(from, to) + " kind " + std::to_string(kind) + ", side to move " + std::to_string(side);

  Board game = before;
  play_move(game.data(), game_move_of(gm));

  SearchUndo undo;
  search_make(b.data(), gm, undo);

  EXPECT_EQ(hash_key, first_zobrist_key(b.data())) << what;
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
  const bool sample = kind != KIND_NORMAL || (hash_key & 15) == 0;
  if (sample) expect_kept_pieces_agree(b, what + " after the make");

  search_unmake(b.data(), gm, before[CB_STATE], undo);
  if (sample) expect_kept_pieces_agree(b, what + " after the unmake");
  EXPECT_EQ(hash_key, key_before) << what;
  for (int i = 0; i <= CB_STATE; ++i) EXPECT_EQ(b[i], before[i]) << what << " byte " << i;

  const bool capture = piece_of(before[to]) != EMPTY;
  const uint8_t lost = before[CB_STATE] & uint8_t(3u << castling_shift(side));
  const uint8_t lost_after = game[CB_STATE] & uint8_t(3u << castling_shift(side));
  switch (kind) {
    case KIND_NORMAL:
      seen.insert(capture ? CAPTURE : ORDINARY);
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
    for (int ply = 0; ply < 160; ++ply) {
      hash_key = first_zobrist_key(b.data());
      search_forget_kept();
      const int count = generate_moves(b.data(), moves);
      std::vector<uint32_t> legal;
      for (int i = 0; i < count; ++i) {
        if (check_move(b, moves[i], seen)) legal.push_back(moves[i]);
        ++checked;
      }
      if (testing::Test::HasFailure()) return;
      if (legal.empty()) break;
      // The game goes on as a "position" line would play it.
      play_move(b.data(), game_move_of(legal[rng() % legal.size()]));
      b[CB_STATE] ^= ST_BLACK_TO_MOVE;
    }
  }
  for (int k = 0; k < SEEN_COUNT; ++k) EXPECT_TRUE(seen.count(k)) << "never made: " << seen_name[k];
  EXPECT_GT(checked, 50000);
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
    hash_key = first_zobrist_key(b.data());
    search_forget_kept();
    const Board root = b;
    EXPECT_TRUE(has_move(b, c.en_passant));
    SearchUndo undo[2];
    uint32_t made[2];
    uint8_t state[2];
    for (int ply = 0; ply < 2; ++ply) {
      made[ply] = find(b, c.later[ply]);
      state[ply] = b[CB_STATE];
      search_make(b.data(), made[ply], undo[ply]);
    }
    EXPECT_FALSE(has_move(b, c.en_passant));
    for (int ply = 1; ply >= 0; --ply) search_unmake(b.data(), made[ply], state[ply], undo[ply]);
    for (int i = 0; i <= CB_STATE; ++i) EXPECT_EQ(b[i], root[i]) << "byte " << i;
    EXPECT_TRUE(has_move(b, c.en_passant));
  }
}
