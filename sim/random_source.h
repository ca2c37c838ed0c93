// The program's one pseudo-random generator and its clock. Tests swap these pointers for
// scripted values; the program never changes them.
#pragma once

#include <cstdlib>
#include <ctime>

#include "kx508.h"

struct RandomSource {
  int (*draw)();              // a value in 0..RAND_MAX
  void (*seed)(unsigned);     // restarts the sequence
  std::time_t (*now)();       // calendar time in whole seconds
};

inline RandomSource randomSource = {
    // std::rand and std::srand, or the library's portable generator while a script
    // replays, so that a replay draws the same traffic on every system.
    [] { return KX508_rand(); },
    [](unsigned s) { KX508_srand(s); },
    // The library's clock: the real one, or the replay's while a script replays.
    [] { return static_cast<std::time_t>(KX508_time()); },
};

// Seeds the generator from the clock, as main and every vehicle constructor do.
inline void seedFromClock() { randomSource.seed(static_cast<unsigned>(randomSource.now())); }
