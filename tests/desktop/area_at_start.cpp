// Test helper: asks for the visible area right after KX508_start, then at every tick until
// any other event, each answer a trace line in the log (KX508_LOG), so that a test sees
// whether the first answer was already the final one.
#include "kx508.h"

int app::main() {
  KX508_start(KX508_startup_instance(), nullptr, "", KX508_startup_show_state());
  KX508_visible_area(nullptr, nullptr, nullptr, nullptr);
  KX508_set_animation(KX508_ANIMATION_RUN);
  while (KX508_wait_event(nullptr, nullptr, nullptr) == KX508_PERIODIC)
    KX508_visible_area(nullptr, nullptr, nullptr, nullptr);
  KX508_stop();
  return 0;
}
