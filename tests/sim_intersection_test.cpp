// Intersections: edges and drawing, attaching roads, the signal cycle and moving
// vehicles across by their turn.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim_support.h"

namespace {

const kx508::platform::Colour kBlack = kx508::platform::rgb(0, 0, 0);
const kx508::platform::Colour kWhite = kx508::platform::rgb(255, 255, 255);

// A junction at (0, 0) with a neighbour 100 units off each side, joined by an arriving
// and a leaving road per side unless left out.
struct Star {
  explicit Star(std::vector<bool> arriving = {true, true, true, true},
                std::vector<bool> leaving = {true, true, true, true}) {
    const Point at[4] = {Point(0, 100), Point(100, 0), Point(0, -100), Point(-100, 0)};
    for (int side = 0; side < 4; ++side) {
      neighbour[side] = std::make_unique<Intersection>(at[side]);
      int facing = oppositeDirection(side);
      if (arriving[side]) {
        in[side] = std::make_unique<Road>();
        centre.attachRoad(in[side].get(), side, 0);
        neighbour[side]->attachRoad(in[side].get(), facing, 1);
      }
      if (leaving[side]) {
        out[side] = std::make_unique<Road>();
        centre.attachRoad(out[side].get(), side, 1);
        neighbour[side]->attachRoad(out[side].get(), facing, 0);
      }
    }
  }

  // Queues a probe on the arriving road of a side and lets it roll to the end.
  ProbeVehicle* arrive(int side, int turn, int* destroyed = nullptr) {
    auto* v = new ProbeVehicle(turn, destroyed);
    in[side]->enter(v);
    for (int t = 0; t < 60; ++t) in[side]->tick();
    return v;
  }

  std::size_t queued(const std::unique_ptr<Road>& road) const {
    return road ? road->queuedVehicles().size() : 0;
  }

  Intersection centre{Point(0, 0)};
  std::unique_ptr<Intersection> neighbour[4];
  std::unique_ptr<Road> in[4], out[4];
};

bool holds(const Road& road, const Vehicle* v) {
  for (const Vehicle* q : road.queuedVehicles())
    if (q == v) return true;
  return false;
}

// Records how it is attached, then attaches as usual.
class RecordingRoad : public Road {
 public:
  void setNode(TrafficNode* node, int index) override {
    calls.push_back("node " + std::to_string(index));
    nodeSeen = node;
    Road::setNode(node, index);
  }
  void setCorner(Point p, int index) override {
    calls.push_back("corner " + std::to_string(index) + " (" + std::to_string(p.x()) + "," +
                    std::to_string(p.y()) + ")");
    Road::setCorner(p, index);
  }
  std::vector<std::string> calls;
  TrafficNode* nodeSeen = nullptr;
};

TEST(IntersectionEdges, LieTwentyUnitsFromTheCentre) {
  Intersection origin(Point(0, 0));
  EXPECT_EQ(origin.edge(0), 20);
  EXPECT_EQ(origin.edge(1), 20);
  EXPECT_EQ(origin.edge(2), -20);
  EXPECT_EQ(origin.edge(3), -20);
  EXPECT_EQ(origin.edge(4), 0);
  EXPECT_EQ(origin.edge(-1), 0);

  Intersection off(Point(30, -40));
  EXPECT_EQ(off.edge(0), -20);
  EXPECT_EQ(off.edge(1), 50);
  EXPECT_EQ(off.edge(2), -60);
  EXPECT_EQ(off.edge(3), 10);
}

TEST(IntersectionLocation, IsTheCentreAndCanBeMoved) {
  Intersection plain;
  EXPECT_EQ(plain.location(), Point(0, 0));
  Intersection placed(Point(-100, 200));
  EXPECT_EQ(placed.location(), Point(-100, 200));
  placed.setLocation(Point(5, 6));
  EXPECT_EQ(placed.location(), Point(5, 6));
  EXPECT_EQ(placed.edge(0), 26);
  EXPECT_EQ(placed.edge(3), -15);
}

TEST(IntersectionNode, TakesNoSpawnsAndIgnoresEnteringVehicles) {
  Intersection junction(Point(0, 0));
  EXPECT_FALSE(junction.acceptsSpawn());
  int destroyed = 0;
  auto* v = new ProbeVehicle(2, &destroyed);
  junction.enter(v);
  EXPECT_EQ(destroyed, 0);
  delete v;
}

TEST(IntersectionAttach, ArrivingRoadGetsTheEdgeMidpointAsEndCorner) {
  Intersection junction(Point(0, 100));
  RecordingRoad road;
  junction.attachRoad(&road, 2, 0);
  EXPECT_EQ(junction.roadAt(2, 0), &road);
  EXPECT_EQ(road.nodeSeen, &junction);
  EXPECT_EQ(road.calls, (std::vector<std::string>{"node 1", "corner 1 (0,80)"}));
}

TEST(IntersectionAttach, LeavingRoadGetsTheClockwiseCornerAsStartCorner) {
  Intersection junction(Point(0, 0));
  RecordingRoad road;
  junction.attachRoad(&road, 0, 1);
  EXPECT_EQ(junction.roadAt(0, 1), &road);
  EXPECT_EQ(road.nodeSeen, &junction);
  EXPECT_EQ(road.calls, (std::vector<std::string>{"node 0", "corner 0 (20,20)"}));
}

TEST(IntersectionAttach, GivesEachSideItsOwnCorners) {
  const char* expected[4][2] = {
      {"corner 1 (30,-20)", "corner 0 (50,-20)"},
      {"corner 1 (50,-40)", "corner 0 (50,-60)"},
      {"corner 1 (30,-60)", "corner 0 (10,-60)"},
      {"corner 1 (10,-40)", "corner 0 (10,-20)"},
  };
  Intersection junction(Point(30, -40));
  RecordingRoad roads[4][2];
  for (int side = 0; side < 4; ++side) {
    for (int end = 0; end < 2; ++end) {
      junction.attachRoad(&roads[side][end], side, end);
      ASSERT_EQ(roads[side][end].calls.size(), 2u);
      EXPECT_EQ(roads[side][end].calls[1], expected[side][end]) << side << "/" << end;
    }
  }
  for (int side = 0; side < 4; ++side)
    for (int end = 0; end < 2; ++end) EXPECT_EQ(junction.roadAt(side, end), &roads[side][end]);
}

TEST(IntersectionAttach, ReplacesTheRoadInAnOccupiedSlot) {
  Intersection junction(Point(0, 0));
  Road first, second;
  junction.attachRoad(&first, 1, 0);
  junction.attachRoad(&second, 1, 0);
  EXPECT_EQ(junction.roadAt(1, 0), &second);
  EXPECT_EQ(junction.roadAt(1, 1), nullptr);
}

TEST(IntersectionSignal, RunsAFiftyOneTickCycleStartingWithNorthSouth) {
  // Arriving roads on the north side (traffic heading south) and the west side (heading
  // east), no leaving roads: whoever the signal lets go leaves the network.
  Star star({true, false, false, true}, {false, false, false, false});
  int southGone = 0, eastGone = 0;
  for (int t = 1; t <= 103; ++t) {
    if (star.queued(star.in[0]) == 0) star.arrive(0, 2, &southGone);
    if (star.queued(star.in[3]) == 0) star.arrive(3, 2, &eastGone);
    int south = southGone, east = eastGone;
    star.centre.tick();
    bool northSouthTurn = t <= 25 || (t >= 52 && t <= 76) || t == 103;
    EXPECT_EQ(southGone - south, northSouthTurn ? 1 : 0) << "tick " << t;
    EXPECT_EQ(eastGone - east, northSouthTurn ? 0 : 1) << "tick " << t;
  }
}

TEST(IntersectionSignal, Phase26LetsSouthGoAndPhase25LetsEastGo) {
  Star star({true, false, false, true}, {false, false, false, false});
  for (int t = 0; t < 24; ++t) star.centre.tick();
  int southGone = 0, eastGone = 0;
  star.arrive(0, 2, &southGone);
  star.arrive(3, 2, &eastGone);
  star.centre.tick();  // phase 26
  EXPECT_EQ(southGone, 1);
  EXPECT_EQ(eastGone, 0);
  star.arrive(0, 2, &southGone);
  star.centre.tick();  // phase 25
  EXPECT_EQ(southGone, 1);
  EXPECT_EQ(eastGone, 1);
}

TEST(IntersectionSignal, StepsEvenWithoutRoads) {
  Intersection lone(Point(0, 0));
  for (int t = 0; t < 25; ++t) lone.tick();  // phases 50..26
  // From here on it is the east-west turn, also for roads attached now.
  Intersection from(Point(0, 100));
  Road in;
  lone.attachRoad(&in, 0, 0);
  from.attachRoad(&in, 2, 1);
  auto* v = new ProbeVehicle(2);
  in.enter(v);
  for (int t = 0; t < 60; ++t) in.tick();
  lone.tick();  // phase 25
  EXPECT_EQ(in.queuedVehicles().size(), 1u);
}

TEST(IntersectionTurns, PickTheLeavingSideFromTheArrivingSide) {
  // Leaving side for turns 1 (right), 2 (straight on) and 3 (left), per arriving side.
  const int leaves[4][3] = {{3, 2, 1}, {0, 3, 2}, {1, 0, 3}, {2, 1, 0}};
  for (int side = 0; side < 4; ++side) {
    for (int turn = 1; turn <= 3; ++turn) {
      Star star;
      ProbeVehicle* v = star.arrive(side, turn);
      for (int t = 0; t < 51 && star.queued(star.in[side]) > 0; ++t) star.centre.tick();
      int expected = leaves[side][turn - 1];
      for (int s = 0; s < 4; ++s) {
        EXPECT_EQ(holds(*star.out[s], v), s == expected)
            << "arriving at " << side << ", turn " << turn << ", leaving side " << s;
      }
      EXPECT_EQ(star.queued(star.in[side]), 0u);
    }
  }
}

TEST(IntersectionTurns, EnteringTheLeavingRoadPlacesAndTurnsTheVehicle) {
  Star star;
  ProbeVehicle* v = star.arrive(0, 1);  // heading south, turning right: west
  star.centre.tick();
  ASSERT_TRUE(holds(*star.out[3], v));
  EXPECT_EQ(v->heading(), 3);
  EXPECT_EQ(v->position(), star.out[3]->entryPoint());
  EXPECT_EQ(v->position(), Point(-20, 10));
}

TEST(IntersectionTurns, DestinationReachedLeavesTheNetwork) {
  Star star;
  int destroyed = 0;
  star.arrive(0, 4, &destroyed);
  star.centre.tick();
  EXPECT_EQ(destroyed, 1);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(star.queued(star.out[s]), 0u);
  EXPECT_EQ(star.queued(star.in[0]), 0u);
}

TEST(IntersectionTurns, ASideWithoutALeavingRoadTakesTheVehicleOffOnItsSignal) {
  Star star({true, false, false, true}, {true, false, false, false});
  int destroyed = 0;
  star.arrive(0, 2, &destroyed);  // south: no road there
  star.centre.tick();
  EXPECT_EQ(destroyed, 1);

  star.arrive(3, 2, &destroyed);  // heading east: no road there either
  for (int t = 2; t <= 25; ++t) star.centre.tick();
  EXPECT_EQ(destroyed, 1);  // still the north-south turn
  star.centre.tick();
  EXPECT_EQ(destroyed, 2);
}

TEST(IntersectionRoom, AFullLeavingRoadHoldsTheVehicleWhileOtherSidesAreServed) {
  Star star;
  for (int n = 0; n < 5; ++n) star.out[2]->enter(new ProbeVehicle());
  ProbeVehicle* blocked = star.arrive(0, 2);  // straight on, south: full
  ProbeVehicle* free = star.arrive(2, 2);     // straight on, north: room
  star.centre.tick();                         // phase 50: both may go by the signal
  EXPECT_TRUE(holds(*star.in[0], blocked));
  EXPECT_TRUE(holds(*star.out[0], free));

  delete star.out[2]->popFront();  // now four: room again
  star.centre.tick();
  EXPECT_TRUE(holds(*star.out[2], blocked));
  EXPECT_EQ(star.queued(star.out[2]), 5u);
  EXPECT_FALSE(star.out[2]->hasRoom());
}

TEST(IntersectionRoom, ReleasesAtMostOneVehiclePerSideAndTick) {
  Star star;
  for (int t = 0; t < 10; ++t) star.centre.tick();
  for (int side = 0; side < 4; ++side) {
    star.arrive(side, 2);
    star.arrive(side, 2);
  }
  star.centre.tick();  // phase 40: north and south headings only
  EXPECT_EQ(star.queued(star.in[0]), 1u);
  EXPECT_EQ(star.queued(star.in[2]), 1u);
  EXPECT_EQ(star.queued(star.in[1]), 2u);
  EXPECT_EQ(star.queued(star.in[3]), 2u);
  EXPECT_EQ(star.queued(star.out[2]), 1u);
  EXPECT_EQ(star.queued(star.out[0]), 1u);
  EXPECT_EQ(star.queued(star.out[1]), 0u);
  EXPECT_EQ(star.queued(star.out[3]), 0u);
}

using IntersectionDrawing = DisplayTest;

TEST_F(IntersectionDrawing, DrawsAFilledBlackSquare) {
  Intersection junction(Point(0, 0));
  junction.draw(*display);
  EXPECT_EQ(trace(), std::vector<std::string>{
                         "black rectangle with bounding box (-20,20) to (20,-20), filled\n"});
  for (auto [x, y] : {std::pair{0, 0}, {-20, -20}, {20, 20}, {-20, 20}, {20, -20}})
    EXPECT_EQ(pixel(x, y), kBlack) << x << "," << y;
  for (auto [x, y] : {std::pair{21, 0}, {-21, 0}, {0, 21}, {0, -21}})
    EXPECT_EQ(pixel(x, y), kWhite) << x << "," << y;
}

}  // namespace
