// The one fixed-pitch bitmap font that every backend draws text with, and the routine
// that draws it into a pixel surface, so text looks the same pixel for pixel everywhere.
#pragma once

#include <cstdint>
#include <string_view>

#include "surface.h"

namespace kx508::platform {

// A character takes one cell of kFontCellWidth x kFontCellHeight pixels, a wide one
// (Han, kana, Hangul, ...) two; lines of text are kFontCellHeight apart.
constexpr int kFontCellWidth = 7;
constexpr int kFontCellHeight = 14;
// The baseline's distance below the top of a cell: letters without descenders end on
// the row just above it.
constexpr int kFontAscent = 12;

// Draws text with the first cell's top-left corner at (x, y), characters as next_char
// (text_encoding.h) reads them: UTF-8, and each byte that is not part of a well-formed
// sequence as its Latin-1 character. Each character of the Basic Multilingual Plane that
// the fonts have draws its glyph (glyphs.h) in one or two cells; a combining mark is drawn
// over the glyph before it and takes no room; a format character takes none and draws
// nothing; any other character (a control character, one the fonts lack, one beyond
// U+FFFF such as an emoji) draws the replacement glyph in one cell. Only the glyphs' set
// pixels are painted, in colour; the rest keeps what was there. Clipped to the surface
// for any x and y; the cost follows the cells that reach it, plus decoding the
// characters left of it. The rows of pixels that changed are noted as changed, as the
// other drawing calls note them. Returns the area of the glyphs drawn, clipped to the
// surface: a superset of the pixels changed, empty (Rect{}) when no glyph reaches the
// surface.
Rect draw_text(Surface& s, std::int64_t x, std::int64_t y, std::string_view text, Colour colour);

// The width of the text in pixels as draw_text lays it out: its cell count times
// kFontCellWidth, saturating at the largest int.
int text_width(std::string_view text);

}  // namespace kx508::platform
