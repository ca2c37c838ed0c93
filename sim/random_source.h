// The program's one pseudo-random generator and its clock. Tests swap these pointers for
// scripted values; the program never changes them.
#pragma once

#include <cstdlib>
#include <ctime>

struct RandomSource {
  int (*draw)();              // a value in 0..RAND_MAX
  void (*seed)(unsigned);     // restarts the sequence
  std::time_t (*now)();       // calendar time in whole seconds
};

inline RandomSource randomSource = {
    [] { return std::rand(); },
    [](unsigned s) { std::srand(s); },
    [] { return std::time(nullptr); },
};

// Seeds the generator from the clock, as main and every vehicle constructor do.
inline void seedFromClock() { randomSource.seed(static_cast<unsigned>(randomSource.now())); }
