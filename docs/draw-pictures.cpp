// The pictures of docs/API.md's drawing calls: one frame each for KX508_draw_line,
// KX508_draw_ellipse, KX508_draw_text and KX508_visible_area, a click apart. The test
// docs.pictures checks that they are what the library draws; to remake them, replay
// docs/draw-pictures.scr headless with the test build's program, from the top of the tree,
//   KX508_PLATFORM=headless KX508_PLAY=docs/draw-pictures.scr KX508_FRAMES=/tmp/pictures
//   build/test/tests/draw_pictures
// (one command), then copy /tmp/pictures/000001.png to docs/draw-line.png, 000002.png to
// draw-ellipse.png, 000003.png to draw-text.png and 000004.png to draw-visible-area.png.
#include <kx508/kx508.h>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kTextHeight = 14;

// A caption centred below (x, y).
void caption(int x, int y, const char* text) {
  KX508_draw_text(KX508_BLACK, x - KX508_text_width(text) / 2, y, text);
}

void title(const char* text) { KX508_draw_text(KX508_NAVY_BLUE, -280, 235, text); }

// Waits for the script's click to the next picture; false when the run ends instead.
bool next_picture() {
  int x, y;
  char key;
  for (;;) {
    const int event = KX508_wait_event(&x, &y, &key);
    if (event == KX508_QUIT) return false;
    if (event == KX508_MOUSE) break;
  }
  KX508_clear();
  return true;
}

void lines() {
  title("KX508_draw_line(colour, x1, y1, x2, y2, width)");
  // One-pixel lines in every direction from one point, 15 degrees apart, ending on a
  // circle of radius 110.
  const int cx = -150, cy = 60;
  for (int i = 0; i < 24; ++i) {
    const double angle = i * 3.14159265358979 / 12;
    const int x = cx + static_cast<int>(std::lround(110 * std::cos(angle)));
    const int y = cy + static_cast<int>(std::lround(110 * std::sin(angle)));
    KX508_draw_line(i % 2 ? KX508_BLUE : KX508_RED, cx, cy, x, y, 1);
  }
  caption(cx, cy - 125, "width 1, every 15 degrees");
  // Each width, level and slanting.
  for (int width = 0; width <= 8; ++width) {
    const int y = 190 - 32 * width;
    char label[16];
    std::snprintf(label, sizeof label, "width %d", width);
    KX508_draw_text(KX508_BLACK, 20, y + kTextHeight / 2, label);
    KX508_draw_line(KX508_NAVY_BLUE, 100, y, 180, y, width);
    KX508_draw_line(KX508_FOREST_GREEN, 200, y - 10, 270, y + 10, width);
  }
  // The same pixels from either end: each line drawn red one way, then blue the other
  // way over it, leaves no red.
  for (int i = 0; i < 3; ++i) {
    const int x1 = -270, y1 = -120 - 30 * i, x2 = -30, y2 = -150 - 30 * i + 17 * i;
    KX508_draw_line(KX508_RED, x1, y1, x2, y2, 2 * i);
    KX508_draw_line(KX508_BLUE, x2, y2, x1, y1, 2 * i);
  }
  caption(-150, -215, "drawn red, then blue back over it");
}

void ellipses() {
  title("KX508_draw_ellipse(colour, x1, y1, x2, y2, width)");
  // Each inside the box a rectangle with the same corners draws, shown in gray.
  struct Sample {
    int x1, y1, x2, y2, width, colour;
    const char* label;
  };
  const Sample samples[] = {
      {-280, 200, -160, 120, 0, KX508_ORANGE, "filled"},
      {-140, 200, -20, 120, 1, KX508_PURPLE, "width 1"},
      {0, 200, 120, 120, 3, KX508_BLUE, "width 3"},
      {140, 200, 260, 120, 12, KX508_SEA_GREEN, "width 12"},
      {-280, 80, -200, 0, 0, KX508_RED, "a circle"},
      {-140, 80, -60, 0, 2, KX508_NAVY_BLUE, "outlined circle"},
      {0, 60, 260, 20, 0, KX508_GOLD, "wide and flat"},
      {-252, -60, -248, -64, 0, KX508_BLACK, "5 x 5"},
      {-172, -60, -169, -63, 0, KX508_BLACK, "4 x 4"},
      {-92, -60, -90, -62, 0, KX508_BLACK, "3 x 3"},
  };
  for (const Sample& s : samples) {
    KX508_draw_rectangle(KX508_GRAY_20, s.x1, s.y1, s.x2, s.y2, 1);
    KX508_draw_ellipse(s.colour, s.x1, s.y1, s.x2, s.y2, s.width);
    caption((s.x1 + s.x2) / 2, s.y2 - 6, s.label);
  }
  // A filled ellipse covers its outline: the outline drawn over it in another colour.
  KX508_draw_ellipse(KX508_ICE_BLUE, 20, -60, 260, -200, 0);
  KX508_draw_ellipse(KX508_NAVY_BLUE, 20, -60, 260, -200, 4);
  caption(140, -208, "filled, then outlined");
}

void text() {
  title("KX508_draw_text(colour, x, y, text)");
  KX508_draw_text(KX508_BLACK, -280, 190, "Top left corner at (-280,190): 7 x 14 pixels a letter.");
  KX508_draw_line(KX508_RED, -285, 190, -275, 190, 1);
  KX508_draw_line(KX508_RED, -280, 195, -280, 185, 1);
  // Centred on x = 0 with KX508_text_width; the marks show the middle.
  const char* score = "Score: 12";
  KX508_draw_line(KX508_GRAY_50, 0, 150, 0, 100, 1);
  KX508_draw_text(KX508_BLUE, -KX508_text_width(score) / 2, 132, score);
  caption(0, 96, "centred: x = -KX508_text_width(text) / 2");
  // The cells: a text's box is KX508_text_width wide and 14 high.
  const char* boxed = "g|Mj_";
  KX508_draw_rectangle(KX508_GRAY_20, -200, 60, -200 + KX508_text_width(boxed) - 1, 47, 0);
  KX508_draw_text(KX508_BLACK, -200, 60, boxed);
  KX508_draw_text(KX508_BLACK, -150, 60, "<- its cells, 35 x 14");
  // Bytes as the log window reads them: UTF-8, else Latin-1.
  KX508_draw_text(KX508_FOREST_GREEN, -200, 20,
                  "UTF-8: caf\xC3\xA9 \xC3\xBC\xC3\xA8 \xC2\xA9 (two bytes each)");
  KX508_draw_text(KX508_FOREST_GREEN, -200, 0, "Latin-1: caf\xE9 \xFC\xE8 \xA9 (one byte each)");
  KX508_draw_text(KX508_FOREST_GREEN, -200, -20,
                  "Any script: \xE2\x82\xAC \xD0\x96 \xE4\xB8\xAD; none: \xF0\x9F\x98\x80 and\ta tab");
  // Colours, and a text clipped at the visible area's left edge.
  const int colours[] = {KX508_RED, KX508_ORANGE, KX508_GOLD, KX508_GREEN, KX508_BLUE,
                         KX508_PURPLE, KX508_MAGENTA};
  for (int i = 0; i < 7; ++i) KX508_draw_text(colours[i], -200 + 42 * i, -60, "colour");
  int left;
  KX508_visible_area(&left, nullptr, nullptr, nullptr);
  KX508_draw_text(KX508_BLACK, left - 17, -100, "...clipped at the left edge");
}

void visible_area() {
  caption(0, 60, "KX508_visible_area(&left, &bottom, &right, &top)");
  int left, bottom, right, top;
  KX508_visible_area(&left, &bottom, &right, &top);
  // The area's outermost pixels, and its corners' coordinates.
  KX508_draw_rectangle(KX508_RED, left, top, right, bottom, 1);
  KX508_draw_line(KX508_GRAY_20, left, top, right, bottom, 1);
  KX508_draw_line(KX508_GRAY_20, left, bottom, right, top, 1);
  char where[32];
  std::snprintf(where, sizeof where, "(%d,%d)", left, top);
  KX508_draw_text(KX508_RED, left + 4, top - 20, where);
  std::snprintf(where, sizeof where, "(%d,%d)", right, top);
  KX508_draw_text(KX508_RED, right - 3 - KX508_text_width(where), top - 20, where);
  std::snprintf(where, sizeof where, "(%d,%d)", left, bottom);
  KX508_draw_text(KX508_RED, left + 4, bottom + 4 + kTextHeight, where);
  std::snprintf(where, sizeof where, "(%d,%d)", right, bottom);
  KX508_draw_text(KX508_RED, right - 3 - KX508_text_width(where), bottom + 4 + kTextHeight,
                  where);
  KX508_draw_ellipse(KX508_BLUE, -3, 3, 3, -3, 0);
  caption(0, -8, "(0,0)");
}

}  // namespace

int app::main() {
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
  KX508_clear();
  lines();
  if (!next_picture()) return 0;
  ellipses();
  if (!next_picture()) return 0;
  text();
  if (!next_picture()) return 0;
  visible_area();
  next_picture();
  return 0;
}
