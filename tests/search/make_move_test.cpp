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

#include "board/game_move.h"
#include "hash/zobrist.h"
#include "movegen/attack.h"
#include "movegen/movegen.h"
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

// The game move that plays gm the way a "position" line would.
uint32_t game_move_of(uint32_t gm) {
  return move_word(gm_from(gm), gm_to(gm)) | (gm_kind(gm) == KIND_PROMO_KNIGHT ? MW_PROMO_KNIGHT : 0u);
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
      move_name(from, to) + " kind " + std::to_string(kind) + " at ply side " + std::to_string(side);

  Board game = before;
  play_move(game.data(), game_move_of(gm));

  SearchUndo undo;
  search_make(b.data(), gm, undo);

  EXPECT_EQ(hash_key, first_zobrist_key(b.data())) << what;
  for (int s = 0; s < CB_MAILBOX; ++s)
    EXPECT_EQ(b[s] & (PIECE_MASK | COLOUR_BIT), game[s] & (PIECE_MASK | COLOUR_BIT))
        << what << " square " << s;
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

  search_unmake(b.data(), gm, before[CB_STATE], undo);
  EXPECT_EQ(hash_key, key_before) << what;
  for (int i = 0; i <= CB_STATE; ++i) {
    // The one byte allowed to differ: a left-over mark on the target of a
    // two-square advance is cleared with the advance's own.
    if (kind == KIND_DOUBLE_PUSH && i == to && before[i] == EP_MARK) {
      EXPECT_EQ(b[i], EMPTY) << what;
      continue;
    }
    EXPECT_EQ(b[i], before[i]) << what << " byte " << i;
  }

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

TEST(SearchMakeUnmake, KeyAndFlagsOfTheMakeAreTheSubtreesOnly) {
  set_zobrist();
  // White king e1 with both rights: the first king move takes both rights
  // and their keys; a second king move in the same line takes nothing.
  Board b = board_from_fen("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");
  hash_key = first_zobrist_key(b.data());
  const uint64_t root_key = hash_key;
  const uint8_t root_state = b[CB_STATE];

  SearchUndo first, reply, second;
  const uint32_t ke2 = fill_move(uint8_t(sq("e1")), uint8_t(sq("e2")), KIND_NORMAL, 0);
  search_make(b.data(), ke2, first);
  EXPECT_EQ(b[CB_STATE], root_state | ST_BLACK_TO_MOVE | ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST);
  EXPECT_EQ(hash_key, root_key ^ zobrist_value(KING, sq("e1")) ^ zobrist_value(KING, sq("e2")) ^
                          zobrist_black ^ zobrist_castling[0] ^ zobrist_castling[1]);

  const uint8_t state1 = b[CB_STATE];
  const uint32_t kd7 = fill_move(uint8_t(sq("e8")), uint8_t(sq("d7")), KIND_NORMAL, 0);
  search_make(b.data(), kd7, reply);
  const uint8_t state2 = b[CB_STATE];
  const uint64_t key2 = hash_key;
  const uint32_t kf3 = fill_move(uint8_t(sq("e2")), uint8_t(sq("f3")), KIND_NORMAL, 0);
  search_make(b.data(), kf3, second);
  EXPECT_EQ(b[CB_STATE], state2 ^ ST_BLACK_TO_MOVE) << "no right left to take";
  EXPECT_EQ(hash_key, key2 ^ zobrist_value(KING, sq("e2")) ^ zobrist_value(KING, sq("f3")) ^ zobrist_black);

  search_unmake(b.data(), kf3, state2, second);
  search_unmake(b.data(), kd7, state1, reply);
  search_unmake(b.data(), ke2, root_state, first);
  EXPECT_EQ(hash_key, root_key);
  EXPECT_EQ(b[CB_STATE], root_state);
}

TEST(SearchMakeUnmake, RookLeavingAnyAFileOrHFileSquareTakesThatRight) {
  set_zobrist();
  struct Case {
    const char *fen, *from, *to;
    uint8_t lost;  // flags the make sets
  } cases[] = {
      {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "a1", "a3", ST_WHITE_QUEEN_LOST},
      {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "h1", "h5", ST_WHITE_KING_LOST},
      // Only the file counts: a rook on a4 costs the a-file right.
      {"4k3/8/8/8/R7/8/8/4K2R w KQ - 0 1", "a4", "b4", ST_WHITE_QUEEN_LOST},
      {"r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", "h8", "h2", ST_BLACK_KING_LOST},
      // Capturing the rook in its corner costs its owner nothing.
      {"r3k2r/8/8/8/8/8/8/R3K3 w Qkq - 0 1", "a1", "a8", ST_WHITE_QUEEN_LOST},
      // A right already lost is not taken (nor keyed) again.
      {"4k3/8/8/8/8/8/8/R3K2R w K - 0 1", "a1", "a3", 0},
  };
  for (const Case &c : cases) {
    Board b = board_from_fen(c.fen);
    hash_key = first_zobrist_key(b.data());
    const uint8_t state = b[CB_STATE];
    SearchUndo undo;
    const uint32_t gm = fill_move(uint8_t(sq(c.from)), uint8_t(sq(c.to)), KIND_NORMAL, 0);
    search_make(b.data(), gm, undo);
    EXPECT_EQ(b[CB_STATE], (state | c.lost) ^ ST_BLACK_TO_MOVE) << c.fen << " " << c.from << c.to;
    EXPECT_EQ(hash_key, first_zobrist_key(b.data())) << c.fen << " " << c.from << c.to;
    search_unmake(b.data(), gm, state, undo);
    EXPECT_EQ(b[CB_STATE], state);
  }
}

TEST(SearchMakeUnmake, EnPassantPutsTheMarkedVictimBack) {
  set_zobrist();
  Board b = board_from_moves("e2e4 a7a6 e4e5 d7d5");
  hash_key = first_zobrist_key(b.data());
  const Board before = b;
  const uint64_t key = hash_key;
  SearchUndo undo;
  const uint32_t gm = fill_move(uint8_t(sq("e5")), uint8_t(sq("d6")), KIND_EN_PASSANT, 1);
  search_make(b.data(), gm, undo);
  EXPECT_EQ(piece_of(b[sq("d5")]), EMPTY);
  EXPECT_EQ(b[sq("d6")] & (PIECE_MASK | COLOUR_BIT), PAWN);
  EXPECT_EQ(piece_of(b[sq("e5")]), EMPTY);
  EXPECT_EQ(hash_key, first_zobrist_key(b.data()));
  search_unmake(b.data(), gm, before[CB_STATE], undo);
  EXPECT_EQ(b[sq("d5")], PAWN | COLOUR_BIT | EP_MARK) << "black pawn with its mark";
  EXPECT_TRUE(same_position(b, before));
  EXPECT_EQ(hash_key, key);
}

TEST(SearchMakeUnmake, PromotionChangesTheKeyByExactlyItsTerms) {
  set_zobrist();
  // White pawn a7, a8 empty, black knight b8.
  Board b = board_from_fen("1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
  hash_key = first_zobrist_key(b.data());
  const uint64_t key = hash_key;
  const uint64_t pawn_a7 = zobrist_value(PAWN, sq("a7")), side = zobrist_black;
  struct Case {
    const char *to;
    uint8_t kind;
    uint64_t delta;
  } cases[] = {
      {"a8", KIND_PROMO_QUEEN, pawn_a7 ^ side ^ zobrist_value(QUEEN, sq("a8"))},
      {"a8", KIND_PROMO_KNIGHT, pawn_a7 ^ side ^ zobrist_value(KNIGHT, sq("a8"))},
      {"b8", KIND_PROMO_QUEEN,
       pawn_a7 ^ side ^ zobrist_value(KNIGHT | COLOUR_BIT, sq("b8")) ^ zobrist_value(QUEEN, sq("b8"))},
  };
  for (const Case &c : cases) {
    const Board before = b;
    SearchUndo undo;
    const uint32_t gm = fill_move(uint8_t(sq("a7")), uint8_t(sq(c.to)), c.kind, 1);
    search_make(b.data(), gm, undo);
    EXPECT_EQ(hash_key, key ^ c.delta) << c.to << " kind " << int(c.kind);
    EXPECT_EQ(piece_of(b[sq(c.to)]), c.kind);
    search_unmake(b.data(), gm, before[CB_STATE], undo);
    EXPECT_TRUE(same_position(b, before));
    EXPECT_EQ(hash_key, key);
  }
}
