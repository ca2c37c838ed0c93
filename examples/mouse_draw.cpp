// Drawing with the mouse: every click puts a dot where it lands, joined to the last one
// by a thin line, and the keys 1 to 9 change the colour. Closing the window, or Ctrl+Q,
// ends the program.
#include "kx508.h"

int app::main() {
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
  KX508_set_logging(0);
  KX508_clear();
  int colour = KX508_BLACK;
  bool have_last = false;
  int last_x = 0, last_y = 0;
  for (;;) {
    int x, y;
    char key;
    const int event = KX508_wait_event(&x, &y, &key);
    if (event == KX508_QUIT) break;
    if (event == KX508_KEY && key >= '1' && key <= '9') colour = key - '0';
    if (event != KX508_MOUSE) continue;
    KX508_draw_rectangle(colour, x - 2, y + 2, x + 2, y - 2, 0);
    // A triangle with two corners in one place is a line.
    if (have_last) KX508_draw_triangle(colour, last_x, last_y, x, y, x, y, 1);
    last_x = x;
    last_y = y;
    have_last = true;
  }
  KX508_stop();
  return 0;
}
