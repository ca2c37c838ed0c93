// Hello: a blue triangle in the middle of the drawing window. A click, or closing the
// window (or Ctrl+Q), ends the program.
#include "kx508.h"

int app::main() {
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
  KX508_clear();
  KX508_draw_triangle(KX508_BLUE, -60, -40, 60, -40, 0, 60, 0);
  for (;;) {
    int x, y;
    char key;
    const int event = KX508_wait_event(&x, &y, &key);
    if (event == KX508_MOUSE || event == KX508_QUIT) break;
  }
  KX508_stop();
  return 0;
}
