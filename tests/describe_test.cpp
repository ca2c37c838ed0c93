// The drawing window in words: what the description says of a picture, what the record
// keeps of a picture drawn again and again, and when the platform is given it.
#include <string>
#include <vector>

#include "library_fixture.h"

namespace {

class DescribeTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    start();
  }

  // The description the backend was last given.
  static std::string given() { return hl::description(kx508::lib.windows.draw_window).text; }
  static int times_given() { return hl::description(kx508::lib.windows.draw_window).times; }
};

TEST_F(DescribeTest, HelloIsABlueTriangleInTheMiddleAndNothingIsLogged) {
  KX508_clear();
  KX508_draw_triangle(KX508_BLUE, -60, -40, 60, -40, 0, 60, 0);
  const std::vector<std::string> logged = log_lines();
  handle_queued_input();
  EXPECT_EQ(given(), "A blue filled triangle in the middle, at (-60,-40), (60,-40), (0,60).");
  EXPECT_EQ(log_lines(), logged);
}

TEST_F(DescribeTest, TextsAreToldTopToBottomLeftToRightAndCoveredOnesNotAtAll) {
  KX508_draw_text(KX508_RED, -100, -150, "last");
  KX508_draw_text(KX508_BLACK, 50, 0, "right");
  KX508_draw_text(KX508_BLACK, 100, 200, "first");
  KX508_draw_text(KX508_BLACK, -200, 0, "left");
  KX508_draw_text(KX508_GREEN, 0, 100, "hidden");
  KX508_draw_rectangle(KX508_WHITE, -10, 110, 100, 80, 0);
  const std::string words = kx508::describe_canvas();
  EXPECT_EQ(words.find("hidden"), std::string::npos) << words;
  const std::size_t first = words.find("Text \"first\" in black at the top right, at (100,200)");
  const std::size_t left = words.find("Text \"left\" in black on the left, at (-200,0)");
  const std::size_t right = words.find("\"right\"");
  const std::size_t last = words.find("Text \"last\" in red at the bottom");
  ASSERT_NE(last, std::string::npos) << words;
  EXPECT_LT(first, left) << words;
  EXPECT_LT(left, right) << words;
  EXPECT_LT(right, last) << words;
  EXPECT_EQ(words.rfind("1 shape and 4 texts. ", 0), 0u) << words;
}

TEST_F(DescribeTest, RepeatsAreGroupedAndAFewAreToldOneByOne) {
  // A background is told by itself, not in the group of its colour.
  KX508_draw_rectangle(KX508_GRAY_50, -300, 250, 300, -250, 0);
  for (int i = 0; i < 14; ++i)
    KX508_draw_rectangle(KX508_GRAY_50, -280 + 40 * i, -200, -260 + 40 * i, -220, 0);
  KX508_draw_line(KX508_RED, -10, 0, 10, 0, 1);
  KX508_draw_line(KX508_RED, -10, 20, 10, 20, 1);
  KX508_draw_ellipse(KX508_ORANGE, -20, 230, 20, 200, 2);
  EXPECT_EQ(kx508::describe_canvas(),
            "18 shapes. A 50% gray filled rectangle across the window, from (-300,250) to "
            "(300,-250). An orange ellipse outline at the top, from (-20,230) to (20,200). "
            "A red line in the middle, from (-10,20) to (10,20). "
            "A red line in the middle, from (-10,0) to (10,0). "
            "14 50% gray filled rectangles at the bottom, from (-280,-200) to (260,-220).");
}

// A picture drawn again at every tick, with what moves on it, keeps a record of one
// picture: what the background is drawn over goes, also when two shapes cover it in parts.
TEST_F(DescribeTest, APictureDrawnAgainKeepsOnlyWhatIsStillSeen) {
  for (int tick = 0; tick < 200; ++tick) {
    KX508_draw_rectangle(KX508_BLACK, -200, 10, 0, -10, 0);  // a road
    KX508_draw_rectangle(KX508_BLACK, 1, 10, 20, -10, 0);    // the crossing at its end
    KX508_draw_rectangle(KX508_WHITE, -200, 10, 0, -10, 1);  // the road's edge
    const int x = -190 + tick % 195;                         // a car, into the crossing
    KX508_draw_rectangle(KX508_BLUE, x - 5, 5, x + 5, -5, 0);
  }
  EXPECT_EQ(kx508::drawn_kept().size(), 4u);
  KX508_clear();
  EXPECT_TRUE(kx508::drawn_kept().empty());
  EXPECT_EQ(kx508::describe_canvas(), "Nothing is drawn.");
}

TEST_F(DescribeTest, AnyFilledShapeHidesWhatLiesWhollyUnderItAndARepeatIsToldOnce) {
  KX508_draw_rectangle(KX508_RED, -5, 5, 5, -5, 0);       // under the ellipse
  KX508_draw_rectangle(KX508_GREEN, 100, 5, 110, -5, 0);  // under the triangle
  KX508_draw_rectangle(KX508_BLUE, 150, 5, 170, -5, 0);   // half under it
  KX508_draw_line(KX508_BLACK, -50, 100, 50, 100, 0);
  KX508_draw_line(KX508_BLACK, -50, 100, 50, 100, 0);
  KX508_draw_ellipse(KX508_YELLOW, -20, 20, 20, -20, 0);
  KX508_draw_triangle(KX508_CYAN, 80, -30, 180, -30, 130, 70, 0);
  // A wide pen reaches past its box: filling the box leaves its outer band.
  KX508_draw_rectangle(KX508_PINK, -200, 10, -180, -10, 5);
  KX508_draw_rectangle(KX508_MAGENTA, -200, 10, -180, -10, 0);
  const std::string words = kx508::describe_canvas();
  EXPECT_EQ(words.find("red"), std::string::npos) << words;
  EXPECT_EQ(words.find("green"), std::string::npos) << words;
  EXPECT_NE(words.find("A blue filled rectangle"), std::string::npos) << words;
  EXPECT_NE(words.find("A pink rectangle outline"), std::string::npos) << words;
  EXPECT_EQ(words.rfind("6 shapes. A black line at the top, from (-50,100) to (50,100). ", 0), 0u)
      << words;
}

// The record stays bounded however much is drawn, keeps nothing drawn off the canvas, and
// the words stay readable however much there is to tell.
TEST_F(DescribeTest, TheRecordAndTheWordsAreBounded) {
  KX508_draw_rectangle(KX508_RED, 5000, 5000, 5100, 4900, 0);
  KX508_draw_text(KX508_RED, -10, -5000, "below");
  EXPECT_TRUE(kx508::drawn_kept().empty());
  const std::size_t most = kx508::kMostDrawn;
  for (std::size_t i = 0; i < most + 200; ++i)
    KX508_draw_text(KX508_BLACK, -250 + static_cast<int>(i % 400), 200 - static_cast<int>(i / 400),
                    "x");
  ASSERT_EQ(kx508::drawn_kept().size(), most);
  EXPECT_EQ(kx508::drawn_kept().front()->x[0], -250 + 200);  // the 200 oldest went
  const std::string words = kx508::describe_canvas();
  EXPECT_EQ(words.rfind(std::to_string(most) + " texts. ", 0), 0u) << words.substr(0, 40);
  EXPECT_NE(words.find(". And 900 more."), std::string::npos) << words.substr(words.size() - 40);
  EXPECT_LT(words.size(), 10000u);
}

// The window shows less of the canvas: what went off the canvas with the move is gone, and
// what the window no longer shows is not told.
TEST_F(DescribeTest, WhatTheWindowDoesNotShowIsNotTold) {
  KX508_draw_text(KX508_BLACK, -280, 0, "lost");
  KX508_draw_text(KX508_BLACK, 200, 0, "hidden");
  KX508_draw_text(KX508_BLACK, -20, 0, "seen");
  hl::set_client_size(kx508::lib.windows.draw_window, 293, 492);
  handle_queued_input();
  EXPECT_EQ(kx508::drawn_kept().size(), 2u);
  EXPECT_EQ(kx508::describe_canvas(), "Text \"seen\" in black in the middle, at (-20,0).");
}

TEST_F(DescribeTest, APromptTellsThePictureAtOnce) {
  handle_queued_input();
  KX508_draw_text(KX508_BLACK, -20, 0, "asked");
  std::string told;
  hl::answer_next_dialog({[&](hl::Dialog& d) {
    told = given();
    d.press_enter();
  }});
  char reply[80];
  ASSERT_EQ(KX508_gets("Why?", reply), 1);
  EXPECT_NE(told.find("\"asked\""), std::string::npos) << told;
}

// In virtual time: a running program's picture is told at most once a second; halted, or
// ending, at once.
TEST_F(DescribeTest, ToldAtMostOnceASecondAndAtOnceWhenHaltedOrEnded) {
  const kx508::platform::Window window = kx508::lib.windows.draw_window;
  KX508_set_animation(KX508_ANIMATION_RUN);
  std::vector<std::int64_t> told_at;
  int times = times_given();
  for (int tick = 0; tick < 50; ++tick) {
    ASSERT_EQ(wait().kind, KX508_PERIODIC);
    if (times_given() != times) told_at.push_back(hl::now_ms());
    times = times_given();
    KX508_draw_rectangle(KX508_WHITE, -50, 10, 50, -10, 0);
    KX508_draw_text(KX508_BLACK, -40, 5, ("tick " + std::to_string(tick)).c_str());
  }
  ASSERT_GE(told_at.size(), 4u);
  for (std::size_t i = 1; i < told_at.size(); ++i)
    EXPECT_GE(told_at[i] - told_at[i - 1], kx508::kDescribeEveryMs);

  // Just after it was told, the program draws and is halted from the menu: it sleeps with
  // that told, though a second has not passed.
  while (times_given() == times) ASSERT_EQ(wait().kind, KX508_PERIODIC);
  KX508_draw_text(KX508_BLACK, -40, 50, "halted here");
  hl::choose_menu_item(window, kx508::kCmdHalt);
  std::string told_while_halted;
  hl::schedule(hl::now_ms() + 50, [&] {
    told_while_halted = given();
    hl::click(window, 0, 0);
  });
  while (wait().kind != KX508_MOUSE) {
  }
  EXPECT_NE(told_while_halted.find("\"halted here\""), std::string::npos) << told_while_halted;

  KX508_draw_text(KX508_BLACK, -40, -100, "the end");
  KX508_stop();
  EXPECT_NE(given().find("\"the end\""), std::string::npos) << given();
}

}  // namespace
