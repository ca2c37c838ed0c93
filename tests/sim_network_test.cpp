// The built network, traffic generation, and a long run of the whole network.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "sim_support.h"

namespace {

// R1..R10 as the network shows them (index 0 unused): entry point, end point,
// direction, and the intersections (I1..I6) the road leaves and arrives at.
struct Lane {
  Point entry, end;
  Direction direction;
  int from, to;
};
const Lane kLanes[11] = {
    {},
    {Point(10, 20), Point(10, 80), 0, 1, 2},
    {Point(10, 120), Point(10, 180), 0, 2, 3},
    {Point(-10, 80), Point(-10, 20), 2, 2, 1},
    {Point(-10, 180), Point(-10, 120), 2, 3, 2},
    {Point(-80, 90), Point(-20, 90), 1, 4, 2},
    {Point(-20, 110), Point(-80, 110), 3, 2, 4},
    {Point(-110, 180), Point(-110, 120), 2, 5, 4},
    {Point(-90, 120), Point(-90, 180), 0, 4, 5},
    {Point(130, 110), Point(20, 110), 3, 6, 2},
    {Point(20, 90), Point(130, 90), 1, 2, 6},
};

std::string where(Point p) {
  char text[32];
  std::snprintf(text, sizeof text, "(%d,%d)", p.x(), p.y());
  return text;
}

TEST(BuildNetwork, ListsSixteenObjectsIntersectionsFirst) {
  ScriptedRandom random;
  Network net;
  std::vector<SimObject*> list = net.world.objects();
  ASSERT_EQ(list.size(), 16u);
  const Point centres[6] = {Point(150, 100), Point(-100, 200), Point(-100, 100),
                            Point(0, 200),   Point(0, 100),    Point(0, 0)};
  for (int i = 0; i < 6; ++i) {
    auto* junction = dynamic_cast<Intersection*>(list[i]);
    ASSERT_NE(junction, nullptr) << "position " << i;
    EXPECT_EQ(junction->location(), centres[i]) << "position " << i;
  }
  for (int j = 0; j < 10; ++j) {
    auto* road = dynamic_cast<Road*>(list[6 + j]);
    ASSERT_NE(road, nullptr) << "position " << 6 + j;
    EXPECT_EQ(road->entryPoint(), kLanes[10 - j].entry) << "R" << 10 - j;
  }
}

TEST(BuildNetwork, AttachesEveryRoadAtBothEnds) {
  ScriptedRandom random;
  Network net;
  ASSERT_NE(net.R[1], nullptr);
  // expected[i][side][end]: the road number in each slot of I1..I6, 0 for none.
  const int expected[7][4][2] = {
      {},
      {{3, 1}, {0, 0}, {0, 0}, {0, 0}},
      {{4, 2}, {9, 10}, {1, 3}, {5, 6}},
      {{0, 0}, {0, 0}, {2, 4}, {0, 0}},
      {{7, 8}, {6, 5}, {0, 0}, {0, 0}},
      {{0, 0}, {0, 0}, {8, 7}, {0, 0}},
      {{0, 0}, {0, 0}, {0, 0}, {10, 9}},
  };
  for (int i = 1; i <= 6; ++i)
    for (int side = 0; side < 4; ++side)
      for (int end = 0; end < 2; ++end) {
        int r = expected[i][side][end];
        EXPECT_EQ(net.I[i]->roadAt(side, end), r ? net.R[r] : nullptr)
            << "I" << i << " side " << side << " end " << end;
      }
}

TEST(BuildNetwork, PutsSevenVehiclesOnTheirRoads) {
  ScriptedRandom random;
  Network net;
  ASSERT_NE(net.R[1], nullptr);
  struct Placed {
    int road;
    const std::type_info& kind;
  };
  const Placed placed[] = {{1, typeid(LongVehicle)}, {4, typeid(BlueVehicle)},
                           {3, typeid(SlimVehicle)}, {5, typeid(Vehicle)},
                           {6, typeid(Vehicle)},     {7, typeid(Vehicle)},
                           {8, typeid(Vehicle)}};
  for (const Placed& p : placed) {
    std::vector<const Vehicle*> queue = net.R[p.road]->queuedVehicles();
    ASSERT_EQ(queue.size(), 1u) << "R" << p.road;
    const Vehicle& v = *queue.front();
    EXPECT_EQ(typeid(v), p.kind) << "R" << p.road;
    EXPECT_EQ(v.position(), kLanes[p.road].entry) << "R" << p.road;
    EXPECT_EQ(v.heading(), kLanes[p.road].direction) << "R" << p.road;
    Point d = v.destination();
    EXPECT_TRUE(d == Point(-100, 200) || d == Point(0, 200) || d == Point(100, 100)) << where(d);
  }
  for (int r : {2, 9, 10}) EXPECT_TRUE(net.R[r]->queuedVehicles().empty()) << "R" << r;
  // One destination choice for each plain vehicle, two for each of the others.
  EXPECT_EQ(random.seeds().size(), 10u);
}

TEST(BuildNetwork, LanesRunFromEntryToEndPoint) {
  ScriptedRandom random;
  Network net;
  ASSERT_NE(net.R[1], nullptr);
  for (int r = 1; r <= 10; ++r) {
    const Lane& lane = kLanes[r];
    int length = r >= 9 ? 110 : 60;
    auto* probe = new ProbeVehicle();
    net.R[r]->enter(probe);
    EXPECT_EQ(probe->position(), lane.entry) << "R" << r;
    EXPECT_EQ(probe->heading(), lane.direction) << "R" << r;
    for (int t = 1; t < length; ++t) net.R[r]->tick();
    EXPECT_FALSE(net.R[r]->isAtEnd(probe)) << "R" << r;
    net.R[r]->tick();
    EXPECT_TRUE(net.R[r]->isAtEnd(probe)) << "R" << r;
    EXPECT_EQ(probe->position(), lane.end) << "R" << r;
  }
}

TEST(SpawnVehicle, LandsByTheWalkWithTheDrawnKind) {
  const std::type_info* kinds[3] = {&typeid(BlueVehicle), &typeid(LongVehicle),
                                    &typeid(SlimVehicle)};
  for (int n = 6; n <= 16; ++n) {
    for (int k = 0; k < 3; ++k) {
      ScriptedRandom random;
      Network net;
      ASSERT_NE(net.R[1], nullptr);
      std::size_t before[11] = {};
      for (int r = 1; r <= 10; ++r) before[r] = net.R[r]->queuedVehicles().size();
      std::size_t seedsBefore = random.seeds().size();
      int drawsBefore = random.drawsTaken();
      // Large draws: only their remainders may count.
      random.push({(n - 6) + 11 * 37, k + 3 * 5});
      net.world.spawnVehicle();

      // List position n lands on R(16 - n); position 16 wraps round to I6.
      int landed = n == 16 ? 0 : 16 - n;
      for (int r = 1; r <= 10; ++r) {
        std::vector<const Vehicle*> queue = net.R[r]->queuedVehicles();
        if (r != landed) {
          EXPECT_EQ(queue.size(), before[r]) << "n " << n << ", R" << r;
          continue;
        }
        ASSERT_EQ(queue.size(), before[r] + 1) << "n " << n;
        const Vehicle& v = *queue.back();
        EXPECT_EQ(typeid(v), *kinds[k]) << "n " << n << ", k " << k;
        EXPECT_EQ(v.position(), kLanes[r].entry) << "n " << n;
        EXPECT_EQ(v.heading(), kLanes[r].direction) << "n " << n;
      }
      if (landed == 0) {
        EXPECT_EQ(random.drawsTaken() - drawsBefore, 1) << "no kind is drawn for I6";
        EXPECT_EQ(random.seeds().size(), seedsBefore);
      } else {
        EXPECT_EQ(random.scriptLeft(), 0u);
        EXPECT_EQ(random.seeds().size(), seedsBefore + 2);  // a derived kind chooses twice
      }
    }
  }
}

TEST(SpawnVehicle, IgnoresTheRoomOnTheRoad) {
  ScriptedRandom random;
  Network net;
  ASSERT_NE(net.R[1], nullptr);
  for (int n = 0; n < 4; ++n) net.R[1]->enter(new ProbeVehicle());
  ASSERT_EQ(net.R[1]->queuedVehicles().size(), 5u);
  random.push({9, 1});  // n 15: R1; k 1: a long vehicle
  net.world.spawnVehicle();
  std::vector<const Vehicle*> queue = net.R[1]->queuedVehicles();
  ASSERT_EQ(queue.size(), 6u);
  EXPECT_EQ(typeid(*queue.back()), typeid(LongVehicle));
  EXPECT_EQ(queue.back()->position(), Point(10, 20));
}

TEST(SpawnVehicle, IsAttemptedOnTicks21_42And63) {
  ScriptedRandom random;
  Network net;
  ASSERT_NE(net.R[1], nullptr);
  random.push({10, 10, 10, 10});  // every attempt lands on I6
  std::vector<int> drawTicks;
  for (int t = 1; t <= 83; ++t) {
    int before = random.drawsTaken();
    net.world.tick();
    if (random.drawsTaken() != before) drawTicks.push_back(t);
  }
  EXPECT_EQ(drawTicks, (std::vector<int>{21, 42, 63}));
  EXPECT_EQ(random.scriptLeft(), 1u);
}

// Where each vehicle is: road number and place in its queue.
struct Spot {
  int road;
  std::size_t index;
};

std::map<const Vehicle*, Spot> census(const Network& net) {
  std::map<const Vehicle*, Spot> spots;
  for (int r = 1; r <= 10; ++r) {
    std::vector<const Vehicle*> queue = net.R[r]->queuedVehicles();
    for (std::size_t i = 0; i < queue.size(); ++i) {
      bool fresh = spots.emplace(queue[i], Spot{r, i}).second;
      EXPECT_TRUE(fresh) << "a vehicle on R" << r << " is also on R" << spots[queue[i]].road;
    }
  }
  return spots;
}

// Side of I2 by which a road arrives or leaves.
int sideAtI2(int road) {
  switch (road) {
    case 4: case 2: return 0;
    case 9: case 10: return 1;
    case 1: case 3: return 2;
    case 5: case 6: return 3;
    default: return -1;
  }
}

TEST(NetworkRun, KeepsVehiclesInLaneAndLetsThemLeaveOnlyAtOneSidedJunctions) {
  ScriptedRandom random;
  random.useGenerator(20240611);
  Network net;
  ASSERT_NE(net.R[1], nullptr);

  int leftAt[7] = {}, crossedI2 = 0, spawned = 0;
  std::map<int, std::pair<const Vehicle*, int>> frontWait;  // road -> (vehicle, states)

  for (int t = 1; t <= 6000; ++t) {
    std::map<const Vehicle*, Spot> before = census(net);
    std::map<const Vehicle*, bool> arrived;
    for (auto& [v, spot] : before)
      arrived[v] = spot.index == 0 && net.R[spot.road]->frontArrived();
    std::size_t drawsBefore = random.drawn().size();

    net.world.tick();

    std::map<const Vehicle*, Spot> after = census(net);
    // The vehicle a spawn attempt added, if any: its walk is the tick's first draw.
    if (t % 21 == 0) {
      ASSERT_GT(random.drawn().size(), drawsBefore) << "tick " << t;
      int n = random.drawn()[drawsBefore] % 11 + 6;
      int position = n % 16;
      if (position >= 6) {
        const Vehicle* fresh = net.R[16 - position]->queuedVehicles().back();
        EXPECT_EQ(fresh->position(), kLanes[16 - position].entry) << "tick " << t;
        after.erase(fresh);
        ++spawned;
      }
    }

    for (auto& [v, spot] : before) {
      auto now = after.find(v);
      const Lane& lane = kLanes[spot.road];
      if (now != after.end() && now->second.road == spot.road) continue;
      ASSERT_TRUE(arrived[v]) << "tick " << t << ": a vehicle left R" << spot.road
                              << " before reaching its end";
      if (now == after.end()) {
        EXPECT_NE(lane.to, 2) << "tick " << t << ": a vehicle left the network at I2";
        ++leftAt[lane.to];
      } else {
        int next = now->second.road;
        EXPECT_EQ(lane.to, 2) << "tick " << t << ": R" << spot.road << " to R" << next
                              << " through I" << lane.to;
        EXPECT_EQ(kLanes[next].from, 2) << "tick " << t;
        EXPECT_NE(sideAtI2(next), sideAtI2(spot.road))
            << "tick " << t << ": sent back out by the side it came in";
        ++crossedI2;
      }
    }

    for (int r = 1; r <= 10; ++r) {
      const Lane& lane = kLanes[r];
      bool vertical = lane.direction == 0 || lane.direction == 2;
      for (const Vehicle* v : net.R[r]->queuedVehicles()) {
        Point p = v->position();
        ASSERT_EQ(v->heading(), lane.direction) << "tick " << t << ", R" << r;
        int along = vertical ? p.y() : p.x();
        int across = vertical ? p.x() : p.y();
        int from = vertical ? lane.entry.y() : lane.entry.x();
        int to = vertical ? lane.end.y() : lane.end.x();
        ASSERT_EQ(across, vertical ? lane.entry.x() : lane.entry.y())
            << "tick " << t << ", R" << r << " at " << where(p);
        ASSERT_TRUE(along >= std::min(from, to) && along <= std::max(from, to))
            << "tick " << t << ", R" << r << " at " << where(p);
      }
      // At a one-sided junction nothing stops the front vehicle but the signal.
      if (lane.to != 2 && net.R[r]->frontArrived()) {
        const Vehicle* front = net.R[r]->queuedVehicles().front();
        auto& [who, states] = frontWait[r];
        states = who == front ? states + 1 : 1;
        who = front;
        EXPECT_LE(states, 27) << "tick " << t << ": stuck at the end of R" << r;
      } else {
        frontWait.erase(r);
      }
    }
  }

  // The checks above were exercised: traffic crossed I2 and left at every other junction.
  EXPECT_GT(crossedI2, 0);
  EXPECT_GT(spawned, 0);
  for (int i : {1, 3, 4, 5, 6}) EXPECT_GT(leftAt[i], 0) << "nothing ever left at I" << i;
  EXPECT_EQ(leftAt[2], 0);
}

}  // namespace
