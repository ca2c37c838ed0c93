// Text in the shared bitmap font: where glyphs land in their cells, what is left alone,
// clipping at every edge and at extreme coordinates, UTF-8, Latin-1 bytes and the
// replacement glyph.
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "font.h"
#include "glyphs.h"

namespace {

using kx508::platform::Colour;
using kx508::platform::draw_text;
using kx508::platform::kFontAscent;
using kx508::platform::kFontCellHeight;
using kx508::platform::kFontCellWidth;
using kx508::platform::Rect;
using kx508::platform::rgb;
using kx508::platform::Surface;
using kx508::platform::text_width;

const Colour kBg = rgb(0, 0, 0);
const Colour kInk = rgb(255, 255, 0);
constexpr int kW = kFontCellWidth;
constexpr int kH = kFontCellHeight;

std::vector<Colour> pixels(const Surface& s) {
  return {s.data(), s.data() + s.width() * s.height()};
}

// The text drawn alone at (0, 0) on a surface just wide enough for `cells` cells.
std::vector<Colour> image(std::string_view text, int cells) {
  Surface s(cells * kW, kH, kBg);
  draw_text(s, 0, 0, text, kInk);
  return pixels(s);
}

// The bounds of the ink in columns [x0, x1); Rect{} when there is none.
Rect ink(const Surface& s, int x0, int x1) {
  Rect r{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (int y = 0; y < s.height(); ++y)
    for (int x = x0; x < x1; ++x)
      if (s.pixel(x, y) == kInk) r = {std::min(r.left, x), std::min(r.top, y),
                                      std::max(r.right, x + 1), std::max(r.bottom, y + 1)};
  return r.left == INT_MAX ? Rect{} : r;
}

// Single characters drawn one at a time, kW apart, starting at (x, y).
std::vector<Colour> apart(int w, int h, int x, int y, const std::vector<std::string>& chars) {
  Surface s(w, h, kBg);
  for (const std::string& c : chars) draw_text(s, x, y, c, kInk), x += kW;
  return pixels(s);
}

TEST(Font, GlyphsSitInTheirCellsOnTheBaseline) {
  const int x = 5, y = 7;
  Surface s(40, 30, kBg);
  draw_text(s, x, y, "l|g/", kInk);
  EXPECT_EQ(pixels(s), apart(40, 30, x, y, {"l", "|", "g", "/"}));
  const Rect all = ink(s, 0, 40);
  EXPECT_TRUE(all.left >= x && all.right <= x + 4 * kW && all.top >= y && all.bottom <= y + kH);
  EXPECT_EQ(ink(s, x, x + kW).bottom, y + kFontAscent);           // 'l' rests on the baseline
  EXPECT_GT(ink(s, x + 2 * kW, x + 3 * kW).bottom, y + kFontAscent);  // 'g' hangs below
  const Rect bar = ink(s, x + kW, x + 2 * kW);
  EXPECT_EQ(bar.width(), 1);
  EXPECT_GE(bar.height(), kFontAscent / 2);
  // Not mirrored: '/' rises to the right.
  const Rect slash = ink(s, x + 3 * kW, x + 4 * kW);
  EXPECT_EQ(s.pixel(slash.right - 1, slash.top), kInk);
  EXPECT_EQ(s.pixel(slash.left, slash.bottom - 1), kInk);
}

TEST(Font, OnlyTheGlyphPixelsArePainted) {
  // Two different backgrounds: each pixel keeps its colour or takes the ink, and the
  // ink falls in the same places on both.
  std::vector<bool> inked[2];
  for (int k = 0; k < 2; ++k) {
    Surface s(60, 20);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 60; ++x) s.set_pixel(x, y, rgb(x * 4 + k, y * 12, 100 * k));
    const Surface before = s;
    draw_text(s, 2, 3, "Wg@\xC3\xA9#", kInk);
    for (int i = 0; i < 60 * 20; ++i) {
      ASSERT_TRUE(s.data()[i] == before.data()[i] || s.data()[i] == kInk) << i;
      inked[k].push_back(s.data()[i] != before.data()[i]);
    }
  }
  EXPECT_EQ(inked[0], inked[1]);
  EXPECT_GT(std::count(inked[0].begin(), inked[0].end(), true), 20);
}

TEST(Font, ClippedTextMatchesTheUnclippedDrawingAndItsRectangle) {
  // Smaller than a cell in height, so top and bottom can clip at once.
  const int w = 20, h = 10, margin = 60;
  const std::string text = "Ab|g\xC3\xA9\x80";
  const int len = 6 * kW;
  ASSERT_EQ(text_width(text), len);
  for (int py = -kH - 1; py <= h + 1; ++py)
    for (int px = -len - 1; px <= w + 1; ++px) {
      Surface small(w, h, kBg);
      const Rect r = draw_text(small, px, py, text, kInk);
      Surface big(w + 2 * margin, h + 2 * margin, kBg);
      draw_text(big, px + margin, py + margin, text, kInk);
      Rect want{std::max(px, 0), std::max(py, 0), std::min(px + len, w), std::min(py + kH, h)};
      if (want.width() <= 0 || want.height() <= 0) want = Rect{};
      ASSERT_EQ(r, want) << px << "," << py;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const Colour c = small.pixel(x, y);
          ASSERT_EQ(c, big.pixel(x + margin, y + margin)) << px << "," << py;
          ASSERT_TRUE(c == kBg || (x >= r.left && x < r.right && y >= r.top && y < r.bottom));
        }
    }
}

TEST(Font, ExtremeCoordinatesAreSafe) {
  Surface s(30, 20, kBg);
  const std::string text(50, 'M');
  for (int v : {INT_MIN, INT_MIN + 1, -1'000'000'000, INT_MAX - kH + 1, INT_MAX}) {
    EXPECT_EQ(draw_text(s, v, 3, text, kInk), Rect{}) << v;
    EXPECT_EQ(draw_text(s, 3, v, text, kInk), Rect{}) << v;
    EXPECT_EQ(draw_text(s, v, v, text, kInk), Rect{}) << v;
  }
  EXPECT_EQ(pixels(s), pixels(Surface(30, 20, kBg)));
  // Text that starts far to the left reaches the surface with its last cells.
  const int n = 200'000;
  EXPECT_EQ(draw_text(s, -n * kW, 2, std::string(n, 'M') + "l|", kInk), (Rect{0, 2, 2 * kW, 2 + kH}));
  EXPECT_EQ(pixels(s), apart(30, 20, 0, 2, {"l", "|"}));
  // Nothing to draw on, or nothing to draw.
  Surface none;
  EXPECT_EQ(draw_text(none, 0, 0, "abc", kInk), Rect{});
  EXPECT_EQ(draw_text(s, 0, 0, "", kInk), Rect{});
  EXPECT_EQ(text_width(""), 0);
}

TEST(Font, CoordinatesPastTheIntRangeAreSafe) {
  // The library adds the canvas origin to int coordinates, so text may start past int.
  Surface s(30, 20, kBg);
  const std::string text(50, 'M');
  for (std::int64_t v : {std::int64_t{INT_MIN} - 300, std::int64_t{INT_MAX} + 300, INT64_MIN,
                         INT64_MAX, INT64_MIN + 5, INT64_MAX - kH}) {
    EXPECT_EQ(draw_text(s, v, 3, text, kInk), Rect{}) << v;
    EXPECT_EQ(draw_text(s, 3, v, text, kInk), Rect{}) << v;
    EXPECT_EQ(draw_text(s, v, v, text, kInk), Rect{}) << v;
  }
  EXPECT_EQ(pixels(s), pixels(Surface(30, 20, kBg)));
  EXPECT_FALSE(s.any_changed());
}

TEST(Font, TheRowsOfChangedPixelsAreNotedAsChanged) {
  Surface s(70, 40, kBg);
  const Surface blank = s;
  draw_text(s, -3, 20, "Hello, g\xC3\xA9!", kInk);
  EXPECT_TRUE(s.any_changed());
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) {
      if (s.pixel(x, y) == blank.pixel(x, y)) continue;
      const std::uint32_t rows = s.changed_rows(x / Surface::kTileWidth, y / Surface::kTileHeight);
      ASSERT_TRUE((rows >> (y % Surface::kTileHeight)) & 1u) << x << "," << y;
    }
  // Drawn again as it is, nothing changes; a text of spaces changes nothing either.
  s.forget_changes();
  draw_text(s, -3, 20, "Hello, g\xC3\xA9!", kInk);
  draw_text(s, 0, 0, "      ", kInk);
  EXPECT_FALSE(s.any_changed());
}

TEST(Font, Latin1LettersTakeOneCellWithTheirOwnGlyph) {
  const auto replacement = image("\x80", 1);
  EXPECT_EQ(image("\xC3\xA9|", 2), apart(2 * kW, kH, 0, 0, {"\xC3\xA9", "|"}));
  EXPECT_NE(image("\xC3\xA9", 1), image("e", 1));
  // Every covered code point has its own glyph (bar the two blank spaces), none of them
  // the replacement: a slip in the code point to glyph mapping shows up as a repeat.
  std::vector<std::vector<Colour>> seen;
  for (unsigned c = 32; c <= 255; c = c == 126 ? 160 : c + 1) {
    const std::string utf8 =
        c < 0x80 ? std::string(1, static_cast<char>(c))
                 : std::string{static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    ASSERT_EQ(text_width(utf8), kW) << c;
    auto glyph = image(utf8, 1);
    EXPECT_NE(glyph, replacement) << c;
    if (c == 160) {
      EXPECT_EQ(glyph, image(" ", 1));
      continue;
    }
    for (const auto& other : seen) EXPECT_NE(glyph, other) << c;
    seen.push_back(std::move(glyph));
  }
}

TEST(Font, CharactersTheFontLacksDrawOneReplacementCellEach) {
  ASSERT_NE(image("\x80", 1), image(" ", 1));  // the replacement has ink
  for (const char* text : {"\xCD\xB8",          // U+0378: well formed, unassigned
                           "\xEE\x80\x80",      // U+E000: private use
                           "\xF0\x9F\x98\x80",  // beyond U+FFFF: an emoji
                           "\t", "\x7F",
                           "\xC2\x9F"}) {        // the last C1 control, just before U+00A0
    SCOPED_TRACE(::testing::PrintToString(std::string(text)));
    EXPECT_EQ(text_width(text), kW);
    EXPECT_EQ(image(text, 1), image("\x80", 1));
  }
}

// A byte that is not part of well-formed UTF-8 is its Latin-1 character, in one cell of its
// own: Latin-1 text reads as written, and the good character after a bad one still does.
TEST(Font, BytesThatAreNotUtf8AreTheirLatin1CharactersOneCellEach) {
  const struct {
    const char* text;
    std::vector<std::string> as_utf8;  // the same characters, one per cell
  } cases[] = {
      {"caf\xE9", {"c", "a", "f", "\xC3\xA9"}},       // a raw Latin-1 byte
      {"\xFF", {"\xC3\xBF"}},                          // never valid in UTF-8
      {"\xC3", {"\xC3\x83"}},                          // cut short at the end
      {"\xE2\x82" "A", {"\xC3\xA2", "\x80", "A"}},    // cut short: each byte on its own
      {"\xC0\xAF", {"\xC3\x80", "\xC2\xAF"}},        // overlong '/'
      {"\xED\xA0\x80", {"\xC3\xAD", "\xC2\xA0", "\x80"}},  // a surrogate
      {"\xF4\x90\x80\x80", {"\xC3\xB4", "\x80", "\x80", "\x80"}},  // past U+10FFFF
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::string(c.text)));
    const int cells = static_cast<int>(c.as_utf8.size());
    EXPECT_EQ(text_width(c.text), cells * kW);
    EXPECT_EQ(image(c.text, cells), apart(cells * kW, kH, 0, 0, c.as_utf8));
  }
  EXPECT_EQ(text_width("a\xC3\xA9\xE2\x82\xAC" "b"), 4 * kW);
}

}  // namespace

// Beyond Latin-1: a wide character takes two cells, a combining mark draws over the glyph
// before it and takes no room, a format character takes none and draws nothing; the
// width measured is the width drawn.
TEST(Font, WideCharactersMarksAndFormatCharactersLayOutAsDrawn) {
  const std::string han = "\xE4\xB8\xAD";  // U+4E2D
  EXPECT_EQ(text_width(han + "a"), 3 * kW);
  Surface wide(3 * kW, kH, kBg);
  EXPECT_EQ(draw_text(wide, 0, 0, han + "a", kInk), (Rect{0, 0, 3 * kW, kH}));
  EXPECT_EQ(pixels(wide), apart(3 * kW, kH, 0, 0, {han, "", "a"}));  // 'a' two cells on
  const Rect han_ink = ink(wide, 0, 2 * kW);
  EXPECT_LT(han_ink.left, kW);
  EXPECT_GE(han_ink.right, kW + kW / 2);  // one glyph across both cells
  EXPECT_NE(image(han, 2), image("\xCD\xB8 ", 2));  // not the replacement

  // e + COMBINING ACUTE ACCENT: one cell, the e's pixels and the accent's above them.
  const std::string acute = "\xCC\x81";
  EXPECT_EQ(text_width("e" + acute + "x"), 2 * kW);
  Surface marked(2 * kW, kH, kBg);
  draw_text(marked, 0, 0, "e" + acute + "x", kInk);
  Surface apart_marks(2 * kW, kH, kBg);
  draw_text(apart_marks, 0, 0, "e", kInk);
  draw_text(apart_marks, kW, 0, "x", kInk);
  draw_text(apart_marks, 0, 0, acute, kInk);  // a mark with nothing before it takes its own cell
  EXPECT_EQ(pixels(marked), pixels(apart_marks));
  EXPECT_LT(ink(marked, 0, kW).top, ink(apart_marks, kW, 2 * kW).top);  // above the letters
  EXPECT_EQ(text_width(acute), kW);

  // A mark over a wide glyph is centred on it.
  const std::string dakuten = "\xE3\x82\x99";  // U+3099, a wide mark
  Surface centred(2 * kW, kH, kBg), alone(2 * kW, kH, kBg);
  draw_text(centred, 0, 0, han + dakuten, kInk);
  draw_text(alone, 0, 0, han, kInk);
  draw_text(alone, 0, 0, dakuten, kInk);
  EXPECT_EQ(pixels(centred), pixels(alone));
  EXPECT_EQ(text_width(han + dakuten), 2 * kW);

  // ZERO WIDTH JOINER, LEFT-TO-RIGHT MARK and ZERO WIDTH NO-BREAK SPACE: nothing at all.
  const std::string format = "\xE2\x80\x8D\xE2\x80\x8E\xEF\xBB\xBF";
  EXPECT_EQ(text_width("a" + format + "b"), 2 * kW);
  EXPECT_EQ(image("a" + format + "b", 2), image("ab", 2));
  Surface nothing(kW, kH, kBg);
  EXPECT_EQ(draw_text(nothing, 0, 0, format, kInk), Rect{});
}

// A page of glyphs is taken only whole and as its file has it: a page the page loads
// over the network could be cut short or be something else.
TEST(Font, AGlyphPageIsLoadedOnlyFromItsOwnWholeFile) {
  using kx508::platform::glyph_page_size;
  using kx508::platform::load_glyph_page;
  const int page = 0x4E;
  ASSERT_TRUE(kx508::platform::glyph_page_exists(page));
  const std::string han = "\xE4\xB8\xAD";
  const std::vector<Colour> before = image(han, 2);
  std::vector<std::uint8_t> bytes(glyph_page_size(page), 0);
  EXPECT_FALSE(load_glyph_page(page, bytes));  // all missing: the rows do not add up
  bytes.assign(256, static_cast<std::uint8_t>(kx508::platform::GlyphKind::invisible));
  EXPECT_FALSE(load_glyph_page(page, bytes));  // adds up, but not this page's size
  EXPECT_FALSE(load_glyph_page(0, bytes));
  EXPECT_FALSE(load_glyph_page(0xD8, bytes));  // surrogates: a page without glyphs
  EXPECT_FALSE(load_glyph_page(256, bytes));
  EXPECT_EQ(image(han, 2), before);
  std::bitset<256> needed;
  kx508::platform::glyph_pages_needed("abc " + han, needed);
  EXPECT_TRUE(needed.none());  // built in
}

// Right-to-left text is drawn in its visual order, joined: the text routine draws what
// the line's visual order gives, and measures it so.
TEST(Font, RightToLeftTextIsDrawnRightToLeftAndJoined) {
  // SHALOM: its four letters drawn apart, last letter first.
  const std::string shalom = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";
  EXPECT_EQ(image(shalom, 4),
            apart(4 * kW, kH, 0, 0, {"\xD7\x9D", "\xD7\x95", "\xD7\x9C", "\xD7\xA9"}));
  // LAM ALEF: one ligature, one cell; the ligature's second place (U+FEFF) takes none.
  EXPECT_EQ(text_width("\xD9\x84\xD8\xA7"), kW);
  EXPECT_EQ(image("\xD9\x84\xD8\xA7", 1), image("\xEF\xBB\xBB", 1));  // U+FEFB
  // MUHAMMAD: its joined forms (U+FEAA U+FEE4 U+FEA4 U+FEE3 from left to right), not its
  // letters on their own.
  EXPECT_EQ(image("\xD9\x85\xD8\xAD\xD9\x85\xD8\xAF", 4),
            apart(4 * kW, kH, 0, 0,
                  {"\xEF\xBA\xAA", "\xEF\xBB\xA4", "\xEF\xBA\xA4", "\xEF\xBB\xA3"}));
  // Latin around a right-to-left word keeps its place.
  EXPECT_EQ(image("ab \xD7\xA9\xD7\x9C", 5),
            apart(5 * kW, kH, 0, 0, {"a", "b", " ", "\xD7\x9C", "\xD7\xA9"}));
}
