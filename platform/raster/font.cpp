// Text in the shared bitmap font: decoding the bytes (UTF-8, else Latin-1) and glyphs
// drawn into a pixel surface, clipped before any pixel is touched.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>

#include "font.h"
#include "font_data.h"
#include "text_encoding.h"

namespace kx508::platform {

namespace {

using i64 = std::int64_t;

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
  using font_data::kGlyphs;
  // 64-bit coordinates: a cell's edges may lie past the int range while the text is
  // laid out, and none of them can pass 64 bits for any string that fits in memory
  // (coordinates are clamped to +/-2^62 first, which moves no cell that could show).
  constexpr i64 kFar = i64{1} << 62;
  x = std::clamp<i64>(x, -kFar, kFar);
  y = std::clamp<i64>(y, -kFar, kFar);
  const i64 top = std::max<i64>(y, 0);
  const i64 bottom = std::min<i64>(y + kFontCellHeight, s.height());
  const i64 width = s.width();
  if (top >= bottom) return {};
  // No cell can reach the surface: nothing to decode. (The count is capped in 64 bits:
  // where size_t has 32, as in the web build, the cap itself would not fit.)
  const i64 cells = static_cast<i64>(std::min<std::uint64_t>(text.size(), kFar / 8));
  if (x >= width || x + cells * kFontCellWidth <= 0) return {};

  const i64 left = std::max<i64>(x, 0);
  std::size_t i = 0;
  i64 cell = x;  // left edge of the next cell
  // Cells wholly left of the surface are only decoded, to find where the visible ones
  // start.
  while (i < text.size() && cell + kFontCellWidth <= 0) {
    next_char(text, i);
    cell += kFontCellWidth;
  }
  // The changed pixels of each row, to note as changed once the text is drawn.
  i64 changed_from[kFontCellHeight], changed_to[kFontCellHeight];
  std::fill(std::begin(changed_from), std::end(changed_from), width);
  std::fill(std::begin(changed_to), std::end(changed_to), -1);
  while (i < text.size() && cell < width) {
    const auto& glyph = kGlyphs[font_data::glyph_index(next_char(text, i))];
    const i64 from = std::max<i64>(0, -cell);
    const i64 to = std::min<i64>(kFontCellWidth, width - cell);
    for (i64 py = top; py < bottom; ++py) {
      const unsigned bits = glyph[py - y];
      if (bits == 0) continue;
      Colour* row = s.row(static_cast<int>(py));
      for (i64 col = from; col < to; ++col) {
        if (!((bits >> (kFontCellWidth - 1 - col)) & 1u)) continue;
        Colour& p = row[cell + col];
        if (p == colour) continue;
        p = colour;
        changed_from[py - y] = std::min(changed_from[py - y], cell + col);
        changed_to[py - y] = std::max(changed_to[py - y], cell + col);
      }
    }
    cell += kFontCellWidth;
  }
  for (i64 py = top; py < bottom; ++py)
    if (changed_from[py - y] <= changed_to[py - y])
      s.note_change(static_cast<int>(changed_from[py - y]), static_cast<int>(changed_to[py - y]),
                    static_cast<int>(py));
  const i64 right = std::min(cell, width);
  if (left >= right) return {};
  return Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
              static_cast<int>(bottom)};
}

int text_width(std::string_view text) {
  i64 cells = 0;
  for (std::size_t i = 0; i < text.size(); ++cells) next_char(text, i);
  constexpr i64 kMax = std::numeric_limits<int>::max();
  return static_cast<int>(std::min(cells * kFontCellWidth, kMax));
}

}  // namespace kx508::platform
