// The software rasterizer behind pixel surfaces: rectangles, polygons and block copies.
//
// Every shape is clipped to the surface before any pixel loop runs, so the cost of a call
// follows the pixels it paints plus a little work per visible row and edge, however far
// the shape reaches off the surface.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <vector>

#include "int128.h"
#include "surface.h"

namespace kx508::platform {

Surface::Surface(int width, int height, Colour fill)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill),
      tile_columns_((width_ + kTileWidth - 1) / kTileWidth),
      tile_rows_((height_ + kTileHeight - 1) / kTileHeight),
      changed_(static_cast<std::size_t>(tile_columns_) * tile_rows_, 0) {}

void Surface::forget_changes() {
  if (!any_changed_) return;
  std::fill(changed_.begin(), changed_.end(), 0);
  any_changed_ = false;
}

namespace {

using i64 = std::int64_t;
// Edge equations multiply two coordinates, which can pass 64 bits; a 128-bit integer
// (int128.h) keeps them exact without a bignum type.

// Callers pass coordinates derived from 32-bit values (about +/-2^33). Anything beyond
// this bound is nonsense; clamping to it keeps every product below well inside 128 bits
// (and the stepping remainders inside 64 bits).
constexpr i64 kCoordLimit = i64{1} << 56;

i64 clamp_coord(i64 v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

constexpr i128 kI64Min = std::numeric_limits<i64>::min();
constexpr i128 kI64Max = std::numeric_limits<i64>::max();

// Floor of a / b for b > 0. Most values fit 64 bits, where the division is much cheaper.
i128 floor_div(i128 a, i128 b) {
  i128 q;
  if (a >= kI64Min && a <= kI64Max && b <= kI64Max) {
    q = static_cast<i64>(a) / static_cast<i64>(b);
  } else {
    q = a / b;
  }
  if (q * b > a) --q;
  return q;
}

i128 ceil_div(i128 a, i128 b) { return -floor_div(-a, b); }

// A growing array whose first N elements live inside it: the library's shapes (three or
// four points, as many edges and crossings) are drawn without touching the heap.
template <class T, std::size_t N>
class SmallVector {
 public:
  SmallVector() = default;
  SmallVector(const SmallVector&) = delete;
  SmallVector& operator=(const SmallVector&) = delete;

  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  std::size_t size() const { return size_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  void clear() { size_ = 0; }
  void push_back(const T& value) {
    if (size_ == capacity_) grow();
    data_[size_++] = value;
  }

 private:
  void grow() {
    std::vector<T> bigger(capacity_ * 2);
    std::copy(begin(), end(), bigger.begin());
    heap_ = std::move(bigger);
    data_ = heap_.data();
    capacity_ = heap_.size();
  }

  std::array<T, N> inline_;
  std::vector<T> heap_;
  T* data_ = inline_.data();
  std::size_t size_ = 0;
  std::size_t capacity_ = N;
};

// Enough for every shape the library draws; larger polygons spill to the heap.
constexpr std::size_t kInlinePoints = 8;

// Paints row pixels from..to (inclusive), clipped to 0..width-1, and notes a change only
// where a pixel's value did change: redrawing a shape as it was changes nothing. Reading
// each pixel as it is written, without an early exit, keeps the loop as fast as a plain
// fill. The span is painted a change tile at a time, and only the tiles whose pixels
// changed are noted: a road redrawn where a car moved on it, or over the outline drawn on
// it last time, changes a tile or two of the row, and a copy compares only those.
void fill_span(Surface& s, i64 y, i64 from, i64 to, Colour c) {
  from = std::max<i64>(from, 0);
  to = std::min<i64>(to, s.width() - 1);
  if (from > to) return;
  Colour* row = s.row(static_cast<int>(y));
  if (from == to) {  // an outline's side: common enough to skip the loop for
    if (row[from] == c) return;
    row[from] = c;
    s.note_change(static_cast<int>(from), static_cast<int>(from), static_cast<int>(y));
    return;
  }
  constexpr i64 kTile = Surface::kTileWidth;
  for (i64 first = from; first <= to;) {
    const i64 last = std::min(to, (first / kTile + 1) * kTile - 1);
    Colour diff = 0;
    for (Colour* p = row + first; p <= row + last; ++p) {
      diff |= *p ^ c;
      *p = c;
    }
    if (diff != 0)
      s.note_change(static_cast<int>(first), static_cast<int>(last), static_cast<int>(y));
    first = last + 1;
  }
}

// The same span on two different rows at once, as fill_span paints each: one loop for
// both halves the loop's own cost, which matters for the short rows of a shape that is
// symmetric about a row.
void fill_span_pair(Surface& s, i64 y1, i64 y2, i64 from, i64 to, Colour c) {
  from = std::max<i64>(from, 0);
  to = std::min<i64>(to, s.width() - 1);
  if (from > to) return;
  Colour* const a = s.row(static_cast<int>(y1));
  Colour* const b = s.row(static_cast<int>(y2));
  Colour diff_a = 0, diff_b = 0;
  for (i64 x = from; x <= to; ++x) {
    diff_a |= a[x] ^ c;
    a[x] = c;
    diff_b |= b[x] ^ c;
    b[x] = c;
  }
  if (diff_a != 0)
    s.note_change(static_cast<int>(from), static_cast<int>(to), static_cast<int>(y1));
  if (diff_b != 0)
    s.note_change(static_cast<int>(from), static_cast<int>(to), static_cast<int>(y2));
}

// ---------------------------------------------------------------------------------
// One-pixel lines

// Plots (a, b(a)) with b(a) = floor((2 db a + c) / (2 da)), da > 0, for the a in lo..hi
// whose pixels land inside 0..amax-1 x 0..bmax-1. The first pixel comes from the formula
// and the rest step an exact remainder, so clipping never moves a pixel.
template <class Plot>
void walk_formula(i128 lo, i128 hi, i64 da, i64 db, i128 c, i64 amax, i64 bmax, Plot plot) {
  const i128 two_da = i128{2} * da;
  const i128 two_db = i128{2} * db;
  lo = std::max<i128>(lo, 0);
  hi = std::min<i128>(hi, amax - 1);
  // Keep 0 <= N(a) < 2 da bmax, i.e. 0 <= b(a) < bmax.
  const i128 n_end = two_da * bmax;
  if (db > 0) {
    lo = std::max(lo, ceil_div(-c, two_db));
    hi = std::min(hi, floor_div(n_end - 1 - c, two_db));
  } else if (db < 0) {
    const i128 e = -two_db;
    hi = std::min(hi, floor_div(c, e));
    lo = std::max(lo, floor_div(c - n_end, e) + 1);
  } else if (c < 0 || c >= n_end) {
    return;
  }
  if (lo > hi) return;

  const i128 n0 = c + two_db * lo;
  i64 q = static_cast<i64>(floor_div(n0, two_da));
  // The remainder stays below 2 da <= 2^58, so the stepping fits 64 bits.
  i64 r = static_cast<i64>(n0 - i128{q} * two_da);
  const i64 step = static_cast<i64>(two_db);
  const i64 wrap = static_cast<i64>(two_da);
  for (i64 a = static_cast<i64>(lo);; ++a) {
    plot(a, q);
    if (a == static_cast<i64>(hi)) break;
    r += step;
    if (r >= wrap) {
      r -= wrap;
      ++q;
    } else if (r < 0) {
      r += wrap;
      --q;
    }
  }
}

// Walks a line along its major axis a (|a1 - a0| >= |b1 - b0|): one pixel per a, with b
// the exact line's b there rounded half up. Only the a range whose pixels land inside
// 0..amax-1 x 0..bmax-1 is walked.
template <class Plot>
void walk_line(i64 a0, i64 b0, i64 a1, i64 b1, i64 amax, i64 bmax, Plot plot) {
  if (a0 > a1) {
    std::swap(a0, a1);
    std::swap(b0, b1);
  }
  const i64 da = a1 - a0;
  const i64 db = b1 - b0;
  if (da == 0) {
    if (a0 >= 0 && a0 < amax && b0 >= 0 && b0 < bmax) plot(a0, b0);
    return;
  }
  // b(a) = floor(N(a) / (2 da)) with N(a) = 2 db a + c.
  const i128 c = i128{2} * b0 * da - i128{2} * a0 * db + da;
  walk_formula(a0, a1, da, db, c, amax, bmax, plot);
}

// The same line with its halves rounded towards their own end points: where the exact b
// lies halfway between two pixels, the half nearer a0 takes the one towards b0, the other
// half the one towards b1, and the very middle both. The pixels are then symmetric about
// the middle, and mirroring the line mirrors them.
template <class Plot>
void walk_symmetric_line(i64 a0, i64 b0, i64 a1, i64 b1, i64 amax, i64 bmax, Plot plot) {
  if (a0 > a1) {
    std::swap(a0, a1);
    std::swap(b0, b1);
  }
  const i64 da = a1 - a0;
  const i64 db = b1 - b0;
  auto plot_inside = [&](i64 a, i64 b) {
    if (a >= 0 && a < amax && b >= 0 && b < bmax) plot(a, b);
  };
  if (da == 0) {
    plot_inside(a0, b0);
    return;
  }
  // 2 da times the exact b at a is 2 db a + base; adding da rounds halves up, da - 1
  // rounds them down.
  const i128 base = i128{2} * b0 * da - i128{2} * a0 * db;
  const i64 toward_b0 = db > 0 ? da - 1 : da;
  const i64 toward_b1 = db > 0 ? da : da - 1;
  // The first half, 2 (a - a0) < da.
  walk_formula(a0, a0 + (da - 1) / 2, da, db, base + toward_b0, amax, bmax, plot);
  if (da % 2 == 0) {
    const i64 a = a0 + da / 2;
    const i64 twice_b = 2 * b0 + db;  // 2 b at the middle
    const i64 b = static_cast<i64>(floor_div(twice_b, 2));
    plot_inside(a, b);
    if (twice_b % 2 != 0) plot_inside(a, b + 1);
  }
  // The second half, 2 (a - a0) > da.
  walk_formula(a0 + da / 2 + 1, a1, da, db, base + toward_b1, amax, bmax, plot);
}

// How a one-pixel line rounds the exact line's halves: every half up (a polygon's edge,
// walk_line), or each half towards its own end (a line, walk_symmetric_line).
enum class Halves { Up, TowardsEnds };

void thin_line(Surface& s, Colour colour, const Point64& p, const Point64& q,
               Halves halves = Halves::Up) {
  const i64 dx = q.x - p.x, dy = q.y - p.y;
  auto put = [&](i64 x, i64 y) {
    const int px = static_cast<int>(x), py = static_cast<int>(y);
    if (s.pixel(px, py) == colour) return;
    s.set_pixel(px, py, colour);
    s.note_change(px, px, py);
  };
  auto walk = [&](i64 a0, i64 b0, i64 a1, i64 b1, i64 amax, i64 bmax, auto plot) {
    if (halves == Halves::Up) walk_line(a0, b0, a1, b1, amax, bmax, plot);
    else walk_symmetric_line(a0, b0, a1, b1, amax, bmax, plot);
  };
  if ((dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy)) {
    walk(p.x, p.y, q.x, q.y, s.width(), s.height(), put);
  } else {
    walk(p.y, p.x, q.y, q.x, s.height(), s.width(), [&](i64 y, i64 x) { put(x, y); });
  }
}

// ---------------------------------------------------------------------------------
// Wide pen: every pixel within width/2 of a segment (a capsule)

// Up to this every quantity of the exact row spans fits 128 bits, given that the rows
// lie on a surface (under 2^31) and the width is an int.
constexpr i64 kExactLimit = i64{1} << 26;

struct Span {
  i64 from, to;
};

// Floor of the square root of m >= 0.
i128 isqrt(i128 m) {
  // Converting through 64 bits is native; the 128-bit conversions are library calls.
  const bool narrow = m <= kI64Max;
  const long double mf = narrow ? static_cast<long double>(static_cast<i64>(m))
                                : static_cast<long double>(m);
  const long double root = std::sqrt(mf);
  i128 s = narrow ? i128{static_cast<i64>(root)} : static_cast<i128>(root);
  // Rounding m to 64 bits can push the root up to the next integer just below a
  // perfect square; where long double is only a double it can be off either way.
  while (s * s > m) --s;
  while ((s + 1) * (s + 1) <= m) ++s;
  return s;
}

// Products of two 128-bit values, compared exactly: the line's and the ellipse's
// inequalities square numbers of up to about 2^83 at the coordinates they allow.
struct U256 {
  std::uint64_t limb[4] = {0, 0, 0, 0};  // least significant first
};

// The full product of two 64-bit words, from their 32-bit halves.
void multiply64(std::uint64_t a, std::uint64_t b, std::uint64_t& hi, std::uint64_t& lo) {
  const std::uint64_t mask = 0xFFFFFFFFu;
  const std::uint64_t a0 = a & mask, a1 = a >> 32, b0 = b & mask, b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const std::uint64_t mid = (p00 >> 32) + (p01 & mask) + (p10 & mask);
  lo = (mid << 32) | (p00 & mask);
  hi = p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);
}

// The two 64-bit words of 0 <= v < 2^127.
void words(i128 v, std::uint64_t& hi, std::uint64_t& lo) {
  lo = static_cast<std::uint64_t>(static_cast<i64>(v));
  const i128 two64 = i128{std::numeric_limits<std::uint64_t>::max()} + 1;
  hi = static_cast<std::uint64_t>(static_cast<i64>((v - i128{lo}) / two64));
}

// p * q for 0 <= p, q < 2^127.
U256 multiply(i128 p, i128 q) {
  std::uint64_t a[2], b[2];
  words(p, a[1], a[0]);
  words(q, b[1], b[0]);
  U256 r;
  for (int i = 0; i < 2; ++i) {
    std::uint64_t carry = 0;
    for (int j = 0; j < 2; ++j) {
      std::uint64_t hi, lo;
      multiply64(a[i], b[j], hi, lo);
      std::uint64_t& slot = r.limb[i + j];
      lo += carry;
      hi += lo < carry ? 1 : 0;
      slot += lo;
      hi += slot < lo ? 1 : 0;
      carry = hi;
    }
    r.limb[i + 2] += carry;
  }
  return r;
}

// Whether a * b <= c * d, for 0 <= a, b, c, d < 2^127.
bool product_at_most(i128 a, i128 b, i128 c, i128 d) {
  const U256 x = multiply(a, b), y = multiply(c, d);
  for (int i = 3; i >= 0; --i)
    if (x.limb[i] != y.limb[i]) return x.limb[i] < y.limb[i];
  return true;
}

// Floor of the square root of p q, for 0 <= p, q < 2^126.
i128 floor_sqrt_product(i128 p, i128 q) {
  const i128 limit = i128{i64{1} << 62};  // below it the product itself fits
  if (p < limit && q < limit) return isqrt(p * q);
  const i128 sp = isqrt(p), sq = isqrt(q);
  // sp sq <= sqrt(p q) < (sp + 1) (sq + 1): search between, on exact products.
  i128 lo = sp * sq, hi = (sp + 1) * (sq + 1) - 1;
  while (lo < hi) {
    const i128 mid = lo + (hi - lo + 1) / 2;
    if (product_at_most(mid, mid, p, q)) lo = mid;
    else hi = mid - 1;
  }
  return lo;
}

// Narrows from..to to the x for which a x + b lies within lo..hi.
void keep_linear(i128 a, i128 b, i128 lo, i128 hi, i128& from, i128& to) {
  if (a == 0) {
    if (b < lo || b > hi) to = from - 1;
    return;
  }
  if (a < 0) {
    a = -a;
    b = -b;
    std::swap(lo, hi);
    lo = -lo;
    hi = -hi;
  }
  from = std::max(from, ceil_div(lo - b, a));
  to = std::min(to, floor_div(hi - b, a));
}

struct Capsule {
  i64 ax, ay, bx, by, dx, dy;
  i64 row_from, row_to;  // rows it may touch, clipped to the surface
  bool exact;
  i128 w2, len2, band;  // width^2, |b - a|^2, floor(width |b - a|)
  long double r, rlen;  // width / 2 and width |b - a| / 2, for far-out segments
};

i128 floor_sqrt_product(i128 p, i128 q);

// A polygon's edges are exact up to kExactLimit and approximated beyond; a line's
// (exact_anywhere) are exact at every coordinate up to kLineLimit.
Capsule make_capsule(const Point64& a, const Point64& b, int width, int surface_h,
                     bool exact_anywhere = false) {
  Capsule c;
  c.ax = a.x;
  c.ay = a.y;
  c.bx = b.x;
  c.by = b.y;
  c.dx = b.x - a.x;
  c.dy = b.y - a.y;
  // A row farther than width/2 from both end rows cannot be reached.
  const i64 reach = width / 2;
  c.row_from = std::max<i64>(std::min(a.y, b.y) - reach, 0);
  c.row_to = std::min<i64>(std::max(a.y, b.y) + reach, surface_h - 1);
  auto small = [](i64 v) { return v >= -kExactLimit && v <= kExactLimit; };
  c.exact = small(a.x) && small(a.y) && small(b.x) && small(b.y);
  c.w2 = i128{width} * width;
  c.len2 = i128{c.dx} * c.dx + i128{c.dy} * c.dy;
  c.band = c.exact ? isqrt(c.w2 * c.len2) : 0;
  if (exact_anywhere && !c.exact) {
    c.exact = true;
    c.band = floor_sqrt_product(c.w2, c.len2);
  }
  c.r = width / 2.0L;
  c.rlen = c.r * std::sqrt(static_cast<long double>(c.dx) * c.dx +
                           static_cast<long double>(c.dy) * c.dy);
  return c;
}

// The capsule's pixels on row y, exactly: the union of the two end discs and the band
// between them, each a run of pixels; the union is one run because the capsule is
// convex.
bool exact_span(const Capsule& c, i64 y, i128& lo, i128& hi) {
  lo = std::numeric_limits<i64>::max();
  hi = std::numeric_limits<i64>::min();
  auto disc = [&](i64 cx, i64 cy) {
    const i128 t = y - cy;
    const i128 m = c.w2 - 4 * t * t;  // (2 (x - cx))^2 may go up to this
    if (m < 0) return;
    const i128 k = isqrt(m) / 2;
    lo = std::min(lo, cx - k);
    hi = std::max(hi, cx + k);
  };
  disc(c.ax, c.ay);
  disc(c.bx, c.by);
  if (c.len2 > 0) {
    const i128 ty = y - c.ay;
    i128 from = std::numeric_limits<i64>::min(), to = std::numeric_limits<i64>::max();
    // Projection onto the segment within 0..len^2.
    keep_linear(c.dx, c.dy * ty - i128{c.dx} * c.ax, 0, c.len2, from, to);
    // Twice the cross product within +/- width |b - a|: distance at most width / 2.
    keep_linear(-2 * i128{c.dy}, 2 * c.dx * ty + 2 * i128{c.dy} * c.ax, -c.band, c.band,
                from, to);
    if (from <= to) {
      lo = std::min(lo, from);
      hi = std::max(hi, to);
    }
  }
  return lo <= hi;
}

// The same in floating point, for segments too far out for exact products; only asked
// to be sane there.
bool far_span(const Capsule& c, i64 y, long double& lo, long double& hi) {
  constexpr long double inf = std::numeric_limits<long double>::infinity();
  lo = inf;
  hi = -inf;
  auto disc = [&](i64 cx, i64 cy) {
    const long double t = static_cast<long double>(y - cy);
    if (std::fabs(t) > c.r) return;
    const long double h = std::sqrt(std::max(0.0L, c.r * c.r - t * t));
    lo = std::min(lo, cx - h);
    hi = std::max(hi, cx + h);
  };
  disc(c.ax, c.ay);
  disc(c.bx, c.by);
  if (c.dx == 0 && c.dy == 0) return lo <= hi;
  const long double dx = static_cast<long double>(c.dx);
  const long double dy = static_cast<long double>(c.dy);
  const long double ax = static_cast<long double>(c.ax);
  const long double ty = static_cast<long double>(y - c.ay);
  const long double len2 = dx * dx + dy * dy;
  long double from = -inf, to = inf;
  auto keep = [&](long double a, long double b, long double l, long double h) {
    if (a == 0) {
      if (b < l || b > h) to = -inf;
      return;
    }
    const long double x1 = (l - b) / a, x2 = (h - b) / a;
    from = std::max(from, std::min(x1, x2));
    to = std::min(to, std::max(x1, x2));
  };
  keep(dx, dy * ty - dx * ax, 0, len2);
  keep(-dy, dx * ty + dy * ax, -c.rlen, c.rlen);
  if (from <= to) {
    lo = std::min(lo, from);
    hi = std::max(hi, to);
  }
  return lo <= hi;
}

// The capsule's pixels on row y, clipped to 0..width-1; false when there are none.
bool capsule_span(const Capsule& c, i64 y, int width, Span& out) {
  if (c.exact) {
    i128 lo, hi;
    if (!exact_span(c, y, lo, hi)) return false;
    out.from = static_cast<i64>(std::max<i128>(lo, 0));
    out.to = static_cast<i64>(std::min<i128>(hi, width - 1));
    return out.from <= out.to;
  }
  long double lo, hi;
  if (!far_span(c, y, lo, hi)) return false;
  // Clamp while still floating point: converting an out-of-range value is undefined.
  const long double last = width - 1;
  out.from = static_cast<i64>(std::clamp(std::ceil(lo), 0.0L, last + 1));
  out.to = static_cast<i64>(std::clamp(std::floor(hi), -1.0L, last));
  return out.from <= out.to;
}

void wide_outline(Surface& s, Colour colour, std::span<const Point64> pts, int width) {
  const std::size_t n = pts.size();
  SmallVector<Capsule, kInlinePoints> caps;
  i64 row_from = s.height(), row_to = -1;
  for (std::size_t i = 0; i < n; ++i) {
    Capsule c = make_capsule(pts[i], pts[(i + 1) % n], width, s.height());
    if (c.row_from > c.row_to) continue;
    row_from = std::min(row_from, c.row_from);
    row_to = std::max(row_to, c.row_to);
    caps.push_back(c);
  }
  SmallVector<Span, kInlinePoints> spans;
  for (i64 y = row_from; y <= row_to; ++y) {
    spans.clear();
    for (const Capsule& c : caps) {
      Span sp;
      if (y < c.row_from || y > c.row_to || !capsule_span(c, y, s.width(), sp)) continue;
      if (sp.from == 0 && sp.to == s.width() - 1) {
        // A very wide pen covers whole rows; the other edges cannot add to that.
        spans.clear();
        spans.push_back(sp);
        break;
      }
      spans.push_back(sp);
    }
    // Overlapping edges (every join) would paint the same pixels again.
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.from < b.from; });
    std::size_t k = 0;
    while (k < spans.size()) {
      Span run = spans[k++];
      while (k < spans.size() && spans[k].from <= run.to + 1)
        run.to = std::max(run.to, spans[k++].to);
      fill_span(s, y, run.from, run.to, colour);
    }
  }
}

// ---------------------------------------------------------------------------------
// Polygon fill: the closed polygon, even-odd inside, boundary included

// A non-horizontal edge stepped row by row: its exact crossing x = q + r / den.
struct FillEdge {
  i64 y_top, y_bottom;   // the edge's rows, y_top < y_bottom
  i64 row_from, row_to;  // the part of them on the surface
  i64 q, r, den;         // crossing on the current row, 0 <= r < den
  i64 q_step, r_step;    // change per row, 0 <= r_step < den
};

// A crossing's floor, and whether it is exact. Crossings with the same floor lie between
// the same two pixels, so their order among themselves cannot change which are filled.
struct Crossing {
  i64 q;
  bool exact;
};

void fill_polygon(Surface& s, Colour colour, std::span<const Point64> pts) {
  const std::size_t n = pts.size();
  const i64 h = s.height();
  i64 ymin = pts[0].y, ymax = pts[0].y;
  for (const Point64& p : pts) {
    ymin = std::min(ymin, p.y);
    ymax = std::max(ymax, p.y);
  }
  const i64 row_from = std::max<i64>(ymin, 0), row_to = std::min<i64>(ymax, h - 1);
  if (row_from > row_to) return;

  SmallVector<FillEdge, kInlinePoints> edges;
  SmallVector<std::size_t, kInlinePoints> flat;  // horizontal edges: all boundary
  for (std::size_t i = 0; i < n; ++i) {
    Point64 a = pts[i], b = pts[(i + 1) % n];
    if (a.y == b.y) {
      if (a.y >= row_from && a.y <= row_to) flat.push_back(i);
      continue;
    }
    if (a.y > b.y) std::swap(a, b);
    FillEdge e;
    e.y_top = a.y;
    e.y_bottom = b.y;
    e.row_from = std::max(a.y, row_from);
    e.row_to = std::min(b.y, row_to);
    if (e.row_from > e.row_to) continue;
    e.den = b.y - a.y;
    const i64 ddx = b.x - a.x;
    const i128 num = i128{a.x} * e.den + i128{e.row_from - a.y} * ddx;
    const i128 q = floor_div(num, e.den);
    e.q = static_cast<i64>(q);
    e.r = static_cast<i64>(num - q * e.den);
    const i128 qs = floor_div(ddx, e.den);
    e.q_step = static_cast<i64>(qs);
    e.r_step = static_cast<i64>(ddx - qs * e.den);
    edges.push_back(e);
  }

  SmallVector<Crossing, kInlinePoints> xs;
  for (i64 y = row_from; y <= row_to; ++y) {
    xs.clear();
    for (FillEdge& e : edges) {
      if (y < e.row_from || y > e.row_to) continue;
      // Half-open in y so a vertex between two edges counts once for the parity.
      if (y < e.y_bottom) xs.push_back({e.q, e.r == 0});
      // A crossing exactly on a pixel is boundary, which the closed shape includes
      // (this catches the bottom vertices the parity count leaves out).
      if (e.r == 0) fill_span(s, y, e.q, e.q, colour);
      e.q += e.q_step;
      e.r += e.r_step;
      if (e.r >= e.den) {
        e.r -= e.den;
        ++e.q;
      }
    }
    std::sort(xs.begin(), xs.end(),
              [](const Crossing& a, const Crossing& b) { return a.q < b.q; });
    for (std::size_t k = 0; k + 1 < xs.size(); k += 2) {
      const Crossing& a = xs[k];
      const Crossing& b = xs[k + 1];
      fill_span(s, y, a.exact ? a.q : a.q + 1, b.q, colour);
    }
  }
  for (std::size_t i : flat) {
    const Point64& a = pts[i];
    const Point64& b = pts[(i + 1) % n];
    fill_span(s, a.y, std::min(a.x, b.x), std::max(a.x, b.x), colour);
  }
}

// ---------------------------------------------------------------------------------
// Lines and ellipses: exact at any coordinate up to kLineLimit

// The library's coordinates are ints plus an origin, about 2^31; every product below
// stays within 256 bits (and the sums within 128) up to this.
constexpr i64 kLineLimit = i64{1} << 40;

Point64 clamp_line_point(const Point64& p) {
  return {std::clamp(p.x, -kLineLimit, kLineLimit), std::clamp(p.y, -kLineLimit, kLineLimit)};
}

void wide_line(Surface& s, Colour colour, const Point64& a, const Point64& b, int width) {
  const Capsule c = make_capsule(a, b, width, s.height(), true);
  for (i64 y = c.row_from; y <= c.row_to; ++y) {
    Span sp;
    if (capsule_span(c, y, s.width(), sp)) fill_span(s, y, sp.from, sp.to, colour);
  }
}

// An ellipse box n pixels wide and m tall (both >= 1), in doubled coordinates about its
// centre: pixel column x is u = 2 x - (left + right - 1), so the box spans u = 1 - n ..
// n - 1 and the ellipse is u^2 / n^2 + v^2 / m^2 <= 1.
struct EllipseBox {
  EllipseBox(i64 width, i64 height, i64 twice_cx, i64 twice_cy)
      : n(width), m(height), sum_x(twice_cx), sum_y(twice_cy) {
    small = n < kSmall && m < kSmall;
    tiny = n < kTiny && m < kTiny;
    n2 = i128{n} * n;
    m2 = i128{m} * m;
    ratio = m > 0 ? static_cast<double>(n) / static_cast<double>(m) : 0;
  }
  // Up to this every quantity of a row fits 64 bits and a double holds it exactly.
  static constexpr i64 kSmall = i64{1} << 26;
  // Up to this the products compared fit 64 bits too: boxes the size of a window.
  static constexpr i64 kTiny = i64{1} << 15;

  i64 n, m;
  i64 sum_x, sum_y;  // left + right - 1, top + bottom - 1: twice the centre
  bool small, tiny;
  i128 n2, m2;
  double ratio;  // n / m
};

// Whether u^2 m^2 <= n^2 k: in 64 bits for a box the size of a window, in 128 for a small
// one, else in 256.
bool reaches(const EllipseBox& e, i64 u, i128 k) {
  if (e.tiny) {
    const i64 um = u * e.m;
    return um * um <= static_cast<i64>(e.n2) * static_cast<i64>(k);
  }
  if (e.small)
    return i128{u * u} * static_cast<i64>(e.m2) <=
           i128{static_cast<i64>(e.n2)} * static_cast<i64>(k);
  const i128 um = i128{u} * e.m;
  return product_at_most(um, um, e.n2, k);
}

// The pixels of row v (|v| <= m - 1) inside the ellipse: columns from..to in u, which
// has the parity of n - 1; false when there are none. hint is the largest u of a
// neighbouring row (-1 for none), and becomes this row's.
bool ellipse_row(const EllipseBox& e, i64 v, i64& hint, i64& left, i64& right) {
  const i128 k = (i128{e.m} - v) * (i128{e.m} + v);  // m^2 - v^2 > 0
  // The largest u >= 0 with u^2 m^2 <= n^2 k. Next to a row already known it is a few
  // exact steps away, except where the edge runs nearly level; there (and for a first
  // row) it is sqrt(k) n / m, estimated in floating point and made exact by the same
  // steps. A double's estimate is close enough at any size.
  constexpr int kSteps = 6;
  i64 u = hint;
  bool settled = false;
  if (u >= 0) {
    int steps = 0;
    if (reaches(e, u, k)) {
      while (steps < kSteps && u + 1 < e.n && reaches(e, u + 1, k)) ++u, ++steps;
      settled = steps < kSteps;
    } else {
      while (steps < kSteps && u > 0 && !reaches(e, u - 1, k)) --u, ++steps;
      --u;
      settled = steps < kSteps;
      if (!settled) u = hint;
    }
  }
  if (!settled) {
    const double root = e.small ? std::sqrt(static_cast<double>(static_cast<i64>(k)))
                                : static_cast<double>(std::sqrt(static_cast<long double>(k)));
    u = static_cast<i64>(std::clamp(root * e.ratio, 0.0, static_cast<double>(e.n - 1)));
    while (u > 0 && !reaches(e, u, k)) --u;
    while (u + 1 < e.n && reaches(e, u + 1, k)) ++u;
  }
  hint = u;
  if (((u ^ (e.n - 1)) & 1) != 0) --u;  // the columns' parity
  if (u < 0) return false;
  left = (e.sum_x - u) / 2;
  right = (e.sum_x + u) / 2;
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------

void draw_line(Surface& s, const Pen& pen, Point64 a, Point64 b) {
  if (pen.none || s.width() <= 0 || s.height() <= 0) return;
  a = clamp_line_point(a);
  b = clamp_line_point(b);
  if (pen.width >= 2) {
    wide_line(s, pen.colour, a, b, pen.width);
    return;
  }
  thin_line(s, pen.colour, a, b, Halves::TowardsEnds);
}

void draw_ellipse(Surface& s, const Pen& pen, const Brush& brush, std::int64_t left,
                  std::int64_t top, std::int64_t right, std::int64_t bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (left == right || top == bottom) return;
  if (s.width() <= 0 || s.height() <= 0) return;
  if (pen.none && brush.hollow) return;
  left = std::clamp(left, -kLineLimit, kLineLimit);
  top = std::clamp(top, -kLineLimit, kLineLimit);
  right = std::clamp(right, -kLineLimit, kLineLimit);
  bottom = std::clamp(bottom, -kLineLimit, kLineLimit);
  if (left == right || top == bottom) return;

  const EllipseBox outer(right - left, bottom - top, left + right - 1, top + bottom - 1);
  // The pen's band: what the ellipse of the box shrunk by its width leaves.
  const i64 band = pen.none ? 0 : std::max(pen.width, 1);
  const EllipseBox inner(outer.n - 2 * band, outer.m - 2 * band, outer.sum_x, outer.sum_y);
  const bool has_inner = !pen.none && inner.n >= 1 && inner.m >= 1;

  // A row and its mirror image about the centre have the same pixels: each pair is
  // worked out once, from the upper row (or the lower, when the upper is off the surface).
  const i64 y0 = std::max<i64>(top, 0), y1 = std::min<i64>(bottom - 1, s.height() - 1);
  i64 outer_hint = -1, inner_hint = -1;
  for (i64 y = y0; y <= y1; ++y) {
    const i64 v = 2 * y - outer.sum_y;
    const i64 mirror = outer.sum_y - y;
    if (v > 0 && mirror >= y0) continue;  // done with its upper row
    const bool both = v < 0 && mirror <= y1;
    i64 from, to;
    if (!ellipse_row(outer, v, outer_hint, from, to)) continue;
    auto paint = [&](i64 span_from, i64 span_to, Colour c) {
      if (both) fill_span_pair(s, y, mirror, span_from, span_to, c);
      else fill_span(s, y, span_from, span_to, c);
    };
    i64 in_from, in_to;
    if (pen.none || !has_inner || (v < 0 ? -v : v) > inner.m - 1 ||
        !ellipse_row(inner, v, inner_hint, in_from, in_to)) {
      paint(from, to, pen.none ? brush.colour : pen.colour);
      continue;
    }
    paint(from, in_from - 1, pen.colour);
    if (!brush.hollow) paint(in_from, in_to, brush.colour);
    paint(in_to + 1, to, pen.colour);
  }
}

void draw_rectangle(Surface& s, const Pen& pen, const Brush& brush, std::int64_t left,
                    std::int64_t top, std::int64_t right, std::int64_t bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (left == right || top == bottom) return;
  if (s.width() <= 0 || s.height() <= 0) return;
  // Far off-surface values add nothing visible; clamping them leaves headroom below.
  left = clamp_coord(left);
  top = clamp_coord(top);
  right = clamp_coord(right);
  bottom = clamp_coord(bottom);

  if (pen.none) {
    if (brush.hollow) return;
    const i64 y0 = std::max<i64>(top, 0), y1 = std::min<i64>(bottom - 1, s.height() - 1);
    for (i64 y = y0; y <= y1; ++y) fill_span(s, y, left, right - 1, brush.colour);
    return;
  }

  // The pen band reaches o pixels outside the outermost ring and i inside it; a pen of
  // width 0 or 1 is the ring itself.
  const i64 o = pen.width >= 2 ? pen.width / 2 : 0;
  const i64 i = pen.width >= 2 ? (pen.width - 1) / 2 : 0;
  const i64 out_l = left - o, out_r = right - 1 + o;
  const i64 out_t = top - o, out_b = bottom - 1 + o;
  const i64 in_l = left + 1 + i, in_r = right - 2 - i;
  const i64 in_t = top + 1 + i, in_b = bottom - 2 - i;
  const bool has_inner = in_l <= in_r && in_t <= in_b;

  const i64 y0 = std::max<i64>(out_t, 0), y1 = std::min<i64>(out_b, s.height() - 1);
  // Filled in the pen's own colour, each row is one span from band to band.
  const bool one_colour = !brush.hollow && brush.colour == pen.colour;
  for (i64 y = y0; y <= y1; ++y) {
    if (has_inner && !one_colour && y >= in_t && y <= in_b) {
      fill_span(s, y, out_l, in_l - 1, pen.colour);
      if (!brush.hollow) fill_span(s, y, in_l, in_r, brush.colour);
      fill_span(s, y, in_r + 1, out_r, pen.colour);
    } else {
      fill_span(s, y, out_l, out_r, pen.colour);
    }
  }
}

void draw_polygon(Surface& s, const Pen& pen, const Brush& brush, const Point64* points,
                  int count) {
  if (count <= 0 || points == nullptr) return;
  if (s.width() <= 0 || s.height() <= 0) return;
  if (pen.none && brush.hollow) return;
  SmallVector<Point64, kInlinePoints> clamped;
  for (const Point64& p : std::span(points, static_cast<std::size_t>(count)))
    clamped.push_back({clamp_coord(p.x), clamp_coord(p.y)});
  const std::span<const Point64> pts(clamped.begin(), clamped.size());
  if (!brush.hollow) fill_polygon(s, brush.colour, pts);
  if (pen.none) return;
  if (pen.width >= 2) {
    wide_outline(s, pen.colour, pts, pen.width);
  } else {
    for (std::size_t i = 0; i < pts.size(); ++i)
      thin_line(s, pen.colour, pts[i], pts[(i + 1) % pts.size()]);
  }
}

Rect copy_surface(Surface& dst, int dx, int dy, const Surface& src, int sx, int sy, int w,
                  int h) {
  // 64-bit so that offsets such as INT_MIN cannot overflow while clipping.
  i64 dx0 = dx, dy0 = dy, sx0 = sx, sy0 = sy, cw = w, ch = h;
  auto clip_low = [](i64& a, i64& b, i64& len) {
    const i64 cut = std::max<i64>({0, -a, -b});
    a += cut;
    b += cut;
    len -= cut;
  };
  clip_low(dx0, sx0, cw);
  clip_low(dy0, sy0, ch);
  cw = std::min({cw, i64{dst.width()} - dx0, i64{src.width()} - sx0});
  ch = std::min({ch, i64{dst.height()} - dy0, i64{src.height()} - sy0});
  if (cw <= 0 || ch <= 0) return {};

  const std::size_t bytes = static_cast<std::size_t>(cw) * sizeof(Colour);
  // Copying a surface onto itself: walk rows away from the overlap, memmove within a row.
  const bool upward = &dst == &src && dy0 > sy0;
  for (i64 k = 0; k < ch; ++k) {
    const i64 row = upward ? ch - 1 - k : k;
    std::memmove(dst.row(static_cast<int>(dy0 + row)) + dx0,
                 src.row(static_cast<int>(sy0 + row)) + sx0, bytes);
    dst.note_change(static_cast<int>(dx0), static_cast<int>(dx0 + cw - 1),
                    static_cast<int>(dy0 + row));
  }
  return {static_cast<int>(dx0), static_cast<int>(dy0), static_cast<int>(dx0 + cw),
          static_cast<int>(dy0 + ch)};
}

}  // namespace kx508::platform
