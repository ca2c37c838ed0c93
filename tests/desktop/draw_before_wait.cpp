// Test helper: a learner's first program, which draws and flushes in a loop before it ever
// waits: a green bar that grows a step every 100 ms for four seconds. Then it waits, and
// ends on quit.
#include <chrono>
#include <thread>

#include "kx508.h"

int app::main() {
  KX508_start(KX508_startup_instance(), nullptr, "", KX508_startup_show_state());
  KX508_set_logging(0);
  KX508_clear();
  for (int step = 0; step < 40; ++step) {
    KX508_draw_rectangle(KX508_GREEN, -200 + 8 * step, -20, -192 + 8 * step, 20, 0);
    KX508_flush();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  int x, y;
  char key;
  while (KX508_wait_event(&x, &y, &key) != KX508_QUIT) {
  }
  KX508_stop();
  return 0;
}
