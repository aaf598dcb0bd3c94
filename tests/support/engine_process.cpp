#include "support/engine_process.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

// Starting the engine through pipes is POSIX code: a Windows build of the
// tests runs only the in-process tests (see tests/CMakeLists.txt).
#if !defined(_WIN32)
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#define VELKOR_ENGINE_PROCESS 1
#endif

namespace {

#if VELKOR_ENGINE_PROCESS
using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : int(left);
}

bool write_all(int fd, const char *data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
  }
  return true;
}

#endif

}  // namespace

TempDir::TempDir() {
  // A new directory of a random name: creating it fails if the name is
  // taken, so two tests never share one.
  std::random_device entropy;
  std::mt19937_64 draw((uint64_t(entropy()) << 32) ^ entropy());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = "velkor-test-";
    for (int i = 0; i < 10; ++i) name += letters[draw() % 36];
    std::error_code error;
    if (std::filesystem::create_directory(base / name, error)) {
      // '/' between folders on every system, as the tests write paths.
      path_ = (base / name).generic_string();
      return;
    }
  }
  throw std::runtime_error("no temporary directory could be made");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TempDir::write_file(const std::string &name, const std::string &content) const {
  std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
  out << content;
}

std::optional<std::string> TempDir::read_file(const std::string &name) const {
  std::ifstream in(file(name), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool TempDir::exists(const std::string &name) const { return std::filesystem::exists(file(name)); }

ScopedWorkingDir::ScopedWorkingDir(const std::string &dir) : previous_(std::filesystem::current_path().string()) {
  std::filesystem::current_path(dir);
}

ScopedWorkingDir::~ScopedWorkingDir() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
}

namespace {

// VELKOR_TEST_ENGINE, split at blanks: a program that starts the engine and
// the engine's path, for the pipe tests against a cross-built engine
// ("wine /path/velkor.exe"); empty when unset.
const std::vector<std::string> &engine_launch_words() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> w;
    if (const char *text = std::getenv("VELKOR_TEST_ENGINE")) {
      std::istringstream in(text);
      for (std::string word; in >> word;) w.push_back(word);
    }
    return w;
  }();
  return words;
}

}  // namespace

std::string engine_path() {
  const auto &words = engine_launch_words();
  return words.empty() ? VELKOR_BIN : words.back();
}

bool engine_is_launched() { return engine_launch_words().size() > 1; }

std::vector<std::string> engine_command() {
  return engine_is_launched() ? engine_launch_words() : std::vector<std::string>{engine_path()};
}

#if VELKOR_ENGINE_PROCESS

EngineProcess::EngineProcess(const std::string &working_dir, const std::string &program,
                             const std::vector<std::string> &args) {
  // A test that writes to an engine which has already quit must get an error
  // back, not die of the signal.
  ::signal(SIGPIPE, SIG_IGN);
  int in_pipe[2], out_pipe[2];
  if (::pipe2(in_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (::pipe2(out_pipe, O_CLOEXEC) != 0) {
    ::close(in_pipe[0]);
    ::close(in_pipe[1]);
    throw std::runtime_error("pipe failed");
  }
  // The engine under test through its launcher, if it has one.
  std::vector<std::string> argv_text{program};
  if (program == engine_path() && engine_is_launched()) argv_text = engine_launch_words();
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (std::string &a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    // Child: only async-signal-safe calls until exec.
    if (::chdir(working_dir.c_str()) != 0) ::_exit(126);
    ::dup2(in_pipe[0], 0);
    ::dup2(out_pipe[1], 1);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  to_engine_ = in_pipe[1];
  from_engine_ = out_pipe[0];
}

EngineProcess::~EngineProcess() {
  close_input();
  if (status_ == -2 && pid_ > 0) wait_exit(2000);  // kills it if it lingers
  if (from_engine_ >= 0) ::close(from_engine_);
}

bool EngineProcess::send(const std::string &line) { return send_raw(line + "\n"); }

bool EngineProcess::send_raw(const std::string &bytes) {
  if (to_engine_ < 0) return false;
  return write_all(to_engine_, bytes.data(), bytes.size());
}

void EngineProcess::close_input() {
  if (to_engine_ >= 0) ::close(to_engine_);
  to_engine_ = -1;
}

bool EngineProcess::fill(int timeout_ms) {
  if (output_ended_) return false;
  struct pollfd p {from_engine_, POLLIN, 0};
  int ready;
  do ready = ::poll(&p, 1, timeout_ms);
  while (ready < 0 && errno == EINTR);
  if (ready <= 0) return false;
  char chunk[4096];
  ssize_t n;
  do n = ::read(from_engine_, chunk, sizeof chunk);
  while (n < 0 && errno == EINTR);
  if (n <= 0) {
    output_ended_ = true;
    return false;
  }
  buffer_.append(chunk, size_t(n));
  return true;
}

std::optional<std::string> EngineProcess::read_line(int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      std::string line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      // A Windows engine ends its lines with CR LF; a GUI reads both alike.
      if (engine_is_launched() && !line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    if (!fill(remaining_ms(deadline))) return std::nullopt;
  }
}

std::vector<std::string> EngineProcess::read_until(const std::string &prefix, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::vector<std::string> lines;
  while (auto line = read_line(remaining_ms(deadline))) {
    lines.push_back(*line);
    if (line->compare(0, prefix.size(), prefix) == 0) break;
  }
  return lines;
}

void EngineProcess::handshake() {
  send("uci");
  read_until("uciok");
  send("isready");
  read_until("readyok");
}

std::vector<std::string> EngineProcess::read_all(int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::vector<std::string> lines;
  while (auto line = read_line(remaining_ms(deadline))) lines.push_back(*line);
  return lines;
}

int EngineProcess::wait_exit(int timeout_ms) {
  if (status_ != -2) return status_;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int raw = 0;
    const pid_t done = ::waitpid(pid_, &raw, WNOHANG);
    if (done == pid_) {
      status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      return status_;
    }
    if (done < 0 && errno != EINTR) return -1;
    if (remaining_ms(deadline) == 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      status_ = -1;
      return -1;
    }
    ::usleep(2000);
  }
}

SessionResult run_session(const std::string &dir, const std::vector<std::string> &lines, int timeout_ms) {
  EngineProcess engine(dir);
  return finish_session(engine, lines, timeout_ms);
}

SessionResult finish_session(EngineProcess &engine, const std::vector<std::string> &lines, int timeout_ms) {
  for (const std::string &line : lines) engine.send(line);
  engine.close_input();
  SessionResult result;
  result.output = engine.read_all(timeout_ms);
  result.status = engine.wait_exit(timeout_ms);
  return result;
}

#endif  // VELKOR_ENGINE_PROCESS

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string> &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<std::string> answers_without_info(const std::vector<std::string> &output) {
  std::vector<std::string> answers;
  for (const std::string &line : output)
    if (line.rfind("info ", 0) != 0) answers.push_back(line);
  return answers;
}

std::vector<std::string> settled_answers(const std::vector<std::string> &output) {
  std::vector<std::string> answers;
  for (const std::string &line : answers_without_info(output)) {
    if (line.rfind("bestmove ", 0) == 0) {
      size_t at = answers.size();
      while (at > 0 && answers[at - 1] == "readyok") --at;
      answers.insert(answers.begin() + long(at), line);
      continue;
    }
    answers.push_back(line);
  }
  return answers;
}
