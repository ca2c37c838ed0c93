// The shared font's data: Latin-1's glyph table, generated into font_data.cpp by
// platform/raster/make_font.py, and the other pages' files (platform/raster/glyphs/),
// which the build turns into glyph_pages.cpp (embed_glyphs.cmake).
#pragma once

#include <cstdint>
#include <type_traits>

#include "font.h"

namespace kx508::platform::font_data {

// One bitmask per pixel row of a cell, top row first; the cell's leftmost pixel is bit
// kFontCellWidth - 1.
using GlyphRow = std::conditional_t<
    kFontCellWidth <= 8, std::uint8_t,
    std::conditional_t<kFontCellWidth <= 16, std::uint16_t, std::uint32_t>>;

// Glyph 0 is the replacement, then U+0020..U+007E, then U+00A0..U+00FF.
constexpr int kGlyphCount = 1 + 95 + 96;

extern const GlyphRow kGlyphs[kGlyphCount][kFontCellHeight];

constexpr int glyph_index(char32_t c) {
  if (c >= 0x20 && c <= 0x7E) return 1 + static_cast<int>(c - 0x20);
  if (c >= 0xA0 && c <= 0xFF) return 96 + static_cast<int>(c - 0xA0);
  return 0;
}

// The size of each page's file, 0 for a page without glyphs; and its bytes where the
// build has them built in (natively), else null (the page loads them).
extern const std::uint32_t kGlyphPageSizes[256];
extern const char* const kGlyphPageData[256];

}  // namespace kx508::platform::font_data
