// Test helper: draws from its events alone, with no clock and no randomness, so that a
// script played on any backend draws the same picture: a marker at the origin, a
// triangle at each click, a square for each key in a colour of its own, and a bar that
// grows a step for each periodic event. Ends on quit.
#include "kx508.h"

int app::main() {
  KX508_start(KX508_startup_instance(), nullptr, "", KX508_startup_show_state());
  KX508_set_logging(0);
  KX508_clear();
  KX508_draw_rectangle(6, -2, 2, 2, -2, 0);  // magenta: where library point (0, 0) is
  int clicks = 0, steps = 0;
  for (;;) {
    int x = 0, y = 0;
    char key = 0;
    const int event = KX508_wait_event(&x, &y, &key);
    if (event == KX508_QUIT) break;
    if (event == KX508_MOUSE) {
      ++clicks;
      KX508_draw_triangle(clicks % 24, x, y, x + 30, y, x + 15, y + 25, clicks % 3);
    } else if (event == KX508_KEY) {
      const int c = static_cast<unsigned char>(key) % 24;
      KX508_draw_rectangle(c, -200 + 15 * c, -150, -190 + 15 * c, -140, 0);
    } else if (event == KX508_PERIODIC) {
      ++steps;
      KX508_draw_rectangle(4, -250, 180, -250 + 3 * steps, 190, 0);
    }
  }
  KX508_stop();
  return 0;
}
