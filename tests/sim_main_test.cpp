// The program's main loop on the headless backend: what ends it, what only redraws, and
// the first frame it draws.
#include <gtest/gtest.h>

#include <string>

#include "headless/controls.h"
#include "sim_support.h"

// The program leaves its network alive until the process ends, so whatever the network
// allocated is still held when the leak check runs.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:buildNetwork\nleak:World::spawnVehicle\nleak:Intersection::tick\n";
}

namespace {

namespace hl = kx508::platform::headless;

const kx508::platform::Colour kBlack = kx508::platform::rgb(0, 0, 0);
const kx508::platform::Colour kWhite = kx508::platform::rgb(255, 255, 255);
const kx508::platform::Colour kRed = kx508::platform::rgb(255, 0, 0);
const kx508::platform::Colour kBlue = kx508::platform::rgb(0, 0, 255);
const kx508::platform::Colour kYellow = kx508::platform::rgb(255, 255, 0);

class MainLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    kx508::reset_library();
    std::string why;
    ASSERT_TRUE(kx508::platform::open_backend("headless", &why)) << why;
  }
  void TearDown() override { kx508::reset_library(); }

  // A click in the middle of the drawing window at a moment of virtual time.
  void clickAt(std::int64_t ms) {
    hl::schedule(ms, [this] {
      clicked = true;
      const kx508::CanvasOrigin& origin = kx508::lib.windows.canvas_origin;
      hl::click(kx508::lib.windows.draw_window, origin.x, origin.y);
    });
  }
  void typeAt(std::int64_t ms, char c) {
    hl::schedule(ms, [c] {
      hl::set_focus(kx508::lib.windows.draw_window);
      hl::type_char(c);
    });
  }

  // The canvas pixel under a library point; the canvas outlives the display.
  static kx508::platform::Colour pixel(int x, int y) {
    const kx508::CanvasOrigin& origin = kx508::lib.windows.canvas_origin;
    return kx508::lib.windows.canvas.pixel(origin.x + x, origin.y - y);
  }

  bool clicked = false;
};

TEST_F(MainLoop, AClickEndsTheRunAndMainReturnsZero) {
  clickAt(50);
  EXPECT_EQ(app::main(), 0);
  EXPECT_TRUE(clicked);
}

TEST_F(MainLoop, QuitEndsTheRun) {
  hl::schedule(50, [] { hl::choose_menu_item(kx508::lib.windows.draw_window, kx508::kCmdQuit); });
  EXPECT_EQ(app::main(), 0);
}

TEST_F(MainLoop, FirstFrameShowsTheNetworkAndItsSevenVehicles) {
  clickAt(50);  // before the first timer tick: nothing has moved
  ASSERT_EQ(app::main(), 0);

  // The six intersections: black 41 x 41 squares where no road or vehicle covers them.
  struct Square {
    int cx, cy;
  };
  for (Square s : {Square{0, 0}, Square{0, 100}, Square{0, 200}, Square{-100, 100},
                   Square{-100, 200}, Square{150, 100}})
    EXPECT_EQ(pixel(s.cx, s.cy), kBlack) << s.cx << "," << s.cy;
  EXPECT_EQ(pixel(-20, -20), kBlack);
  EXPECT_EQ(pixel(20, -20), kBlack);
  EXPECT_EQ(pixel(0, -21), kWhite);
  EXPECT_EQ(pixel(21, -10), kWhite);
  EXPECT_EQ(pixel(-21, -10), kWhite);
  EXPECT_EQ(pixel(170, 80), kBlack);
  EXPECT_EQ(pixel(171, 100), kWhite);
  EXPECT_EQ(pixel(150, 121), kWhite);
  EXPECT_EQ(pixel(-80, 220), kBlack);
  EXPECT_EQ(pixel(-79, 220), kWhite);
  EXPECT_EQ(pixel(-100, 221), kWhite);
  EXPECT_EQ(pixel(-120, 80), kBlack);
  EXPECT_EQ(pixel(-121, 100), kWhite);
  EXPECT_EQ(pixel(20, 220), kBlack);
  EXPECT_EQ(pixel(0, 221), kWhite);

  // Roads: black lanes inside a white border.
  EXPECT_EQ(pixel(10, 50), kBlack);  // R1
  EXPECT_EQ(pixel(0, 50), kWhite);
  EXPECT_EQ(pixel(20, 50), kWhite);
  EXPECT_EQ(pixel(75, 110), kBlack);  // R9
  EXPECT_EQ(pixel(75, 120), kWhite);
  EXPECT_EQ(pixel(75, 100), kWhite);
  EXPECT_EQ(pixel(75, 90), kBlack);  // R10, still empty

  // The seven vehicles: body colour, and the red arrow ahead of each.
  EXPECT_EQ(pixel(14, 24), kRed);  // long, R1 (10, 20) north
  EXPECT_EQ(pixel(10, 12), kRed);  // its tail over I1
  EXPECT_EQ(pixel(10, 28), kRed);
  EXPECT_EQ(pixel(10, 37), kBlack);
  EXPECT_EQ(pixel(-14, 183), kBlue);  // blue, R4 (-10, 180) south
  EXPECT_EQ(pixel(-10, 172), kRed);
  EXPECT_EQ(pixel(-10, 83), kYellow);  // slim, R3 (-10, 80) south
  EXPECT_EQ(pixel(-10, 73), kRed);
  EXPECT_EQ(pixel(-77, 93), kWhite);  // R5 (-80, 90) east
  EXPECT_EQ(pixel(-73, 90), kRed);
  EXPECT_EQ(pixel(-17, 113), kWhite);  // R6 (-20, 110) west
  EXPECT_EQ(pixel(-27, 110), kRed);
  EXPECT_EQ(pixel(-107, 177), kWhite);  // R7 (-110, 180) south
  EXPECT_EQ(pixel(-110, 172), kRed);
  EXPECT_EQ(pixel(-87, 123), kWhite);  // R8 (-90, 120) north
  EXPECT_EQ(pixel(-90, 128), kRed);

  // Away from the network the cleared drawing area stays white.
  EXPECT_EQ(pixel(250, -200), kWhite);
}

TEST_F(MainLoop, KeyPressesNeitherStopNorAdvanceTheRun) {
  typeAt(20, 'a');
  typeAt(40, 'q');
  clickAt(60);  // still before the first timer tick
  ASSERT_EQ(app::main(), 0);
  EXPECT_TRUE(clicked);  // the loop was still waiting when the click came
  // The long vehicle on R1 is still at (10, 20): its body reaches down to y 12.
  EXPECT_EQ(pixel(10, 12), kRed);
  EXPECT_EQ(pixel(10, 37), kBlack);
}

TEST_F(MainLoop, PeriodicEventsTickTheWorld) {
  typeAt(250, 'x');
  clickAt(1050);  // about ten timer ticks in
  ASSERT_EQ(app::main(), 0);
  // The long vehicle on R1 has moved some ten units north of (10, 20): its arrow now
  // covers (10, 37) and I1, drawn afresh, shows where its tail was.
  EXPECT_EQ(pixel(10, 37), kRed);
  EXPECT_EQ(pixel(10, 14), kBlack);
}

TEST_F(MainLoop, SeedsTheGeneratorOnceTheNetworkIsBuilt) {
  ScriptedRandom random({}, 5000);
  random.tickingClock();
  clickAt(50);
  ASSERT_EQ(app::main(), 0);
  // Ten seeds from the seven vehicles' choices, then the main routine's own.
  ASSERT_EQ(random.seeds().size(), 11u);
  EXPECT_EQ(random.seeds().back(), 5010u);
}

}  // namespace
