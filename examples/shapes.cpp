// Shapes: lines of each width from 0 to 5, filled and outlined ellipses, the corners of
// the visible area marked with their coordinates, and a line of text centred where the
// last click landed. Any key, or closing the window (or Ctrl+Q), ends the program.
#include <cstdio>

#include "kx508.h"

namespace {

const char* const kMessage = "Click to move me, a key ends";

struct Area {
  int left, bottom, right, top;
};

// Text whose top left corner is at (x, y); it reaches 14 pixels down.
constexpr int kTextHeight = 14;

void draw_lines() {
  for (int width = 0; width <= 5; ++width) {
    const int y = 200 - 30 * width;
    char label[16];
    std::snprintf(label, sizeof label, "width %d", width);
    KX508_draw_text(KX508_BLACK, -270, y + kTextHeight / 2, label);
    KX508_draw_line(KX508_NAVY_BLUE, -200, y - 8, -40, y + 8, width);
  }
}

void draw_ellipses() {
  KX508_draw_ellipse(KX508_ORANGE, 20, 210, 150, 130, 0);       // filled
  KX508_draw_ellipse(KX508_SEA_GREEN, 170, 210, 250, 130, 0);   // a filled circle
  KX508_draw_ellipse(KX508_PURPLE, 20, 110, 150, 30, 1);        // outlined, thin
  KX508_draw_ellipse(KX508_BLUE, 170, 110, 250, 30, 6);         // outlined, wide
  KX508_draw_ellipse(KX508_GOLD, -230, -60, 230, -200, 3);      // a wide, flat one
}

// An L along the two edges that meet at each corner, and the corner's coordinates beside
// it, so that the marks show exactly where the window stops showing the canvas.
void mark_corners(const Area& a) {
  const int arm = 20, gap = 4;
  const int xs[2] = {a.left, a.right}, ys[2] = {a.top, a.bottom};
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      const int x = xs[i], y = ys[j];
      const int inward_x = i == 0 ? 1 : -1, inward_y = j == 0 ? -1 : 1;
      KX508_draw_line(KX508_RED, x, y, x + inward_x * arm, y, 1);
      KX508_draw_line(KX508_RED, x, y, x, y + inward_y * arm, 1);
      char where[32];
      std::snprintf(where, sizeof where, "(%d,%d)", x, y);
      const int text_x = i == 0 ? x + gap : x - gap - KX508_text_width(where);
      const int text_y = j == 0 ? y - gap : y + gap + kTextHeight - 1;
      KX508_draw_text(KX508_RED, text_x + inward_x * arm, text_y, where);
    }
  }
}

// The text centred on (x, y), across and up and down.
void draw_centred_text(int x, int y) {
  KX508_draw_text(KX508_BLACK, x - KX508_text_width(kMessage) / 2, y + kTextHeight / 2, kMessage);
}

// The whole picture again: the visible area is asked for each time, since the window
// manager may have changed the window's frame meanwhile.
void draw_picture(int text_x, int text_y) {
  KX508_clear();
  Area area;
  KX508_visible_area(&area.left, &area.bottom, &area.right, &area.top);
  mark_corners(area);
  draw_lines();
  draw_ellipses();
  draw_centred_text(text_x, text_y);
}

}  // namespace

int app::main() {
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
  KX508_set_logging(0);
  draw_picture(0, 0);
  for (;;) {
    int x, y;
    char key;
    const int event = KX508_wait_event(&x, &y, &key);
    if (event == KX508_KEY || event == KX508_QUIT) break;
    if (event == KX508_MOUSE) draw_picture(x, y);
  }
  KX508_stop();
  return 0;
}
