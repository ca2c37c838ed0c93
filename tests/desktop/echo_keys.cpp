// Test helper: tells on standard output each keyboard event the library delivers
// ("key c"), so that a test knows at once whether a letter arrived as a key or was taken
// as a command. Ends on a click or quit.
#include <cstdio>

#include "kx508.h"

int app::main() {
  KX508_start(KX508_startup_instance(), nullptr, "", KX508_startup_show_state());
  KX508_set_logging(0);
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) {
    int x = 0, y = 0;
    char key = 0;
    const int kind = KX508_wait_event(&x, &y, &key);
    if (kind == KX508_MOUSE || kind == KX508_QUIT) break;
    if (kind != KX508_KEY) continue;
    std::printf("key %c\n", key);
    std::fflush(stdout);
  }
  KX508_stop();
  return 0;
}
