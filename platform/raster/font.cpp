// Text in the shared bitmap font: decoding the bytes (UTF-8, else Latin-1), putting right-
// to-left runs in drawing order, laying the characters out (one or two cells, marks over
// the glyph before them) and drawing their glyphs into a pixel surface, clipped before any
// pixel is touched.
#include <algorithm>
#include <bit>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "bidi.h"
#include "font.h"
#include "glyphs.h"
#include "text_encoding.h"

namespace kx508::platform {

namespace {

using i64 = std::int64_t;

// Lays a line's characters out left to right from x: a glyph takes its cells, a mark is
// centred over the glyph before it and takes no room (one with no glyph before it takes
// its own), an invisible character takes nothing.
class LineLayout {
 public:
  struct Placed {
    Glyph glyph;
    i64 left;      // the glyph's left edge
    bool spacing;  // it moved the pen
  };

  explicit LineLayout(i64 x) : x_(x) {}

  Placed place(char32_t c) {
    const Glyph g = glyph_of(c);
    if (g.kind == GlyphKind::invisible) return {g, x_, false};
    if (g.is_mark() && has_base_) return {g, base_left_ + (base_width_ - g.width) / 2, false};
    base_left_ = x_;
    base_width_ = g.width;
    has_base_ = true;
    x_ += g.width;
    return {g, base_left_, true};
  }

  i64 x() const { return x_; }

 private:
  i64 x_;
  i64 base_left_ = 0;
  int base_width_ = 0;
  bool has_base_ = false;
};

// Whether the line has a character that may be drawn out of its order (right to left)
// or joined to the next (Arabic). Such characters are written in UTF-8 with a lead byte
// from 0xD6 to 0xE0 (U+0590..U+08FF), 0xE2 (the direction controls), 0xEF (presentation
// forms) or 0xF0 (beyond the plane), and only characters there are decoded. (A byte of
// 0xC0 or more always starts a character, well formed or not, as next_char reads them.)
bool needs_reordering(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (!((b >= 0xD6 && b <= 0xE0) || b == 0xE2 || b == 0xEF || b == 0xF0)) continue;
    std::size_t at = i;
    if (may_reorder(next_char(text, at))) return true;
  }
  return false;
}

// Calls f(c) for each character of the line in the order it is drawn, left to right,
// until f returns false. A line with nothing right to left is read as it goes; one with
// something is read whole and put in order first.
template <class F>
void for_each_char(std::string_view text, F f) {
  if (!needs_reordering(text)) {
    for (std::size_t i = 0; i < text.size();)
      if (!f(next_char(text, i))) return;
    return;
  }
  std::u32string logical;
  for (std::size_t i = 0; i < text.size();) logical += next_char(text, i);
  for (const char32_t c : visual_order(logical))
    if (!f(c)) return;
}

// The rows of a surface a line of text covers, and the pixels it changed in each.
struct TextRows {
  i64 y, top, bottom;
  i64 changed_from[kFontCellHeight], changed_to[kFontCellHeight];
};

// The glyph row's bits (w wide, the leftmost the highest) of the pixels from p on that
// are the colour already: drawn again over itself, text costs a compare a row, not one a
// pixel. Reads up to three pixels past w. With SSE2 four pixels a step; else one.
template <int w>
unsigned same_as(const Colour* p, Colour colour) {
  unsigned same = 0;
#if defined(__SSE2__)
  const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
  for (int x = 0; x < w; x += 4) {
    // Lanes reversed: the mask's lowest bit is the rightmost of the four pixels.
    const __m128i v = _mm_shuffle_epi32(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x)), 0x1B);
    const auto four = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(v, c))));
    const int shift = w - 4 - x;
    same |= shift >= 0 ? four << shift : four >> -shift;  // constant once unrolled
  }
#else
  for (int x = 0; x < w; ++x) same |= unsigned{p[x] == colour} << (w - 1 - x);
#endif
  return same;
}

// Paints the set pixels of a glyph w pixels wide that fall inside the surface.
template <int w>
void draw_glyph_rows(Surface& s, const Glyph& g, i64 left, TextRows& rows, Colour colour) {
  const i64 from = std::max<i64>(0, -left);
  const i64 to = std::min<i64>(w, s.width() - left);
  if (from >= to) return;
  // The glyph's columns inside the surface, as bits of a row (the leftmost the highest).
  const unsigned visible = ((1u << (to - from)) - 1u) << (w - to);
  const i64 right_edge = left + w - 1;  // the pixel of a row's lowest bit
  // Where the row has room for same_as's reads, its pixels are compared a row at a time.
  const bool whole = left >= 0 && left + w + 3 <= s.width();
  for (i64 py = rows.top; py < rows.bottom; ++py) {
    const std::uint8_t* r = g.rows + (w > 8 ? 2 : 1) * (py - rows.y);
    unsigned bits = (w > 8 ? unsigned{r[0]} << 8 | r[1] : r[0]) & visible;  // as Glyph::row
    if (bits == 0) continue;
    Colour* row = s.row(static_cast<int>(py));
    if (whole && (bits &= ~same_as<w>(row + left, colour)) == 0) continue;
    i64 changed_from = rows.changed_from[py - rows.y];
    i64 changed_to = rows.changed_to[py - rows.y];
    for (; bits; bits &= bits - 1) {
      const i64 px = right_edge - std::countr_zero(bits);
      if (row[px] == colour) continue;
      row[px] = colour;
      changed_from = std::min(changed_from, px);
      changed_to = std::max(changed_to, px);
    }
    rows.changed_from[py - rows.y] = changed_from;
    rows.changed_to[py - rows.y] = changed_to;
  }
}

void draw_glyph(Surface& s, const Glyph& g, i64 left, TextRows& rows, Colour colour) {
  if (g.width == kFontCellWidth)
    draw_glyph_rows<kFontCellWidth>(s, g, left, rows, colour);
  else
    draw_glyph_rows<2 * kFontCellWidth>(s, g, left, rows, colour);
}

}  // namespace

char32_t next_char(std::string_view s, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned lead = byte(i);
  ++i;  // one byte, unless a whole sequence is read below
  std::size_t len;
  char32_t c;
  if (lead < 0x80) {
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {  // C0 and C1 could only start overlongs
    len = 2;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    len = 3;
    c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    len = 4;
    c = lead & 0x07;
  } else {
    return lead;
  }
  const std::size_t start = i - 1;
  if (s.size() - start < len) return lead;
  for (std::size_t k = 1; k < len; ++k) {
    const unsigned b = byte(start + k);
    if ((b & 0xC0) != 0x80) return lead;
    c = (c << 6) | (b & 0x3F);
  }
  constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kShortest[len] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return lead;
  i = start + len;
  return c;
}

Rect draw_text(Surface& s, std::int64_t x, std::int64_t y, std::string_view text, Colour colour) {
  // 64-bit coordinates: a cell's edges may lie past the int range while the text is
  // laid out, and none of them can pass 64 bits for any string that fits in memory
  // (coordinates are clamped to +/-2^62 first, which moves no cell that could show).
  constexpr i64 kFar = i64{1} << 62;
  x = std::clamp<i64>(x, -kFar, kFar);
  y = std::clamp<i64>(y, -kFar, kFar);
  TextRows rows{y, std::max<i64>(y, 0), std::min<i64>(y + kFontCellHeight, s.height()), {}, {}};
  const i64 width = s.width();
  if (rows.top >= rows.bottom) return {};
  // No glyph can reach the surface: nothing to decode. A character takes at most a cell
  // for each of its bytes, and a mark reaches at most a cell past the pen either way.
  // (The count is capped in 64 bits: where size_t has 32, as in the web build, the cap
  // itself would not fit.)
  const i64 cells = static_cast<i64>(std::min<std::uint64_t>(text.size(), kFar / 8));
  if (x - kFontCellWidth >= width || x + (cells + 1) * kFontCellWidth <= 0) return {};

  std::fill(std::begin(rows.changed_from), std::end(rows.changed_from), width);
  std::fill(std::begin(rows.changed_to), std::end(rows.changed_to), -1);
  i64 left = width, right = 0;  // the cells drawn
  LineLayout pen(x);
  for_each_char(text, [&](char32_t c) {
    const LineLayout::Placed placed = pen.place(c);
    // Past the right edge by more than a mark can reach back: the rest is not drawn.
    if (placed.spacing && placed.left - kFontCellWidth >= width) return false;
    if (placed.glyph.width == 0 || placed.left + placed.glyph.width <= 0 || placed.left >= width)
      return true;
    draw_glyph(s, placed.glyph, placed.left, rows, colour);
    left = std::min(left, std::max<i64>(placed.left, 0));
    right = std::max(right, std::min(placed.left + placed.glyph.width, width));
    return true;
  });
  for (i64 py = rows.top; py < rows.bottom; ++py)
    if (rows.changed_from[py - y] <= rows.changed_to[py - y])
      s.note_change(static_cast<int>(rows.changed_from[py - y]),
                    static_cast<int>(rows.changed_to[py - y]), static_cast<int>(py));
  if (left >= right) return {};
  return Rect{static_cast<int>(left), static_cast<int>(rows.top), static_cast<int>(right),
              static_cast<int>(rows.bottom)};
}

// In glyphs.h; here, because the pages are those of the characters as drawn: Arabic
// letters joined are presentation forms, on pages of their own.
void glyph_pages_needed(std::string_view text, std::bitset<256>& needed) {
  for_each_char(text, [&](char32_t c) {
    if (c > 0xFF && c <= 0xFFFF && !glyph_page_loaded(static_cast<int>(c >> 8))) needed.set(c >> 8);
    return true;
  });
}

int text_width(std::string_view text) {
  LineLayout pen(0);
  for_each_char(text, [&](char32_t c) {
    pen.place(c);
    return true;
  });
  constexpr i64 kMax = std::numeric_limits<int>::max();
  return static_cast<int>(std::min(pen.x(), kMax));
}

}  // namespace kx508::platform
