#include "base/rand.h"

namespace {

// The 31 words, and the two places the next draw adds (three words apart).
struct Stream {
  uint32_t word[31];
  int front;
  int rear;
};

constexpr Stream seeded(unsigned seed) {
  Stream s{};
  if (seed == 0) seed = 1;
  // The words from the seed by the minimal standard generator
  // (16807 * w mod 2^31 - 1, computed without overflow); the seed is taken
  // as a signed 32-bit word, as the C library takes it.
  int32_t w = int32_t(seed);
  s.word[0] = uint32_t(w);
  for (int i = 1; i < 31; ++i) {
    const int32_t hi = w / 127773;
    const int32_t lo = w % 127773;
    w = 16807 * lo - 2836 * hi;
    if (w < 0) w += 2147483647;
    s.word[i] = uint32_t(w);
  }
  s.front = 3;
  s.rear = 0;
  return s;
}

constexpr int next(Stream &s) {
  s.word[s.front] += s.word[s.rear];
  const int result = int(s.word[s.front] >> 1);
  s.front = s.front == 30 ? 0 : s.front + 1;
  s.rear = s.rear == 30 ? 0 : s.rear + 1;
  return result;
}

constexpr Stream restarted(unsigned seed) {
  Stream s = seeded(seed);
  // The first 310 draws stir the words and are dropped.
  for (int i = 0; i < 310; ++i) next(s);
  return s;
}

// Seed 1 until the first velkor_srand, as the C library starts; set before
// any code runs, so that a draw made before main is already the same.
constinit Stream stream = restarted(1);

}  // namespace

int velkor_rand() { return next(stream); }

void velkor_srand(unsigned seed) { stream = restarted(seed); }
