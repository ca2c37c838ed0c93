// Roads: direction and entry point from the corners, arrival, room, the queue, drawing
// and ownership of the vehicles.
#include <gtest/gtest.h>

#include <vector>

#include "sim_support.h"

namespace {

// The direction a road gives an entering vehicle, read without keeping it there.
Direction directionOf(Point start, Point end) {
  Road road;
  road.setCorner(start, 0);
  road.setCorner(end, 1);
  auto* probe = new ProbeVehicle();
  road.enter(probe);
  return probe->heading();
}

Road* makeRoad(Point start, Point end) {
  auto* road = new Road();
  road->setCorner(start, 0);
  road->setCorner(end, 1);
  return road;
}

TEST(RoadDirection, FollowsTheSignsOfTheCornerOffsets) {
  EXPECT_EQ(directionOf(Point(20, -20), Point(80, 0)), 1);   // dx > 0, dy > 0
  EXPECT_EQ(directionOf(Point(-20, 80), Point(0, 20)), 2);   // dx > 0, dy < 0
  EXPECT_EQ(directionOf(Point(80, 20), Point(20, 0)), 3);    // dx < 0, dy < 0
  EXPECT_EQ(directionOf(Point(20, 20), Point(0, 80)), 0);    // dx < 0, dy > 0
}

TEST(RoadDirection, IsNorthWhenAnOffsetIsZero) {
  // Start from an east road so that a stale direction would show.
  const Point ends[] = {Point(5, 0), Point(-5, 0), Point(0, 5), Point(0, -5), Point(0, 0),
                        Point(-5, 5)};
  for (Point end : ends) {
    Road road;
    road.setCorner(Point(0, 0), 0);
    road.setCorner(Point(5, 5), 1);
    road.setCorner(end, 1);
    auto* probe = new ProbeVehicle();
    road.enter(probe);
    EXPECT_EQ(probe->heading(), 0) << end.x() << "," << end.y();
  }
}

TEST(RoadDirection, IsWorkedOutOnceBothCornersAreSetInEitherOrder) {
  Road road;
  road.setCorner(Point(20, 0), 1);
  auto* early = new ProbeVehicle();
  early->setHeading(3);
  road.enter(early);
  EXPECT_EQ(early->heading(), 0);  // one corner only: still the starting value

  road.setCorner(Point(80, 20), 0);  // west
  auto* late = new ProbeVehicle();
  road.enter(late);
  EXPECT_EQ(late->heading(), 3);
}

TEST(RoadEntryPoint, IsMidLaneOnTheStartEdge) {
  struct Case {
    Point start, end, entry;
  };
  for (Case c : {Case{Point(20, 20), Point(0, 80), Point(10, 20)},
                 Case{Point(-20, 80), Point(0, 20), Point(-10, 80)},
                 Case{Point(20, -20), Point(80, 0), Point(20, -10)},
                 Case{Point(80, 20), Point(20, 0), Point(80, 10)}}) {
    std::unique_ptr<Road> road(makeRoad(c.start, c.end));
    EXPECT_EQ(road->entryPoint(), c.entry) << c.start.x() << "," << c.start.y();
    auto* v = new ProbeVehicle();
    road->enter(v);
    EXPECT_EQ(v->position(), c.entry);
  }
}

TEST(RoadEntryPoint, HalvesTruncateTowardZero) {
  // North road whose corner x values add up to -21.
  std::unique_ptr<Road> north(makeRoad(Point(-1, 0), Point(-20, 50)));
  EXPECT_EQ(north->entryPoint(), Point(-10, 0));
  // East road whose corner y values add up to -21.
  std::unique_ptr<Road> east(makeRoad(Point(0, -21), Point(50, 0)));
  EXPECT_EQ(east->entryPoint(), Point(0, -10));
  // West road whose corner y values add up to 21.
  std::unique_ptr<Road> west(makeRoad(Point(0, 21), Point(-50, 0)));
  EXPECT_EQ(west->entryPoint(), Point(0, 10));
}

TEST(RoadArrival, StopsExactlyAtTheEndCorner) {
  std::unique_ptr<Road> road(makeRoad(Point(20, 20), Point(0, 80)));
  auto* v = new ProbeVehicle();
  road->enter(v);
  for (int t = 0; t < 59; ++t) road->tick();
  EXPECT_EQ(v->position(), Point(10, 79));
  EXPECT_FALSE(road->isAtEnd(v));
  EXPECT_FALSE(road->frontArrived());
  road->tick();
  EXPECT_EQ(v->position(), Point(10, 80));
  EXPECT_TRUE(road->isAtEnd(v));
  EXPECT_TRUE(road->frontArrived());
  for (int t = 0; t < 5; ++t) road->tick();
  EXPECT_EQ(v->position(), Point(10, 80));
}

TEST(RoadArrival, ComparesAlongEachDirectionOfTravel) {
  struct Case {
    Point start, end;
    Point before, at, beyond;
  };
  for (Case c : {Case{Point(20, 20), Point(0, 80), Point(10, 79), Point(10, 80), Point(10, 81)},
                 Case{Point(20, -20), Point(80, 0), Point(79, -10), Point(80, -10), Point(81, -10)},
                 Case{Point(-20, 80), Point(0, 20), Point(-10, 21), Point(-10, 20), Point(-10, 19)},
                 Case{Point(80, 20), Point(20, 0), Point(21, 10), Point(20, 10), Point(19, 10)}}) {
    std::unique_ptr<Road> road(makeRoad(c.start, c.end));
    auto* v = new ProbeVehicle();
    road->enter(v);
    v->setPosition(c.before);
    EXPECT_FALSE(road->isAtEnd(v)) << c.end.x() << "," << c.end.y();
    v->setPosition(c.at);
    EXPECT_TRUE(road->isAtEnd(v)) << c.end.x() << "," << c.end.y();
    v->setPosition(c.beyond);
    EXPECT_TRUE(road->isAtEnd(v)) << c.end.x() << "," << c.end.y();
  }
}

TEST(RoadTick, MovesEveryVehicleThatHasNotArrived) {
  std::unique_ptr<Road> road(makeRoad(Point(20, 20), Point(0, 80)));
  auto* first = new ProbeVehicle();
  auto* second = new ProbeVehicle();
  road->enter(first);
  first->setPosition(Point(10, 80));
  road->enter(second);
  road->tick();
  EXPECT_EQ(first->position(), Point(10, 80));
  EXPECT_EQ(second->position(), Point(10, 21));
}

TEST(RoadTick, OnAnEmptyRoadChangesNothing) {
  std::unique_ptr<Road> road(makeRoad(Point(20, 20), Point(0, 80)));
  road->tick();
  EXPECT_FALSE(road->frontArrived());
  EXPECT_TRUE(road->queuedVehicles().empty());
  EXPECT_TRUE(road->acceptsSpawn());
}

TEST(RoadRoom, LastsUntilFiveVehiclesAreQueued) {
  std::unique_ptr<Road> road(makeRoad(Point(20, 20), Point(0, 80)));
  const bool expected[7] = {true, true, true, true, true, false, false};
  for (int n = 0; n <= 6; ++n) {
    EXPECT_EQ(road->hasRoom(), expected[n]) << n << " queued";
    if (n < 6) road->enter(new ProbeVehicle());
  }
  // enter itself never refuses.
  EXPECT_EQ(road->queuedVehicles().size(), 6u);
  road->enter(new ProbeVehicle());
  EXPECT_EQ(road->queuedVehicles().size(), 7u);
}

TEST(RoadQueue, PopsInTheOrderOfEntry) {
  std::unique_ptr<Road> road(makeRoad(Point(20, 20), Point(0, 80)));
  auto* a = new ProbeVehicle();
  auto* b = new ProbeVehicle();
  auto* c = new ProbeVehicle();
  road->enter(a);
  road->enter(b);
  road->enter(c);
  EXPECT_EQ(road->queuedVehicles(), (std::vector<const Vehicle*>{a, b, c}));

  Vehicle* popped = road->popFront();
  EXPECT_EQ(popped, a);
  delete popped;
  popped = road->popFront();
  EXPECT_EQ(popped, b);
  delete popped;
  EXPECT_EQ(road->queuedVehicles(), (std::vector<const Vehicle*>{c}));

  // c is front and back at once: a newcomer queues behind it.
  auto* d = new ProbeVehicle();
  road->enter(d);
  EXPECT_EQ(road->queuedVehicles(), (std::vector<const Vehicle*>{c, d}));
}

TEST(RoadQueue, AnEmptiedRoadWorksLikeANewOne) {
  std::unique_ptr<Road> road(makeRoad(Point(20, 20), Point(0, 80)));
  auto* only = new ProbeVehicle();
  road->enter(only);
  delete road->popFront();
  EXPECT_TRUE(road->queuedVehicles().empty());
  EXPECT_FALSE(road->frontArrived());

  auto* next = new ProbeVehicle(3);
  road->enter(next);
  EXPECT_EQ(road->queuedVehicles(), (std::vector<const Vehicle*>{next}));
  for (int t = 0; t < 60; ++t) road->tick();
  EXPECT_EQ(next->position(), Point(10, 80));
  EXPECT_TRUE(road->frontArrived());
  EXPECT_EQ(road->frontTurn(), 3);
}

TEST(RoadQueue, FrontQueriesAskTheFrontVehicle) {
  std::unique_ptr<Road> road(makeRoad(Point(80, 20), Point(20, 0)));
  auto* front = new ProbeVehicle(1);
  auto* back = new ProbeVehicle(3);
  road->enter(front);
  road->enter(back);
  back->setHeading(0);
  EXPECT_EQ(road->frontTurn(), 1);
  EXPECT_EQ(road->frontHeading(), 3);
  front->setHeading(2);
  EXPECT_EQ(road->frontHeading(), 2);
}

TEST(RoadOwnership, DestroysQueuedVehiclesButNotPoppedOnes) {
  int destroyed = 0;
  auto* road = makeRoad(Point(20, 20), Point(0, 80));
  road->enter(new ProbeVehicle(2, &destroyed));
  road->enter(new ProbeVehicle(2, &destroyed));
  road->enter(new ProbeVehicle(2, &destroyed));
  Vehicle* taken = road->popFront();
  delete road;
  EXPECT_EQ(destroyed, 2);
  delete taken;
  EXPECT_EQ(destroyed, 3);
}

using RoadDrawing = DisplayTest;

TEST_F(RoadDrawing, DrawsALaneWithAnOutlineThenItsVehiclesFrontToBack) {
  ScriptedRandom random;
  std::unique_ptr<Road> road(makeRoad(Point(20, 20), Point(0, 80)));
  road->enter(new BlueVehicle());
  road->tick();
  road->enter(new Vehicle());
  clearTrace();
  road->draw(*display);
  EXPECT_EQ(trace(), (std::vector<std::string>{
                         "black rectangle with bounding box (0,80) to (20,20), filled\n",
                         "white rectangle with bounding box (0,80) to (20,20) with line width 1\n",
                         "blue rectangle with bounding box (5,26) to (15,16), filled\n",
                         "red triangle at (5,26), (15,26), (10,31)\n",
                         "white rectangle with bounding box (5,25) to (15,15), filled\n",
                         "red triangle at (5,25), (15,25), (10,30)\n",
                     }));
}

}  // namespace
