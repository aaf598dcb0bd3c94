// The engine's UCI options: their declaration lines for the handshake, the
// current values, the reader of "setoption" lines, and what setting each one
// does at once (resizing the table, starting or parking the helper threads,
// reopening the transcript, ...), each by its row of the option table.
#pragma once

#include <string>

#include "hash/hash_table.h"
#include "search/strength.h"
#include "search/search_limits.h"

// One per option, in the order the handshake declares them.
enum OptionId : int {
  OPT_HASH = 0,
  OPT_CLEAR_HASH,  // a button: it has no value, setting it is the action
  OPT_THREADS,
  OPT_PONDER,
  OPT_MULTIPV,
  OPT_OWN_BOOK,
  OPT_BOOK_FILE,
  OPT_MOVE_OVERHEAD,
  OPT_TRANSCRIPT,
  OPT_CHESS960,
  OPT_LIMIT_STRENGTH,
  OPT_UCI_ELO,
  OPT_STRENGTH_SEED,
  OPTION_COUNT,
  OPT_NONE = -1,
};

inline constexpr int THREADS_MAX = SEARCH_THREADS_MAX;  // threads that search one position together
inline constexpr int MULTIPV_MAX = 64;
inline constexpr int MOVE_OVERHEAD_MAX = 5000;  // ms
// Longest value a string option takes (a file name).
inline constexpr size_t OPTION_STRING_MAX = 4095;
// Largest seed of the strength levels' generator the option takes.
inline constexpr int STRENGTH_SEED_MAX = 2147483647;

// Current values; the member initialisers are the defaults, with which the
// engine plays exactly as it did before it had options.
struct EngineOptions {
  int hash_mb = HASH_DEFAULT_MB;
  int threads = 1;
  bool ponder = false;
  int multipv = 1;
  bool own_book = true;
  std::string book_file = "book.txt";  // relative to the working directory
  int move_overhead = 0;               // ms taken off every thinking budget
  std::string transcript = "UCI_debug.txt";  // empty: no transcript
  // Chess960 castling for the games of the "position" lines that follow:
  // any back rank in a FEN, castling read and written as the king taking
  // its own rook.
  bool chess960 = false;
  bool limit_strength = false;          // play at the level of uci_elo
  int uci_elo = STRENGTH_ELO_MAX;       // the level, on the UCI_Elo scale; read only with limit_strength
  int strength_seed = 0;                // the levels' generator restarts from it every game; 0: a fresh seed
};
extern EngineOptions g_options;

// Puts every option back to its default.
void reset_engine_options();

// Hands send one "option name ... type ... default ..." line per option, in
// OptionId order, each ending in "\n".
void send_option_lines(void (*send)(const char *line));

// What read_setoption did.
struct SetOptionResult {
  OptionId option = OPT_NONE;  // the option given a value; OPT_NONE when refused
  bool changed = false;        // its value differs from the one before
  std::string error;           // when refused: one line, without "info string "
};

// Reads "setoption name <name> [value <value>]": words are separated by
// blanks or tabs, any number of them; the name is every word up to the word
// "value" (or the end), compared without regard to case and with one blank
// between words; a spin value is one plain decimal integer (an optional
// minus sign, then digits) within the option's range; a check value is
// "true" or "false" in any case; a string value is the rest of the line,
// without the blanks around it, at most OPTION_STRING_MAX characters, and
// "<empty>" stands for the empty string. A button ("Clear Hash") takes no
// value: one given is ignored. On success g_options holds the new value;
// otherwise g_options is untouched and error says what was wrong.
SetOptionResult read_setoption(const char *line);

struct Session;

// Applies the option read_setoption has just set, by its row of the table:
// "Hash" makes the table of the new size and "Clear Hash" empties it,
// "Threads" starts or parks the helper threads, "Transcript" moves the
// transcript (when its value changed), "Strength Seed" restarts the
// session's strength generator; the others are read where they are used.
// Only between searches, never while one runs. Returns a line for the front
// end (without "info string ") when the value could not be applied as
// asked, else the empty string.
std::string apply_option(Session &session, const SetOptionResult &set);
