// Thin layer over the POSIX descriptor calls, so the rest of the engine names
// no platform function directly.
#pragma once

#include <cstddef>

inline constexpr int IO_STDIN = 0;
inline constexpr int IO_STDOUT = 1;

// The opens never wait for the other end of a named pipe.
int io_open_read(const char *path);        // -1 on failure
int io_open_append(const char *path);      // write-only, append, never creates; -1 on failure
int io_open_truncate(const char *path);    // create or empty, read/write permission; -1 on failure
long io_read(int fd, void *buffer, size_t count);  // bytes read, 0 at end, -1 on error
// As io_read, but a non-blocking descriptor with nothing to read yet is
// waited on rather than reported as an error: the protocol input is read by
// a thread that blocks until bytes come, whatever mode the front end left
// the descriptor in.
long io_read_waiting(int fd, void *buffer, size_t count);
long io_write(int fd, const void *buffer, size_t count);
int io_close(int fd);
int io_rewind(int fd);                     // seek back to the start; -1 on failure
// Size in bytes of a regular file; -1 for anything else (a pipe, a device, a
// directory) or on failure.
long long io_regular_file_size(int fd);
// Reads up to count bytes from offset without moving the file position;
// bytes read, 0 at end, -1 on error.
long io_read_at(int fd, void *buffer, size_t count, long long offset);

// A descriptor opened for reading, closed on every way out of its scope;
// fd is -1 when the open failed.
struct InputFile {
  int fd;
  explicit InputFile(const char *path) : fd(io_open_read(path)) {}
  ~InputFile() {
    if (fd >= 0) io_close(fd);
  }
  InputFile(const InputFile &) = delete;
  InputFile &operator=(const InputFile &) = delete;
};

// A front end that closes its end of the pipe must not kill the engine with
// a signal: writes then fail quietly and the engine ends at end of input.
void io_ignore_broken_pipe();
