// velkor-tool epd: the engine's own search, as the command loop runs it for
// "position fen ..." and "go movetime ..." (or "go depth ..."), on every
// record of a test suite in EPD, with the answer judged against the
// record's best moves ("bm") and moves to avoid ("am").
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "base/text.h"
#include "board/chess_cb.h"
#include "eval/chess_heuristic.h"
#include "notation/fen.h"
#include "notation/san.h"
#include "base/transcript.h"
#include "frontend/go_limits.h"
#include "search/think.h"
#include "search/time_control.h"
#include "tools/tool_common.h"

const char EPD_USAGE[] = "<file> [--movetime <ms> (default 1000) | --depth <1..64>]";

namespace {

using Clock = std::chrono::steady_clock;

// One record's operations that the tool reads.
struct EpdRecord {
  std::string fen;  // the four fields, then the counters of "hmvc" and "fmvn"
  std::string id;
  std::vector<std::string> best, avoid;  // the move texts of "bm" and "am"
  bool has_best = false, has_avoid = false;
};

// The words of an operation's text; a word in double quotes may hold blanks.
// False for a quote that is never closed.
bool split_words(const std::string &text, std::vector<std::string> &words) {
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && is_blank(text[i])) ++i;
    if (i >= text.size()) break;
    if (text[i] == '"') {
      const size_t close = text.find('"', i + 1);
      if (close == std::string::npos) return false;
      words.push_back(text.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      const size_t start = i;
      while (i < text.size() && !is_blank(text[i])) ++i;
      words.push_back(text.substr(start, i - start));
    }
  }
  return true;
}

// A whole decimal number in [low, high].
bool read_number(const std::string &text, long low, long high, long &value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  value = std::strtol(text.c_str(), nullptr, 10);
  return value >= low && value <= high;
}

// Reads one EPD line: four fields, then operations ended by ";". False with
// the reason in why when the line is not a record the tool can use; the
// operations after a bad one are still read, so that its id is known.
bool parse_record(const std::string &line, EpdRecord &record, std::string &why) {
  size_t i = 0;
  std::string fields[4];
  for (std::string &field : fields) {
    while (i < line.size() && is_blank(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !is_blank(line[i])) ++i;
    field = line.substr(start, i - start);
    if (field.empty()) {
      why = "fewer than four fields";
      return false;
    }
  }
  std::string halfmove = "0", fullmove = "1";
  // Operations: an opcode and its operands, each ended by a semicolon
  // outside quotes.
  std::string operation;
  bool quoted = false;
  for (size_t k = i; k <= line.size(); ++k) {
    const char c = k < line.size() ? line[k] : ';';
    if (c == '"') quoted = !quoted;
    if (c != ';' || quoted) {
      operation += c;
      continue;
    }
    if (k == line.size() && operation.find_first_not_of(" \t") == std::string::npos) break;
    std::vector<std::string> words;
    const bool closed = split_words(operation, words);
    operation.clear();
    if (!closed) {
      if (why.empty()) why = "a quote is never closed";
      continue;
    }
    if (words.empty()) continue;
    const std::string &opcode = words[0];
    const std::vector<std::string> operands(words.begin() + 1, words.end());
    if (opcode == "bm" || opcode == "am") {
      if (operands.empty()) {
        if (why.empty()) why = opcode + " without a move";
        continue;
      }
      (opcode == "bm" ? record.best : record.avoid) = operands;
      (opcode == "bm" ? record.has_best : record.has_avoid) = true;
    } else if (opcode == "id") {
      if (!operands.empty()) record.id = operands[0];
    } else if (opcode == "hmvc" || opcode == "fmvn") {
      long value = 0;
      if (operands.size() != 1 || !read_number(operands[0], 0, 100000, value)) {
        if (why.empty()) why = opcode + " is not a count";
        continue;
      }
      (opcode == "hmvc" ? halfmove : fullmove) = operands[0];
    }
    // Other opcodes ("c0", "ce", "pv", ...) say nothing the tool judges by.
  }
  if (quoted && why.empty()) why = "a quote is never closed";
  if (why.empty() && !record.has_best && !record.has_avoid) why = "no bm or am";
  if (!why.empty()) return false;
  record.fen =
      fields[0] + " " + fields[1] + " " + fields[2] + " " + fields[3] + " " + halfmove + " " + fullmove;
  return true;
}

// Reads the moves of an operation; false with why for one that is no legal
// move of the position.
bool read_moves(const uint8_t *cb, const std::vector<std::string> &texts, std::vector<LegalMove> &moves,
                std::string &why) {
  for (const std::string &text : texts) {
    LegalMove move{};
    const char *reason = nullptr;
    if (!san_to_move(cb, text.c_str(), move, reason)) {
      why = "\"" + text + "\": " + reason;
      return false;
    }
    moves.push_back(move);
  }
  return true;
}

bool contains(const std::vector<LegalMove> &moves, const LegalMove &m) {
  for (const LegalMove &o : moves)
    if (o.from == m.from && o.to == m.to && o.promotion == m.promotion) return true;
  return false;
}

std::string joined(const std::vector<std::string> &words) {
  std::string text;
  for (const std::string &w : words) text += (text.empty() ? "" : " ") + w;
  return text;
}

// The engine's answer for the position, found as the command loop finds it
// after "go", with no reports.
uint32_t engine_answer(uint8_t *cb, int half_moves, int budget, int depth) {
  ThinkRequest request{};
  start_clock(request.clock);
  request.phase = get_game_position(cb, half_moves / 2);
  request.budget_ms = budget;
  request.limits = SearchLimits{depth, -1};
  return think(cb, request).move;
}

}  // namespace

// velkor-tool epd <file> [--movetime ms | --depth n]: one line per record,
//   <id>: bm <moves> [am <moves>] found <move> pass|fail <ms> ms
// or "<id>: skipped: <reason>" for a record it cannot use; last
//   solved <k> of <n>
// (n counts the records searched). Status 0 once the file was read, 1 if it
// cannot be read.
int run_epd(int argc, char **argv) {
  if (argc != 1 && argc != 3) return tool_usage_error("epd", EPD_USAGE);
  long movetime = 1000, depth = 0;
  if (argc == 3) {
    const std::string option = argv[1];
    if (option == "--movetime") {
      if (!read_number(argv[2], 1, 100000000, movetime)) return tool_usage_error("epd", EPD_USAGE);
    } else if (option == "--depth") {
      if (!read_number(argv[2], 1, SEARCH_DEPTH_CAP, depth)) return tool_usage_error("epd", EPD_USAGE);
    } else {
      return tool_usage_error("epd", EPD_USAGE);
    }
  }
  std::ifstream in(argv[0], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "velkor-tool: cannot read %s\n", argv[0]);
    return 1;
  }
  // No search writes into a transcript that an engine left in this
  // directory.
  g_uci_transcript = false;
  // "--depth": the limit alone, as "go depth"; otherwise "go movetime".
  const int budget = depth > 0 ? NO_CLOCK_BUDGET : movetime_budget(int(movetime));

  int searched = 0, solved = 0, line_number = 0;
  for (std::string line; std::getline(in, line);) {
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos || line[line.find_first_not_of(" \t")] == '#')
      continue;  // blank lines and comments
    EpdRecord record;
    std::string why;
    const bool parsed = parse_record(line, record, why);
    const std::string name = record.id.empty() ? "line " + std::to_string(line_number) : record.id;
    uint8_t cb[CB_SIZE];
    FenSetup setup;
    std::vector<LegalMove> best, avoid;
    if (parsed && !load_position_fen(cb, record.fen.c_str(), setup))
      why = std::string("invalid FEN: ") + setup.reason;
    if (why.empty()) read_moves(cb, record.best, best, why);
    if (why.empty()) read_moves(cb, record.avoid, avoid, why);
    if (!why.empty()) {
      std::printf("%s: skipped: %s\n", name.c_str(), why.c_str());
      std::fflush(stdout);
      continue;
    }

    const Clock::time_point start = Clock::now();
    const uint32_t result = engine_answer(cb, setup.half_moves, budget, int(depth));
    const long ms = long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    LegalMove found{};
    char found_text[16] = "(none)";
    const bool moved = legal_move_of_word(cb, result, found);
    if (moved) move_to_san(cb, found, found_text, sizeof found_text);
    const bool pass = moved && (!record.has_best || contains(best, found)) && !contains(avoid, found);
    ++searched;
    solved += pass;
    std::string expected;
    if (record.has_best) expected += "bm " + joined(record.best);
    if (record.has_avoid) expected += std::string(expected.empty() ? "" : " ") + "am " + joined(record.avoid);
    std::printf("%s: %s found %s %s %ld ms\n", name.c_str(), expected.c_str(), found_text,
                pass ? "pass" : "fail", ms);
    std::fflush(stdout);
  }
  std::printf("solved %d of %d\n", solved, searched);
  return 0;
}
