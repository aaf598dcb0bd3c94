#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "base/platform_io.h"
#include "board/chess_cb.h"

namespace {

std::string private_directory;

void remove_private_directory() {
  if (private_directory.empty()) return;
  std::error_code ignored;
  std::filesystem::current_path("/", ignored);
  std::filesystem::remove_all(private_directory, ignored);
}

}  // namespace

void enter_private_directory(const char *name) {
  // Memory-backed when the system has it: the engine opens and closes its
  // transcript for every line, thousands of times a second here.
  std::error_code no_shm;
  const std::filesystem::path base =
      std::filesystem::is_directory("/dev/shm", no_shm) && ::access("/dev/shm", W_OK) == 0
          ? std::filesystem::path("/dev/shm")
          : std::filesystem::temp_directory_path();
  std::string pattern = (base / (std::string(name) + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0)
    fuzz_fail("no private directory");
  private_directory = pattern;
  std::atexit(remove_private_directory);
}

void write_whole_file(const char *path, const void *data, size_t size) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) fuzz_fail(std::string("cannot write ") + path);
  if (io_write(fd, data, size) != long(size)) fuzz_fail(std::string("cannot write ") + path);
  ::close(fd);
}

std::string read_whole_descriptor(int fd) {
  std::string content;
  char chunk[4096];
  ssize_t n;
  while ((n = ::read(fd, chunk, sizeof chunk)) > 0) content.append(chunk, size_t(n));
  return content;
}

int lowest_free_descriptor() {
  const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (fd < 0) fuzz_fail("cannot open /dev/null");
  ::close(fd);
  return fd;
}

std::string read_whole_file(const char *path) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string content = read_whole_descriptor(fd);
  ::close(fd);
  return content;
}

void fuzz_fail(const std::string &what) {
  std::fprintf(stderr, "velkor fuzz: %s\n", what.c_str());
  std::abort();
}

bool playable(int square) {
  const int row = square_row(square), column = square_column(square);
  return row >= 2 && row <= 9 && column >= 2 && column <= 9;
}
