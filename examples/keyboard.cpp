// A square moved with the keyboard: w, a, s and d move it up, left, down and right. Keys
// arrive as the characters they type, so only keys that type something are events (no
// arrow keys). A click or quit ends the program.
#include "kx508.h"

int app::main() {
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
  KX508_set_logging(0);
  KX508_clear();
  int x = 0, y = 0;
  const int step = 10;
  KX508_draw_rectangle(KX508_GREEN, x - 15, y + 15, x + 15, y - 15, 0);
  for (;;) {
    int cx, cy;
    char key;
    const int event = KX508_wait_event(&cx, &cy, &key);
    if (event == KX508_MOUSE || event == KX508_QUIT) break;
    if (event != KX508_KEY) continue;
    KX508_draw_rectangle(KX508_WHITE, x - 15, y + 15, x + 15, y - 15, 0);
    switch (key) {
      case 'w': y += step; break;
      case 's': y -= step; break;
      case 'a': x -= step; break;
      case 'd': x += step; break;
      default: KX508_log("Key %c does nothing: use w, a, s or d\n", key); break;
    }
    KX508_draw_rectangle(KX508_GREEN, x - 15, y + 15, x + 15, y - 15, 0);
  }
  KX508_stop();
  return 0;
}
