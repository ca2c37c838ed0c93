// Logging and trace lines: with logging on (Ctrl+L, or KX508_set_logging), every shape
// drawn leaves a line in the text window; KX508_log adds lines of its own; a bad colour
// or width gives a warning whether logging is on or not. A click or quit ends it.
#include "kx508.h"

int app::main() {
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
  KX508_set_logging(1);
  KX508_clear();
  KX508_log("Drawing three shapes with logging on:\n");
  KX508_draw_rectangle(KX508_NAVY_BLUE, -100, 50, -20, -50, 0);
  KX508_draw_triangle(KX508_GOLD, 20, -50, 100, -50, 60, 50, 3);
  KX508_draw_rectangle(99, -10, 10, 10, -10, 0);  // no colour 99: drawn red, with a warning
  KX508_set_logging(0);
  KX508_log("Logging is off now; each periodic event still writes a line of ours.\n");
  KX508_set_animation(KX508_ANIMATION_RUN);
  int ticks = 0;
  for (;;) {
    int x, y;
    char key;
    const int event = KX508_wait_event(&x, &y, &key);
    if (event == KX508_MOUSE || event == KX508_QUIT) break;
    if (event == KX508_PERIODIC && ++ticks % 10 == 0) KX508_log("%d ticks\n", ticks);
  }
  KX508_stop();
  return 0;
}
