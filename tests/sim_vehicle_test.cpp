// Vehicles: construction and destination choice, turn codes, moving, and the shapes of
// the four kinds.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "sim_support.h"

namespace {

const Point kNorthWest(-100, 200), kNorth(0, 200), kEast(100, 100);

bool isReachable(Point p) { return p == kNorthWest || p == kNorth || p == kEast; }

TEST(VehicleConstruction, StartsAtTheOriginHeadingNorthWithAReachableDestination) {
  ScriptedRandom random({0, 0, 2});  // (0, 0) twice, then (0, 200)
  Vehicle v;
  EXPECT_EQ(v.position(), Point(0, 0));
  EXPECT_EQ(v.heading(), 0);
  EXPECT_EQ(v.destination(), kNorth);
  EXPECT_EQ(random.drawsTaken(), 3);
}

TEST(VehicleConstruction, EveryKindSettlesOnAReachableDestination) {
  // The unscripted draws count up from 0, so (0, 0) comes up and must be refused.
  ScriptedRandom random;
  std::vector<std::unique_ptr<Vehicle>> vehicles;
  for (int n = 0; n < 3; ++n) {
    vehicles.emplace_back(new Vehicle());
    vehicles.emplace_back(new BlueVehicle());
    vehicles.emplace_back(new SlimVehicle());
    vehicles.emplace_back(new LongVehicle());
  }
  for (const auto& v : vehicles) {
    EXPECT_TRUE(isReachable(v->destination()))
        << typeid(*v).name() << " " << v->destination().x() << "," << v->destination().y();
    EXPECT_EQ(v->position(), Point(0, 0));
  }
}

TEST(VehicleConstruction, SeedsFromTheClockForEveryChoice) {
  ScriptedRandom random({}, 424242);
  Vehicle plain;
  EXPECT_EQ(random.seeds(), std::vector<unsigned>{424242});
  BlueVehicle blue;
  SlimVehicle slim;
  LongVehicle longer;
  // The derived kinds choose twice, and each choice seeds again.
  EXPECT_EQ(random.seeds(), std::vector<unsigned>(7, 424242));
}

TEST(VehicleConstruction, DerivedKindsKeepTheSecondChoice) {
  {
    ScriptedRandom random({1, 3});
    BlueVehicle v;
    EXPECT_EQ(v.destination(), kEast);
  }
  {
    ScriptedRandom random({3, 2});
    SlimVehicle v;
    EXPECT_EQ(v.destination(), kNorth);
  }
  {
    ScriptedRandom random({2, 1});
    LongVehicle v;
    EXPECT_EQ(v.destination(), kNorthWest);
  }
}

TEST(ChooseDestination, RulesOutTheCandidateBehindTheHeading) {
  // accepted[h][r]: whether candidate r is kept at (0, 0) with heading h.
  const bool accepted[4][4] = {
      {false, true, true, true},
      {false, false, true, true},
      {false, true, false, true},
      {false, true, true, false},
  };
  const Point candidates[4] = {Point(0, 0), kNorthWest, kNorth, kEast};
  for (int h = 0; h < 4; ++h) {
    for (int r = 0; r < 4; ++r) {
      ScriptedRandom random;
      ProbeVehicle v;
      v.setHeading(h);
      // A large draw checks that only its remainder counts; 7 stands for (100, 100) or,
      // when that is ruled out, 5 for (-100, 200).
      int fallback = h == 3 ? 5 : 7;
      random.push({r + 4 * 1000, fallback});
      int before = random.drawsTaken();
      v.chooseDestination();
      Point expected = accepted[h][r] ? candidates[r] : candidates[fallback % 4];
      EXPECT_EQ(v.destination(), expected) << "heading " << h << ", candidate " << r;
      EXPECT_EQ(random.drawsTaken() - before, accepted[h][r] ? 1 : 2)
          << "heading " << h << ", candidate " << r;
    }
  }
}

TEST(ChooseDestination, JudgesOnXBeforeY) {
  ScriptedRandom random;
  ProbeVehicle v;
  // North of every candidate, heading north: (0, 200) and (0, 0) lie behind it, but
  // (-100, 200) is judged on x alone and is kept.
  v.setPosition(Point(0, 300));
  v.setHeading(0);
  random.push({2, 0, 1});
  int before = random.drawsTaken();
  v.chooseDestination();
  EXPECT_EQ(v.destination(), kNorthWest);
  EXPECT_EQ(random.drawsTaken() - before, 3);

  // Heading east from x 50: only the candidate east of it survives.
  v.setPosition(Point(50, 0));
  v.setHeading(1);
  random.push({0, 1, 2, 3});
  before = random.drawsTaken();
  v.chooseDestination();
  EXPECT_EQ(v.destination(), kEast);
  EXPECT_EQ(random.drawsTaken() - before, 4);
}

// A plain vehicle at a place, heading a way, bound for a destination.
struct Placed {
  Placed(Point destination, Point at, Direction heading) {
    ScriptedRandom random;
    v = std::make_unique<Vehicle>();
    // Steer the choice to the destination wanted: draw its candidate index.
    const Point candidates[4] = {Point(0, 0), kNorthWest, kNorth, kEast};
    for (int r = 1; r < 4; ++r)
      if (candidates[r] == destination) {
        random.push({r});
        v->chooseDestination();
      }
    v->setPosition(at);
    v->setHeading(heading);
  }
  std::unique_ptr<Vehicle> v;
};

TEST(NextTurn, FollowsTheTableRowByRow) {
  // Destination (0, 200); the position puts it east, west, north or south of the vehicle.
  struct Row {
    Point at;
    int turns[4];  // by heading 0..3
  };
  const Row rows[] = {
      {Point(-10, 150), {3, 2, 1, 2}},  // destination east
      {Point(10, 150), {1, 2, 3, 3}},   // destination west
      {Point(0, 100), {1, 3, 2, 1}},    // destination north
      {Point(0, 300), {2, 3, 1, 1}},    // destination south
      {Point(0, 200), {4, 4, 4, 4}},    // there
  };
  for (const Row& row : rows) {
    for (Direction h = 0; h < 4; ++h) {
      Placed p(kNorth, row.at, h);
      ASSERT_EQ(p.v->destination(), kNorth);
      EXPECT_EQ(p.v->nextTurn(), row.turns[h])
          << "at " << row.at.x() << "," << row.at.y() << " heading " << h;
    }
  }
}

TEST(NextTurn, DecidesOnXBeforeY) {
  EXPECT_EQ(Placed(kNorth, Point(10, 80), 0).v->nextTurn(), 1);
  // East of the vehicle and far below it: x alone decides.
  EXPECT_EQ(Placed(kEast, Point(90, 500), 0).v->nextTurn(), 3);
  EXPECT_EQ(Placed(kNorthWest, Point(-100, 200), 3).v->nextTurn(), 4);
}

TEST(VehicleMoves, AdvanceStepsAlongTheHeading) {
  ScriptedRandom random;
  Vehicle v;
  v.setPosition(Point(10, 80));
  v.setHeading(2);
  v.advance(1);
  EXPECT_EQ(v.position(), Point(10, 79));
  v.setHeading(3);
  v.advance(1);
  EXPECT_EQ(v.position(), Point(9, 79));
  v.setHeading(0);
  v.advance(3);
  EXPECT_EQ(v.position(), Point(9, 82));
  v.setHeading(1);
  v.advance(-2);
  EXPECT_EQ(v.position(), Point(7, 82));
}

TEST(VehicleMoves, TickChangesNothing) {
  ScriptedRandom random({3});
  LongVehicle v;
  v.setPosition(Point(10, 80));
  v.setHeading(2);
  Point destination = v.destination();
  v.tick();
  EXPECT_EQ(v.position(), Point(10, 80));
  EXPECT_EQ(v.heading(), 2);
  EXPECT_EQ(v.destination(), destination);
}

using VehicleDrawing = DisplayTest;

// The two trace lines a vehicle at (30, -40) draws with each heading.
struct Shapes {
  const char* body;
  const char* arrow;
};

template <typename Kind>
void expectShapes(Display& display, const Shapes (&byHeading)[4]) {
  for (Direction h = 0; h < 4; ++h) {
    Kind v;
    v.setPosition(Point(30, -40));
    v.setHeading(h);
    for (std::string& line : kx508::lib.log.ring) line.clear();
    kx508::lib.log.first = -1;
    kx508::lib.log.next = 0;
    v.draw(display);
    std::vector<std::string> lines;
    for (int i = 0; i < kx508::lib.log.next; ++i) lines.push_back(kx508::lib.log.ring[i]);
    EXPECT_EQ(lines, (std::vector<std::string>{byHeading[h].body, byHeading[h].arrow}))
        << typeid(Kind).name() << " heading " << h;
  }
}

const char* const kArrows[4] = {
    "red triangle at (25,-35), (35,-35), (30,-30)\n",
    "red triangle at (35,-35), (35,-45), (40,-40)\n",
    "red triangle at (35,-45), (25,-45), (30,-50)\n",
    "red triangle at (25,-45), (25,-35), (20,-40)\n",
};

TEST_F(VehicleDrawing, PlainVehicleIsAWhiteSquareWithAnArrow) {
  ScriptedRandom random;
  const char* body = "white rectangle with bounding box (25,-35) to (35,-45), filled\n";
  const Shapes shapes[4] = {{body, kArrows[0]}, {body, kArrows[1]}, {body, kArrows[2]},
                            {body, kArrows[3]}};
  expectShapes<Vehicle>(*display, shapes);
}

TEST_F(VehicleDrawing, BlueVehicleIsABlueSquareWithAnArrow) {
  ScriptedRandom random;
  const char* body = "blue rectangle with bounding box (25,-35) to (35,-45), filled\n";
  const Shapes shapes[4] = {{body, kArrows[0]}, {body, kArrows[1]}, {body, kArrows[2]},
                            {body, kArrows[3]}};
  expectShapes<BlueVehicle>(*display, shapes);
}

TEST_F(VehicleDrawing, LongVehicleReachesEightBehind) {
  ScriptedRandom random;
  const Shapes shapes[4] = {
      {"red rectangle with bounding box (25,-35) to (35,-48), filled\n", kArrows[0]},
      {"red rectangle with bounding box (22,-35) to (35,-45), filled\n", kArrows[1]},
      {"red rectangle with bounding box (25,-32) to (35,-45), filled\n", kArrows[2]},
      {"red rectangle with bounding box (25,-35) to (38,-45), filled\n", kArrows[3]},
  };
  expectShapes<LongVehicle>(*display, shapes);
}

TEST_F(VehicleDrawing, SlimVehicleIsNarrowAlongItsHeading) {
  ScriptedRandom random;
  const char* upright = "yellow rectangle with bounding box (28,-35) to (32,-45), filled\n";
  const char* lying = "yellow rectangle with bounding box (25,-38) to (35,-42), filled\n";
  const Shapes shapes[4] = {
      {upright, "red triangle at (28,-35), (32,-35), (30,-30)\n"},
      {lying, "red triangle at (35,-38), (35,-42), (40,-40)\n"},
      {upright, "red triangle at (32,-45), (28,-45), (30,-50)\n"},
      {lying, "red triangle at (25,-42), (25,-38), (20,-40)\n"},
  };
  expectShapes<SlimVehicle>(*display, shapes);
}

TEST_F(VehicleDrawing, MatchesTheWorkedExamples) {
  ScriptedRandom random;
  LongVehicle longer;
  longer.setPosition(Point(10, 50));
  longer.setHeading(1);
  SlimVehicle slim;
  BlueVehicle blue;
  blue.setHeading(2);
  longer.draw(*display);
  slim.draw(*display);
  blue.draw(*display);
  EXPECT_EQ(trace(), (std::vector<std::string>{
                         "red rectangle with bounding box (2,55) to (15,45), filled\n",
                         "red triangle at (15,55), (15,45), (20,50)\n",
                         "yellow rectangle with bounding box (-2,5) to (2,-5), filled\n",
                         "red triangle at (-2,5), (2,5), (0,10)\n",
                         "blue rectangle with bounding box (-5,5) to (5,-5), filled\n",
                         "red triangle at (5,-5), (-5,-5), (0,-10)\n",
                     }));
}

}  // namespace
