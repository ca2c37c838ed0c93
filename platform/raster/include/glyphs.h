// The shared font's glyphs for the whole Basic Multilingual Plane: Latin-1 compiled in,
// the rest in pages of 256 code points that are built in natively and that the page
// loads when a program first needs them.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kx508::platform {

// What a character draws; the page files store these values (make_font.py).
enum class GlyphKind : std::uint8_t {
  missing = 0,    // the replacement glyph, in one cell
  narrow = 1,     // one cell
  wide = 2,       // two cells
  mark = 3,       // a narrow mark, drawn over the glyph before it; takes no room
  wide_mark = 4,  // a wide mark, the same
  invisible = 5,  // takes no room and draws nothing
};

// A glyph's pixels: kFontCellHeight rows, one byte each for a one-cell glyph (leftmost
// pixel bit kFontCellWidth - 1), two (big-endian, leftmost bit 2 * kFontCellWidth - 1)
// for a two-cell glyph.
struct Glyph {
  GlyphKind kind;
  int width;  // in pixels: kFontCellWidth or 2 * kFontCellWidth
  const std::uint8_t* rows;
  bool is_mark() const { return kind == GlyphKind::mark || kind == GlyphKind::wide_mark; }
  unsigned row(int y) const {
    return width > 8 ? unsigned{rows[2 * y]} << 8 | rows[2 * y + 1] : rows[y];
  }
};

// The glyph of a character; the replacement glyph for one the fonts lack, for one whose
// page is not loaded, and for everything beyond U+FFFF.
Glyph glyph_of(char32_t c);

// The pages of 256 code points (c >> 8) that have glyphs, and whether one is loaded.
// Natively and for page 0 a page with glyphs is always loaded.
bool glyph_page_exists(int page);
bool glyph_page_loaded(int page);
// The size a page's file has (0 for a page without glyphs).
std::size_t glyph_page_size(int page);
// Loads a page from its file's bytes (kept by reference: they must outlive every drawing).
// False, and nothing loaded, when the bytes are not that page's file.
bool load_glyph_page(int page, std::span<const std::uint8_t> bytes);

// Adds to `pages` each page the text needs, as draw_text draws it (Arabic joined into
// presentation forms), that has glyphs and is not loaded: so that a caller that loads
// pages on demand loads them before drawing.
void glyph_pages_needed(std::string_view text, std::bitset<256>& pages);

}  // namespace kx508::platform
