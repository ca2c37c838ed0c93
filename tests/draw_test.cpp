// Colours, warnings, trace lines and the pixels the drawing primitives put on the canvas.
#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "display.h"
#include "font.h"
#include "library_fixture.h"

namespace {

const kx508::platform::Colour kBlack = kx508::platform::rgb(0, 0, 0);
const kx508::platform::Colour kWhite = kx508::platform::rgb(255, 255, 255);
const kx508::platform::Colour kRed = kx508::platform::rgb(255, 0, 0);
const kx508::platform::Colour kBlue = kx508::platform::rgb(0, 0, 255);

class DrawTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    start();
    fill_canvas(kWhite);
  }

  static void fill_canvas(kx508::platform::Colour c) {
    kx508::platform::Surface& canvas = kx508::lib.windows.canvas;
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x) canvas.set_pixel(x, y, c);
  }

  // The colour at a library point.
  static kx508::platform::Colour at(int x, int y) {
    return kx508::lib.windows.canvas.pixel(client_x(x), client_y(y));
  }

  static int count(kx508::platform::Colour c) {
    const kx508::platform::Surface& canvas = kx508::lib.windows.canvas;
    int n = 0;
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x) n += canvas.pixel(x, y) == c;
    return n;
  }

};

TEST_F(DrawTest, TraceLinesNameTheColourAndTheNormalisedCorners) {
  KX508_draw_rectangle(4, 10, -20, -10, 20, 0);
  KX508_draw_rectangle(4, -10, 20, 10, -20, 0);
  KX508_draw_rectangle(23, 0, 0, 5, 5, 3);
  KX508_draw_triangle(8, 1, 2, 3, 4, 5, 6, 0);
  KX508_flush();
  KX508_clear();
  EXPECT_EQ(log_lines(), (std::vector<std::string>{
                             "blue rectangle with bounding box (-10,20) to (10,-20), filled\n",
                             "blue rectangle with bounding box (-10,20) to (10,-20), filled\n",
                             "20% gray rectangle with bounding box (0,5) to (5,0) with line width 3\n",
                             "purple triangle at (1,2), (3,4), (5,6)\n",
                             "Flushing the graphics window\n",
                             "Clearing the graphics window\n",
                         }));
}

TEST_F(DrawTest, BadArgumentsWarnEvenWithLoggingOffColourFirst) {
  KX508_set_logging(0);
  KX508_draw_rectangle(0, 0, 0, 1, 1, 0);  // valid: silent
  KX508_draw_triangle(24, 0, 0, 10, 0, 0, 10, -3);
  KX508_draw_rectangle(-1, 0, 0, 1, 1, 0);
  KX508_flush();
  KX508_clear();
  EXPECT_EQ(log_lines(), (std::vector<std::string>{
                             "Illegal color 24; using RED.\n",
                             "Width of -3 not possible, using width 3\n",
                             "Illegal color -1; using RED.\n",
                         }));
}

TEST_F(DrawTest, SubstitutedValuesAreWhatIsTracedAndDrawn) {
  KX508_draw_rectangle(99, -50, 50, 50, -50, -1);
  std::vector<std::string> lines = log_lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "red rectangle with bounding box (-50,50) to (50,-50) with line width 1\n");
  EXPECT_EQ(at(-50, 50), kRed);
  EXPECT_EQ(at(0, 0), kWhite);  // an outline leaves the interior alone
}

TEST_F(DrawTest, MostNegativeWidthBecomesTheLargestWidth) {
  KX508_draw_rectangle(4, 0, 0, 1, 1, INT_MIN);
  ASSERT_FALSE(log_lines().empty());
  EXPECT_EQ(log_lines()[0], "Width of -2147483648 not possible, using width 2147483647\n");
  // The enormous pen covers the whole canvas.
  EXPECT_EQ(count(kBlue), kx508::lib.windows.canvas.width() * kx508::lib.windows.canvas.height());
}

TEST_F(DrawTest, NamedColoursDrawTheirColoursThroughFunctionsAndDisplay) {
  KX508_draw_rectangle(KX508_NAVY_BLUE, 0, 0, 0, 0, 0);
  EXPECT_EQ(at(0, 0), kx508::platform::rgb(0, 51, 153));
  KX508_draw_triangle(KX508_GRAY_20, 10, 10, 10, 10, 10, 10, 0);
  EXPECT_EQ(at(10, 10), kx508::platform::rgb(204, 204, 204));
}

TEST_F(DrawTest, OnePixelRectangleAtTheOrigin) {
  KX508_draw_rectangle(0, 0, 0, 0, 0, 0);
  EXPECT_EQ(count(kBlack), 1);
  const kx508::CanvasOrigin& origin = kx508::lib.windows.canvas_origin;
  EXPECT_EQ(kx508::lib.windows.canvas.pixel(origin.x, origin.y), kBlack);
  EXPECT_TRUE(kx508::lib.windows.canvas_dirty);
}

TEST_F(DrawTest, DisplayClearPaints601By501PixelsCentredOnTheOrigin) {
  // Display is what the program draws through; its clear is flush, clear, then one
  // filled rectangle from (-300, -250) to (300, 250).
  kx508::reset_library();
  std::string why;
  ASSERT_TRUE(kx508::platform::open_backend("headless", &why));
  Display display;
  display.clear(4);
  // The canvas is 601 x 540 but the origin is the centre of the smaller client area, so
  // the rectangle may reach past the canvas's top and left edges: count what is on it.
  int ox = kx508::lib.windows.canvas_origin.x, oy = kx508::lib.windows.canvas_origin.y;
  int cols = std::min(600, ox + 300) - std::max(0, ox - 300) + 1;
  int rows = std::min(539, oy + 250) - std::max(0, oy - 250) + 1;
  EXPECT_EQ(count(kBlue), cols * rows);
  EXPECT_EQ(at(300, -250), kBlue);
  EXPECT_EQ(at(301, 0), kWhite);
  EXPECT_EQ(at(0, -251), kWhite);
  EXPECT_EQ(kx508::lib.windows.canvas.pixel(600, 539), kBlack);  // the clear's frame survives there

  display.clear(30);
  EXPECT_EQ(count(kRed), cols * rows);
  EXPECT_EQ(log_lines().back(), "Illegal color 30; using RED.\n");
}

TEST_F(DrawTest, ClearLeavesAWhiteCanvasInABlackFrame) {
  fill_canvas(kBlue);
  kx508::lib.windows.canvas_dirty = false;
  KX508_clear();
  const kx508::platform::Surface& c = kx508::lib.windows.canvas;
  EXPECT_EQ(c.pixel(0, 0), kBlack);
  EXPECT_EQ(c.pixel(600, 539), kBlack);
  EXPECT_EQ(c.pixel(300, 0), kBlack);
  EXPECT_EQ(c.pixel(0, 270), kBlack);
  EXPECT_EQ(c.pixel(1, 1), kWhite);
  EXPECT_EQ(c.pixel(599, 538), kWhite);
  EXPECT_EQ(count(kBlack), 2 * 601 + 2 * 540 - 4);
  EXPECT_EQ(count(kWhite), 599 * 538);
  EXPECT_TRUE(kx508::lib.windows.canvas_dirty);
}

TEST_F(DrawTest, FlushCopiesOnlyAChangedCanvas) {
  KX508_set_logging(0);
  KX508_draw_rectangle(4, 0, 0, 0, 0, 0);
  KX508_flush();
  EXPECT_FALSE(kx508::lib.windows.canvas_dirty);
  const kx508::platform::Surface& shown = hl::shown_pixels(kx508::lib.windows.draw_window);
  const kx508::CanvasOrigin& origin = kx508::lib.windows.canvas_origin;
  EXPECT_EQ(shown.pixel(origin.x, origin.y), kBlue);
  kx508::lib.windows.canvas.set_pixel(0, 0, kRed);  // changed behind the library's back
  KX508_flush();
  EXPECT_NE(shown.pixel(0, 0), kRed);
}

TEST_F(DrawTest, OutlineIsCentredOnTheEdgeAndLeavesTheInsideAlone) {
  KX508_set_logging(0);
  KX508_draw_rectangle(4, -20, 20, 20, -20, 3);
  EXPECT_EQ(at(-20, 0), kBlue);
  EXPECT_EQ(at(-21, 0), kBlue);  // one pixel outside
  EXPECT_EQ(at(-19, 0), kBlue);  // one pixel inside
  EXPECT_EQ(at(-22, 0), kWhite);
  EXPECT_EQ(at(-18, 0), kWhite);
  EXPECT_EQ(at(0, 0), kWhite);
  EXPECT_EQ(at(21, 21), kBlue);
}

TEST_F(DrawTest, FilledTriangleCoversItsInsideAndItsCorners) {
  KX508_set_logging(0);
  KX508_draw_triangle(3, -30, -30, 30, -30, 0, 30, 0);
  const kx508::platform::Colour green = kx508::platform::rgb(0, 255, 0);
  for (auto [x, y] : {std::pair{-30, -30}, {30, -30}, {0, 30}, {0, 0}, {-20, -25}})
    EXPECT_EQ(at(x, y), green) << x << "," << y;
  EXPECT_EQ(at(-31, -30), kWhite);
  EXPECT_EQ(at(0, 31), kWhite);
  EXPECT_EQ(at(-25, 20), kWhite);

  KX508_draw_triangle(2, -10, -10, 10, -10, 0, 10, 2);
  EXPECT_EQ(at(0, 0), green);  // an outlined triangle keeps what was inside
  EXPECT_EQ(at(0, -10), kRed);
}

TEST_F(DrawTest, ShapesFarOutsideTheCanvasAreClippedAway) {
  KX508_set_logging(0);
  KX508_draw_rectangle(4, INT_MIN, INT_MAX, INT_MAX, INT_MIN, 0);
  EXPECT_EQ(count(kBlue), kx508::lib.windows.canvas.width() * kx508::lib.windows.canvas.height());
  fill_canvas(kWhite);
  KX508_draw_triangle(2, INT_MIN, INT_MIN, INT_MAX, INT_MIN, 0, INT_MAX, 0);
  EXPECT_EQ(at(0, 0), kRed);
  fill_canvas(kWhite);
  KX508_draw_rectangle(4, INT_MAX - 5, INT_MAX, INT_MAX, INT_MAX - 5, 2000000000);
  KX508_draw_triangle(4, INT_MIN, 0, INT_MIN, 5, INT_MIN + 3, 2, 7);
  KX508_draw_rectangle(4, 1000, 1000, 2000, 2000, 1);
  EXPECT_EQ(count(kBlue), 0);
}

// ---- Lines, ellipses and text

TEST_F(DrawTest, LineEllipseAndTextTraceLinesInTheShapesStyle) {
  EXPECT_EQ(KX508_draw_line(KX508_BLUE, 10, -20, -10, 20, 0), 1);
  EXPECT_EQ(KX508_draw_line(KX508_ORANGE, -100, 5, 100, 5, 3), 1);
  EXPECT_EQ(KX508_draw_ellipse(KX508_GOLD, 10, -20, -10, 20, 0), 1);
  EXPECT_EQ(KX508_draw_ellipse(KX508_GRAY_20, -10, 20, 10, -20, 2), 1);
  EXPECT_EQ(KX508_draw_text(KX508_BLACK, -21, 7, "Score: 12"), 1);
  EXPECT_EQ(KX508_draw_text(KX508_NAVY_BLUE, 0, 0, "caf\xC3\xA9 \"a\\b\"\n\t\x01"), 1);
  EXPECT_EQ(KX508_draw_text(KX508_WHITE, 3, 4, nullptr), 1);
  EXPECT_EQ(KX508_text_width("Score: 12"), 63);  // measuring writes no line
  EXPECT_EQ(log_lines(),
            (std::vector<std::string>{
                "blue line from (10,-20) to (-10,20) with line width 0\n",
                "orange line from (-100,5) to (100,5) with line width 3\n",
                "gold ellipse with bounding box (-10,20) to (10,-20), filled\n",
                "20% gray ellipse with bounding box (-10,20) to (10,-20) with line width 2\n",
                "black text at (-21,7): \"Score: 12\"\n",
                "navy blue text at (0,0): \"caf\xC3\xA9 \\\"a\\\\b\\\"\\n\\t\\x01\"\n",
                "white text at (3,4): \"\"\n",
            }));
  KX508_set_logging(0);
  log_lines();
  const std::size_t before = log_lines().size();
  KX508_draw_line(0, 0, 0, 1, 1, 1);
  KX508_draw_ellipse(0, 0, 0, 1, 1, 1);
  KX508_draw_text(0, 0, 0, "quiet");
  EXPECT_EQ(log_lines().size(), before);
}

TEST_F(DrawTest, LineEllipseAndTextWarnAsTheShapesDo) {
  KX508_set_logging(0);
  KX508_draw_line(24, 0, 0, 10, 0, -3);
  KX508_draw_ellipse(-1, 0, 0, 10, 10, -2);
  KX508_draw_text(99, 0, 0, "x");
  KX508_draw_line(KX508_BLUE, 0, 0, 1, 1, INT_MIN);
  EXPECT_EQ(log_lines(), (std::vector<std::string>{
                             "Illegal color 24; using RED.\n",
                             "Width of -3 not possible, using width 3\n",
                             "Illegal color -1; using RED.\n",
                             "Width of -2 not possible, using width 2\n",
                             "Illegal color 99; using RED.\n",
                             "Width of -2147483648 not possible, using width 2147483647\n",
                         }));
  // Drawn red, with the substituted width; the line as wide as an int covers everything.
  EXPECT_EQ(at(5, 0), kBlue);
  EXPECT_EQ(count(kBlue), kx508::lib.windows.canvas.width() * kx508::lib.windows.canvas.height());
  fill_canvas(kWhite);
  KX508_set_logging(1);
  KX508_draw_line(30, -20, 0, 20, 0, -1);
  EXPECT_EQ(log_lines().back(), "red line from (-20,0) to (20,0) with line width 1\n");
  EXPECT_EQ(at(-20, 0), kRed);
  EXPECT_EQ(at(20, 0), kRed);
  EXPECT_EQ(at(0, 1), kWhite);
}

TEST(DrawBeforeStart, LineEllipseAndTextReturnZeroAndChangeNothing) {
  kx508::reset_library();
  EXPECT_EQ(KX508_draw_line(KX508_RED, 0, 0, 10, 10, 0), 0);
  EXPECT_EQ(KX508_draw_ellipse(99, 0, 0, 10, 10, -1), 0);  // not even a warning
  EXPECT_EQ(KX508_draw_text(KX508_RED, 0, 0, "a"), 0);
  EXPECT_TRUE(log_lines().empty());
  EXPECT_EQ(kx508::lib.windows.canvas.width(), 0);
  // Measuring needs no window.
  EXPECT_EQ(KX508_text_width("abc"), 21);
  EXPECT_EQ(KX508_text_width(""), 0);
  EXPECT_EQ(KX508_text_width(nullptr), 0);
}

TEST_F(DrawTest, LinePixelsAtLibraryPoints) {
  KX508_set_logging(0);
  // y up: from (-10, -5) to (10, 5), a shallow line rising to the right.
  KX508_draw_line(KX508_BLUE, -10, -5, 10, 5, 1);
  EXPECT_EQ(at(-10, -5), kBlue);
  EXPECT_EQ(at(10, 5), kBlue);
  EXPECT_EQ(at(0, 0), kBlue);
  // At x = -1 and 1 the line passes halfway between two pixels: each takes the one
  // towards its nearer end.
  EXPECT_EQ(at(-1, -1), kBlue);
  EXPECT_EQ(at(-1, 0), kWhite);
  EXPECT_EQ(at(1, 1), kBlue);
  EXPECT_EQ(at(1, 0), kWhite);
  EXPECT_EQ(count(kBlue), 21);
  // Width 0 is width 1; a line to itself is one pixel.
  fill_canvas(kWhite);
  KX508_draw_line(KX508_BLUE, 3, 3, 3, 3, 0);
  EXPECT_EQ(count(kBlue), 1);
  EXPECT_EQ(at(3, 3), kBlue);
  // Wide: every pixel within width / 2 of the segment.
  fill_canvas(kWhite);
  KX508_draw_line(KX508_BLUE, -20, 0, 20, 0, 5);
  EXPECT_EQ(at(0, 2), kBlue);
  EXPECT_EQ(at(0, -2), kBlue);
  EXPECT_EQ(at(0, 3), kWhite);
  EXPECT_EQ(at(-22, 0), kBlue);  // the round end
  EXPECT_EQ(at(-23, 0), kWhite);
  EXPECT_EQ(at(-22, 2), kWhite);
  EXPECT_TRUE(kx508::lib.windows.canvas_dirty);
}

TEST_F(DrawTest, EllipsePixelsStayInTheRectanglesBox) {
  KX508_set_logging(0);
  // The box is the rectangle's: (-20, 10) to (20, -10) covers 41 x 21 pixels.
  KX508_draw_ellipse(KX508_BLUE, 20, -10, -20, 10, 0);
  EXPECT_EQ(at(-20, 0), kBlue);
  EXPECT_EQ(at(20, 0), kBlue);
  EXPECT_EQ(at(0, 10), kBlue);
  EXPECT_EQ(at(0, -10), kBlue);
  EXPECT_EQ(at(0, 0), kBlue);
  EXPECT_EQ(at(-21, 0), kWhite);
  EXPECT_EQ(at(0, 11), kWhite);
  EXPECT_EQ(at(-20, 10), kWhite);  // the corners are outside
  const int filled = count(kBlue);
  // Outlined: the band lies inside, the inside keeps what was there.
  fill_canvas(kWhite);
  KX508_draw_rectangle(KX508_RED, -5, 2, 5, -2, 0);
  KX508_draw_ellipse(KX508_BLUE, -20, 10, 20, -10, 3);
  EXPECT_EQ(at(-20, 0), kBlue);
  EXPECT_EQ(at(-18, 0), kBlue);
  EXPECT_EQ(at(-17, 0), kWhite);
  EXPECT_EQ(at(0, 8), kBlue);
  EXPECT_EQ(at(0, 7), kWhite);
  EXPECT_EQ(at(0, 0), kRed);
  EXPECT_EQ(at(-21, 0), kWhite);
  EXPECT_LT(count(kBlue), filled);
  // A circle: as many pixels across as down.
  fill_canvas(kWhite);
  KX508_draw_ellipse(KX508_BLUE, -7, 7, 7, -7, 1);
  for (int d = -7; d <= 7; d += 14) {
    EXPECT_EQ(at(d, 0), kBlue);
    EXPECT_EQ(at(0, d), kBlue);
  }
  EXPECT_EQ(at(0, 0), kWhite);
}

TEST_F(DrawTest, TextIsTheFontsPixelsWithItsTopLeftAtTheLibraryPoint) {
  KX508_set_logging(0);
  const char* text = "Hi \xC3\xA9\xE9!";  // UTF-8 e-acute, then a Latin-1 one
  EXPECT_EQ(KX508_text_width(text), 6 * kx508::platform::kFontCellWidth);
  KX508_draw_text(KX508_BLUE, -20, 30, text);
  kx508::platform::Surface want(kx508::lib.windows.canvas.width(),
                                kx508::lib.windows.canvas.height(), kWhite);
  kx508::platform::draw_text(want, client_x(-20), client_y(30), text, kBlue);
  for (int y = 0; y < want.height(); ++y)
    for (int x = 0; x < want.width(); ++x)
      ASSERT_EQ(kx508::lib.windows.canvas.pixel(x, y), want.pixel(x, y)) << x << "," << y;
  // The cells: x from -20 for 42 pixels, y from 30 down 14 rows; 'H' has ink in both.
  int inked = 0;
  for (int y = 30; y > 30 - kx508::platform::kFontCellHeight; --y)
    for (int x = -20; x < -20 + 42; ++x) inked += at(x, y) == kBlue;
  EXPECT_EQ(inked, count(kBlue));
  EXPECT_GT(inked, 0);
  EXPECT_TRUE(kx508::lib.windows.canvas_dirty);
  // Only the letters' pixels are painted.
  EXPECT_EQ(count(kWhite) + count(kBlue),
            kx508::lib.windows.canvas.width() * kx508::lib.windows.canvas.height());
}

TEST_F(DrawTest, TextWidthsAreSevenPixelsACharacter) {
  EXPECT_EQ(KX508_text_width("Score: 5"), 56);
  EXPECT_EQ(KX508_text_width("\xE2\x82\xAC"), 7);  // one UTF-8 character
  EXPECT_EQ(KX508_text_width("\xE2\x82"), 14);     // cut short: two Latin-1 bytes
  EXPECT_EQ(KX508_text_width("\xFF\xFE"
                             "a"),
            21);                               // never UTF-8
  EXPECT_EQ(KX508_text_width("a\nb\tc"), 35);  // control characters too
  EXPECT_EQ(KX508_text_width(std::string(40, 'x').c_str()), 280);
}

TEST_F(DrawTest, LineEllipseAndTextAtTheIntRangesEndsAreClipped) {
  KX508_set_logging(0);
  KX508_draw_ellipse(KX508_BLUE, INT_MIN, INT_MAX, INT_MAX, INT_MIN, 0);
  EXPECT_EQ(count(kBlue), kx508::lib.windows.canvas.width() * kx508::lib.windows.canvas.height());
  fill_canvas(kWhite);
  KX508_draw_ellipse(KX508_BLUE, INT_MIN, INT_MAX, INT_MAX, INT_MIN, 1);
  EXPECT_EQ(count(kBlue), 0);  // its outline runs far outside the canvas
  KX508_draw_line(KX508_BLUE, INT_MIN, 0, INT_MAX, 0, 1);
  EXPECT_EQ(count(kBlue), kx508::lib.windows.canvas.width());
  fill_canvas(kWhite);
  KX508_draw_line(KX508_BLUE, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1);
  EXPECT_EQ(at(0, 0), kBlue);
  EXPECT_EQ(at(17, 17), kBlue);
  fill_canvas(kWhite);
  KX508_draw_line(KX508_BLUE, INT_MAX, INT_MAX, INT_MAX - 9, INT_MAX, 2000000000);
  KX508_draw_text(KX508_BLUE, INT_MIN, 0, "far left");
  KX508_draw_text(KX508_BLUE, INT_MAX, INT_MAX, "far up and right");
  KX508_draw_text(KX508_BLUE, 0, INT_MIN, "far down");
  EXPECT_EQ(count(kBlue), 0);
  // A text hanging over the canvas's left edge shows its last letters.
  const int left = -kx508::lib.windows.canvas_origin.x;
  KX508_draw_text(KX508_BLUE, left - 3 * kx508::platform::kFontCellWidth, 0, "abcdef");
  kx508::platform::Surface want(kx508::lib.windows.canvas.width(),
                                kx508::lib.windows.canvas.height(), kWhite);
  kx508::platform::draw_text(want, 0, client_y(0), "def", kBlue);
  EXPECT_TRUE(std::equal(want.data(), want.data() + want.width() * want.height(),
                         kx508::lib.windows.canvas.data()));
  EXPECT_GT(count(kBlue), 0);
}

}  // namespace
