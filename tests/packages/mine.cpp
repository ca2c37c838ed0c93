// A learner's program of one file, made into a page from the installed packages alone:
// an orange square in the middle of the drawing window, until a click ends it.
#include <kx508/kx508.h>

int app::main() {
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
  KX508_clear();
  KX508_draw_rectangle(KX508_ORANGE, -50, -50, 50, 50, 0);
  int x, y;
  char key;
  for (;;) {
    const int event = KX508_wait_event(&x, &y, &key);
    if (event == KX508_MOUSE || event == KX508_QUIT) break;
  }
  KX508_stop();
  return 0;
}
