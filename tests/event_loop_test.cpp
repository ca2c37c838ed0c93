// The library's windows, canvas origin and event wait, on the headless backend.
#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

#include "library_fixture.h"

namespace {

// The library's windows, by the names these tests use.
const kx508::platform::Window& draw_window = kx508::lib.windows.draw_window;
const kx508::platform::Window& text_window = kx508::lib.windows.text_window;

class EventLoopTest : public LibraryTest {};

TEST_F(EventLoopTest, StartOpensBothWindowsWhereTheyBelong) {
  start(1024, 768);
  hl::WindowInfo draw = hl::window_info(draw_window);
  EXPECT_EQ(draw.title, "KX508 Graphics");
  EXPECT_EQ(draw.outer, (kx508::platform::Rect{0, 0, 601, 540}));
  EXPECT_TRUE(draw.shown);
  EXPECT_FALSE(draw.resizable);

  hl::WindowInfo text = hl::window_info(text_window);
  EXPECT_EQ(text.title, "KX508 Text");
  EXPECT_EQ(text.outer, (kx508::platform::Rect{0, 513, 1024, 513 + 256}));
  EXPECT_TRUE(text.shown);
  EXPECT_TRUE(text.resizable);
}

TEST_F(EventLoopTest, TextWindowTakesTheBottomThirdOfALargeScreen) {
  start(1920, 1080);
  EXPECT_EQ(hl::window_info(text_window).outer, (kx508::platform::Rect{0, 721, 1920, 721 + 360}));
}

TEST_F(EventLoopTest, OriginIsTheCentreOfTheClientArea) {
  start();
  kx508::platform::Rect client = kx508::platform::client_rect(draw_window);
  // The client area is smaller than the canvas: the frame and menu bar take their share.
  EXPECT_LT(client.width(), kx508::kCanvasWidth);
  EXPECT_LT(client.height(), kx508::kCanvasHeight);
  EXPECT_EQ(kx508::lib.windows.canvas_origin.x, client.width() / 2);
  EXPECT_EQ(kx508::lib.windows.canvas_origin.y, client.height() / 2);
}

struct Area {
  int left = 0, bottom = 0, right = 0, top = 0;
};

Area visible_area() {
  Area a;
  EXPECT_EQ(KX508_visible_area(&a.left, &a.bottom, &a.right, &a.top), 1);
  return a;
}

// A pixel in each corner of the visible area lands in the corner of what the window
// shows: the client area, or the canvas where the client area reaches past it.
void expect_corners_shown(kx508::platform::Rect client) {
  KX508_clear();  // no red left from before in any corner
  const Area a = visible_area();
  const int colour = KX508_RED;
  for (const auto& [x, y] : {std::pair{a.left, a.top}, std::pair{a.right, a.top},
                             std::pair{a.left, a.bottom}, std::pair{a.right, a.bottom}})
    KX508_draw_rectangle(colour, x, y, x, y, 0);
  hl::click(draw_window, 0, 0);
  EXPECT_EQ(KX508_wait_event(nullptr, nullptr, nullptr), KX508_MOUSE);
  const int right = std::min(client.width(), kx508::kCanvasWidth) - 1;
  const int bottom = std::min(client.height(), kx508::kCanvasHeight) - 1;
  const kx508::platform::Surface& shown = hl::shown_pixels(draw_window);
  const kx508::platform::Colour red = kx508::colour_value(colour);
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{right, 0}, std::pair{0, bottom},
                             std::pair{right, bottom}})
    EXPECT_EQ(shown.pixel(x, y), red) << client.width() << " x " << client.height() << " at "
                                      << x << ", " << y;
}

TEST_F(EventLoopTest, VisibleAreaIsWhatTheClientAreaShowsOfTheCanvas) {
  start();
  const Area a = visible_area();
  EXPECT_EQ(log_lines(), std::vector<std::string>{
                             "Visible area of the graphics window (-296,246) to (296,-245)\n"});
  EXPECT_EQ(a.right - a.left + 1, kx508::platform::client_rect(draw_window).width());
  EXPECT_EQ(a.top - a.bottom + 1, kx508::platform::client_rect(draw_window).height());
  KX508_set_logging(0);
  expect_corners_shown(kx508::platform::client_rect(draw_window));
  // The window manager changes the frame: the area follows, up to the canvas's edges.
  for (const kx508::platform::Rect client : {kx508::platform::Rect{0, 0, 500, 401},
                                             kx508::platform::Rect{0, 0, 700, 600}}) {
    hl::set_client_size(draw_window, client.width(), client.height());
    expect_corners_shown(client);
  }
  EXPECT_EQ(log_lines().size(), 1u);  // with logging off, no trace line
}

TEST_F(EventLoopTest, VisibleAreaTakesNullPointersAndIsZeroBeforeStart) {
  int left = 7, bottom = 7, right = 7, top = 7;
  EXPECT_EQ(KX508_visible_area(&left, &bottom, &right, &top), 0);
  EXPECT_EQ(left | bottom | right | top, 0);
  EXPECT_EQ(KX508_visible_area(nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_TRUE(log_lines().empty());

  start();
  const Area a = visible_area();
  right = top = 7;
  EXPECT_EQ(KX508_visible_area(nullptr, nullptr, &right, nullptr), 1);
  EXPECT_EQ(KX508_visible_area(nullptr, nullptr, nullptr, &top), 1);
  EXPECT_EQ(right, a.right);
  EXPECT_EQ(top, a.top);
  // The window is gone: nothing is visible any more.
  hl::close_window(draw_window);
  ASSERT_EQ(wait().kind, KX508_QUIT);
  const Area gone = visible_area();
  EXPECT_LT(gone.right, gone.left);
  EXPECT_LT(gone.top, gone.bottom);
}

TEST_F(EventLoopTest, ClicksMapToLibraryPointsBothWays) {
  start();
  hl::click(draw_window, client_x(10), client_y(20));
  Event e = wait();
  EXPECT_EQ(e.kind, KX508_MOUSE);
  EXPECT_EQ(e.x, 10);
  EXPECT_EQ(e.y, 20);
  EXPECT_EQ(e.key, 0);

  hl::click(draw_window, 0, 0);
  e = wait();
  EXPECT_EQ(e.kind, KX508_MOUSE);
  EXPECT_EQ(e.x, -kx508::lib.windows.canvas_origin.x);
  EXPECT_EQ(e.y, kx508::lib.windows.canvas_origin.y);
}

TEST_F(EventLoopTest, ClicksInTheTextWindowAreNoEvents) {
  start();
  hl::click(text_window, 5, 5);
  hl::schedule(300, [] { hl::click(draw_window, 0, 0); });
  Event e = wait();
  EXPECT_EQ(e.kind, KX508_MOUSE);
  EXPECT_EQ(hl::now_ms(), 300);
}

TEST_F(EventLoopTest, TypedCharacterIsAKeyEventWithoutCoordinates) {
  start();
  hl::type_char('a');
  Event e = wait();
  EXPECT_EQ(e.kind, KX508_KEY);
  EXPECT_EQ(e.key, 'a');
  EXPECT_EQ(e.x, 0);
  EXPECT_EQ(e.y, 0);
}

TEST_F(EventLoopTest, RunningAnimationGivesOnePeriodicEventPerTick) {
  start();
  KX508_set_animation(2);
  std::vector<std::int64_t> times;
  for (int i = 0; i < 4; ++i) {
    Event e = wait();
    EXPECT_EQ(e.kind, KX508_PERIODIC);
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.key, 0);
    times.push_back(hl::now_ms());
  }
  EXPECT_EQ(times, (std::vector<std::int64_t>{100, 200, 300, 400}));
}

TEST_F(EventLoopTest, TicksMissedWhileTheCallerWasBusyAreNotStoredUp) {
  start();
  KX508_set_animation(2);
  wait();
  hl::advance(1000);  // ten ticks pass while the caller draws
  wait();
  EXPECT_EQ(hl::now_ms(), 1200);
  wait();
  EXPECT_EQ(hl::now_ms(), 1300);
}

TEST_F(EventLoopTest, CallerNeeding130MsPerFrameGetsOneEvery200Ms) {
  start();
  KX508_set_animation(2);
  std::vector<std::int64_t> times;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(wait().kind, KX508_PERIODIC);
    times.push_back(hl::now_ms());
    hl::advance(130);
  }
  EXPECT_EQ(times, (std::vector<std::int64_t>{100, 300, 500, 700}));
}

TEST_F(EventLoopTest, SingleStepGivesExactlyOnePeriodicEvent) {
  start();
  KX508_set_animation(1);
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(hl::now_ms(), 100);
  // Still halted: the next wait lasts until the click.
  hl::schedule(2000, [] { hl::click(draw_window, 1, 1); });
  EXPECT_EQ(wait().kind, KX508_MOUSE);
  EXPECT_EQ(hl::now_ms(), 2000);
}

TEST_F(EventLoopTest, ClickOrKeyReplacesASettledPeriodicEvent) {
  start();
  KX508_set_animation(1);
  hl::schedule(50, [] { hl::click(draw_window, client_x(3), client_y(4)); });
  Event e = wait();
  EXPECT_EQ(e.kind, KX508_MOUSE);
  EXPECT_EQ(e.x, 3);
  EXPECT_EQ(hl::now_ms(), 50);
  // The replaced single step is used up.
  hl::schedule(1000, [] { hl::type_char('z'); });
  e = wait();
  EXPECT_EQ(e.kind, KX508_KEY);
  EXPECT_EQ(e.key, 'z');
}

TEST_F(EventLoopTest, HaltingDoesNotWithdrawASettledPeriodicEvent) {
  start();
  KX508_set_animation(2);
  // The wait settles on a periodic event, then a halt arrives before the tick.
  hl::schedule(40, [] { hl::choose_menu_item(draw_window, kx508::kCmdHalt); });
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_EQ(hl::now_ms(), 100);
  EXPECT_FALSE(kx508::lib.animation.running);
}

TEST_F(EventLoopTest, QuitRequestWaitsForAnEventAndReportsQuitWithItsData) {
  start();
  EXPECT_EQ(KX508_set_animation(5), 1);
  hl::schedule(700, [] { hl::click(draw_window, client_x(-7), client_y(9)); });
  Event e = wait();
  EXPECT_EQ(e.kind, KX508_QUIT);
  EXPECT_EQ(e.x, -7);
  EXPECT_EQ(e.y, 9);
  EXPECT_EQ(hl::now_ms(), 700);
  // Every later wait reports quit too.
  KX508_set_animation(2);
  EXPECT_EQ(wait().kind, KX508_QUIT);
}

TEST_F(EventLoopTest, ClosingTheDrawingWindowGivesQuitAndEveryLaterWaitQuitsAtOnce) {
  start();
  KX508_set_animation(2);
  hl::close_window(draw_window);
  EXPECT_EQ(wait().kind, KX508_QUIT);
  EXPECT_FALSE(hl::window_info(draw_window).exists);
  // No event can come any more: a program that waits on, ignoring quit, is told so at
  // once instead of running on without a window.
  const std::int64_t now = hl::now_ms();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(wait().kind, KX508_QUIT);
  EXPECT_EQ(hl::now_ms(), now);
}

TEST_F(EventLoopTest, CallsBeforeStartChangeNothingAndASecondStartChangesNothing) {
  EXPECT_EQ(KX508_draw_rectangle(KX508_RED, 0, 0, 10, 10, 0), 0);
  EXPECT_EQ(KX508_draw_triangle(99, 0, 0, 10, 0, 5, 5, -1), 0);  // not even a warning
  EXPECT_EQ(KX508_clear(), 0);
  EXPECT_EQ(KX508_flush(), 0);
  EXPECT_EQ(KX508_stop(), 0);
  EXPECT_TRUE(log_lines().empty());
  EXPECT_EQ(kx508::lib.windows.canvas.width(), 0);

  start();
  const kx508::platform::Window first = draw_window;
  EXPECT_EQ(KX508_start("again", nullptr, "", 1), 1);
  EXPECT_EQ(log_lines(), std::vector<std::string>{
                             "Library already started; KX508_start changed nothing\n"});
  EXPECT_EQ(draw_window, first);
  EXPECT_EQ(kx508::platform::core::windows().size(), 2u);  // no second pair of windows
}

TEST_F(EventLoopTest, ClosingTheTextWindowLeavesTheProgramRunning) {
  start();
  KX508_set_animation(2);
  hl::close_window(text_window);
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_FALSE(hl::window_info(text_window).shown);
  EXPECT_TRUE(hl::window_info(draw_window).exists);
}

TEST_F(EventLoopTest, AnimationCommandsBeforeStartAreRefused) {
  EXPECT_EQ(KX508_set_animation(2), 0);
  EXPECT_EQ(KX508_set_animation(0), 0);
  EXPECT_EQ(KX508_set_logging(1), 0);
  start();
  // The run asked for before start did not stick: no periodic event comes.
  hl::schedule(1500, [] { hl::click(draw_window, 0, 0); });
  EXPECT_EQ(wait().kind, KX508_MOUSE);
  EXPECT_EQ(hl::now_ms(), 1500);
  EXPECT_EQ(KX508_set_animation(7), 1);
}

TEST_F(EventLoopTest, WaitBeforeStartReportsQuitInsteadOfSpinning) {
  EXPECT_EQ(wait().kind, KX508_QUIT);
}

TEST_F(EventLoopTest, HaltedWaitWithNoInputFailsInsteadOfHanging) {
  start();
  hl::set_idle_limit(5000);
  EXPECT_THROW(wait(), hl::Stalled);
  EXPECT_LE(hl::now_ms(), 5100);
}

TEST_F(EventLoopTest, ChangedCanvasReachesTheWindowOnTheNextPass) {
  start();
  KX508_set_animation(2);
  const kx508::platform::Colour blue = kx508::platform::rgb(0, 0, 255);
  kx508::lib.windows.canvas.set_pixel(7, 9, blue);
  EXPECT_NE(hl::shown_pixels(draw_window).pixel(7, 9), blue);
  kx508::lib.windows.canvas_dirty = true;
  wait();
  EXPECT_EQ(hl::shown_pixels(draw_window).pixel(7, 9), blue);
  EXPECT_FALSE(kx508::lib.windows.canvas_dirty);

  // A clean canvas is not copied again...
  kx508::lib.windows.canvas.set_pixel(7, 9, kx508::platform::rgb(255, 0, 0));
  wait();
  EXPECT_EQ(hl::shown_pixels(draw_window).pixel(7, 9), blue);
  // ...until the window needs painting.
  kx508::platform::post_message({draw_window, kx508::platform::MsgType::Paint});
  wait();
  EXPECT_EQ(hl::shown_pixels(draw_window).pixel(7, 9), kx508::platform::rgb(255, 0, 0));
}

TEST_F(EventLoopTest, StopReleasesTheWindowSurface) {
  start();
  EXPECT_EQ(KX508_stop(), 1);
  kx508::lib.windows.canvas.set_pixel(1, 1, kx508::platform::rgb(0, 255, 0));
  kx508::lib.windows.canvas_dirty = true;
  kx508::pump_once();
  EXPECT_NE(hl::shown_pixels(draw_window).pixel(1, 1), kx508::platform::rgb(0, 255, 0));
}

// A reset leaves nothing of a run behind: every part of the state is as at program
// start, and the library starts again from there.
TEST_F(EventLoopTest, ResetPutsTheStateBackAsAtProgramStart) {
  start();
  KX508_set_animation(2);
  KX508_log("a line\n");
  hl::click(draw_window, client_x(3), client_y(4));
  ASSERT_EQ(wait().kind, KX508_MOUSE);
  hl::type_char('k');
  ASSERT_EQ(wait().kind, KX508_KEY);
  kx508::on_key_down(kx508::platform::Key::Control, 0);
  kx508::on_command(kx508::kCmdLogging);  // off

  kx508::reset_library();
  const kx508::Library& lib = kx508::lib;
  EXPECT_EQ(lib.windows.draw_window, 0u);
  EXPECT_EQ(lib.windows.text_window, 0u);
  EXPECT_EQ(lib.windows.window_dc.window, 0u);
  EXPECT_EQ(lib.windows.canvas.width(), 0);
  EXPECT_EQ(lib.windows.canvas_origin.x, 0);
  EXPECT_EQ(lib.windows.canvas_origin.y, 0);
  EXPECT_TRUE(lib.windows.canvas_dirty);
  EXPECT_EQ(lib.event.kind, -1);
  EXPECT_EQ(lib.event.key, 0);
  EXPECT_FALSE(lib.animation.running);
  EXPECT_FALSE(lib.animation.periodic_due);
  EXPECT_EQ(lib.menu.run_menu, 0u);
  EXPECT_FALSE(lib.menu.ctrl_down);
  EXPECT_TRUE(lib.draw.logging_enabled);
  EXPECT_EQ(lib.log.first, -1);
  EXPECT_EQ(lib.log.next, 0);
  for (const std::string& line : lib.log.ring) EXPECT_EQ(line, "");

  std::string why;
  ASSERT_TRUE(kx508::platform::open_backend("headless", &why)) << why;
  start();
  EXPECT_TRUE(menu_item_checked(kx508::kCmdLogging));
  EXPECT_EQ(log_lines(), std::vector<std::string>{});
  hl::type_char('j');  // a plain letter again: Ctrl was forgotten
  EXPECT_EQ(wait().key, 'j');
}

TEST(ProcessEntry, StoresTheStartUpValuesAndReturnsZero) {
  static bool ran = false;
  int status = KX508_process_entry("prog", nullptr, "a b", 3, [] {
    ran = true;
    EXPECT_STREQ(KX508_startup_instance(), "prog");
    EXPECT_EQ(KX508_startup_prev_instance(), nullptr);
    EXPECT_STREQ(KX508_startup_command_line(), "a b");
    EXPECT_EQ(KX508_startup_show_state(), 3);
    return 7;
  });
  EXPECT_TRUE(ran);
  EXPECT_EQ(status, 0);
}

TEST(ProcessEntry, ReportsAnExceptionAndReturnsOne) {
  testing::internal::CaptureStderr();
  int status = KX508_process_entry("prog", nullptr, "", 1, []() -> int {
    throw std::runtime_error("no input can ever come");
  });
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, "KX508: no input can ever come\n");
}

}  // namespace
