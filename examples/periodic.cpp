// A square that moves by itself: the animation sends a periodic event ten times a second,
// and each one moves the square a step to the right, round to the left edge again.
// Ctrl+H halts it, Ctrl+A starts it again; a click or quit ends the program.
#include "kx508.h"

namespace {

void draw_square(int x, int colour) { KX508_draw_rectangle(colour, x, 20, x + 40, -20, 0); }

}  // namespace

int app::main() {
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
  KX508_set_logging(0);
  KX508_clear();
  KX508_set_animation(KX508_ANIMATION_RUN);  // periodic events from now on
  int x = -250;
  draw_square(x, KX508_ORANGE);
  for (;;) {
    int cx, cy;
    char key;
    const int event = KX508_wait_event(&cx, &cy, &key);
    if (event == KX508_MOUSE || event == KX508_QUIT) break;
    if (event != KX508_PERIODIC) continue;
    draw_square(x, KX508_WHITE);  // rub out the old place
    x = x < 200 ? x + 5 : -250;
    draw_square(x, KX508_ORANGE);
  }
  KX508_stop();
  return 0;
}
