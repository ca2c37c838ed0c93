// Fuzzes the pixel engine's drawing calls: rectangles, polygons, lines, ellipses, text and
// block copies with any pens, brushes, coordinates, sizes and bytes, the limits of int and
// of the rasterizer's arithmetic among them. Checks that the surface keeps its size, that
// only the colours drawn with reach it, and that every pixel that changed lies in a row
// marked changed (what the copy to a window relies on).
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "font.h"
#include "surface.h"

namespace {

using kx508::platform::Colour;
using kx508::platform::Surface;

// Values that sit on the edges of the canvas, of the rasterizer's arithmetic and of int.
constexpr std::int64_t kEdges[] = {
    INT_MIN, INT_MIN + 1, INT_MIN / 2, -65536, -32769, -32768, -601, -540, -301, -300,
    -270,    -1,          0,           1,      270,    300,    301,  540,  601,  32767,
    32768,   65536,       INT_MAX / 2, INT_MAX - 1,    INT_MAX,
    // The library adds the origin to int coordinates, so its calls reach past int.
    std::int64_t{INT_MIN} - 300, std::int64_t{INT_MAX} + 300};

constexpr Colour kBackground = kx508::platform::rgb(255, 255, 255);
constexpr Colour kInks[] = {kx508::platform::rgb(0, 0, 0), kx508::platform::rgb(255, 0, 0),
                            kx508::platform::rgb(0, 0, 255)};

std::int64_t coordinate(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return in.PickValueInArray(kEdges);
    case 1: return in.ConsumeIntegralInRange<int>(-100, 100);
    default: return in.ConsumeIntegral<int>();
  }
}

kx508::platform::Pen pen(FuzzedDataProvider& in) {
  kx508::platform::Pen p;
  p.colour = in.PickValueInArray(kInks);
  // Mostly thin lines, which is what callers draw, but any width now and then.
  p.width = in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(0, 40)
                             : in.ConsumeIntegralInRange<int>(0, INT_MAX);
  p.none = in.ConsumeBool();
  return p;
}

kx508::platform::Brush brush(FuzzedDataProvider& in) {
  return {in.PickValueInArray(kInks), in.ConsumeBool()};
}

bool drawn_with(Colour c) {
  if (c == kBackground) return true;
  for (Colour ink : kInks)
    if (c == ink) return true;
  return false;
}

// Every pixel that differs from before lies in a row its tile marks as changed.
void check_changes_noted(const Surface& before, const Surface& after) {
  for (int y = 0; y < after.height(); ++y) {
    for (int x = 0; x < after.width(); ++x) {
      if (!drawn_with(after.pixel(x, y))) std::abort();
      if (after.pixel(x, y) == before.pixel(x, y)) continue;
      const std::uint32_t rows =
          after.changed_rows(x / Surface::kTileWidth, y / Surface::kTileHeight);
      if (!((rows >> (y % Surface::kTileHeight)) & 1u)) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  // Small surfaces keep the checks cheap; the edges of any surface are met all the same.
  const int width = in.ConsumeIntegralInRange<int>(0, 90);
  const int height = in.ConsumeIntegralInRange<int>(0, 70);
  Surface s(width, height, kBackground);
  while (in.remaining_bytes() > 0) {
    const Surface before = s;
    s.forget_changes();
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
      case 0: case 1: {
        const std::int64_t l = coordinate(in), t = coordinate(in), r = coordinate(in),
                           b = coordinate(in);
        kx508::platform::draw_rectangle(s, pen(in), brush(in), l, t, r, b);
        break;
      }
      case 2: case 3: {
        std::vector<kx508::platform::Point64> points(in.ConsumeIntegralInRange<std::size_t>(0, 6));
        for (kx508::platform::Point64& p : points) p = {coordinate(in), coordinate(in)};
        kx508::platform::draw_polygon(s, pen(in), brush(in), points.data(),
                               static_cast<int>(points.size()));
        break;
      }
      case 4: {
        const kx508::platform::Point64 a{coordinate(in), coordinate(in)};
        const kx508::platform::Point64 b{coordinate(in), coordinate(in)};
        kx508::platform::draw_line(s, pen(in), a, b);
        break;
      }
      case 5: {
        const std::int64_t l = coordinate(in), t = coordinate(in), r = coordinate(in),
                           b = coordinate(in);
        kx508::platform::draw_ellipse(s, pen(in), brush(in), l, t, r, b);
        break;
      }
      case 6: {
        const std::int64_t x = coordinate(in), y = coordinate(in);
        const kx508::platform::Colour ink = in.PickValueInArray(kInks);
        const std::string text = in.ConsumeRandomLengthString(64);
        kx508::platform::draw_text(s, x, y, text, ink);
        break;
      }
      default: {
        const int dx = static_cast<int>(coordinate(in)), dy = static_cast<int>(coordinate(in));
        const int w = static_cast<int>(coordinate(in)), h = static_cast<int>(coordinate(in));
        kx508::platform::copy_surface(s, dx, dy, before, 0, 0, w, h);
        break;
      }
    }
    if (s.width() != width || s.height() != height) std::abort();
    check_changes_noted(before, s);
  }
  return 0;
}
