// The glyph table: page 0 from font_data.cpp, the other pages from their files' bytes,
// each read once into an index of where each glyph's rows start.
#include "glyphs.h"

#include <array>

#include "font.h"
#include "font_data.h"

namespace kx508::platform {

namespace {

constexpr int kPages = 256;
constexpr std::size_t kKindsSize = 256;

struct Page {
  const std::uint8_t* bytes = nullptr;  // null until loaded
  std::array<std::uint16_t, 256> rows_at{};
};

int rows_size(GlyphKind kind) {
  switch (kind) {
    case GlyphKind::narrow:
    case GlyphKind::mark:
      return kFontCellHeight;
    case GlyphKind::wide:
    case GlyphKind::wide_mark:
      return 2 * kFontCellHeight;
    default:
      return 0;
  }
}

// Indexes the page's glyphs; false when the bytes are not a whole page.
bool index_page(Page& page, std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kKindsSize) return false;
  std::size_t at = kKindsSize;
  for (std::size_t i = 0; i < kKindsSize; ++i) {
    const auto kind = static_cast<GlyphKind>(bytes[i]);
    if (bytes[i] > static_cast<std::uint8_t>(GlyphKind::invisible)) return false;
    page.rows_at[i] = static_cast<std::uint16_t>(at);
    at += static_cast<std::size_t>(rows_size(kind));
  }
  if (at != bytes.size()) return false;
  page.bytes = bytes.data();
  return true;
}

// Built-in pages are indexed once, on first use (a thread-safe static); pages loaded
// later are added by the web build, which has one thread.
std::array<Page, kPages>& pages() {
  static std::array<Page, kPages> table = [] {
    std::array<Page, kPages> t;
    for (int p = 1; p < kPages; ++p)
      if (font_data::kGlyphPageData[p])
        index_page(t[p], {reinterpret_cast<const std::uint8_t*>(font_data::kGlyphPageData[p]),
                          font_data::kGlyphPageSizes[p]});
    return t;
  }();
  return table;
}

Glyph replacement() { return {GlyphKind::missing, kFontCellWidth, font_data::kGlyphs[0]}; }

}  // namespace

Glyph glyph_of(char32_t c) {
  if (c <= 0xFF) {
    const int i = font_data::glyph_index(c);
    return {i ? GlyphKind::narrow : GlyphKind::missing, kFontCellWidth, font_data::kGlyphs[i]};
  }
  if (c > 0xFFFF) return replacement();
  const Page& page = pages()[c >> 8];
  if (!page.bytes) return replacement();
  const auto kind = static_cast<GlyphKind>(page.bytes[c & 0xFF]);
  switch (kind) {
    case GlyphKind::missing:
      return replacement();
    case GlyphKind::invisible:
      return {kind, 0, nullptr};
    default: {
      const bool two_cells = kind == GlyphKind::wide || kind == GlyphKind::wide_mark;
      return {kind, two_cells ? 2 * kFontCellWidth : kFontCellWidth,
              page.bytes + page.rows_at[c & 0xFF]};
    }
  }
}

bool glyph_page_exists(int page) {
  return page == 0 || (page > 0 && page < kPages && font_data::kGlyphPageSizes[page] > 0);
}

bool glyph_page_loaded(int page) {
  return page == 0 || (glyph_page_exists(page) && pages()[page].bytes != nullptr);
}

std::size_t glyph_page_size(int page) {
  return page > 0 && page < kPages ? font_data::kGlyphPageSizes[page] : 0;
}

bool load_glyph_page(int page, std::span<const std::uint8_t> bytes) {
  if (!glyph_page_exists(page) || page == 0 || bytes.size() != glyph_page_size(page))
    return false;
  Page loaded;
  if (!index_page(loaded, bytes)) return false;
  pages()[page] = loaded;
  return true;
}

}  // namespace kx508::platform
