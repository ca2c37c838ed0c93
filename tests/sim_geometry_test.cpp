// Points, the direction maps, stepping and quarter turns.
#include <gtest/gtest.h>

#include <climits>

#include "geometry.h"

namespace {

TEST(Point, DefaultIsOriginAndKeepsItsCoordinates) {
  EXPECT_EQ(Point().x(), 0);
  EXPECT_EQ(Point().y(), 0);
  Point p(-7, 12);
  EXPECT_EQ(p.x(), -7);
  EXPECT_EQ(p.y(), 12);
}

TEST(DirectionMaps, FollowTheCompass) {
  const int next[4] = {1, 2, 3, 0};
  const int opposite[4] = {2, 3, 0, 1};
  const int previous[4] = {3, 0, 1, 2};
  for (Direction d = 0; d < 4; ++d) {
    EXPECT_EQ(nextDirection(d), next[d]) << d;
    EXPECT_EQ(oppositeDirection(d), opposite[d]) << d;
    EXPECT_EQ(previousDirection(d), previous[d]) << d;
    EXPECT_EQ(previousDirection(nextDirection(d)), d);
  }
}

TEST(DirectionMaps, AnswerNorthOutsideTheCompass) {
  for (Direction d : {-1, 4, 7, 100, INT_MIN, INT_MAX}) {
    EXPECT_EQ(nextDirection(d), 0) << d;
    EXPECT_EQ(oppositeDirection(d), 0) << d;
    EXPECT_EQ(previousDirection(d), 0) << d;
  }
}

TEST(OtherEnd, FlipsZeroAndMapsAnythingElseToZero) {
  EXPECT_EQ(otherEnd(0), 1);
  EXPECT_EQ(otherEnd(1), 0);
  EXPECT_EQ(otherEnd(2), 0);
  EXPECT_EQ(otherEnd(-1), 0);
}

TEST(StepPoint, MovesAlongEachDirection) {
  Point p(3, 4);
  stepPoint(p, 3, 5);
  EXPECT_EQ(p, Point(-2, 4));

  p = Point(3, 4);
  stepPoint(p, 0, -1);
  EXPECT_EQ(p, Point(3, 3));

  p = Point(3, 4);
  stepPoint(p, 0, 2);
  EXPECT_EQ(p, Point(3, 6));
  stepPoint(p, 1, 2);
  EXPECT_EQ(p, Point(5, 6));
  stepPoint(p, 2, 10);
  EXPECT_EQ(p, Point(5, -4));
  stepPoint(p, 3, -1);
  EXPECT_EQ(p, Point(6, -4));
}

TEST(StepPoint, IgnoresDirectionsOutsideTheCompass) {
  for (Direction d : {-1, 4, 9}) {
    Point p(3, 4);
    stepPoint(p, d, 5);
    EXPECT_EQ(p, Point(3, 4)) << d;
  }
}

TEST(RotateAbout, TurnsClockwiseByQuarters) {
  const Point expected[4] = {Point(0, 10), Point(10, 0), Point(0, -10), Point(-10, 0)};
  for (int k = 0; k < 4; ++k) {
    Point p(0, 10);
    rotateAbout(p, Point(0, 0), k);
    EXPECT_EQ(p, expected[k]) << k;
  }
}

TEST(RotateAbout, TurnsAboutAnOffCentrePoint) {
  // Offset (2, 5) from the centre (10, 20).
  const Point expected[4] = {Point(12, 25), Point(15, 18), Point(8, 15), Point(5, 22)};
  for (int k = 0; k < 4; ++k) {
    Point p(12, 25);
    rotateAbout(p, Point(10, 20), k);
    EXPECT_EQ(p, expected[k]) << k;
  }
}

TEST(RotateAbout, LeavesTheCentreInPlace) {
  for (int k = 0; k < 4; ++k) {
    Point p(-4, 9);
    rotateAbout(p, Point(-4, 9), k);
    EXPECT_EQ(p, Point(-4, 9)) << k;
  }
}

TEST(RotateAbout, ReducesTurnsOutsideZeroToThreeModuloFour) {
  struct Case {
    int k;
    Point expected;
  };
  for (Case c : {Case{4, Point(0, 10)}, Case{5, Point(10, 0)}, Case{-1, Point(-10, 0)},
                 Case{-2, Point(0, -10)}, Case{-4, Point(0, 10)}, Case{-7, Point(10, 0)},
                 Case{INT_MIN, Point(0, 10)}, Case{INT_MAX, Point(-10, 0)}}) {
    Point p(0, 10);
    rotateAbout(p, Point(0, 0), c.k);
    EXPECT_EQ(p, c.expected) << c.k;
  }
}

}  // namespace
