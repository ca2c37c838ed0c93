// The World's list: order of drawing and ticking, what it owns, and the spawn rhythm.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_support.h"

namespace {

// Records its draws, ticks and destruction in a shared journal.
class Recorder : public SimObject {
 public:
  Recorder(std::string name, std::vector<std::string>& journal) : name(std::move(name)), journal(journal) {}
  ~Recorder() override { journal.push_back("delete " + name); }
  void draw(Display&) override { journal.push_back("draw " + name); }
  void tick() override { journal.push_back("tick " + name); }

  std::string name;
  std::vector<std::string>& journal;
};

using WorldDrawing = DisplayTest;

TEST_F(WorldDrawing, DrawsAndTicksNewestFirst) {
  std::vector<std::string> journal;
  Recorder a("A", journal), b("B", journal), c("C", journal);
  {
    World world;
    world.add(&a);
    world.add(&b);
    world.add(&c);
    EXPECT_EQ(world.objects(), (std::vector<SimObject*>{&c, &b, &a}));

    world.draw(*display);
    world.tick();
    EXPECT_EQ(journal, (std::vector<std::string>{"draw C", "draw B", "draw A", "tick C", "tick B",
                                                 "tick A"}));
    journal.clear();
  }
  // The world released its nodes only: nothing it listed was destroyed with it.
  EXPECT_TRUE(journal.empty());
}

TEST(World, StartsEmptyAndTicksWithoutObjects) {
  ScriptedRandom random;
  World world;
  EXPECT_TRUE(world.objects().empty());
  for (int t = 0; t < 50; ++t) world.tick();
  world.spawnVehicle();
  // An empty list gives a spawn attempt nothing to do, not even a draw.
  EXPECT_EQ(random.drawsTaken(), 0);
  EXPECT_TRUE(random.seeds().empty());
}

TEST(WorldSpawning, AttemptsOnEveryTwentyFirstTick) {
  // One road only: every walk lands on it, so every attempt queues a vehicle.
  ScriptedRandom random;
  Road road;
  World world;
  world.add(&road);
  std::vector<int> attemptTicks;
  for (int t = 1; t <= 64; ++t) {
    std::size_t before = road.queuedVehicles().size();
    world.tick();
    if (road.queuedVehicles().size() != before) attemptTicks.push_back(t);
  }
  EXPECT_EQ(attemptTicks, (std::vector<int>{21, 42, 63}));
}

}  // namespace
