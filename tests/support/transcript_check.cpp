#include "support/transcript_check.h"

#include <algorithm>
#include <utility>

namespace {

constexpr size_t kLineCap = size_t(1) << 20;  // the reader's longest kept line
// The engine's own notes in the transcript: warnings about bad input, and
// what the FEN reader did with castling rights the board cannot carry.
bool is_note(const std::string &entry) {
  for (const char *prefix : {"*** WARNING **** : ", "FEN: "})
    if (entry.rfind(prefix, 0) == 0) return true;
  return false;
}

std::string shown(const std::string &line) {
  return line.size() <= 80 ? line : line.substr(0, 80) + "...(" + std::to_string(line.size()) + " chars)";
}

}  // namespace

std::vector<std::string> lines_read_from(const std::string &bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (const char c : bytes) {
    if (c == '\n') {
      lines.push_back(line.substr(0, line.find('\0')));
      line.clear();
    } else if (c != '\r' && line.size() < kLineCap) {
      line += c;
    }
  }
  return lines;
}

std::vector<std::string> split_lines(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

TranscriptCheck check_transcript(const std::string &transcript, const std::vector<std::string> &input,
                                 const std::vector<std::string> &output) {
  TranscriptCheck result;
  if (!transcript.empty() && transcript.back() != '\n') {
    result.error = "the last entry does not end with a line feed";
    return result;
  }
  const std::vector<std::string> entries = split_lines(transcript);
  // Every way the entries so far can be read: (input lines, output lines)
  // matched. A line that is both the next input and the next output line
  // keeps both readings open.
  std::vector<std::pair<size_t, size_t>> states{{0, 0}};
  for (size_t k = 0; k < entries.size(); ++k) {
    const std::string &entry = entries[k];
    const bool warning = is_note(entry);
    if (warning) result.warnings.push_back(entry);
    std::vector<std::pair<size_t, size_t>> next;
    for (const auto &[i, j] : states) {
      if (i < input.size() && input[i] == entry) next.emplace_back(i + 1, j);
      if (j < output.size() && output[j] == entry) next.emplace_back(i, j + 1);
      if (warning) next.emplace_back(i, j);
    }
    std::sort(next.begin(), next.end());
    next.erase(std::unique(next.begin(), next.end()), next.end());
    if (next.empty()) {
      const auto [i, j] = states.front();
      result.error = "entry " + std::to_string(k) + " \"" + shown(entry) +
                     "\" is neither the next line received (\"" +
                     (i < input.size() ? shown(input[i]) : "<none>") + "\") nor the next line sent (\"" +
                     (j < output.size() ? shown(output[j]) : "<none>") + "\")";
      return result;
    }
    states = std::move(next);
  }
  bool complete = false;
  for (const auto &[i, j] : states) {
    if (j != output.size()) continue;
    complete = true;
    result.received = std::max(result.received, i);
  }
  if (!complete) {
    result.error = "the transcript lacks sent line \"" + shown(output[states.front().second]) + "\"";
    return result;
  }
  result.ok = true;
  return result;
}
