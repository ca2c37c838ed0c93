// When the canvas reaches the drawing window: once after it changed, never while nothing
// was drawn, and again whenever the window has lost its pixels.
#include <algorithm>
#include <utility>
#include <vector>

#include "library_fixture.h"

namespace {

// A short name for the library's drawing window.
const kx508::platform::Window& draw_window = kx508::lib.windows.draw_window;

const kx508::platform::Colour kBlue = kx508::platform::rgb(0, 0, 255);
const kx508::platform::Colour kWhite = kx508::platform::rgb(255, 255, 255);

class CanvasCopyTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    start();
    KX508_set_logging(0);
  }
  static std::int64_t copies() { return hl::copies_to_window(draw_window); }
  // The window's pixel under a library point.
  static kx508::platform::Colour shown(int x, int y) {
    return hl::shown_pixels(draw_window).pixel(client_x(x), client_y(y));
  }
};

TEST_F(CanvasCopyTest, WaitsCopyOnlyAfterSomethingWasDrawn) {
  KX508_set_animation(2);
  wait();  // the first pass shows the canvas the library started with
  const std::int64_t first = copies();
  EXPECT_GE(first, 1);
  for (int i = 0; i < 20; ++i) ASSERT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(copies(), first) << "20 ticks with nothing drawn";

  // Several shapes between two waits make one copy, however many passes the wait takes.
  KX508_draw_rectangle(4, 0, 0, 3, 3, 0);
  KX508_draw_triangle(2, 10, 10, 20, 10, 15, 20, 0);
  hl::schedule(hl::now_ms() + 30, [] { hl::type_char('x'); });
  ASSERT_EQ(wait().kind, KX508_KEY);
  EXPECT_EQ(copies(), first + 1);
  EXPECT_EQ(shown(1, 1), kBlue);
  wait();
  EXPECT_EQ(copies(), first + 1);
}

TEST_F(CanvasCopyTest, ClearAndFlushCountAsChangesAndAFlushLeavesNothingForThePump) {
  KX508_set_animation(2);
  wait();
  const std::int64_t before = copies();
  KX508_clear();
  KX508_flush();
  EXPECT_EQ(copies(), before + 1);
  KX508_flush();  // nothing changed since
  wait();
  EXPECT_EQ(copies(), before + 1);
}

TEST_F(CanvasCopyTest, ExposedWindowGetsTheUnchangedCanvasBackOnce) {
  KX508_set_animation(2);
  KX508_draw_rectangle(4, -2, 2, 2, -2, 0);
  wait();
  ASSERT_EQ(shown(0, 0), kBlue);
  const std::int64_t before = copies();

  hl::expose(draw_window);
  EXPECT_NE(shown(0, 0), kBlue);
  EXPECT_FALSE(kx508::lib.windows.canvas_dirty);
  wait();
  EXPECT_EQ(shown(0, 0), kBlue);
  EXPECT_EQ(copies(), before + 1);

  // Exposed while the canvas had changed too: the paint's copy is the only one.
  KX508_draw_rectangle(2, 5, 5, 6, 6, 0);
  hl::expose(draw_window);
  wait();
  EXPECT_EQ(shown(0, 0), kBlue);
  EXPECT_EQ(shown(5, 5), kx508::platform::rgb(255, 0, 0));
  EXPECT_EQ(copies(), before + 2);
}

// The window manager changes the client area's size (decorations toggled, fullscreen, a
// size it does not keep fixed): the origin follows the client area's centre and the
// picture moves with it, so drawing the same shapes again adds nothing beside them.
TEST_F(CanvasCopyTest, ThePictureMovesWithTheOriginWhenTheClientAreaChangesSize) {
  KX508_set_animation(2);
  KX508_clear();
  KX508_draw_rectangle(4, -20, 10, 30, -10, 0);
  wait();
  const kx508::platform::Rect client = kx508::platform::client_rect(draw_window);
  const auto origin = kx508::lib.windows.canvas_origin;
  const kx508::platform::Surface before = kx508::lib.windows.canvas;

  for (const auto& [dw, dh] : {std::pair{300, 160}, std::pair{0, 0}, std::pair{-40, 19}}) {
    hl::set_client_size(draw_window, client.width() + dw, client.height() + dh);
    const int dx = dw / 2, dy = dh / 2;  // exact for these sizes
    ASSERT_EQ(kx508::lib.windows.canvas_origin.x, origin.x + dx);
    ASSERT_EQ(kx508::lib.windows.canvas_origin.y, origin.y + dy);
    wait();
    const kx508::platform::Surface& canvas = kx508::lib.windows.canvas;
    EXPECT_EQ(shown(-20, 10), kBlue) << dw;
    EXPECT_EQ(shown(30, -10), kBlue) << dw;
    EXPECT_EQ(shown(-21, 10), kWhite) << dw;
    // The canvas frame went along; where the move uncovered the canvas it is white.
    if (dx > 0) {
      EXPECT_EQ(canvas.pixel(dx - 1, 300), kWhite);
    }
    if (dx >= 0) {
      EXPECT_EQ(canvas.pixel(dx, 300), kx508::platform::rgb(0, 0, 0));
    }

    // The same shape at the same library point: not one pixel changes.
    const kx508::platform::Surface moved = canvas;
    KX508_draw_rectangle(4, -20, 10, 30, -10, 0);
    EXPECT_TRUE(std::equal(moved.data(), moved.data() + 601 * 540, canvas.data())) << dw;
  }
  // Back to the first size, after moves that pushed the canvas's edges off it: those
  // are lost (the frame lines), everything else is where it was.
  hl::set_client_size(draw_window, client.width(), client.height());
  wait();
  const kx508::platform::Surface& canvas = kx508::lib.windows.canvas;
  for (int y = 1; y < 539; ++y)
    for (int x = 1; x < 600; ++x)
      ASSERT_EQ(canvas.pixel(x, y), before.pixel(x, y)) << x << ", " << y;
  EXPECT_EQ(canvas.pixel(0, 300), kWhite);
  EXPECT_EQ(shown(0, 0), kBlue);
}

// The pixels a presentation covered.
std::int64_t area(const std::vector<kx508::platform::Rect>& parts) {
  std::int64_t a = 0;
  for (const kx508::platform::Rect& r : parts) a += std::int64_t{r.width()} * r.height();
  return a;
}

TEST_F(CanvasCopyTest, CopiesTakeOnlyTheChangedPartButAllOfItAfterAnExpose) {
  KX508_set_animation(2);
  KX508_draw_rectangle(4, -2, 2, 2, -2, 0);
  wait();
  const kx508::platform::Rect client = kx508::platform::client_rect(draw_window);
  const std::int64_t whole = std::int64_t{client.width()} * client.height();

  // A small shape: one tile or a few around it, with the shape inside them.
  KX508_draw_rectangle(2, 100, 100, 103, 103, 0);
  wait();
  std::vector<kx508::platform::Rect> parts = hl::last_presented(draw_window);
  EXPECT_LE(area(parts), 4 * 32 * 32);
  EXPECT_EQ(shown(101, 101), kx508::platform::rgb(255, 0, 0));

  // After an expose the paint shows the whole canvas again, not just what changed.
  hl::expose(draw_window);
  wait();
  EXPECT_GE(area(hl::last_presented(draw_window)), whole);
  EXPECT_EQ(shown(0, 0), kBlue);
  EXPECT_EQ(shown(101, 101), kx508::platform::rgb(255, 0, 0));
}

}  // namespace
