#include "base/platform_io.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

// The engine's two files are opened without waiting: if "book.txt" or
// "UCI_debug.txt" is a named pipe with no one at its other end, a blocking
// open would stop the engine for good. Without waiting, a pipe with no
// writer reads as an empty book and one with no reader cannot be opened (the
// transcript entry is dropped). Regular files behave as they always do.
int io_open_read(const char *path) { return ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC); }

int io_open_append(const char *path) { return ::open(path, O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC); }

int io_open_truncate(const char *path) {
  return ::open(path, O_RDWR | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
}

long io_read(int fd, void *buffer, size_t count) {
  ssize_t n;
  do n = ::read(fd, buffer, count);
  while (n < 0 && errno == EINTR);
  return long(n);
}

long io_read_waiting(int fd, void *buffer, size_t count) {
  for (;;) {
    const long n = io_read(fd, buffer, count);
    if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return n;
    // A descriptor left in non-blocking mode by whoever started the engine:
    // nothing has arrived yet, which is not the end of the input. Wait until
    // something does (the descriptor's mode belongs to the parent too, so it
    // is not changed).
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, -1) < 0 && errno != EINTR) return -1;
  }
}

long io_write(int fd, const void *buffer, size_t count) {
  // Write the whole text even if the descriptor takes it in pieces.
  const char *p = static_cast<const char *>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd, p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return done > 0 ? long(done) : -1;
    done += size_t(n);
  }
  return long(done);
}

int io_close(int fd) { return ::close(fd); }

int io_rewind(int fd) { return ::lseek(fd, 0, SEEK_SET) < 0 ? -1 : 0; }

long long io_regular_file_size(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<long long>(st.st_size);
}

long io_read_at(int fd, void *buffer, size_t count, long long offset) {
  ssize_t n;
  do n = ::pread(fd, buffer, count, static_cast<off_t>(offset));
  while (n < 0 && errno == EINTR);
  return long(n);
}

void io_ignore_broken_pipe() { ::signal(SIGPIPE, SIG_IGN); }
