// Test support: running the built engine as a front end does, through pipes,
// in a temporary working directory of its own.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "search/strength.h"

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  const std::string &path() const { return path_; }
  std::string file(const std::string &name) const { return path_ + "/" + name; }
  void write_file(const std::string &name, const std::string &content) const;
  // The file's whole content; nullopt if it cannot be read.
  std::optional<std::string> read_file(const std::string &name) const;
  bool exists(const std::string &name) const;

 private:
  std::string path_;
};

// Makes a directory the process's working directory for the object's life
// (for in-process tests of code that uses fixed relative file names).
class ScopedWorkingDir {
 public:
  explicit ScopedWorkingDir(const std::string &dir);
  ~ScopedWorkingDir();
  ScopedWorkingDir(const ScopedWorkingDir &) = delete;
  ScopedWorkingDir &operator=(const ScopedWorkingDir &) = delete;

 private:
  std::string previous_;
};

// Path of the engine built with the tests, or of the one that
// VELKOR_TEST_ENGINE names with its launcher: "wine /path/velkor.exe" runs
// the pipe tests against a Windows build (its CR LF lines are read as lines).
std::string engine_path();
// Whether the engine under test is started through a launcher (wine, qemu).
bool engine_is_launched();
// The words that start the engine under test: its launcher's and its path.
std::vector<std::string> engine_command();

// One running engine. Its standard input and output are pipes held by the
// test; its standard error is the test's own. The destructor kills a process
// that is still running and reaps it.
class EngineProcess {
 public:
  explicit EngineProcess(const std::string &working_dir, const std::string &program = engine_path(),
                         const std::vector<std::string> &args = {});
  ~EngineProcess();
  EngineProcess(const EngineProcess &) = delete;
  EngineProcess &operator=(const EngineProcess &) = delete;

  // Writes the line and a line feed; false if the engine no longer reads.
  bool send(const std::string &line);
  // Writes the bytes exactly as given.
  bool send_raw(const std::string &bytes);
  // Closes the engine's standard input: end of input for the engine.
  void close_input();

  // The next line of output without its line feed; nullopt at end of output
  // or when none is complete within the timeout.
  std::optional<std::string> read_line(int timeout_ms = 10000);
  // Reads lines until one begins with prefix (included in the result) or the
  // output ends or the time runs out.
  std::vector<std::string> read_until(const std::string &prefix, int timeout_ms = 10000);
  // Every line up to the end of output (the engine has exited or closed it).
  std::vector<std::string> read_all(int timeout_ms = 10000);

  // The front end's opening: "uci" and "isready", read up to "uciok" and
  // "readyok" (the lines in between are dropped).
  void handshake();

  // The exit status once the process has ended; -1 if it is still running
  // after the timeout (it is then killed) or ended by a signal.
  int wait_exit(int timeout_ms = 10000);

  pid_t pid() const { return pid_; }

 private:
  bool fill(int timeout_ms);  // reads more output into buffer_; false at end or timeout

  pid_t pid_ = -1;
  int to_engine_ = -1;
  int from_engine_ = -1;
  bool output_ended_ = false;
  int status_ = -2;  // -2: not reaped yet
  std::string buffer_;
};

// A whole session: starts the engine in dir, sends the lines, closes its
// input, and collects every output line and the exit status.
struct SessionResult {
  std::vector<std::string> output;
  int status;
};
SessionResult run_session(const std::string &dir, const std::vector<std::string> &lines, int timeout_ms = 20000);
// The rest of a session with an engine already running: sends the lines,
// closes its input, and collects the output lines still to come and the exit
// status.
SessionResult finish_session(EngineProcess &engine, const std::vector<std::string> &lines,
                             int timeout_ms = 20000);

// The engine's answer to "uci".
inline const std::vector<std::string> kStartup = {
    "id name Velkor v0.16",
    "id author Quenlow",
    "option name Hash type spin default 64 min 1 max 65536",
    "option name Clear Hash type button",
    "option name Threads type spin default 1 min 1 max 256",
    "option name Ponder type check default false",
    "option name MultiPV type spin default 1 min 1 max 64",
    "option name OwnBook type check default true",
    "option name BookFile type string default book.txt",
    "option name Move Overhead type spin default 0 min 0 max 5000",
    "option name Transcript type string default UCI_debug.txt",
    "option name UCI_Chess960 type check default false",
    "option name UCI_LimitStrength type check default false",
    "option name UCI_Elo type spin default " + std::to_string(STRENGTH_ELO_MAX) + " min " +
        std::to_string(STRENGTH_ELO_MIN) + " max " + std::to_string(STRENGTH_ELO_MAX),
    "option name Strength Seed type spin default 0 min 0 max 2147483647",
    "uciok"};
// The line the engine sends before a move from its book.
inline std::string book_note(const std::string &move, const std::string &book = "book.txt") {
  return "info string book move " + move + " from " + book;
}
// The handshake without its option lines, and the output without them: for
// tests about what comes after the handshake.
inline const std::vector<std::string> kHandshake = {"id name Velkor v0.16", "id author Quenlow", "uciok"};
inline std::vector<std::string> without_options(const std::vector<std::string> &output) {
  std::vector<std::string> kept;
  for (const std::string &line : output)
    if (line.rfind("option name ", 0) != 0) kept.push_back(line);
  return kept;
}
// The option lines of the handshake, as the engine sends them.
inline std::string option_lines() {
  std::string text;
  for (size_t i = 2; i + 1 < kStartup.size(); ++i) text += kStartup[i] + "\n";
  return text;
}

// The lines of a followed by those of b.
std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string> &b);

// The engine's answers: the output without its "info" lines, which depend on
// the search.
std::vector<std::string> answers_without_info(const std::vector<std::string> &output);

// The engine's answers (without its "info" lines) in a settled order: an
// "isready" sent behind a "go" is answered at once if it arrives while the
// search runs, or after the "bestmove" if the search was quicker. Readyok
// lines just before a "bestmove" are put after it, so that sessions compare
// alike whatever the search's speed.
std::vector<std::string> settled_answers(const std::vector<std::string> &output);
