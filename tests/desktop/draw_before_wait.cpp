// Test helper: a learner's first program, which draws and flushes in a loop before it ever
// waits: a green bar that grows a pixel every 100 ms until the test has seen it grow (the
// file go-on appears; a minute at most). Then it draws the whole bar, waits, and ends on
// quit.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "kx508.h"

int app::main() {
  KX508_start(KX508_startup_instance(), nullptr, "", KX508_startup_show_state());
  KX508_set_logging(0);
  KX508_clear();
  for (int step = 0; step < 600 && !std::filesystem::exists("go-on"); ++step) {
    KX508_draw_rectangle(KX508_GREEN, -200, -20, -200 + std::min(step, 319), 20, 0);
    KX508_flush();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  KX508_draw_rectangle(KX508_GREEN, -200, -20, 119, 20, 0);
  KX508_flush();
  int x, y;
  char key;
  while (KX508_wait_event(&x, &y, &key) != KX508_QUIT) {
  }
  KX508_stop();
  return 0;
}
