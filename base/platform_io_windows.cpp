// The descriptor calls on Windows, through the C runtime's low-level I/O
// (_open, _read, _write), so that descriptors 0 and 1 are the console or the
// pipes a GUI gives the engine, as on every other system.
//
// Modes. Standard input is read in binary mode: the line reader drops the
// carriage return of a CRLF line itself, and a text-mode read would end the
// input at the first Ctrl-Z byte a GUI or a pipe passed on, where the same
// bytes on Linux are only junk in one line. Standard output stays in the
// runtime's text mode, so every line goes out ending in CR LF, as Windows
// programs write them and as every Windows GUI reads them (those that take a
// bare LF take CR LF too). Files (book, transcript) are read and written in
// binary mode: a Polyglot book is binary, and the transcript holds the same
// bytes as on Linux.
#include "base/platform_io.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <string>

namespace {

// A path as the user wrote it: the GUIs send UTF-8, so a path that is valid
// UTF-8 and not plain ASCII is opened by its wide-character name (a folder
// named with accents works); anything else is passed on as it is, in the
// system's code page. Relative paths are taken from the working directory,
// and '/' and '\' both separate folders, as everywhere on Windows.
int open_path(const char *path, int flags, int permission = 0) {
  bool ascii = true;
  for (const char *p = path; *p != '\0'; ++p)
    if (static_cast<unsigned char>(*p) >= 0x80) ascii = false;
  if (!ascii) {
    const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (wide > 0) {
      std::wstring name(size_t(wide), L'\0');
      if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, name.data(), wide) == wide)
        return ::_wopen(name.c_str(), flags, permission);
    }
  }
  return ::_open(path, flags, permission);
}

// Standard input in binary mode from before main on (see the top of the
// file): every program that reads the protocol through io_read sees the
// bytes that were sent.
[[maybe_unused]] const bool standard_input_binary = [] {
  ::_setmode(IO_STDIN, _O_BINARY);
  return true;
}();

// At a console, Ctrl-Z (then Enter) at the start of a line is how a user
// ends the input, as "quit" would: the console passes it on as byte 0x1A.
// From a pipe or a file the byte is data like any other, as on Linux.
bool standard_input_is_console() {
  static const bool console = [] {
    const HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(IO_STDIN));
    DWORD mode = 0;
    return h != INVALID_HANDLE_VALUE && GetFileType(h) == FILE_TYPE_CHAR && GetConsoleMode(h, &mode) != 0;
  }();
  return console;
}
std::atomic<bool> console_line_start{true};
std::atomic<bool> console_ended{false};

// The part of a console read that comes before a Ctrl-Z at a line's start;
// notes the end of input when there is one.
long cut_at_console_end(const char *bytes, long n) {
  bool line_start = console_line_start.load(std::memory_order_relaxed);
  for (long i = 0; i < n; ++i) {
    if (line_start && bytes[i] == 0x1A) {
      console_ended.store(true, std::memory_order_relaxed);
      return i;
    }
    line_start = bytes[i] == '\n';
  }
  console_line_start.store(line_start, std::memory_order_relaxed);
  return n;
}

}  // namespace

int io_open_read(const char *path) { return open_path(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT); }

int io_open_append(const char *path) { return open_path(path, _O_WRONLY | _O_APPEND | _O_BINARY | _O_NOINHERIT); }

int io_open_truncate(const char *path) {
  return open_path(path, _O_RDWR | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

long io_read(int fd, void *buffer, size_t count) {
  const bool console = fd == IO_STDIN && standard_input_is_console();
  if (console && console_ended.load(std::memory_order_relaxed)) return 0;
  const unsigned int ask = count > INT_MAX ? unsigned(INT_MAX) : unsigned(count);
  const int n = ::_read(fd, buffer, ask);
  if (n <= 0 || !console) return n;
  const long kept = cut_at_console_end(static_cast<const char *>(buffer), n);
  return kept;  // 0 when the read began with the end
}

// Windows gives no descriptor a non-blocking mode that the runtime's reads
// could see: a read waits by itself.
long io_read_waiting(int fd, void *buffer, size_t count) { return io_read(fd, buffer, count); }

long io_write(int fd, const void *buffer, size_t count) {
  // Write the whole text even if the descriptor takes it in pieces. A pipe
  // whose reader has gone fails the write (no signal on Windows).
  const char *p = static_cast<const char *>(buffer);
  size_t done = 0;
  while (done < count) {
    const size_t left = count - done;
    const int n = ::_write(fd, p + done, left > INT_MAX ? unsigned(INT_MAX) : unsigned(left));
    if (n <= 0) return done > 0 ? long(done) : -1;
    done += size_t(n);
  }
  return long(done);
}

int io_close(int fd) { return ::_close(fd); }

int io_rewind(int fd) { return ::_lseeki64(fd, 0, SEEK_SET) < 0 ? -1 : 0; }

long long io_regular_file_size(int fd) {
  const HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (h == INVALID_HANDLE_VALUE || GetFileType(h) != FILE_TYPE_DISK) return -1;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return -1;
  return (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

long io_read_at(int fd, void *buffer, size_t count, long long offset) {
  // Windows has no read at an offset that leaves the file position alone:
  // seek there, read, and seek back.
  const long long was = ::_lseeki64(fd, 0, SEEK_CUR);
  if (was < 0 || offset < 0 || ::_lseeki64(fd, offset, SEEK_SET) < 0) return -1;
  char *p = static_cast<char *>(buffer);
  size_t done = 0;
  long result = 0;
  while (done < count) {
    const size_t left = count - done;
    const int n = ::_read(fd, p + done, left > INT_MAX ? unsigned(INT_MAX) : unsigned(left));
    if (n < 0) {
      result = -1;
      break;
    }
    if (n == 0) break;
    done += size_t(n);
  }
  if (result == 0) result = long(done);
  ::_lseeki64(fd, was, SEEK_SET);
  return result;
}

// Windows sends no signal for a pipe whose reader has gone: the write fails
// and the engine ends at the end of its input.
void io_ignore_broken_pipe() {}
