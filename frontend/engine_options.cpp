#include "frontend/engine_options.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/text.h"
#include "base/transcript.h"
#include "frontend/session.h"
#include "search/search_threads.h"

EngineOptions g_options;

namespace {

enum OptionType : uint8_t { TYPE_SPIN, TYPE_CHECK, TYPE_STRING, TYPE_BUTTON };

// What setting an option does at once, besides storing its value; changed:
// the value differs from the one before. A line for the front end when the
// value could not be applied as asked.
using OptionApply = std::string (*)(Session &session, bool changed);

// The table is made at the size asked for, every page written; when that
// much memory cannot be had, it keeps its size and the option says so.
std::string apply_hash(Session &, bool) {
  if (resize_hash_table(g_options.hash_mb)) return {};
  const int kept = int(hash_table_entries() / HASH_ENTRIES_PER_MB);
  std::string message = "Hash " + std::to_string(g_options.hash_mb) + " MB cannot be allocated: the table stays at " +
                        std::to_string(kept) + " MB";
  g_options.hash_mb = kept;
  return message;
}

std::string apply_clear_hash(Session &, bool) {
  clear_hash_table();
  return {};
}

// Helpers are started (or ended) now, so that the next "go" spends none of
// its clock on them.
std::string apply_threads(Session &, bool) {
  search_threads_set(g_options.threads);
  return {};
}

std::string apply_transcript(Session &, bool changed) {
  if (changed) set_transcript_file(g_options.transcript.c_str());
  return {};
}

std::string apply_strength_seed(Session &session, bool) {
  seed_strength_levels(session);
  return {};
}

// One option: its name as declared, its type and, for a spin, its range;
// the member of EngineOptions that holds its value (one of the three; none
// for a button); what setting it does at once (nullptr: nothing, the value
// is read where it is used).
struct OptionSpec {
  OptionId id;
  const char *name;
  OptionType type;
  int min, max;
  int EngineOptions::*spin;
  bool EngineOptions::*check;
  std::string EngineOptions::*text;
  OptionApply apply;
};

constexpr std::array<OptionSpec, OPTION_COUNT> OPTION_SPECS = {{
    {OPT_HASH, "Hash", TYPE_SPIN, HASH_MIN_MB, HASH_MAX_MB, &EngineOptions::hash_mb, nullptr, nullptr, apply_hash},
    {OPT_CLEAR_HASH, "Clear Hash", TYPE_BUTTON, 0, 0, nullptr, nullptr, nullptr, apply_clear_hash},
    {OPT_THREADS, "Threads", TYPE_SPIN, 1, THREADS_MAX, &EngineOptions::threads, nullptr, nullptr, apply_threads},
    {OPT_PONDER, "Ponder", TYPE_CHECK, 0, 0, nullptr, &EngineOptions::ponder, nullptr, nullptr},
    {OPT_MULTIPV, "MultiPV", TYPE_SPIN, 1, MULTIPV_MAX, &EngineOptions::multipv, nullptr, nullptr, nullptr},
    {OPT_OWN_BOOK, "OwnBook", TYPE_CHECK, 0, 0, nullptr, &EngineOptions::own_book, nullptr, nullptr},
    {OPT_BOOK_FILE, "BookFile", TYPE_STRING, 0, 0, nullptr, nullptr, &EngineOptions::book_file, nullptr},
    {OPT_MOVE_OVERHEAD, "Move Overhead", TYPE_SPIN, 0, MOVE_OVERHEAD_MAX, &EngineOptions::move_overhead, nullptr,
     nullptr, nullptr},
    {OPT_TRANSCRIPT, "Transcript", TYPE_STRING, 0, 0, nullptr, nullptr, &EngineOptions::transcript, apply_transcript},
    {OPT_CHESS960, "UCI_Chess960", TYPE_CHECK, 0, 0, nullptr, &EngineOptions::chess960, nullptr, nullptr},
    {OPT_LIMIT_STRENGTH, "UCI_LimitStrength", TYPE_CHECK, 0, 0, nullptr, &EngineOptions::limit_strength, nullptr,
     nullptr},
    {OPT_UCI_ELO, "UCI_Elo", TYPE_SPIN, STRENGTH_ELO_MIN, STRENGTH_ELO_MAX, &EngineOptions::uci_elo, nullptr,
     nullptr, nullptr},
    {OPT_STRENGTH_SEED, "Strength Seed", TYPE_SPIN, 0, STRENGTH_SEED_MAX, &EngineOptions::strength_seed, nullptr,
     nullptr, apply_strength_seed},
}};

constexpr bool specs_in_id_order() {
  for (size_t i = 0; i < OPTION_SPECS.size(); ++i)
    if (OPTION_SPECS[i].id != OptionId(i)) return false;
  return true;
}
static_assert(specs_in_id_order(), "the declaration order is the OptionId order");

// The protocol's spelling of an empty string value.
constexpr const char *EMPTY_STRING_VALUE = "<empty>";

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool same_ignoring_case(const char *a, size_t a_length, const char *b) {
  if (std::strlen(b) != a_length) return false;
  for (size_t i = 0; i < a_length; ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// Text from the line quoted in a message: at most 40 characters, anything
// but printable ASCII shown as '?', so that junk cannot reach the front end
// as control bytes or as a second line.
std::string quoted(const char *text, size_t length) {
  constexpr size_t SHOWN = 40;
  std::string q = "\"";
  for (size_t i = 0; i < length && i < SHOWN; ++i) q += text[i] >= ' ' && text[i] <= '~' ? text[i] : '?';
  if (length > SHOWN) q += "...";
  return q + "\"";
}

// A plain decimal integer filling the whole text: an optional minus sign,
// then at least one digit. Saturates at +-10^18 instead of overflowing, so
// that any number beyond an option's range stays beyond it.
bool read_integer(const char *text, size_t length, int64_t &value) {
  const bool negative = length > 0 && text[0] == '-';
  const size_t sign = negative ? 1 : 0;
  int64_t n = 0;
  if (!read_decimal(text + sign, length - sign, 1000000000000000000, n)) return false;
  value = negative ? -n : n;
  return true;
}

SetOptionResult refused(std::string message) {
  SetOptionResult r;
  r.error = std::move(message);
  return r;
}

// Sets the option from its value text (blanks around it already removed).
SetOptionResult set_value(const OptionSpec &spec, const char *text, size_t length) {
  const std::string what = std::string("option ") + spec.name + ": ";
  SetOptionResult r;
  r.option = spec.id;
  switch (spec.type) {
    case TYPE_SPIN: {
      int64_t n = 0;
      if (!read_integer(text, length, n)) return refused(what + quoted(text, length) + " is not a whole number");
      if (n < spec.min || n > spec.max)
        return refused(what + quoted(text, length) + " is outside " + std::to_string(spec.min) + ".." +
                       std::to_string(spec.max));
      int &field = g_options.*spec.spin;
      r.changed = field != int(n);
      field = int(n);
      return r;
    }
    case TYPE_CHECK: {
      const bool is_true = same_ignoring_case(text, length, "true");
      if (!is_true && !same_ignoring_case(text, length, "false"))
        return refused(what + quoted(text, length) + " is neither true nor false");
      bool &field = g_options.*spec.check;
      r.changed = field != is_true;
      field = is_true;
      return r;
    }
    case TYPE_BUTTON:  // pressed; a value means nothing to a button
      r.changed = true;
      return r;
    case TYPE_STRING: {
      if (length > OPTION_STRING_MAX)
        return refused(what + "a value longer than " + std::to_string(OPTION_STRING_MAX) + " characters");
      std::string value(text, length);
      if (value == EMPTY_STRING_VALUE) value.clear();
      std::string &field = g_options.*spec.text;
      r.changed = field != value;
      field = std::move(value);
      return r;
    }
  }
  return refused(what + "unknown type");
}

}  // namespace

void reset_engine_options() { g_options = EngineOptions{}; }

void send_option_lines(void (*send)(const char *line)) {
  const EngineOptions defaults;
  for (const OptionSpec &spec : OPTION_SPECS) {
    std::string line = std::string("option name ") + spec.name + " type ";
    switch (spec.type) {
      case TYPE_SPIN:
        line += "spin default " + std::to_string(defaults.*spec.spin) + " min " + std::to_string(spec.min) +
                " max " + std::to_string(spec.max);
        break;
      case TYPE_CHECK: line += std::string("check default ") + (defaults.*spec.check ? "true" : "false"); break;
      case TYPE_STRING: {
        const std::string &value = defaults.*spec.text;
        line += "string default " + (value.empty() ? std::string(EMPTY_STRING_VALUE) : value);
        break;
      }
      case TYPE_BUTTON: line += "button"; break;
    }
    line += "\n";
    send(line.c_str());
  }
}

SetOptionResult read_setoption(const char *line) {
  const char *cursor = line;
  if (!word_is(next_word(cursor), "setoption")) return refused("not a setoption command");
  const Word keyword = next_word(cursor);
  if (keyword.length == 0) return refused("setoption without an option name");
  if (!word_is(keyword, "name"))
    return refused("setoption needs \"name <option>\", not " + quoted(keyword.text, keyword.length));

  // The name's words, joined by one blank whatever separated them, up to
  // "value". No name is longer than 64 characters: beyond that only the
  // search for "value" goes on.
  constexpr size_t NAME_KEPT = 64;
  std::string name;
  bool has_value = false;
  for (Word w = next_word(cursor); w.length != 0; w = next_word(cursor)) {
    if (word_is(w, "value")) {
      has_value = true;
      break;
    }
    if (name.size() > NAME_KEPT) continue;
    if (!name.empty()) name += ' ';
    name.append(w.text, w.length < NAME_KEPT ? w.length : NAME_KEPT);
  }
  if (name.empty()) return refused("setoption without an option name");

  const OptionSpec *spec = nullptr;
  for (const OptionSpec &s : OPTION_SPECS)
    if (same_ignoring_case(name.data(), name.size(), s.name)) spec = &s;
  if (spec == nullptr) return refused("unknown option " + quoted(name.data(), name.size()));
  // A button is pressed by naming it; whatever follows "value" is ignored,
  // as front ends that send every option with a value expect.
  if (spec->type == TYPE_BUTTON) return set_value(*spec, "", 0);
  if (!has_value) return refused(std::string("option ") + spec->name + " needs a value");

  // The value: the rest of the line, without the blanks around it.
  while (is_blank(*cursor)) ++cursor;
  size_t length = std::strlen(cursor);
  while (length > 0 && is_blank(cursor[length - 1])) --length;
  if (length == 0) return refused(std::string("option ") + spec->name + ": \"value\" without a value");
  return set_value(*spec, cursor, length);
}

std::string apply_option(Session &session, const SetOptionResult &set) {
  if (set.option < 0 || set.option >= OPTION_COUNT) return {};
  const OptionApply apply = OPTION_SPECS[size_t(set.option)].apply;
  return apply != nullptr ? apply(session, set.changed) : std::string();
}
