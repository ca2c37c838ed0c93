// Test helper: starts the library on the Qt backend, draws, animates for a few periodic
// events and ends by itself with status 0, for desktops where no input can be sent. It
// prints the Qt platform it ran on, how many of its windows the desktop showed, and the
// periodic events it saw.
#include <QGuiApplication>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

#include "kx508.h"

namespace {

constexpr int kTicks = 5;

// Top-level windows that are visible and that the windowing system has exposed.
int exposed_windows() {
  int exposed = 0;
  for (QWindow* w : QGuiApplication::topLevelWindows())
    if (w->isVisible() && w->isExposed()) ++exposed;
  return exposed;
}

}  // namespace

int app::main() {
  KX508_start(KX508_startup_instance(), nullptr, "", KX508_startup_show_state());
  if (!qGuiApp) {
    std::fprintf(stderr, "animate_briefly: not running on the Qt backend\n");
    std::exit(1);
  }
  KX508_clear();
  KX508_set_animation(2);
  int ticks = 0;
  while (ticks < kTicks) {
    int x, y;
    char key;
    const int event = KX508_wait_event(&x, &y, &key);
    if (event == KX508_QUIT) break;
    if (event != KX508_PERIODIC) continue;
    ++ticks;
    // A triangle that moves right by 20 each tick, over the last one's place.
    KX508_draw_rectangle(1, -150, -60, 150, 60, 0);
    const int left = -120 + 20 * ticks;
    KX508_draw_triangle(2, left, -40, left + 60, -40, left + 30, 40, 0);
    KX508_flush();
  }
  std::printf("platform %s\nexposed %d\nperiodic %d\n",
              qPrintable(QGuiApplication::platformName()), exposed_windows(), ticks);
  std::fflush(stdout);
  KX508_stop();
  return 0;
}
