// The evaluation's weights, in centipawns. Each is named once here and read
// by every evaluation that uses it: the evaluators and terms the engine
// checks against (chess_heuristic), the tabulated file term, and the
// evaluation the search runs from its kept pieces, so that they cannot drift
// apart.
#pragma once

namespace weights {

// Score of a position equal for both sides; White's advantages add to it.
inline constexpr int BALANCED = 30000;

// Material.
inline constexpr int PAWN_VALUE = 100;
inline constexpr int KNIGHT_VALUE = 300;
inline constexpr int BISHOP_OPENING_VALUE = 300;  // in the opening
inline constexpr int BISHOP_VALUE = 310;          // from the middle game on
inline constexpr int ROOK_VALUE = 500;
inline constexpr int QUEEN_VALUE = 900;

// Pawn files and rook files, per file, as hoz_evaluation's walk over the
// files judges them.
inline constexpr int DOUBLED_PAWNS = 50;        // a file holding two or more pawns of the side
inline constexpr int ISOLATED_PAWN = 30;        // a run of one file holding exactly one pawn
inline constexpr int ROOK_OPEN_FILE = 40;       // the side's rooks on a file open for both sides
inline constexpr int ROOK_HALF_OPEN_FILE = 30;  // on a file open for the side only

// From the middle game on.
inline constexpr int UNDEFENDED_PAWN = 5;   // a pawn with no own pawn diagonally behind it
inline constexpr int KING_COVER_NEAR = 15;  // per line in front of the king: a pawn next to it
inline constexpr int KING_COVER_FAR = 10;   // or, failing that, one square further

// Having castled on the line searched.
inline constexpr int CASTLED = 50;

}  // namespace weights
