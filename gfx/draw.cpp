// The 24 named colours and the drawing primitives: rectangles, triangles, lines, ellipses
// and text into the canvas, with warnings for bad arguments and trace lines while logging
// is on.
#include <bitset>
#include <climits>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "font.h"
#include "glyph_files.h"
#include "glyphs.h"
#include "internal.h"

namespace kx508 {

namespace {

struct Rgb {
  int r, g, b;
};

constexpr int kColours = 24;

constexpr Rgb colour_table[kColours] = {
    {0, 0, 0},       {255, 255, 255}, {255, 0, 0},     {0, 255, 0},     {0, 0, 255},
    {255, 255, 0},   {255, 0, 255},   {0, 255, 255},   {153, 0, 204},   {0, 51, 153},
    {153, 102, 153}, {153, 255, 255}, {153, 255, 204}, {255, 102, 0},   {153, 102, 51},
    {255, 153, 204}, {255, 255, 153}, {204, 153, 51},  {255, 153, 102}, {0, 102, 51},
    {51, 204, 153},  {153, 153, 51},  {128, 128, 128}, {204, 204, 204},
};

constexpr const char* colour_names[kColours] = {
    "black",     "white",     "red",          "green",      "blue",   "yellow",
    "magenta",   "cyan",      "purple",       "navy blue",  "dusty plum", "ice blue",
    "turquoise", "orange",    "brown",        "pink",       "chalk",  "gold",
    "peach",     "forest green", "sea green", "olive",      "50% gray", "20% gray",
};

enum ShapeKind { kTriangle = 0, kRectangle = 1, kLine = 2, kEllipse = 3 };
// The record of what is drawn (describe.h) numbers them alike.
static_assert(kTriangle == static_cast<int>(DrawnKind::Triangle) &&
              kRectangle == static_cast<int>(DrawnKind::Rectangle) &&
              kLine == static_cast<int>(DrawnKind::Line) &&
              kEllipse == static_cast<int>(DrawnKind::Ellipse));

struct ShapeRecord {
  int kind;
  int colour;
  int width;
  int x1, y1;
  int x2, y2;
  int x3, y3;
};

int check_colour(int colour) {
  if (colour >= 0 && colour < kColours) return colour;
  KX508_log("Illegal color %d; using RED.\n", colour);
  return KX508_RED;
}

// Negative widths become their absolute value; the most negative one, which has none,
// becomes the largest width there is.
int check_width(int width) {
  if (width >= 0) return width;
  int positive = width == INT_MIN ? INT_MAX : -width;
  KX508_log("Width of %d not possible, using width %d\n", width, positive);
  return positive;
}

// Library point (x, y) is canvas pixel (ox + x, oy - y); 64 bits keep any int exact.
std::int64_t canvas_x(int x) { return static_cast<std::int64_t>(lib.windows.canvas_origin.x) + x; }
std::int64_t canvas_y(int y) { return static_cast<std::int64_t>(lib.windows.canvas_origin.y) - y; }

void render_shape(const ShapeRecord& shape) {
  platform::Surface& canvas = lib.windows.canvas;
  platform::Colour colour = colour_value(shape.colour);
  platform::Pen pen{colour, shape.width == 0 ? 1 : shape.width, false};
  platform::Brush brush{colour, shape.width != 0};
  if (shape.kind == kTriangle) {
    platform::Point64 points[3] = {{canvas_x(shape.x1), canvas_y(shape.y1)},
                                   {canvas_x(shape.x2), canvas_y(shape.y2)},
                                   {canvas_x(shape.x3), canvas_y(shape.y3)}};
    platform::draw_polygon(canvas, pen, brush, points, 3);
  } else if (shape.kind == kLine) {
    platform::draw_line(canvas, platform::Pen{colour, shape.width, false},
                        {canvas_x(shape.x1), canvas_y(shape.y1)},
                        {canvas_x(shape.x2), canvas_y(shape.y2)});
  } else if (shape.kind == kEllipse) {
    // The box of the rectangle with the same corners. Filled, the pen's band would be
    // the brush's colour too: the brush alone paints the same pixels, once each.
    const platform::Pen ellipse_pen{colour, pen.width, shape.width == 0};
    platform::draw_ellipse(canvas, ellipse_pen, brush, canvas_x(shape.x1), canvas_y(shape.y1),
                           canvas_x(shape.x2) + 1, canvas_y(shape.y2) + 1);
  } else {
    // Right and bottom are exclusive, so both corner columns and rows are painted.
    platform::draw_rectangle(canvas, pen, brush, canvas_x(shape.x1), canvas_y(shape.y1),
                             canvas_x(shape.x2) + 1, canvas_y(shape.y2) + 1);
  }
  lib.windows.canvas_dirty = true;
  describe_shape(static_cast<DrawnKind>(shape.kind), shape.colour, shape.width,
                 {shape.x1, shape.x2, shape.x3}, {shape.y1, shape.y2, shape.y3});
}

}  // namespace

// The text as a trace line quotes it: between double quotes, with the quote, the
// backslash and control characters escaped as in C, so that the line stays one line. At
// most room bytes, quotes included: a text that does not fit is cut between two
// characters and ends ..." instead.
std::string quoted(std::string_view text, std::size_t room) {
  constexpr std::string_view kCut = "...\"";
  std::string out = "\"";
  std::size_t keep = out.size();  // where a cut goes: the longest start that leaves room
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80 && out.size() + kCut.size() <= room) keep = out.size();
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", c);
          out += hex;
        } else {
          out += static_cast<char>(c);
        }
    }
    if (out.size() + 1 > room) {
      out.resize(keep);
      return out.append(kCut);
    }
  }
  return out + "\"";
}

namespace {

// A shape in a box given by two corners (a rectangle, an ellipse): the corners ordered as
// top left and bottom right, checked, traced and drawn.
int draw_in_box(ShapeKind kind, const char* shape, int colour, int x1, int y1, int x2, int y2,
                int width) {
  if (!started()) return 0;
  attend_to_the_windows();
  if (x1 > x2) std::swap(x1, x2);
  if (y1 < y2) std::swap(y1, y2);
  colour = check_colour(colour);
  width = check_width(width);
  if (lib.draw.logging_enabled) {
    if (width == 0)
      KX508_log("%s %s with bounding box (%d,%d) to (%d,%d), filled\n", colour_names[colour],
                shape, x1, y1, x2, y2);
    else
      KX508_log("%s %s with bounding box (%d,%d) to (%d,%d) with line width %d\n",
                colour_names[colour], shape, x1, y1, x2, y2, width);
  }
  render_shape({kind, colour, width, x1, y1, x2, y2, 0, 0});
  return 1;
}

}  // namespace

platform::Colour colour_value(int colour) {
  const Rgb& c = colour_table[colour];
  return platform::rgb(c.r, c.g, c.b);
}

const char* colour_name(int colour) { return colour_names[colour]; }

void prepare_text(std::string_view text) {
  std::bitset<256>& unavailable = lib.draw.glyph_pages_unavailable;
  std::bitset<256> needed;
  platform::glyph_pages_needed(text, needed);
  needed &= ~unavailable;
  for (int page = 0; page < 256; ++page) {
    if (!needed[page]) continue;
    const auto bytes = platform::glyph_files::fetch(page, platform::glyph_page_size(page));
    if (platform::load_glyph_page(page, bytes)) continue;
    unavailable.set(page);
    std::fprintf(stderr,
                 "KX508: the glyphs of U+%02X00 to U+%02XFF could not be loaded (glyphs/%02x.bin "
                 "beside the page); those characters are drawn as boxes\n",
                 page, page, page);
  }
}

}  // namespace kx508

using namespace kx508;

int KX508_draw_rectangle(int colour, int x1, int y1, int x2, int y2, int width) {
  return draw_in_box(kRectangle, "rectangle", colour, x1, y1, x2, y2, width);
}

int KX508_draw_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width) {
  if (!started()) return 0;
  attend_to_the_windows();
  colour = check_colour(colour);
  width = check_width(width);
  if (lib.draw.logging_enabled)
    KX508_log("%s triangle at (%d,%d), (%d,%d), (%d,%d)\n", colour_names[colour], x1, y1, x2,
              y2, x3, y3);
  render_shape({kTriangle, colour, width, x1, y1, x2, y2, x3, y3});
  return 1;
}

int KX508_draw_line(int colour, int x1, int y1, int x2, int y2, int width) {
  if (!started()) return 0;
  attend_to_the_windows();
  colour = check_colour(colour);
  width = check_width(width);
  if (lib.draw.logging_enabled)
    KX508_log("%s line from (%d,%d) to (%d,%d) with line width %d\n", colour_names[colour], x1, y1,
              x2, y2, width);
  render_shape({kLine, colour, width, x1, y1, x2, y2, 0, 0});
  return 1;
}

int KX508_draw_ellipse(int colour, int x1, int y1, int x2, int y2, int width) {
  return draw_in_box(kEllipse, "ellipse", colour, x1, y1, x2, y2, width);
}

int KX508_draw_text(int colour, int x, int y, const char* text) {
  if (!started()) return 0;
  attend_to_the_windows();
  colour = check_colour(colour);
  const std::string_view view = text ? std::string_view(text) : std::string_view();
  if (lib.draw.logging_enabled) {
    // The quoted text takes what the log message has left after the rest.
    char head[64];
    const int n = std::snprintf(head, sizeof head, "%s text at (%d,%d): ", colour_names[colour], x, y);
    KX508_log("%s%s\n", head, quoted(view, kLogMessageChars - n - 1).c_str());
  }
  prepare_text(view);
  platform::draw_text(lib.windows.canvas, canvas_x(x), canvas_y(y), view, colour_value(colour));
  lib.windows.canvas_dirty = true;
  describe_text(colour, x, y, view);
  return 1;
}

int KX508_text_width(const char* text) { return text ? platform::text_width(text) : 0; }

int KX508_flush() {
  if (!started()) return 0;
  attend_to_the_windows();
  if (lib.draw.logging_enabled) KX508_log("Flushing the graphics window\n");
  if (lib.windows.canvas_dirty) copy_canvas_changes_to_window();
  return 1;
}

int KX508_clear() {
  if (!started()) return 0;
  attend_to_the_windows();
  if (lib.draw.logging_enabled) KX508_log("Clearing the graphics window\n");
  platform::Pen frame{colour_value(KX508_BLACK), 1, false};
  platform::Brush fill{colour_value(KX508_WHITE), false};
  platform::draw_rectangle(lib.windows.canvas, frame, fill, 0, 0, kCanvasWidth, kCanvasHeight);
  lib.windows.canvas_dirty = true;
  describe_clear();
  return 1;
}
