// The transcript "UCI_debug.txt" is only a diagnostic: when it cannot be
// written (a read-only working directory, a path that is no file) or
// vanishes while the engine runs, the protocol side must not change at all:
// the same lines out, exit status 0, and no file created in its place.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

// A session whose every answer is fixed by the book, so that any change on
// the protocol side shows.
const char *const kBook = "e2e4e7e5g1f3b8c6\n";
const Lines kSession = {"uci",
                        "isready",
                        "ucinewgame",
                        "position startpos moves e2e4",
                        "go wtime 60000 btime 60000",
                        "isready",
                        "position startpos moves e2e4 e7e5 g1f3",
                        "go wtime 59000 btime 58000",
                        "quit"};
const Lines kAnswers = concat(kStartup, {"readyok", book_note("e7e5"), "bestmove e7e5", "readyok", book_note("b8c6"),
                                        "bestmove b8c6"});

std::set<std::string> entries(const std::string &dir) {
  std::set<std::string> names;
  for (const auto &entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

// Whether a file can be created in the directory by this process: false for
// a read-only directory, unless the process may write anywhere (root).
bool can_create_in(const std::string &dir) {
  const std::string probe = dir + "/probe";
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

// Puts the directory's permissions back on the way out, so that it can be
// removed whatever the test did.
struct RestoreMode {
  std::string dir;
  ~RestoreMode() { ::chmod(dir.c_str(), 0755); }
};

}  // namespace

TEST(TranscriptLoss, TranscriptPathThatIsNoWritableFile) {
  struct Case {
    const char *name;
    void (*make)(const std::string &path);
    bool (*still_there)(const std::string &path);
  };
  const Case cases[] = {
      {"a directory", [](const std::string &p) { fs::create_directory(p); },
       [](const std::string &p) { return fs::is_directory(p) && fs::is_empty(p); }},
      {"a dangling link into a missing directory",
       [](const std::string &p) { fs::create_symlink("missing/UCI_debug.txt", p); },
       [](const std::string &p) { return fs::is_symlink(p) && !fs::exists(p); }},
      {"a named pipe that nobody reads",
       [](const std::string &p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); },
       [](const std::string &p) { return fs::is_fifo(p); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.write_file("book.txt", kBook);
    c.make(dir.file("UCI_debug.txt"));
    const SessionResult r = run_session(dir.path(), kSession);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, kAnswers);
    EXPECT_TRUE(c.still_there(dir.file("UCI_debug.txt")));
    EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"book.txt", "UCI_debug.txt"}));
  }
}

TEST(TranscriptLoss, BookThatIsANamedPipeIsNoBook) {
  // Opening a pipe that no one writes must not stop the engine: no book, so
  // the engine searches, and the session goes on.
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.file("book.txt").c_str(), 0644), 0);
  const SessionResult r = run_session(
      dir.path(), {"uci", "isready", "position startpos moves f2f3 e7e5 g2g4 d8h4", "go", "isready"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(settled_answers(r.output),
            settled_answers(concat(kStartup, {"readyok", "bestmove (none)", "readyok"})));
}

TEST(TranscriptLoss, ReadOnlyWorkingDirectory) {
  for (const bool old_transcript : {false, true}) {
    SCOPED_TRACE(old_transcript ? "with a read-only transcript from an earlier session"
                                : "without a transcript");
    TempDir dir;
    dir.write_file("book.txt", kBook);
    if (old_transcript) {
      dir.write_file("UCI_debug.txt", "an earlier session\n");
      ASSERT_EQ(::chmod(dir.file("UCI_debug.txt").c_str(), 0444), 0);
    }
    const std::set<std::string> before = entries(dir.path());
    RestoreMode restore{dir.path()};
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);

    SessionResult r;
    if (can_create_in(dir.path()) && engine_is_launched())
      GTEST_SKIP() << "permissions do not bind, and an engine under a launcher (wine) cannot be run as another user";
    if (can_create_in(dir.path())) {
      // Permissions do not bind this process (root, as in CI): run the
      // engine as the unprivileged user "nobody" instead, from a copy that
      // user can reach.
      if (std::system("/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups /bin/true 2>/dev/null") !=
          0)
        GTEST_SKIP() << "permissions do not bind and setpriv cannot drop them";
      TempDir bin;
      ASSERT_EQ(::chmod(bin.path().c_str(), 0755), 0);
      fs::copy_file(engine_path(), bin.file("velkor"));
      ASSERT_EQ(::chmod(bin.file("velkor").c_str(), 0755), 0);
      EngineProcess engine(dir.path(), "/usr/bin/setpriv",
                           {"--reuid=65534", "--regid=65534", "--clear-groups", bin.file("velkor")});
      r = finish_session(engine, kSession);
    } else {
      EngineProcess engine(dir.path());
      r = finish_session(engine, kSession);
    }
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, kAnswers);
    EXPECT_EQ(entries(dir.path()), before) << "nothing created";
    if (old_transcript) {
      EXPECT_EQ(dir.read_file("UCI_debug.txt"), "an earlier session\n");
    }
  }
}

TEST(TranscriptLoss, TranscriptVanishesWhileTheEngineRuns) {
  struct Case {
    const char *name;
    void (*vanish)(const std::string &path);
  };
  const Case cases[] = {
      {"deleted", [](const std::string &p) { fs::remove(p); }},
      {"replaced by a directory",
       [](const std::string &p) {
         fs::remove(p);
         fs::create_directory(p);
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.write_file("book.txt", kBook);
    EngineProcess engine(dir.path());
    engine.send(kSession[0]);
    const Lines first = engine.read_until("uciok");
    ASSERT_TRUE(dir.exists("UCI_debug.txt"));
    c.vanish(dir.file("UCI_debug.txt"));
    const SessionResult r = finish_session(engine, Lines(kSession.begin() + 1, kSession.end()));
    const Lines output = concat(first, r.output);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(output, kAnswers);
    EXPECT_FALSE(fs::is_regular_file(dir.file("UCI_debug.txt"))) << "the transcript is never created again";
  }
}

TEST(TranscriptLoss, WorkingDirectoryRemovedWhileTheEngineRuns) {
  // With its directory gone the engine has no book and no transcript: it
  // answers from the search, here a position with no move at all.
  TempDir dir;
  dir.write_file("book.txt", kBook);
  EngineProcess engine(dir.path());
  engine.send("uci");
  const Lines first = engine.read_until("uciok");
  fs::remove_all(dir.path());
  const SessionResult r = finish_session(
      engine, {"isready", "position startpos moves f2f3 e7e5 g2g4 d8h4", "go", "isready", "quit"});
  EXPECT_EQ(r.status, 0);
  const Lines output = concat(first, r.output);
  EXPECT_EQ(settled_answers(output),
            settled_answers(concat(kStartup, {"readyok", "bestmove (none)", "readyok"})));
  EXPECT_FALSE(fs::exists(dir.path()));
}
