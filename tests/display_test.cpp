// Display: starting and stopping the library, the argument reordering, the mapped codes,
// and the one-display-per-process rule.
#include <cstdio>

#include "display.h"
#include "library_fixture.h"

namespace {

class DisplayTest : public LibraryTest {};

// The refusal ends the process with exit(-1): POSIX reports the low byte of the status,
// Windows the whole value.
#ifdef _WIN32
constexpr int kRefusedStatus = -1;
#else
constexpr int kRefusedStatus = 255;
#endif

TEST_F(DisplayTest, StartsTheLibraryWithLoggingOffAndStopsItWhenDestroyed) {
  {
    Display display;
    EXPECT_NE(kx508::lib.windows.draw_window, 0u);
    EXPECT_FALSE(kx508::lib.draw.logging_enabled);
    EXPECT_FALSE(menu_item_checked(kx508::kCmdLogging));
    EXPECT_TRUE(hl::window_info(kx508::lib.windows.text_window).exists);
    // Bad arguments still warn with logging off.
    display.rectangle(0, 0, 1, 1, 30, 0);
    EXPECT_EQ(log_lines(), (std::vector<std::string>{"Illegal color 30; using RED.\n"}));
  }
  // Stopped: the window no longer receives the canvas.
  kx508::lib.windows.canvas.set_pixel(3, 3, kx508::platform::rgb(0, 255, 0));
  kx508::lib.windows.canvas_dirty = true;
  kx508::pump_once();
  EXPECT_NE(hl::shown_pixels(kx508::lib.windows.draw_window).pixel(3, 3), kx508::platform::rgb(0, 255, 0));
}

TEST_F(DisplayTest, ColourAndWidthComeLastAndCornersKeepTheirOrder) {
  Display display;
  KX508_set_logging(1);
  EXPECT_EQ(display.rectangle(10, 20, -10, -20, 4, 0), 1);
  EXPECT_EQ(display.triangle(1, 2, 3, 4, 5, 6, 8, 2), 1);
  std::vector<std::string> lines = log_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "blue rectangle with bounding box (-10,20) to (10,-20), filled\n");
  EXPECT_EQ(lines[1], "purple triangle at (1,2), (3,4), (5,6)\n");
}

TEST_F(DisplayTest, LinesEllipsesAndTextTakeTheirColourLast) {
  Display display;
  KX508_set_logging(1);
  EXPECT_EQ(display.line(1, 2, 3, 4, 4, 2), 1);
  EXPECT_EQ(display.ellipse(10, 20, -10, -20, 17, 0), 1);
  EXPECT_EQ(display.text(-5, 6, "Hi", 0), 1);
  const std::vector<std::string> lines = log_lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{
                "blue line from (1,2) to (3,4) with line width 2\n",
                "gold ellipse with bounding box (-10,20) to (10,-20), filled\n",
                "black text at (-5,6): \"Hi\"\n",
            }));
}

TEST_F(DisplayTest, AnimationModesMapToLibraryCommands) {
  Display display;
  for (int ignored : {4, -1, 6}) display.animate(ignored);
  EXPECT_FALSE(kx508::lib.animation.running);
  EXPECT_FALSE(kx508::lib.animation.step_pending);
  EXPECT_FALSE(kx508::lib.animation.quit_requested);
  display.animate(1);
  EXPECT_TRUE(kx508::lib.animation.step_pending);
  display.animate(2);
  EXPECT_TRUE(kx508::lib.animation.running);
  display.animate(0);
  EXPECT_FALSE(kx508::lib.animation.running);
  display.animate(3);
  EXPECT_TRUE(kx508::lib.animation.quit_requested);

  int x = 1, y = 1;
  char key = 1;
  const kx508::CanvasOrigin& origin = kx508::lib.windows.canvas_origin;
  hl::click(kx508::lib.windows.draw_window, origin.x + 4, origin.y);
  EXPECT_EQ(display.awaitEvent(x, y, key), 4);
  EXPECT_EQ(x, 4);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(key, 0);
}

TEST_F(DisplayTest, AnimateFiveAlsoRequestsQuit) {
  Display display;
  display.animate(5);
  EXPECT_TRUE(kx508::lib.animation.quit_requested);
}

// What a refused second display shows, written where the test can read it.
void report_dialog(hl::Dialog& d) {
  std::fprintf(stderr, "prompt=[%s] graphics windows=%zu\n", d.item_text(103).c_str(),
               hl::find_window("KX508 Graphics") ? std::size_t{1} : std::size_t{0});
  d.press_button(101);
}

TEST_F(DisplayTest, SecondDisplayShowsTheErrorAndEndsTheProcess) {
  EXPECT_EXIT(
      {
        Display first;
        hl::answer_next_dialog({report_dialog});
        Display second;
        std::fprintf(stderr, "second display made\n");
      },
      ::testing::ExitedWithCode(kRefusedStatus),
      "prompt=\\[Error: Attempted to instantiate multiple KX508 displays *\\] graphics "
      "windows=1");
}

TEST_F(DisplayTest, SecondDisplaysErrorIsAlsoOnStandardError) {
  // For a headless run and a log, which have no dialog to show.
  EXPECT_EXIT(
      {
        Display first;
        hl::answer_next_dialog({[](hl::Dialog& d) { d.press_button(101); }});
        Display second;
      },
      ::testing::ExitedWithCode(kRefusedStatus),
      "KX508: Error: Attempted to instantiate multiple KX508 displays");
}

TEST_F(DisplayTest, NoDisplayAfterTheFirstIsDestroyed) {
  EXPECT_EXIT(
      {
        { Display first; }
        hl::answer_next_dialog({report_dialog});
        Display again;
      },
      ::testing::ExitedWithCode(kRefusedStatus), "Error: Attempted to instantiate multiple KX508 displays");
}

// The one-display rule holds for the library's life in the process; a reset starts it
// afresh.
TEST_F(DisplayTest, ResetLetsANewDisplayStart) {
  { Display first; }
  EXPECT_TRUE(kx508::lib.display.display_created);
  kx508::reset_library();
  EXPECT_FALSE(kx508::lib.display.display_created);
  std::string why;
  ASSERT_TRUE(kx508::platform::open_backend("headless", &why)) << why;
  Display again;  // refused with the error dialog if the reset had kept the flag
  EXPECT_NE(kx508::lib.windows.draw_window, 0u);
  EXPECT_TRUE(kx508::lib.display.display_created);
}

}  // namespace
