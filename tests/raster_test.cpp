// The software rasterizer: exact pixels of rectangles, polygons, wide pens, lines and
// ellipses, clipping, block copies, and arguments far beyond the surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "surface.h"

namespace {

using kx508::platform::Brush;
using kx508::platform::Colour;
using kx508::platform::Pen;
using kx508::platform::Point64;
using kx508::platform::rgb;
using kx508::platform::Surface;
using std::int64_t;
// Squared cross products pass 64 bits at large coordinates and widths.
__extension__ using Wide = __int128;

const Colour kBg = rgb(0, 0, 0);
const Colour kPen = rgb(255, 0, 0);
const Colour kFill = rgb(0, 0, 255);

const Pen kNoPen{kPen, 1, true};
const Brush kHollow{kFill, true};
const Brush kSolid{kFill, false};

Pen pen(int width) { return Pen{kPen, width, false}; }

int count(const Surface& s, Colour c) {
  return static_cast<int>(std::count(s.data(), s.data() + s.width() * s.height(), c));
}

// The surface as text, one line per row: '.' background, '#' pen, 'o' brush.
std::string art(const Surface& s) {
  std::string out;
  for (int y = 0; y < s.height(); ++y) {
    for (int x = 0; x < s.width(); ++x) {
      const Colour c = s.pixel(x, y);
      out += c == kBg ? '.' : c == kPen ? '#' : c == kFill ? 'o' : '?';
    }
    out += '\n';
  }
  return out;
}

std::string lines(std::initializer_list<const char*> rows) {
  std::string out;
  for (const char* r : rows) out += std::string(r) + '\n';
  return out;
}

// Copies the w x h block at (x, y) of a bigger surface, to compare with a clipped
// drawing.
Surface crop(const Surface& big, int x, int y, int w, int h) {
  Surface out(w, h);
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) out.set_pixel(i, j, big.pixel(x + i, y + j));
  return out;
}

// --- Independent per-pixel oracles (small coordinates only) -----------------------

bool on_segment(Point64 a, Point64 b, int64_t x, int64_t y) {
  const int64_t cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
  return cross == 0 && x >= std::min(a.x, b.x) && x <= std::max(a.x, b.x) &&
         y >= std::min(a.y, b.y) && y <= std::max(a.y, b.y);
}

// Inside or on the boundary of the closed polygon, even-odd.
bool in_polygon(const std::vector<Point64>& p, int64_t x, int64_t y) {
  bool inside = false;
  for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
    if (on_segment(p[j], p[i], x, y)) return true;
    if ((p[i].y > y) != (p[j].y > y)) {
      // Crossing to the right of x: compare without dividing.
      const int64_t lhs = (x - p[i].x) * (p[j].y - p[i].y);
      const int64_t rhs = (p[j].x - p[i].x) * (y - p[i].y);
      if ((p[j].y > p[i].y) ? lhs < rhs : lhs > rhs) inside = !inside;
    }
  }
  return inside;
}

// The one-pixel line's pixels, from the line equation in floating point.
void oracle_line(Surface& s, Point64 a, Point64 b) {
  const double dx = static_cast<double>(b.x - a.x), dy = static_cast<double>(b.y - a.y);
  auto put = [&](int64_t x, int64_t y) {
    if (s.contains(static_cast<int>(x), static_cast<int>(y)))
      s.set_pixel(static_cast<int>(x), static_cast<int>(y), kPen);
  };
  // Only the surface's columns (rows) can hold a pixel; skip the rest of long lines.
  if (std::abs(dx) >= std::abs(dy)) {
    const int64_t last = std::min<int64_t>(std::max(a.x, b.x), s.width() - 1);
    for (int64_t x = std::max<int64_t>(std::min(a.x, b.x), 0); x <= last; ++x)
      put(x, dx == 0 ? a.y
                     : static_cast<int64_t>(std::floor(a.y + (x - a.x) * dy / dx + 0.5)));
  } else {
    const int64_t last = std::min<int64_t>(std::max(a.y, b.y), s.height() - 1);
    for (int64_t y = std::max<int64_t>(std::min(a.y, b.y), 0); y <= last; ++y)
      put(static_cast<int64_t>(std::floor(a.x + (y - a.y) * dx / dy + 0.5)), y);
  }
}

bool near_segment(Point64 a, Point64 b, int width, int64_t x, int64_t y) {
  const Wide dx = b.x - a.x, dy = b.y - a.y, ux = x - a.x, uy = y - a.y;
  const Wide w2 = Wide{width} * width, len2 = dx * dx + dy * dy;
  const Wide dot = ux * dx + uy * dy;
  if (dot <= 0) return 4 * (ux * ux + uy * uy) <= w2;
  if (dot >= len2) return 4 * ((x - b.x) * (x - b.x) + (y - b.y) * (y - b.y)) <= w2;
  const Wide cross = ux * dy - uy * dx;
  return 4 * cross * cross <= w2 * len2;
}

constexpr int kNoOutline = -1;

// What draw_polygon should give, pixel by pixel; pen_width kNoOutline draws no edges.
Surface oracle_polygon(int w, int h, const std::vector<Point64>& p, int pen_width,
                       bool fill) {
  Surface s(w, h, kBg);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (fill && in_polygon(p, x, y)) s.set_pixel(x, y, kFill);
      if (pen_width >= 2)
        for (std::size_t i = 0; i < p.size(); ++i)
          if (near_segment(p[i], p[(i + 1) % p.size()], pen_width, x, y))
            s.set_pixel(x, y, kPen);
    }
  if (pen_width != kNoOutline && pen_width < 2)
    for (std::size_t i = 0; i < p.size(); ++i)
      oracle_line(s, p[i], p[(i + 1) % p.size()]);
  return s;
}

Surface polygon(int w, int h, const std::vector<Point64>& p, const Pen& pn,
                const Brush& br) {
  Surface s(w, h, kBg);
  kx508::platform::draw_polygon(s, pn, br, p.data(), static_cast<int>(p.size()));
  return s;
}

// ---------------------------------------------------------------------------------

TEST(Surface, SizeAndFill) {
  Surface s(3, 2, kFill);
  EXPECT_EQ(s.width(), 3);
  EXPECT_EQ(s.height(), 2);
  EXPECT_EQ(count(s, kFill), 6);
  Surface empty(-4, 5);
  EXPECT_EQ(empty.width(), 0);
  EXPECT_EQ(count(empty, kBg), 0);
  // Drawing on an empty surface is a no-op, not a crash.
  kx508::platform::draw_rectangle(empty, pen(3), kSolid, -5, -5, 5, 5);
}

TEST(Rectangle, OnePixelBoxAndEmptyBoxes) {
  Surface s(8, 8, kBg);
  kx508::platform::draw_rectangle(s, pen(1), kSolid, 5, 4, 6, 5);
  EXPECT_EQ(count(s, kPen), 1);
  EXPECT_EQ(s.pixel(5, 4), kPen);
  Surface t(8, 8, kBg);
  kx508::platform::draw_rectangle(t, kNoPen, kSolid, 5, 4, 6, 5);
  EXPECT_EQ(count(t, kFill), 1);
  EXPECT_EQ(t.pixel(5, 4), kFill);
  Surface u(8, 8, kBg);
  kx508::platform::draw_rectangle(u, pen(5), kSolid, 3, 2, 3, 6);  // zero width
  kx508::platform::draw_rectangle(u, pen(5), kSolid, 1, 4, 6, 4);  // zero height
  EXPECT_EQ(count(u, kBg), 64);
}

TEST(Rectangle, FilledBoxWithoutPen) {
  Surface s(10, 9, kBg);
  kx508::platform::draw_rectangle(s, kNoPen, kSolid, 7, 6, 2, 3);  // corners swapped
  EXPECT_EQ(count(s, kFill), 15) << art(s);
  EXPECT_EQ(s.pixel(2, 3), kFill);
  EXPECT_EQ(s.pixel(6, 5), kFill);
  EXPECT_EQ(s.pixel(1, 3), kBg);
  EXPECT_EQ(s.pixel(7, 5), kBg);
  EXPECT_EQ(s.pixel(2, 2), kBg);
  EXPECT_EQ(s.pixel(6, 6), kBg);
  Surface t(10, 9, kBg);
  kx508::platform::draw_rectangle(t, kNoPen, kHollow, 2, 3, 7, 6);
  EXPECT_EQ(count(t, kBg), 90);
}

TEST(Rectangle, OutlineWidths) {
  auto draw = [](int width, const Brush& br) {
    Surface s(12, 10, kBg);
    kx508::platform::draw_rectangle(s, pen(width), br, 3, 2, 9, 8);
    return art(s);
  };
  const std::string thin = lines(
      {"............", "............", "...######...", "...#oooo#...", "...#oooo#...",
       "...#oooo#...", "...#oooo#...", "...######...", "............", "............"});
  EXPECT_EQ(draw(1, kSolid), thin);
  EXPECT_EQ(draw(0, kSolid), thin);
  EXPECT_EQ(draw(-3, kSolid), thin);
  EXPECT_EQ(draw(2, kSolid),
            lines({"............", "..########..", "..########..", "..##oooo##..",
                   "..##oooo##..", "..##oooo##..", "..##oooo##..", "..########..",
                   "..########..", "............"}));
  EXPECT_EQ(draw(3, kHollow),
            lines({"............", "..########..", "..########..", "..########..",
                   "..###..###..", "..###..###..", "..########..", "..########..",
                   "..########..", "............"}));
}

TEST(Rectangle, WidePenBandExtents) {
  // Through the middle row: the band reaches o = w/2 outside the ring column and
  // i = (w-1)/2 inside it; the brush starts right after.
  for (int w : {4, 7, 8, 15}) {
    Surface s(120, 120, kBg);
    const int left = 40, right = 80, top = 30, bottom = 90;
    kx508::platform::draw_rectangle(s, pen(w), kSolid, left, top, right, bottom);
    const int o = w / 2, i = (w - 1) / 2, y = 60, x = 60;
    SCOPED_TRACE(w);
    EXPECT_EQ(s.pixel(left - o - 1, y), kBg);
    EXPECT_EQ(s.pixel(left - o, y), kPen);
    EXPECT_EQ(s.pixel(left + i, y), kPen);
    EXPECT_EQ(s.pixel(left + i + 1, y), kFill);
    EXPECT_EQ(s.pixel(right - 1 + o + 1, y), kBg);
    EXPECT_EQ(s.pixel(right - 1 + o, y), kPen);
    EXPECT_EQ(s.pixel(right - 1 - i, y), kPen);
    EXPECT_EQ(s.pixel(right - 2 - i, y), kFill);
    EXPECT_EQ(s.pixel(x, top - o - 1), kBg);
    EXPECT_EQ(s.pixel(x, top - o), kPen);
    EXPECT_EQ(s.pixel(x, top + i + 1), kFill);
    EXPECT_EQ(s.pixel(x, bottom - 1 + o), kPen);
    EXPECT_EQ(s.pixel(x, bottom - 2 - i), kFill);
    const int outer = (right - left + 2 * o) * (bottom - top + 2 * o);
    const int inner = (right - left - 2 - 2 * i) * (bottom - top - 2 - 2 * i);
    EXPECT_EQ(count(s, kFill), inner);
    EXPECT_EQ(count(s, kPen), outer - inner);
  }
  // A pen wider than the box swallows the interior.
  Surface s(20, 20, kBg);
  kx508::platform::draw_rectangle(s, pen(6), kSolid, 8, 8, 11, 12);
  EXPECT_EQ(count(s, kFill), 0);
  EXPECT_EQ(count(s, kPen), 9 * 10);
  EXPECT_EQ(s.pixel(5, 5), kPen);
  EXPECT_EQ(s.pixel(13, 14), kPen);
}

TEST(Rectangle, ClippingMatchesTheUnclippedDrawing) {
  // Boxes hanging over each edge and corner, drawn on a small surface and on a big one
  // holding it at offset (50, 50).
  const int w = 16, h = 12, m = 50;
  const int boxes[][4] = {{-5, 3, 6, 8},   {10, 3, 25, 8},   {4, -6, 9, 5},
                          {4, 7, 9, 30},   {-9, -9, 30, 30}, {-3, -4, 2, 3},
                          {14, 10, 19, 14}};
  for (const auto& b : boxes)
    for (int pw : {1, 2, 5}) {
      Surface small(w, h, kBg), big(w + 2 * m, h + 2 * m, kBg);
      kx508::platform::draw_rectangle(small, pen(pw), kSolid, b[0], b[1], b[2], b[3]);
      kx508::platform::draw_rectangle(big, pen(pw), kSolid, b[0] + m, b[1] + m, b[2] + m,
                               b[3] + m);
      EXPECT_EQ(art(small), art(crop(big, m, m, w, h)))
          << b[0] << "," << b[1] << " pen " << pw;
    }
}

TEST(Rectangle, ExtremeArguments) {
  const int64_t far = int64_t{1} << 32;
  Surface s(601, 540, kBg);
  kx508::platform::draw_rectangle(s, pen(INT_MAX), kSolid, 10, 10, 20, 20);
  EXPECT_EQ(count(s, kPen), 601 * 540);

  Surface t(601, 540, kBg);
  kx508::platform::draw_rectangle(t, pen(1), kSolid, -far, -far, far, far);
  EXPECT_EQ(count(t, kFill), 601 * 540);

  Surface u(601, 540, kBg);  // only the right ring column is on the surface
  kx508::platform::draw_rectangle(u, pen(1), kSolid, -2 * far, -far, 5, far);
  EXPECT_EQ(count(u, kPen), 540);
  EXPECT_EQ(count(u, kFill), 4 * 540);

  Surface v(601, 540, kBg);  // entirely off to the right, pen reaching back 2^30
  kx508::platform::draw_rectangle(v, pen(INT_MAX), kSolid, 300 + int64_t{INT_MAX} + (1 << 30), 0,
                           4 * far, 9);
  EXPECT_EQ(count(v, kBg), 601 * 540);

  Surface x(64, 64, kBg);
  kx508::platform::draw_rectangle(x, pen(INT_MAX), kSolid, INT64_MIN, INT64_MIN, INT64_MAX,
                           INT64_MAX);
  EXPECT_EQ(count(x, kFill), 64 * 64);
}

TEST(PolygonFill, HandCheckedShapes) {
  const Pen p = kNoPen;
  EXPECT_EQ(art(polygon(6, 6, {{0, 0}, {4, 0}, {0, 4}}, p, kSolid)),
            lines({"ooooo.", "oooo..", "ooo...", "oo....", "o.....", "......"}));
  // Sliver: rows cross at x = 0; 2..3; 4..6; 6.
  EXPECT_EQ(art(polygon(8, 4, {{0, 0}, {6, 2}, {6, 3}}, p, kSolid)),
            lines({"o.......", "..oo....", "....ooo.", "......o."}));
  // Collinear points: just the lattice points on the segment.
  EXPECT_EQ(art(polygon(9, 5, {{0, 0}, {8, 4}, {4, 2}}, p, kSolid)),
            lines({"o........", "..o......", "....o....", "......o..", "........o"}));
  EXPECT_EQ(count(polygon(5, 5, {{3, 2}}, p, kSolid), kFill), 1);
  EXPECT_EQ(polygon(5, 5, {{3, 2}}, p, kSolid).pixel(3, 2), kFill);
  Surface none(5, 5, kBg);
  kx508::platform::draw_polygon(none, pen(3), kSolid, nullptr, 0);
  Point64 pt{2, 2};
  kx508::platform::draw_polygon(none, pen(3), kSolid, &pt, -1);
  EXPECT_EQ(count(none, kBg), 25);
}

TEST(PolygonFill, EvenOddRule) {
  // A square walked twice has winding number 2 inside: even-odd leaves only its
  // boundary.
  const std::vector<Point64> twice = {{1, 1}, {6, 1}, {6, 6}, {1, 6},
                                      {1, 1}, {6, 1}, {6, 6}, {1, 6}};
  Surface s = polygon(8, 8, twice, kNoPen, kSolid);
  EXPECT_EQ(count(s, kFill), 20) << art(s);
  EXPECT_EQ(s.pixel(3, 3), kBg);
  // A bow tie: two triangles meeting at (3, 3).
  const std::vector<Point64> bow = {{0, 0}, {6, 6}, {6, 0}, {0, 6}};
  EXPECT_EQ(art(polygon(8, 8, bow, kNoPen, kSolid)),
            art(oracle_polygon(8, 8, bow, kNoOutline, true)));
}

// Small polygons are drawn from storage inside the rasterizer; these have more points
// than fit there, so their edges and crossings spill over while a row is drawn.
TEST(PolygonManyPoints, MatchesOracleWithFillThinAndWidePens) {
  std::mt19937 rng(7508);
  std::uniform_int_distribution<int64_t> coord(-8, 36);
  std::uniform_int_distribution<int> points(5, 24);
  for (int n = 0; n < 120; ++n) {
    std::vector<Point64> p(points(rng));
    for (Point64& q : p) q = {coord(rng), coord(rng)};
    ASSERT_EQ(art(polygon(30, 26, p, kNoPen, kSolid)),
              art(oracle_polygon(30, 26, p, kNoOutline, true)))
        << p.size() << " points, shape " << n;
    ASSERT_EQ(art(polygon(30, 26, p, pen(1), kSolid)), art(oracle_polygon(30, 26, p, 1, true)))
        << p.size() << " points, shape " << n;
    const int w = 2 + n % 6;
    ASSERT_EQ(art(polygon(30, 26, p, pen(w), kHollow)),
              art(oracle_polygon(30, 26, p, w, false)))
        << p.size() << " points, width " << w << ", shape " << n;
  }
  // A rectangle's outline walked with a point every pixel paints what its four corners do.
  std::vector<Point64> dense;
  for (int64_t x = 3; x < 25; ++x) dense.push_back({x, 4});
  for (int64_t y = 4; y < 20; ++y) dense.push_back({25, y});
  for (int64_t x = 25; x > 3; --x) dense.push_back({x, 20});
  for (int64_t y = 20; y > 4; --y) dense.push_back({3, y});
  const std::vector<Point64> corners = {{3, 4}, {25, 4}, {25, 20}, {3, 20}};
  for (int w : {1, 4, 9})
    EXPECT_EQ(art(polygon(30, 26, dense, pen(w), kSolid)),
              art(polygon(30, 26, corners, pen(w), kSolid)))
        << "width " << w;
}

TEST(PolygonFill, MatchesOracleAndIgnoresVertexOrder) {
  std::mt19937 rng(508);
  std::uniform_int_distribution<int64_t> coord(-12, 40);
  for (int n = 0; n < 300; ++n) {
    std::vector<Point64> t = {
        {coord(rng), coord(rng)}, {coord(rng), coord(rng)}, {coord(rng), coord(rng)}};
    const std::string want = art(oracle_polygon(30, 26, t, kNoOutline, true));
    std::sort(t.begin(), t.end(),
              [](auto a, auto b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    do {
      ASSERT_EQ(art(polygon(30, 26, t, kNoPen, kSolid)), want)
          << t[0].x << "," << t[0].y << " " << t[1].x << "," << t[1].y << " " << t[2].x
          << "," << t[2].y;
    } while (std::next_permutation(t.begin(), t.end(), [](auto a, auto b) {
      return a.x != b.x ? a.x < b.x : a.y < b.y;
    }));
  }
}

TEST(PolygonLine, RoundingAndDirection) {
  auto seg = [](Point64 a, Point64 b) {
    return art(polygon(5, 5, {a, b}, pen(1), kHollow));
  };
  // Halves round towards +infinity, whichever way the line is drawn.
  const std::string shallow = lines({"#....", ".##..", "...##", ".....", "....."});
  EXPECT_EQ(seg({0, 0}, {4, 2}), shallow);
  EXPECT_EQ(seg({4, 2}, {0, 0}), shallow);
  const std::string falling = lines({"....#", "..##.", "##...", ".....", "....."});
  EXPECT_EQ(seg({0, 2}, {4, 0}), falling);
  EXPECT_EQ(seg({4, 0}, {0, 2}), falling);
  EXPECT_EQ(seg({0, 0}, {2, 4}), lines({"#....", ".#...", ".#...", "..#..", "..#.."}));
  EXPECT_EQ(art(polygon(5, 5, {{0, 0}, {2, 4}}, pen(0), kHollow)),
            lines({"#....", ".#...", ".#...", "..#..", "..#.."}));
  EXPECT_EQ(count(polygon(5, 5, {{1, 3}}, pen(1), kHollow), kPen), 1);
}

TEST(PolygonLine, MatchesOracleAndClippingNeverMovesPixels) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int64_t> coord(-60, 90);
  const int w = 30, h = 24, m = 70;
  for (int n = 0; n < 400; ++n) {
    std::vector<Point64> t = {
        {coord(rng), coord(rng)}, {coord(rng), coord(rng)}, {coord(rng), coord(rng)}};
    const Brush br = n % 2 ? kSolid : kHollow;
    Surface got = polygon(w, h, t, pen(1), br);
    ASSERT_EQ(art(got), art(oracle_polygon(w, h, t, 1, !br.hollow)))
        << t[0].x << "," << t[0].y << " " << t[1].x << "," << t[1].y << " " << t[2].x
        << "," << t[2].y;
    std::vector<Point64> moved = t;
    for (Point64& p : moved) p = {p.x + m, p.y + m};
    ASSERT_EQ(art(got),
              art(crop(polygon(w + 2 * m, h + 2 * m, moved, pen(1), br), m, m, w, h)));
  }
}

TEST(PolygonLine, EveryShortLineAroundTheEdges) {
  // Lines that leave the surface on any side, including those passing exactly half a
  // pixel outside it, which round back in on one side only.
  const int w = 6, h = 5;
  for (int64_t x0 = -3; x0 <= w + 2; ++x0)
    for (int64_t y0 = -3; y0 <= h + 2; ++y0)
      for (int64_t x1 = -3; x1 <= w + 2; ++x1)
        for (int64_t y1 = -3; y1 <= h + 2; ++y1) {
          Surface want(w, h, kBg);
          oracle_line(want, {x0, y0}, {x1, y1});
          const Surface got = polygon(w, h, {{x0, y0}, {x1, y1}}, pen(1), kHollow);
          ASSERT_TRUE(std::equal(got.data(), got.data() + w * h, want.data()))
              << x0 << "," << y0 << " to " << x1 << "," << y1 << "\n"
              << art(got);
        }
}

TEST(PolygonWidePen, HandCheckedDiscsAndBands) {
  EXPECT_EQ(count(polygon(9, 9, {{4, 4}}, pen(2), kHollow), kPen), 5);   // r = 1
  EXPECT_EQ(count(polygon(9, 9, {{4, 4}}, pen(3), kHollow), kPen), 9);   // r = 1.5
  EXPECT_EQ(count(polygon(9, 9, {{4, 4}}, pen(4), kHollow), kPen), 13);  // r = 2
  // Horizontal segment, r = 2: the round caps add 0, 1, 2, 1, 0 pixels per side.
  EXPECT_EQ(
      art(polygon(21, 5, {{5, 2}, {15, 2}}, pen(4), kHollow)),
      lines({".....###########.....", "....#############....", "...###############...",
             "....#############....", ".....###########....."}));
}

TEST(PolygonWidePen, MatchesOracleIncludingExactTangents) {
  // Directions with whole-number lengths put lattice points exactly at distance w/2.
  const std::vector<std::vector<Point64>> shapes = {{{10, 10}, {13, 14}},
                                                    {{4, 20}, {16, 11}},
                                                    {{3, 3}, {23, 18}, {8, 22}},
                                                    {{-5, 12}, {35, 0}, {12, 40}},
                                                    {{15, 15}, {15, 15}}};
  for (const auto& p : shapes)
    for (int w = 2; w <= 12; ++w) {
      ASSERT_EQ(art(polygon(30, 26, p, pen(w), kHollow)),
                art(oracle_polygon(30, 26, p, w, false)))
          << "width " << w << " first point " << p[0].x << "," << p[0].y;
    }
  std::mt19937 rng(11);
  std::uniform_int_distribution<int64_t> coord(-20, 50);
  std::uniform_int_distribution<int> width(2, 14);
  for (int n = 0; n < 300; ++n) {
    const std::vector<Point64> t = {
        {coord(rng), coord(rng)}, {coord(rng), coord(rng)}, {coord(rng), coord(rng)}};
    const int w = width(rng);
    const bool fill = n % 3 == 0;
    ASSERT_EQ(art(polygon(30, 26, t, pen(w), fill ? kSolid : kHollow)),
              art(oracle_polygon(30, 26, t, w, fill)))
        << "width " << w << ": " << t[0].x << "," << t[0].y << " " << t[1].x << ","
        << t[1].y << " " << t[2].x << "," << t[2].y;
  }
}

Wide exact_isqrt(Wide m) {
  Wide lo = 0, hi = Wide{1} << 62;
  while (lo < hi) {
    const Wide mid = (lo + hi + 1) / 2;
    if (mid * mid <= m)
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}

// Where a steep segment (1, d) starts, less (3, 3), so that pixel (3, 3) lies where twice
// its cross product is the even number next to width * |b - a|: just inside or just
// outside a pen of that width. It is slid along itself (same cross product) until (3, 3)
// projects inside it, where the band rather than an end disc decides.
Point64 band_edge_start(int width, int64_t d) {
  const Wide s = exact_isqrt(Wide{width} * width * (1 + Wide{d} * d));
  const Wide target = s % 2 == 0 ? s : s + 1;
  int64_t q = -static_cast<int64_t>(target / (2 * d));
  int64_t p = static_cast<int64_t>(target / 2 + Wide{d} * q);
  const int64_t len2 = 1 + d * d, dot = q + p * d;
  const int64_t k = (dot <= 0 ? -dot / len2 + 1 : 0);
  return {q + k, p + k * d};
}

TEST(PolygonWidePen, BoundaryPixelsAtLargeWidths) {
  // Pixel (3, 3) on the band edge of a steep segment, which needs 100-bit products and a
  // square root.
  auto check = [](int w, int64_t d) {
    const auto [q, p] = band_edge_start(w, d);
    const std::vector<Point64> seg = {{3 - q, 3 - p}, {4 - q, 3 - p + d}};
    const Surface got = polygon(8, 8, seg, pen(w), kHollow);
    const Surface want = oracle_polygon(8, 8, seg, w, false);
    return std::equal(got.data(), got.data() + 64, want.data());
  };
  // Widths where width^2 (1 + d^2) lies 4 below or 4 above an even square, from the
  // identities (2d^2+1)^2 - (1+d^2)(2d)^2 = 1 and (4d^3+3d)^2 - (1+d^2)(4d^2+1)^2 = -1.
  for (int64_t d = 1 << 18; d < (1 << 18) + 1000; ++d)
    ASSERT_TRUE(check(static_cast<int>(4 * d), d)) << "width 4d, d " << d;
  for (int64_t d = 3000; d < 4000; ++d)
    ASSERT_TRUE(check(static_cast<int>(8 * d * d + 2), d)) << "width 8d^2+2, d " << d;
  std::mt19937_64 rng(3);
  for (int n = 0; n < 5000; ++n) {
    const int64_t d = 2 + static_cast<int64_t>(rng() % (1 << 25));
    const int w = 2 + static_cast<int>(rng() % (1 << 27));
    ASSERT_TRUE(check(w, d)) << "width " << w << " d " << d;
  }
}

TEST(PolygonExtreme, HugeShapesPaintTheVisiblePixels) {
  const int64_t big = int64_t{1} << 32, huge = int64_t{1} << 33;
  const int w = 601, h = 540;
  // A triangle around the whole surface, edges far outside: all brush.
  const std::vector<Point64> around = {{-big, -big}, {huge, -big}, {-big, huge}};
  EXPECT_EQ(count(polygon(w, h, around, pen(1), kSolid), kFill), w * h);
  // Edges that cross the surface keep their exact pixels: y >= x, diagonal in pen.
  const std::vector<Point64> half = {{-huge, -huge}, {huge, huge}, {-huge, huge}};
  Surface s = polygon(w, h, half, pen(1), kSolid);
  for (int y = 0; y < h; y += 7)
    for (int x = 0; x < w; x += 5)
      ASSERT_EQ(s.pixel(x, y), x == y ? kPen : x < y ? kFill : kBg) << x << "," << y;
  EXPECT_EQ(count(s, kPen), h);
  // 300 + INT_MAX style coordinates, a pen as wide as an int allows.
  const int64_t edge = 300 + int64_t{INT_MAX};
  const std::vector<Point64> wide = {{edge, edge}, {-edge, edge}, {edge, -edge}};
  EXPECT_EQ(count(polygon(w, h, wide, pen(INT_MAX), kHollow), kPen), w * h);
  EXPECT_EQ(count(polygon(w, h, {{edge, 0}}, pen(2000000000), kHollow), kPen), 0);
  EXPECT_EQ(count(polygon(w, h, {{900000000, 200}}, pen(2000000000), kHollow), kPen),
            w * h);
  // Far-out segments: a 40-wide band whose centre line runs at y = 200.5 (+ 4e-6).
  const std::vector<Point64> band = {{-huge, 150}, {huge, 251}};
  Surface b = polygon(w, h, band, pen(40), kHollow);
  EXPECT_EQ(count(b, kPen), 40 * w);
  EXPECT_EQ(b.pixel(0, 181), kPen);
  EXPECT_EQ(b.pixel(600, 220), kPen);
  EXPECT_EQ(b.pixel(300, 180), kBg);
  EXPECT_EQ(b.pixel(300, 221), kBg);
  // A disc centred 2^30 away whose rim reaches x = 500 on row 270.
  const int64_t r = (int64_t{1} << 30) - 1;
  Surface d = polygon(w, h, {{r + 500, 270}}, pen(static_cast<int>(2 * r)), kHollow);
  EXPECT_EQ(d.pixel(500, 270), kPen);
  EXPECT_EQ(d.pixel(499, 270), kBg);
  EXPECT_EQ(d.pixel(600, 0), kPen);
  EXPECT_EQ(d.pixel(500, 0), kBg);
  // The same disc from below: its top is the single pixel (300, 100).
  Surface top = polygon(w, h, {{300, r + 100}}, pen(static_cast<int>(2 * r)), kHollow);
  EXPECT_EQ(top.pixel(300, 100), kPen);
  EXPECT_EQ(top.pixel(299, 100), kBg);
  EXPECT_EQ(top.pixel(301, 100), kBg);
  EXPECT_EQ(top.pixel(300, 99), kBg);
}

TEST(PolygonExtreme, ExactAtTwoToThe24) {
  const int64_t e = int64_t{1} << 24;
  const std::vector<std::vector<Point64>> shapes = {
      {{-e, 5}, {e, 9}, {3, 20}},
      {{-e, -e + 3}, {e, e + 11}, {-e + 7, e}},
      {{e, -e}, {-e + 1, e - 5}, {e - 2, e}},
      {{4, -e}, {9, e}, {-e, 13}}};
  for (const auto& p : shapes) {
    EXPECT_EQ(art(polygon(30, 26, p, pen(1), kSolid)),
              art(oracle_polygon(30, 26, p, 1, true)));
    for (int w : {2, 5, 8})
      EXPECT_EQ(art(polygon(30, 26, p, pen(w), kSolid)),
                art(oracle_polygon(30, 26, p, w, true)))
          << "width " << w;
  }
}

TEST(PolygonExtreme, Int64LimitsStaySane) {
  // Nonsense input: only asked not to crash or misbehave, and to paint only its colours.
  const std::vector<Point64> p = {{INT64_MIN, INT64_MIN}, {INT64_MAX, 0}, {0, INT64_MAX}};
  for (int pw : {1, 2, INT_MAX}) {
    Surface s = polygon(40, 30, p, pen(pw), kSolid);
    EXPECT_EQ(count(s, kBg) + count(s, kFill) + count(s, kPen), 40 * 30);
  }
}

TEST(CopySurface, MatchesPerPixelClipping) {
  Surface src(13, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 13; ++x) src.set_pixel(x, y, rgb(x, y, 7));
  const int offsets[] = {INT_MIN, -20, -3, 0, 2, INT_MAX};
  const int sizes[] = {-1, 0, 1, 5, INT_MAX};
  for (int dx : offsets)
    for (int dy : offsets)
      for (int sx : offsets)
        for (int sy : offsets)
          for (int w : sizes)
            for (int h : sizes) {
              Surface dst(10, 7, kBg), want(10, 7, kBg);
              kx508::platform::copy_surface(dst, dx, dy, src, sx, sy, w, h);
              for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 10; ++x) {
                  const int64_t u = int64_t{x} - dx, v = int64_t{y} - dy;  // within block
                  const int64_t fx = sx + u, fy = sy + v;
                  if (u >= 0 && v >= 0 && u < w && v < h && fx >= 0 && fy >= 0 &&
                      fx < 13 && fy < 9)
                    want.set_pixel(x, y,
                                   src.pixel(static_cast<int>(fx), static_cast<int>(fy)));
                }
              ASSERT_TRUE(std::equal(dst.data(), dst.data() + 70, want.data()))
                  << dx << " " << dy << " " << sx << " " << sy << " " << w << " " << h;
            }
}

TEST(CopySurface, OverlappingCopyWithinOneSurface) {
  for (int shift : {-3, -1, 1, 3}) {
    Surface s(12, 10);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 12; ++x) s.set_pixel(x, y, rgb(x, y, 1));
    const Surface before = s;
    kx508::platform::copy_surface(s, 2 + shift, 2 + shift, s, 2, 2, 6, 6);
    Surface want = before;
    kx508::platform::copy_surface(want, 2 + shift, 2 + shift, before, 2, 2, 6, 6);
    EXPECT_TRUE(std::equal(s.data(), s.data() + 120, want.data())) << shift;
  }
}

// ---------------------------------------------------------------------------------
// Lines

Surface line(int w, int h, Point64 a, Point64 b, int width) {
  Surface s(w, h, kBg);
  kx508::platform::draw_line(s, pen(width), a, b);
  return s;
}

// The one-pixel line's rule, from the exact line in floating point (small coordinates,
// where a half is exact): in each column (row) along the longer axis the nearest pixel;
// a half goes towards the nearer end point's side, the very middle takes both.
void oracle_symmetric_line(Surface& s, Point64 p, Point64 q) {
  const bool x_major = std::abs(q.x - p.x) >= std::abs(q.y - p.y);
  int64_t a0 = x_major ? p.x : p.y, b0 = x_major ? p.y : p.x;
  int64_t a1 = x_major ? q.x : q.y, b1 = x_major ? q.y : q.x;
  auto put = [&](int64_t a, int64_t b) {
    const int64_t x = x_major ? a : b, y = x_major ? b : a;
    if (s.contains(static_cast<int>(x), static_cast<int>(y)))
      s.set_pixel(static_cast<int>(x), static_cast<int>(y), kPen);
  };
  if (a0 == a1) return put(a0, b0);
  for (int64_t a = std::min(a0, a1); a <= std::max(a0, a1); ++a) {
    const double exact = b0 + static_cast<double>(b1 - b0) * (a - a0) / (a1 - a0);
    const double below = std::floor(exact);
    if (exact - below != 0.5) {
      put(a, static_cast<int64_t>(std::floor(exact + 0.5)));
      continue;
    }
    const int64_t near_a0 = 2 * std::abs(a - a0), near_a1 = 2 * std::abs(a - a1);
    const int64_t low = static_cast<int64_t>(below);
    if (near_a0 == near_a1) {
      put(a, low);
      put(a, low + 1);
    } else {
      const int64_t toward = near_a0 < near_a1 ? b0 : b1;  // the nearer end's side
      put(a, toward < exact ? low : low + 1);
    }
  }
}

// The image turned by a mirroring or quarter turn of a square surface: kind 0 mirrors
// x, 1 mirrors y, 2 swaps x and y, 3 turns it half round.
Point64 transform(Point64 p, int kind, int size) {
  switch (kind) {
    case 0: return {size - 1 - p.x, p.y};
    case 1: return {p.x, size - 1 - p.y};
    case 2: return {p.y, p.x};
    default: return {size - 1 - p.x, size - 1 - p.y};
  }
}

Surface transformed(const Surface& s, int kind) {
  Surface out(s.width(), s.height(), kBg);
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) {
      const Point64 t = transform({x, y}, kind, s.width());
      out.set_pixel(static_cast<int>(t.x), static_cast<int>(t.y), s.pixel(x, y));
    }
  return out;
}

TEST(Line, HalvesRoundTowardsTheirOwnEnds) {
  // The triangle's edge rounds every half up; a line rounds the half nearer each end
  // towards that end, so it is the same turned half round.
  const std::string shallow = lines({"##...", "..#..", "...##", ".....", "....."});
  EXPECT_EQ(art(line(5, 5, {0, 0}, {4, 2}, 1)), shallow);
  EXPECT_EQ(art(line(5, 5, {4, 2}, {0, 0}, 0)), shallow);
  EXPECT_EQ(art(line(5, 5, {0, 2}, {4, 0}, 1)),
            lines({"...##", "..#..", "##...", ".....", "....."}));
  EXPECT_EQ(art(line(5, 5, {0, 0}, {2, 4}, 1)),
            lines({"#....", "#....", ".#...", "..#..", "..#.."}));
  // The very middle halfway between two pixels: both.
  EXPECT_EQ(art(line(3, 2, {0, 0}, {2, 1}, 1)), lines({"##.", ".##"}));
  EXPECT_EQ(art(line(5, 5, {1, 3}, {1, 3}, 1)),
            lines({".....", ".....", ".....", ".#...", "....."}));
  EXPECT_EQ(art(line(6, 2, {5, 1}, {0, 1}, 0)), lines({"......", "######"}));
  // A line is pen only: no pen, nothing.
  Surface s(5, 5, kBg);
  kx508::platform::draw_line(s, kNoPen, {0, 0}, {4, 4});
  EXPECT_EQ(count(s, kBg), 25);
}

TEST(Line, MatchesTheRuleBothEndsEitherWayAndSymmetric) {
  std::mt19937 rng(17);
  std::uniform_int_distribution<int64_t> coord(0, 39);
  const int n = 40;
  for (int k = 0; k < 1000; ++k) {
    const Point64 a{coord(rng), coord(rng)}, b{coord(rng), coord(rng)};
    const Surface got = line(n, n, a, b, 1);
    Surface want(n, n, kBg);
    oracle_symmetric_line(want, a, b);
    ASSERT_EQ(art(got), art(want)) << a.x << "," << a.y << " to " << b.x << "," << b.y;
    ASSERT_EQ(got.pixel(static_cast<int>(a.x), static_cast<int>(a.y)), kPen);
    ASSERT_EQ(got.pixel(static_cast<int>(b.x), static_cast<int>(b.y)), kPen);
    ASSERT_EQ(art(line(n, n, b, a, 1)), art(got));
    // Symmetric about its middle: the same line turned half round about it.
    const Surface turned = line(n, n, transform(a, 3, n), transform(b, 3, n), 1);
    ASSERT_EQ(art(transformed(turned, 3)), art(got));
    // Mirrored or transposed, the line's pixels are the mirrored pixels.
    for (int kind = 0; kind < 3; ++kind)
      ASSERT_EQ(art(line(n, n, transform(a, kind, n), transform(b, kind, n), 1)),
                art(transformed(got, kind)))
          << "kind " << kind << ": " << a.x << "," << a.y << " to " << b.x << "," << b.y;
    // One pixel per column along the longer axis, two at a middle that is a half.
    const int64_t along = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
    const int pixels = count(got, kPen);
    ASSERT_TRUE(pixels == along + 1 || pixels == along + 2) << pixels;
  }
}

TEST(Line, EveryShortLineAroundTheEdgesAndClippingNeverMovesPixels) {
  const int w = 6, h = 5, m = 40;
  for (int64_t x0 = -3; x0 <= w + 2; ++x0)
    for (int64_t y0 = -3; y0 <= h + 2; ++y0)
      for (int64_t x1 = -3; x1 <= w + 2; ++x1)
        for (int64_t y1 = -3; y1 <= h + 2; ++y1) {
          Surface want(w, h, kBg);
          oracle_symmetric_line(want, {x0, y0}, {x1, y1});
          const Surface got = line(w, h, {x0, y0}, {x1, y1}, 1);
          ASSERT_TRUE(std::equal(got.data(), got.data() + w * h, want.data()))
              << x0 << "," << y0 << " to " << x1 << "," << y1 << "\n"
              << art(got);
        }
  std::mt19937 rng(5);
  std::uniform_int_distribution<int64_t> coord(-30, 40);
  for (int k = 0; k < 500; ++k) {
    const Point64 a{coord(rng), coord(rng)}, b{coord(rng), coord(rng)};
    for (int width : {1, 2, 5}) {
      const Surface small = line(w, h, a, b, width);
      const Surface big = line(w + 2 * m, h + 2 * m, {a.x + m, a.y + m}, {b.x + m, b.y + m}, width);
      ASSERT_EQ(art(small), art(crop(big, m, m, w, h)))
          << a.x << "," << a.y << " to " << b.x << "," << b.y << " width " << width;
    }
  }
}

TEST(Line, WideLinesAreThePolygonsWidePen) {
  // Every pixel within width / 2 of the segment: a triangle with two equal corners,
  // outlined with the same width.
  std::mt19937 rng(23);
  std::uniform_int_distribution<int64_t> coord(-10, 40);
  std::uniform_int_distribution<int> width(2, 16);
  for (int k = 0; k < 1500; ++k) {
    const Point64 a{coord(rng), coord(rng)}, b{coord(rng), coord(rng)};
    const int w = width(rng);
    const Surface got = line(32, 28, a, b, w);
    ASSERT_EQ(art(got), art(oracle_polygon(32, 28, {a, b}, w, false)))
        << a.x << "," << a.y << " to " << b.x << "," << b.y << " width " << w;
    ASSERT_EQ(art(got), art(polygon(32, 28, {a, b, b}, pen(w), kHollow)));
    ASSERT_EQ(art(line(32, 28, b, a, w)), art(got));
  }
  // Horizontal: an odd width is as many rows, an even one a row more (the line is
  // centred on a row of pixels).
  EXPECT_EQ(art(line(9, 5, {2, 2}, {6, 2}, 3)),
            lines({".........", ".#######.", ".#######.", ".#######.", "........."}));
  EXPECT_EQ(art(line(9, 5, {2, 2}, {6, 2}, 2)),
            lines({".........", "..#####..", ".#######.", "..#####..", "........."}));
}

TEST(Line, ExactAtTheIntRangesEnds) {
  const int w = 601, h = 540;
  const int64_t lo = int64_t{INT_MIN} - 300, hi = int64_t{INT_MAX} + 300;
  // Across the whole int range: the pixel in each column is the exact line's, rounded
  // as the rule says, computed here in 128 bits.
  for (const auto& [a, b] : std::vector<std::pair<Point64, Point64>>{{{lo, -7}, {hi, 550}},
                                                                     {{hi, 3}, {lo, 530}},
                                                                     {{lo, lo}, {hi, hi}},
                                                                     {{lo, hi}, {hi, lo + 1}},
                                                                     {{-5, lo}, {600, hi}}}) {
    const Surface got = line(w, h, a, b, 1);
    const bool x_major = std::abs(b.x - a.x) >= std::abs(b.y - a.y);
    const Wide a0 = x_major ? a.x : a.y, b0 = x_major ? a.y : a.x;
    const Wide a1 = x_major ? b.x : b.y, b1 = x_major ? b.y : b.x;
    int painted = 0;
    for (int64_t t = 0; t < (x_major ? w : h); ++t) {
      // 2 (a1 - a0) times the exact b; halves here fall nowhere near the middle.
      const Wide num = 2 * b0 * (a1 - a0) + 2 * (b1 - b0) * (t - a0);
      const Wide den = 2 * (a1 - a0);
      const Wide n = den > 0 ? num : -num, d = den > 0 ? den : -den;
      Wide floor2 = (n + d / 2) / d;  // rounds halves up (n + d/2 >= 0 here or not)
      if ((n + d / 2) % d != 0 && n + d / 2 < 0) --floor2;
      if ((n + d / 2) % d == 0 && (n % d) != 0) {
        // A half: towards the nearer end.
        const bool near_a0 = 2 * (t - a0 < 0 ? a0 - t : t - a0) < (a1 > a0 ? a1 - a0 : a0 - a1);
        const Wide toward = near_a0 ? b0 : b1;
        if (2 * toward < 2 * floor2 - 1) --floor2;
      }
      const int64_t other = static_cast<int64_t>(floor2);
      const int64_t x = x_major ? t : other, y = x_major ? other : t;
      if (x >= 0 && x < w && y >= 0 && y < h) {
        ++painted;
        ASSERT_EQ(got.pixel(static_cast<int>(x), static_cast<int>(y)), kPen)
            << a.x << "," << a.y << " to " << b.x << "," << b.y << " at " << t;
      }
    }
    EXPECT_EQ(count(got, kPen), painted);
  }
  // The diagonal through the corner pixels.
  EXPECT_EQ(count(line(w, h, {lo, lo}, {hi, hi}, 1), kPen), h);
}

TEST(Line, WideLinesFarOutAreExact) {
  const int w = 601, h = 540;
  // A round end 2^30 - 1 wide in radius whose rim reaches x = 300 on row 270, from a
  // segment that starts 2^32 to the left.
  const int64_t r = (int64_t{1} << 30) - 1;
  const Point64 end{300 - r, 270};
  const Surface cap = line(w, h, {-(int64_t{1} << 32), 270}, end, static_cast<int>(2 * r));
  EXPECT_EQ(cap.pixel(300, 270), kPen);
  EXPECT_EQ(cap.pixel(301, 270), kBg);
  for (int y : {0, 100, 269, 271, 539}) {
    const Wide dy = y - 270;
    const int64_t reach = static_cast<int64_t>(exact_isqrt(Wide{r} * r - dy * dy));
    EXPECT_EQ(cap.pixel(static_cast<int>(end.x + reach), y), kPen) << y;
    EXPECT_EQ(cap.pixel(static_cast<int>(end.x + reach + 1), y), kBg) << y;
  }
  // Long lines far out with moderate widths against the exact capsule: the band's edge
  // needs the square root of a product past 128 bits' reach of the fast path.
  std::mt19937_64 rng(9);
  for (int k = 0; k < 300; ++k) {
    const int64_t far = int64_t{1} << 30;
    const int64_t dx = 1 + static_cast<int64_t>(rng() % 50),
                  dy = static_cast<int64_t>(rng() % 7) - 3;
    const int64_t steps = far / 64 + static_cast<int64_t>(rng() % 1000);
    const Point64 mid{static_cast<int64_t>(rng() % 40), static_cast<int64_t>(rng() % 30)};
    const Point64 a{mid.x - steps * dx, mid.y - steps * dy},
        b{mid.x + steps * dx, mid.y + steps * dy};
    const int width = 2 + static_cast<int>(rng() % 30);
    ASSERT_EQ(art(line(40, 30, a, b, width)), art(oracle_polygon(40, 30, {a, b}, width, false)))
        << a.x << "," << a.y << " to " << b.x << "," << b.y << " width " << width;
  }
  // A steep segment (1, d) whose band edge falls next to pixel (3, 3), slid out to
  // about 2^30 along itself, which keeps the edge where it was: the pixels stay exact.
  auto check = [](int width, int64_t d, int64_t slide) {
    const auto [q, p] = band_edge_start(width, d);
    const Point64 a{3 - q - slide, 3 - p - slide * d}, b{4 - q + slide, 3 - p + d + slide * d};
    const Surface got = line(8, 8, a, b, width);
    const Surface want = oracle_polygon(8, 8, {a, b}, width, false);
    return std::equal(got.data(), got.data() + 64, want.data());
  };
  for (int64_t d = 1000; d < 1400; ++d)
    ASSERT_TRUE(check(static_cast<int>(4 * d), d, (int64_t{1} << 30) / d)) << d;
  for (int n = 0; n < 2000; ++n) {
    const int64_t d = 2 + static_cast<int64_t>(rng() % 4000);
    const int width = 2 + static_cast<int>(rng() % (1 << 20));
    ASSERT_TRUE(check(width, d, (int64_t{1} << 30) / d)) << "width " << width << " d " << d;
  }
}

TEST(Line, ArgumentsAtTheClampStaySane) {
  for (int width : {0, 1, 2, 7, INT_MAX}) {
    Surface s = line(40, 30, {INT64_MIN, INT64_MIN}, {INT64_MAX, INT64_MAX / 3}, width);
    EXPECT_EQ(count(s, kBg) + count(s, kPen), 40 * 30);
    Surface t = line(40, 30, {INT64_MAX, 5}, {INT64_MIN, 5}, width);
    EXPECT_EQ(count(t, kBg) + count(t, kPen), 40 * 30);
  }
  // The widest pen from far away reaches the whole surface.
  EXPECT_EQ(count(line(601, 540, {int64_t{INT_MAX} + 300, 0}, {int64_t{INT_MAX} + 300, 9}, INT_MAX),
                  kPen),
            0);
  EXPECT_EQ(count(line(601, 540, {900000000, 200}, {900000000, 900}, 2000000000), kPen), 601 * 540);
}

// ---------------------------------------------------------------------------------
// Ellipses

Surface ellipse(int w, int h, int64_t l, int64_t t, int64_t r, int64_t b, const Pen& pn,
                const Brush& br) {
  Surface s(w, h, kBg);
  kx508::platform::draw_ellipse(s, pn, br, l, t, r, b);
  return s;
}

// Whether pixel (x, y) lies in the ellipse of the box left..right-1, top..bottom-1:
// in doubled coordinates about its centre, u^2 / n^2 + v^2 / m^2 <= 1.
bool in_ellipse(int64_t l, int64_t t, int64_t r, int64_t b, int64_t x, int64_t y) {
  const Wide n = r - l, m = b - t;
  if (n <= 0 || m <= 0 || x < l || x >= r || y < t || y >= b) return false;
  const Wide u = 2 * x - (l + r - 1), v = 2 * y - (t + b - 1);
  return u * u * m * m + v * v * n * n <= n * n * m * m;
}

Surface oracle_ellipse(int w, int h, int64_t l, int64_t t, int64_t r, int64_t b, int pen_width,
                       bool fill) {
  Surface s(w, h, kBg);
  const int64_t band = std::max(pen_width, 1);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!in_ellipse(l, t, r, b, x, y)) continue;
      const bool inner = in_ellipse(l + band, t + band, r - band, b - band, x, y);
      if (pen_width == kNoOutline) {
        if (fill) s.set_pixel(x, y, kFill);
      } else if (!inner) {
        s.set_pixel(x, y, kPen);
      } else if (fill) {
        s.set_pixel(x, y, kFill);
      }
    }
  return s;
}

TEST(Ellipse, HandCheckedShapes) {
  auto filled = [](int64_t l, int64_t t, int64_t r, int64_t b) {
    return art(ellipse(7, 6, l, t, r, b, kNoPen, kSolid));
  };
  EXPECT_EQ(filled(1, 1, 2, 2),
            lines({".......", ".o.....", ".......", ".......", ".......", "......."}));
  EXPECT_EQ(filled(1, 1, 3, 3),
            lines({".......", ".oo....", ".oo....", ".......", ".......", "......."}));
  EXPECT_EQ(filled(0, 0, 4, 4),
            lines({".oo....", "oooo...", "oooo...", ".oo....", ".......", "......."}));
  EXPECT_EQ(filled(1, 0, 6, 5),
            lines({"..ooo..", ".ooooo.", ".ooooo.", ".ooooo.", "..ooo..", "......."}));
  EXPECT_EQ(filled(6, 5, 1, 0), filled(1, 0, 6, 5));  // corners in either order
  EXPECT_EQ(filled(0, 2, 7, 3),
            lines({".......", ".......", "ooooooo", ".......", ".......", "......."}));
  EXPECT_EQ(filled(0, 1, 7, 3),
            lines({".......", "ooooooo", "ooooooo", ".......", ".......", "......."}));
  // A very flat one: its pointed ends fall between pixel centres.
  EXPECT_EQ(art(ellipse(10, 2, 0, 0, 10, 2, kNoPen, kSolid)), lines({".oooooooo.", ".oooooooo."}));
  EXPECT_EQ(filled(2, 2, 2, 5),
            lines({".......", ".......", ".......", ".......", ".......", "......."}));
  // The pen's band lies inside; the brush fills what it leaves.
  EXPECT_EQ(art(ellipse(7, 7, 0, 0, 7, 7, pen(1), kSolid)),
            lines({"..###..", ".#ooo#.", "#ooooo#", "#ooooo#", "#ooooo#", ".#ooo#.", "..###.."}));
  EXPECT_EQ(art(ellipse(7, 7, 0, 0, 7, 7, pen(0), kHollow)),
            lines({"..###..", ".#...#.", "#.....#", "#.....#", "#.....#", ".#...#.", "..###.."}));
  EXPECT_EQ(art(ellipse(7, 7, 0, 0, 7, 7, pen(2), kSolid)),
            lines({"..###..", ".#####.", "##ooo##", "##ooo##", "##ooo##", ".#####.", "..###.."}));
  EXPECT_EQ(count(ellipse(7, 7, 0, 0, 7, 7, pen(4), kSolid), kFill), 0);
  EXPECT_EQ(count(ellipse(7, 7, 0, 0, 7, 7, kNoPen, kHollow), kBg), 49);
}

TEST(Ellipse, MatchesTheOracleInsideItsBoxSymmetricAndFilledCoversOutlined) {
  std::mt19937 rng(29);
  std::uniform_int_distribution<int64_t> coord(-8, 44);
  std::uniform_int_distribution<int> width(0, 9);
  const int w = 36, h = 30;
  for (int k = 0; k < 3000; ++k) {
    int64_t l = coord(rng), t = coord(rng), r = coord(rng), b = coord(rng);
    const int pw = k % 4 == 0 ? kNoOutline : width(rng);
    const bool fill = k % 3 != 0;
    const Pen pn = pw == kNoOutline ? kNoPen : pen(pw);
    const Brush br = fill ? kSolid : kHollow;
    const Surface got = ellipse(w, h, l, t, r, b, pn, br);
    ASSERT_EQ(art(got), art(oracle_ellipse(w, h, std::min(l, r), std::min(t, b), std::max(l, r),
                                           std::max(t, b), pw, fill)))
        << l << "," << t << " " << r << "," << b << " pen " << pw << " fill " << fill;
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    // Inside its box, and the same mirrored across either of its axes.
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        if (got.pixel(x, y) == kBg) continue;
        ASSERT_TRUE(x >= l && x < r && y >= t && y < b);
        const int64_t mx = l + r - 1 - x, my = t + b - 1 - y;
        if (mx >= 0 && mx < w) {
          ASSERT_EQ(got.pixel(static_cast<int>(mx), y), got.pixel(x, y));
        }
        if (my >= 0 && my < h) {
          ASSERT_EQ(got.pixel(x, static_cast<int>(my)), got.pixel(x, y));
        }
      }
    // The filled ellipse covers the outlined one, of any width.
    if (pw != kNoOutline) {
      const Surface solid = ellipse(w, h, l, t, r, b, kNoPen, kSolid);
      for (int i = 0; i < w * h; ++i)
        if (got.data()[i] == kPen) {
          ASSERT_EQ(solid.data()[i], kFill);
        }
    }
  }
}

TEST(Ellipse, CirclesTouchAllFourSidesAndClippingNeverMovesPixels) {
  for (int d = 1; d <= 60; ++d) {
    const Surface s = ellipse(64, 64, 2, 1, 2 + d, 1 + d, pen(1), kSolid);
    const int mid = 1 + (d - 1) / 2;
    EXPECT_EQ(s.pixel(2, mid), kPen) << d;
    EXPECT_EQ(s.pixel(1 + d, mid), kPen) << d;
    EXPECT_EQ(s.pixel(1 + mid, 1), kPen) << d;
    EXPECT_EQ(s.pixel(1 + mid, d), kPen) << d;
  }
  const int w = 16, h = 12, m = 50;
  std::mt19937 rng(31);
  std::uniform_int_distribution<int64_t> coord(-30, 45);
  for (int k = 0; k < 600; ++k) {
    const int64_t l = coord(rng), t = coord(rng), r = coord(rng), b = coord(rng);
    for (int pw : {0, 1, 3}) {
      const Surface small = ellipse(w, h, l, t, r, b, pen(pw), kSolid);
      const Surface big =
          ellipse(w + 2 * m, h + 2 * m, l + m, t + m, r + m, b + m, pen(pw), kSolid);
      ASSERT_EQ(art(small), art(crop(big, m, m, w, h))) << l << "," << t << " " << r << "," << b;
    }
  }
}

TEST(Ellipse, ExactAtTheIntRangesEnds) {
  const int w = 601, h = 540;
  const int64_t lo = int64_t{INT_MIN} - 300, hi = int64_t{INT_MAX} + 300;
  // Around the whole surface: all brush.
  EXPECT_EQ(count(ellipse(w, h, lo, lo, hi, hi, kNoPen, kSolid), kFill), w * h);
  EXPECT_EQ(count(ellipse(w, h, lo, lo, hi, hi, pen(1), kHollow), kPen), 0);
  // A circle 2^32 across whose rim crosses the surface: u^2 + v^2 <= n^2 in doubled
  // coordinates, exact in 128 bits.
  const int64_t n = int64_t{1} << 32;
  for (const auto& [l, t] : std::vector<std::pair<int64_t, int64_t>>{
           {300 - n, 270 - n / 2}, {100, 271 - n / 2}, {300 - n / 2, 400 - n}, {301 - n / 2, 50}}) {
    const Surface s = ellipse(w, h, l, t, l + n, t + n, pen(3), kSolid);
    int pen_pixels = 0;
    for (int y = 0; y < h; y += 1)
      for (int x = 0; x < w; x += 3) {
        // Inside the circle of the box shrunk by inset on every side.
        auto inside = [&](int64_t inset) {
          const Wide u = 2 * Wide{x} - (2 * l + n - 1), v = 2 * Wide{y} - (2 * t + n - 1);
          const Wide side = n - 2 * inset;
          return u * u + v * v <= side * side;
        };
        const Colour want = !inside(0) ? kBg : inside(3) ? kFill : kPen;
        ASSERT_EQ(s.pixel(x, y), want) << l << "," << t << " at " << x << "," << y;
        pen_pixels += want == kPen;
      }
    EXPECT_GT(pen_pixels, 0) << l << "," << t;
  }
  // Tall and narrow, 2^32 high: its sides need products past 128 bits.
  const int64_t m = int64_t{1} << 32;
  const Surface tall = ellipse(w, h, 0, 200 - m, 601, 200, kNoPen, kSolid);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(tall.pixel(x, y) == kFill, in_ellipse(0, 200 - m, 601, 200, x, y)) << x << "," << y;
  EXPECT_GT(count(tall, kFill), 0);
  EXPECT_LT(count(tall, kFill), 201 * 601);
}

TEST(Ellipse, ArgumentsAtTheClampStaySane) {
  for (int pw : {kNoOutline, 0, 1, INT_MAX}) {
    const Pen pn = pw == kNoOutline ? kNoPen : pen(pw);
    Surface s = ellipse(40, 30, INT64_MIN, INT64_MIN, INT64_MAX, INT64_MAX / 3, pn, kSolid);
    EXPECT_EQ(count(s, kBg) + count(s, kFill) + count(s, kPen), 40 * 30);
  }
}

// Every pixel that changed lies in a row its tile marks as changed.
void expect_changes_noted(const Surface& before, const Surface& after) {
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x) {
      if (after.pixel(x, y) == before.pixel(x, y)) continue;
      const std::uint32_t rows =
          after.changed_rows(x / Surface::kTileWidth, y / Surface::kTileHeight);
      ASSERT_TRUE((rows >> (y % Surface::kTileHeight)) & 1u) << x << "," << y;
    }
}

TEST(LineAndEllipse, NoteTheRowsTheyChangeAndNothingWhenDrawnAgain) {
  Surface s(100, 80, kBg);
  const Surface blank = s;
  kx508::platform::draw_line(s, pen(1), {-5, 3}, {120, 70});
  kx508::platform::draw_line(s, pen(6), {10, 70}, {90, 5});
  kx508::platform::draw_ellipse(s, pen(2), kSolid, 20, 10, 95, 60);
  EXPECT_TRUE(s.any_changed());
  expect_changes_noted(blank, s);
  s.forget_changes();
  kx508::platform::draw_ellipse(s, pen(2), kSolid, 20, 10, 95, 60);
  EXPECT_FALSE(s.any_changed());
  kx508::platform::draw_line(s, pen(1), {3, 75}, {60, 70});
  kx508::platform::draw_line(s, pen(4), {30, 2}, {97, 9});
  s.forget_changes();
  kx508::platform::draw_line(s, pen(1), {60, 70}, {3, 75});
  kx508::platform::draw_line(s, pen(4), {97, 9}, {30, 2});
  EXPECT_FALSE(s.any_changed());
}

// A road as a program draws it every frame: filled, then outlined in another colour. Drawn
// again, the fill paints over the outline and the outline back over the fill: only the
// tiles the outline crosses are noted, not every tile of the fill's long rows, so that a
// copy compares no more than those.
TEST(Rectangle, DrawnAgainOverItsOutlineNotesOnlyTheOutlinesTiles) {
  constexpr int kW = Surface::kTileWidth, kH = Surface::kTileHeight;
  Surface s(10 * kW, kH + 8, kBg);
  const Pen fill_pen{kFill, 1, false};
  const auto road = [&] {
    kx508::platform::draw_rectangle(s, fill_pen, kSolid, 0, 0, s.width(), s.height());
    kx508::platform::draw_rectangle(s, pen(1), kHollow, 0, 0, s.width(), s.height());
  };
  road();
  s.forget_changes();
  const Surface before = s;
  kx508::platform::draw_rectangle(s, fill_pen, kSolid, 0, 0, s.width(), s.height());
  expect_changes_noted(before, s);
  EXPECT_EQ(s.changed_rows(0, 0), 0xFFFFFFFFu);  // the left side, on every row
  EXPECT_EQ(s.changed_rows(4, 0), 1u);           // the middle: the top edge's row alone
  EXPECT_EQ(s.changed_rows(4, 1), 1u << 7);      // and the bottom edge's
  road();
  EXPECT_EQ(s.changed_rows(4, 0), 1u);
}

}  // namespace
