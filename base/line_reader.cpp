#include "base/line_reader.h"

#include <cstdlib>
#include <cstring>

#include "base/platform_io.h"
#include "base/transcript.h"

ReadStatus read_line_bytes(int fd, char terminator, PartialLine &partial, bool wait) {
  for (;;) {
    if (!wait && io_poll_read(fd) == 0) return READ_WOULD_WAIT;
    char c;
    // One byte per read: nothing beyond the current line is consumed.
    if (io_read_waiting(fd, &c, 1) != 1) return READ_END;
    if (add_line_byte(partial, c, terminator)) return READ_LINE;
  }
}

void note_cut_line(const PartialLine &partial) {
  if (partial.cut) UCI_LOG("*** WARNING **** : input line too long, cut to 1048576 characters\n");
}

char *take_line(PartialLine &partial) {
  note_cut_line(partial);
  char *result = static_cast<char *>(std::malloc(partial.text.size() + 1));
  if (result != nullptr) {
    std::memcpy(result, partial.text.data(), partial.text.size());
    result[partial.text.size()] = '\0';
  }
  partial = PartialLine{};
  return result;
}

char *my_get_next_line(int fd, char terminator) {
  PartialLine partial;
  if (read_line_bytes(fd, terminator, partial, true) != READ_LINE) return nullptr;
  return take_line(partial);
}
