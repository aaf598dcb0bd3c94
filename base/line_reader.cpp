#include "base/line_reader.h"

#include <cstdlib>
#include <cstring>

#include "base/platform_io.h"
#include "base/transcript.h"

void note_cut_line(bool cut) {
  if (cut) UCI_LOG("*** WARNING **** : input line too long, cut to 1048576 characters\n");
}

char *copy_line_text(const PartialLine &partial) {
  char *result = static_cast<char *>(std::malloc(partial.text.size() + 1));
  if (result != nullptr) {
    std::memcpy(result, partial.text.data(), partial.text.size());
    result[partial.text.size()] = '\0';
  }
  return result;
}

char *take_line(PartialLine &partial) {
  note_cut_line(partial.cut);
  char *result = copy_line_text(partial);
  partial = PartialLine{};
  return result;
}

char *my_get_next_line(int fd, char terminator) {
  PartialLine partial;
  for (;;) {
    char c;
    if (io_read_waiting(fd, &c, 1) != 1) return nullptr;
    if (add_line_byte(partial, c, terminator)) return take_line(partial);
  }
}
