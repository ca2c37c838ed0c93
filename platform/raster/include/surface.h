// The pixel engine's surfaces: 32-bit pixels with a record of where drawing changed
// them, pens and brushes, and the drawing calls of the software rasterizer. Nothing here
// knows a window: every backend shows pixels made this way, so all show the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx508::platform {

// ---------------------------------------------------------------------------------
// Geometry

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
  int width = 0, height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// ---------------------------------------------------------------------------------
// Colours

using Colour = std::uint32_t;  // 0xFFRRGGBB: always opaque, the usual 32-bit RGB layout

constexpr Colour rgb(int r, int g, int b) {
  return 0xFF000000u | (static_cast<Colour>(r & 0xFF) << 16) |
         (static_cast<Colour>(g & 0xFF) << 8) | static_cast<Colour>(b & 0xFF);
}

// ---------------------------------------------------------------------------------
// Pixel surfaces

// A 32-bit pixel surface, one Colour per pixel, rows top to bottom. The drawing calls
// below also note where they changed a pixel's value: which rows of which square tiles,
// so that a copy can take just the changed parts.
class Surface {
 public:
  // Tiles are as tall as a 32-bit mask has bits, one per row, and narrow enough that a
  // changed row of a small shape is a cache line or two to compare.
  static constexpr int kTileWidth = 16;
  static constexpr int kTileHeight = 32;

  Surface() = default;
  Surface(int width, int height, Colour fill = rgb(0, 0, 0));
  Colour* data() { return pixels_.data(); }
  const Colour* data() const { return pixels_.data(); }

  int width() const { return width_; }
  int height() const { return height_; }
  Colour pixel(int x, int y) const { return pixels_[index(x, y)]; }
  void set_pixel(int x, int y, Colour c) { pixels_[index(x, y)] = c; }
  Colour* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  const Colour* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  // Changed tiles: tile (tx, ty) covers pixels from (tx * kTileWidth, ty * kTileHeight);
  // bit r of its mask says that row ty * kTileHeight + r changed within it.
  int tile_columns() const { return tile_columns_; }
  int tile_rows() const { return tile_rows_; }
  std::uint32_t changed_rows(int tx, int ty) const { return changed_[tile_index(tx, ty)]; }
  bool any_changed() const { return any_changed_; }
  // Notes a change to the pixels left..right (inclusive) of row y, all on the surface.
  void note_change(int left, int right, int y) {
    std::uint32_t* tiles = changed_.data() + tile_index(0, y / kTileHeight);
    const std::uint32_t bit = std::uint32_t{1} << (y % kTileHeight);
    const int first = left / kTileWidth, last = right / kTileWidth;
    // Most spans lie in one or two tiles: mark those directly, without a loop call.
    tiles[first] |= bit;
    tiles[last] |= bit;
    for (int t = first + 1; t < last; ++t) tiles[t] |= bit;
    any_changed_ = true;
  }
  void forget_changes();

 private:
  std::size_t index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }
  std::size_t tile_index(int tx, int ty) const {
    return static_cast<std::size_t>(ty) * tile_columns_ + tx;
  }
  int width_ = 0, height_ = 0;
  std::vector<Colour> pixels_;
  int tile_columns_ = 0, tile_rows_ = 0;
  std::vector<std::uint32_t> changed_;
  bool any_changed_ = false;
};

// Pens and brushes for the drawing calls below. A pen of width 0 or 1 draws one pixel
// wide; a wider pen is centred on the shape's boundary.
struct Pen {
  Colour colour = rgb(0, 0, 0);
  int width = 1;
  bool none = false;  // draws no outline
};

struct Brush {
  Colour colour = rgb(255, 255, 255);
  bool hollow = false;  // leaves the interior as it was
};

struct Point64 {
  std::int64_t x = 0, y = 0;
};

// Rectangle over the pixels left..right-1, top..bottom-1: the pen draws its outline on
// the outermost pixels, the brush fills the rest. Clipped to the surface.
void draw_rectangle(Surface& s, const Pen& pen, const Brush& brush, std::int64_t left,
                    std::int64_t top, std::int64_t right, std::int64_t bottom);

// Closed polygon through the given pixels: the brush fills every pixel inside it, the
// pen draws the edges between consecutive points. Clipped to the surface.
void draw_polygon(Surface& s, const Pen& pen, const Brush& brush, const Point64* points,
                  int count);

// Line from a to b. A pen of width 0 or 1 paints one pixel in each column between the
// end points (each row, for a line steeper than 45 degrees): the pixel nearest the exact
// line, and where the line passes exactly halfway between two, the one towards the
// nearer end point, both at the line's very middle. So both end points are painted, the
// same pixels are painted drawn from either end, and they are symmetric about the
// line's middle and under any mirroring or quarter turn of the surface. A wider pen paints
// every pixel within width / 2 of the segment, as a polygon's wide edges do. Clipped to
// the surface; coordinates are exact up to +/-2^40, and clamped there.
void draw_line(Surface& s, const Pen& pen, Point64 a, Point64 b);

// Ellipse inside the rectangle of pixels left..right-1, top..bottom-1 (the pixels
// draw_rectangle would cover): the pixels whose centres lie inside or on the ellipse
// through the middles of that rectangle's outer edges, so it touches all four sides and
// never leaves it, and is symmetric about both axes. The pen paints the band of its width
// (0 as 1) along the edge, inside the ellipse: the pixels of the ellipse that are not in
// the ellipse of the rectangle shrunk by that width on every side. The brush fills the
// rest. Clipped to the surface; coordinates are exact up to +/-2^40, and clamped there.
void draw_ellipse(Surface& s, const Pen& pen, const Brush& brush, std::int64_t left,
                  std::int64_t top, std::int64_t right, std::int64_t bottom);

// Copies a w x h block from src at (sx, sy) to dst at (dx, dy), clipped to both.
// Returns the part of dst it wrote.
Rect copy_surface(Surface& dst, int dx, int dy, const Surface& src, int sx, int sy, int w,
                  int h);

}  // namespace kx508::platform
