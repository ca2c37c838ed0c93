// Display: a thin, fixed translation of its operations into library calls.
#include "display.h"

#include <cstdio>
#include <cstdlib>

#include "internal.h"

Display::Display() : width(600), height(500) {
  if (kx508::lib.display.display_created) {
    // Also where a headless run and a log keep it, not only in the dialog.
    std::fprintf(stderr, "KX508: Error: Attempted to instantiate multiple KX508 displays\n");
    std::fflush(stderr);
    char reply[256];
    KX508_gets("Error: Attempted to instantiate multiple KX508 displays", reply);
    kx508::script_finish();
    kx508::replay_finish("a second display was made");
    std::exit(-1);
  }
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
  KX508_set_logging(0);
  kx508::lib.display.display_created = true;
}

Display::~Display() { KX508_stop(); }

void Display::clear(int colour) {
  KX508_flush();
  KX508_clear();
  rectangle(-(width / 2), -(height / 2), width / 2, height / 2, colour, 0);
}

int Display::awaitEvent(int& x, int& y, char& key) {
  int event = KX508_wait_event(&x, &y, &key);
  return event >= KX508_MOUSE && event <= KX508_QUIT ? event : 0;
}

// The Display's modes are the library's commands, but for 3, which is quit.
void Display::animate(int mode) { KX508_set_animation(mode == 3 ? KX508_ANIMATION_QUIT : mode); }

int Display::rectangle(int x1, int y1, int x2, int y2, int colour, int line_width) {
  return KX508_draw_rectangle(colour, x1, y1, x2, y2, line_width);
}

int Display::triangle(int x1, int y1, int x2, int y2, int x3, int y3, int colour,
                      int line_width) {
  return KX508_draw_triangle(colour, x1, y1, x2, y2, x3, y3, line_width);
}

int Display::line(int x1, int y1, int x2, int y2, int colour, int line_width) {
  return KX508_draw_line(colour, x1, y1, x2, y2, line_width);
}

int Display::ellipse(int x1, int y1, int x2, int y2, int colour, int line_width) {
  return KX508_draw_ellipse(colour, x1, y1, x2, y2, line_width);
}

int Display::text(int x, int y, const char* text, int colour) {
  return KX508_draw_text(colour, x, y, text);
}
