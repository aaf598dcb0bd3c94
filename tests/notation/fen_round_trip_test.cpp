// FEN round trips on positions of seeded random games: the board set up from
// the FEN of a position must be the board that the game's move list leaves,
// in everything that a move from it can see.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "board/chess_cb.h"
#include "notation/fen.h"
#include "notation/position.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
#include "support/test_board.h"

namespace {

constexpr uint8_t kAllLostMask =
    ST_WHITE_QUEEN_LOST | ST_WHITE_KING_LOST | ST_BLACK_QUEEN_LOST | ST_BLACK_KING_LOST;

// The legal Generated moves of the side to move, in list order.
std::vector<uint32_t> legal_moves(const uint8_t *cb) {
  uint32_t list[MAX_GENERATED_MOVES];
  const int n = generate_moves(cb, list);
  std::vector<uint32_t> legal;
  uint8_t child[CB_SIZE];
  for (int i = 0; i < n; ++i) {
    std::memcpy(child, cb, CB_SIZE);
    if (play_if_legal(child, list[i])) legal.push_back(list[i]);
  }
  return legal;
}

// The move as a front end writes it. A queen promotion is sometimes written
// as a rook or bishop promotion, which front ends may send and the replay
// makes, so that such pieces reach the positions too.
std::string move_token(uint32_t gm, std::mt19937 &rng, int &under_promotions) {
  std::string token = square_name(gm_from(gm)) + square_name(gm_to(gm));
  if (gm_kind(gm) == KIND_PROMO_KNIGHT) token += 'n';
  if (gm_kind(gm) == KIND_PROMO_QUEEN) {
    const char letters[] = {'q', 'q', 'r', 'b'};
    token += letters[rng() % 4];
    under_promotions += token.back() != 'q' ? 1 : 0;
  }
  return token;
}

// What the boards must share: every square's piece and colour, byte 144,
// and the marks that a move of the side to move can use (those on the row
// where its pawns take en passant, on squares not of its colour). A board
// set up from a FEN alone (no moves replayed on it) carries no other mark.
void expect_same_position(const uint8_t *game, const uint8_t *fen_board, const std::string &where,
                          bool fen_alone) {
  SCOPED_TRACE(where);
  for (int s : boardin) ASSERT_EQ(game[s] & 0x0F, fen_board[s] & 0x0F) << "square " << square_name(s);
  ASSERT_EQ(game[CB_STATE], fen_board[CB_STATE]);
  const uint8_t side = side_to_move(game);
  const int ep_row = side == WHITE ? 6 : 5;
  int fen_marks = 0;
  for (int s = 0; s < CB_MAILBOX; ++s) {
    fen_marks += has_ep_mark(fen_board[s]) ? 1 : 0;
    if (piece_of(game[s]) == BORDER || square_row(s) != ep_row || colour_of(game[s]) == side) continue;
    ASSERT_EQ(has_ep_mark(game[s]), has_ep_mark(fen_board[s])) << "mark on " << square_name(s);
  }
  if (fen_alone) {
    ASSERT_LE(fen_marks, 1);
  }
  ASSERT_EQ(fen_board[CB_TRY_FROM], 0);
  ASSERT_EQ(fen_board[CB_TRY_TO], 0);
}

}  // namespace

TEST(FenRoundTrip, RandomGamesPositionsAndPerft) {
  std::mt19937 rng(7771);
  int positions = 0, en_passant_takes = 0, partial_rights = 0, promotions_pending = 0, under_promotions = 0,
      split_replays = 0;
  for (int game = 0; game < 40; ++game) {
    uint8_t board[CB_SIZE];
    start_position(board);
    std::vector<std::string> tokens;  // the game's move list
    std::vector<std::string> fens;    // the FEN before each move, and after the last
    const int length = 20 + int(rng() % 140);
    for (int ply = 0;; ++ply) {
      const int half_moves = int(tokens.size());
      char fen[FEN_TEXT_SIZE];
      ASSERT_GT(position_to_fen(board, half_moves, fen, sizeof fen), 0);
      fens.push_back(fen);

      // Sample the position: set it up from its FEN and compare. Every
      // third position, and every one where en passant can be taken, which
      // random games reach rarely.
      const std::vector<uint32_t> legal = legal_moves(board);
      bool ep_here = false;
      for (uint32_t gm : legal) ep_here = ep_here || gm_kind(gm) == KIND_EN_PASSANT;
      if (ply % 3 == game % 3 || ep_here) {
        uint8_t from_fen[CB_SIZE];
        std::memset(from_fen, 0x3C, sizeof from_fen);
        FenSetup setup;
        ASSERT_TRUE(load_position_fen(from_fen, fen, setup)) << fen << ": " << setup.reason;
        ASSERT_STREQ(setup.dropped, "") << fen;
        ASSERT_EQ(setup.half_moves, half_moves) << fen;
        ASSERT_EQ(setup.is_start, half_moves == 0) << fen;
        ASSERT_NO_FATAL_FAILURE(expect_same_position(board, from_fen, fen, true));
        ASSERT_EQ(perft(from_fen, 2), perft(board, 2)) << fen;
        if (positions % 25 == 0) {
          ASSERT_EQ(perft(from_fen, 3), perft(board, 3)) << fen;
        }
        ++positions;

        const uint8_t lost = board[CB_STATE] & kAllLostMask;
        partial_rights += lost != 0 && lost != kAllLostMask ? 1 : 0;
        bool ep = false, promotion = false;
        for (uint32_t gm : legal_moves(from_fen)) {
          ep = ep || gm_kind(gm) == KIND_EN_PASSANT;
          promotion = promotion || gm_kind(gm) == KIND_PROMO_QUEEN;
        }
        en_passant_takes += ep ? 1 : 0;
        promotions_pending += promotion ? 1 : 0;

        // "position fen <earlier position> moves <the rest>" is the same
        // game: the replay from the FEN reaches the same board, and the
        // half-move count adds up.
        if (half_moves > 0) {
          const int split = int(rng() % unsigned(half_moves));
          std::string rest;
          for (int i = split; i < half_moves; ++i) rest += (i > split ? " " : "") + tokens[size_t(i)];
          uint8_t replayed[CB_SIZE];
          ASSERT_TRUE(load_position_fen(replayed, fens[size_t(split)].c_str(), setup));
          const int count = load_position_txt2(replayed, rest.c_str());
          ASSERT_EQ(setup.half_moves + count, half_moves);
          ASSERT_NO_FATAL_FAILURE(
              expect_same_position(board, replayed, fens[size_t(split)] + " moves " + rest, false));
          ++split_replays;
        }
      }

      if (ply == length || legal.empty()) break;
      // Pawn moves are preferred, so that games reach promotions.
      std::vector<uint32_t> pawn_moves;
      for (uint32_t gm : legal)
        if (piece_of(board[gm_from(gm)]) == PAWN) pawn_moves.push_back(gm);
      const std::vector<uint32_t> &pool = !pawn_moves.empty() && rng() % 2 == 0 ? pawn_moves : legal;
      const std::string token = move_token(pool[rng() % pool.size()], rng, under_promotions);
      tokens.push_back(token);
      ASSERT_EQ(load_position_txt2(board, token.c_str()), 1) << token;
    }
  }
  // The games reached every kind of position the round trip must carry.
  EXPECT_GT(positions, 500);
  EXPECT_GE(en_passant_takes, 20);
  EXPECT_GE(partial_rights, 50);
  EXPECT_GE(promotions_pending, 20);
  EXPECT_GE(under_promotions, 5);
  EXPECT_GT(split_replays, 400);
  std::printf(
      "[ round trip ] %d positions: %d with en passant to take, %d with partial castling rights, "
      "%d with a promotion pending; %d rook or bishop promotions made; %d split replays\n",
      positions, en_passant_takes, partial_rights, promotions_pending, under_promotions, split_replays);
}
