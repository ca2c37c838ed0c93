// A line's code points in the order they are drawn: right-to-left runs reversed, Arabic
// letters joined, marks after their letter, and left-to-right text untouched.
#include <gtest/gtest.h>

#include <string>

#include "bidi.h"

namespace {

using kx508::platform::visual_order;

TEST(VisualOrder, DrawsRightToLeftRunsReversedAndArabicJoined) {
  // Hebrew: shalom, drawn from its last letter.
  EXPECT_EQ(visual_order(U"\u05E9\u05DC\u05D5\u05DD"), U"\u05DD\u05D5\u05DC\u05E9");
  // A left-to-right line: the Latin stays first. The number after the Hebrew takes the
  // Hebrew's direction (its last strong letter), so it joins the right-to-left run, read
  // after the word: drawn left of it, its digits still in their own order.
  EXPECT_EQ(visual_order(U"abc \u05E9\u05DC\u05D5\u05DD 123"), U"abc 123 \u05DD\u05D5\u05DC\u05E9");
  // A line whose first letter is Hebrew is right to left: the Latin word is drawn first.
  EXPECT_EQ(visual_order(U"\u05E9\u05DC\u05D5\u05DD abc"), U"abc \u05DD\u05D5\u05DC\u05E9");
  // In a right-to-left run brackets are mirrored, so that they still open towards the text.
  EXPECT_EQ(visual_order(U"\u05D0(\u05D1)"), U"(\u05D1)\u05D0");
  // Pointed shalom (shin dot and qamats, holam): each point stays after its letter.
  EXPECT_EQ(visual_order(U"\u05E9\u05C1\u05B8\u05DC\u05D5\u05B9\u05DD"),
            U"\u05DD\u05D5\u05B9\u05DC\u05E9\u05C1\u05B8");
  // Muhammad: meem initial, hah medial, meem medial, dal final (dal joins on its right
  // only), drawn from the dal.
  EXPECT_EQ(visual_order(U"\u0645\u062D\u0645\u062F"), U"\uFEAA\uFEE4\uFEA4\uFEE3");
  // Lam then alef: the isolated lam-alef ligature, and U+FEFF in the place it leaves.
  EXPECT_EQ(visual_order(U"\u0644\u0627"), U"\uFEFB\uFEFF");
}

TEST(VisualOrder, LeavesLeftToRightTextAsItIs) {
  for (const std::u32string line :
       {U"", U"Hello, world (1 + 2) [x]", U"caf\u00E9 \u00BD \u00AB\u00BB \u00FF",
        U"e\u0301 \u4E2D\u6587 \u0391\u03B2"})
    EXPECT_EQ(visual_order(line), line);
}

}  // namespace
