// Helpers shared by the simulation's tests: scripted random numbers, a display on the
// headless backend with trace lines on, the built network, and a vehicle whose turn and
// destruction a test controls.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <deque>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "display.h"
#include "intersection.h"
#include "internal.h"
#include "kx508.h"
#include "library_fixture.h"
#include "network.h"
#include "random_source.h"
#include "road.h"
#include "vehicle.h"
#include "world.h"

inline void PrintTo(const Point& p, std::ostream* os) { *os << "(" << p.x() << ", " << p.y() << ")"; }

// Replaces the program's random source while it lives. Draws come from the script; once
// it runs out they count up 0, 1, 2, ... (or follow a fixed generator when asked), so a
// destination choice always ends.
class ScriptedRandom {
 public:
  explicit ScriptedRandom(std::vector<int> draws = {}, std::time_t clock = 1000)
      : saved(randomSource), script(draws.begin(), draws.end()), clock(clock) {
    active = this;
    randomSource = {&draw, &seed, &now};
  }
  ~ScriptedRandom() {
    randomSource = saved;
    active = nullptr;
  }
  ScriptedRandom(const ScriptedRandom&) = delete;
  ScriptedRandom& operator=(const ScriptedRandom&) = delete;

  void push(std::vector<int> draws) { script.insert(script.end(), draws.begin(), draws.end()); }
  // After the script, draw from a fixed linear congruential sequence instead of counting.
  void useGenerator(std::uint32_t start) {
    generator = true;
    state = start;
  }
  // Every clock reading returns the next second.
  void tickingClock() { clockTicks = true; }

  int drawsTaken() const { return taken; }
  std::size_t scriptLeft() const { return script.size(); }
  const std::vector<unsigned>& seeds() const { return seeded; }
  const std::vector<int>& drawn() const { return values; }

 private:
  static int draw() {
    ScriptedRandom& r = *active;
    int v;
    if (!r.script.empty()) {
      v = r.script.front();
      r.script.pop_front();
    } else if (r.generator) {
      r.state = r.state * 1103515245u + 12345u;
      v = static_cast<int>((r.state >> 16) & 0x7fff);
    } else {
      v = r.counter++;
    }
    ++r.taken;
    r.values.push_back(v);
    return v;
  }
  static void seed(unsigned s) { active->seeded.push_back(s); }
  static std::time_t now() { return active->clockTicks ? active->clock++ : active->clock; }

  inline static ScriptedRandom* active = nullptr;
  RandomSource saved;
  std::deque<int> script;
  std::time_t clock;
  bool clockTicks = false;
  bool generator = false;
  std::uint32_t state = 0;
  int counter = 0;
  int taken = 0;
  std::vector<unsigned> seeded;
  std::vector<int> values;
};

// A display on the headless backend, with trace lines switched on.
class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kx508::reset_library();
    display = std::make_unique<Display>();
    KX508_set_logging(1);
    clearTrace();
  }
  void TearDown() override {
    display.reset();
    kx508::reset_library();
  }

  static void clearTrace() {
    for (std::string& line : kx508::lib.log.ring) line.clear();
    kx508::lib.log.first = -1;
    kx508::lib.log.next = 0;
  }

  // The log lines since the last clearTrace, oldest first (at most the ring's 25).
  static std::vector<std::string> trace() { return log_lines(); }

  // The canvas pixel under a library point.
  static kx508::platform::Colour pixel(int x, int y) {
    const kx508::CanvasOrigin& origin = kx508::lib.windows.canvas_origin;
    return kx508::lib.windows.canvas.pixel(origin.x + x, origin.y - y);
  }

  std::unique_ptr<Display> display;
};

// A vehicle that answers a fixed turn and reports its destruction.
class ProbeVehicle : public Vehicle {
 public:
  explicit ProbeVehicle(int turn = 2, int* destroyed = nullptr) : turn(turn), destroyed(destroyed) {}
  ~ProbeVehicle() override {
    if (destroyed) ++*destroyed;
  }
  int nextTurn() const override { return turn; }

  int turn;
  int* destroyed;
};

// The built network, I1..I6 and R1..R10 as numbered in order of creation (index 0
// unused), read from the world's list. Destroys everything it built.
struct Network {
  Network() {
    buildNetwork(world);
    std::vector<SimObject*> list = world.objects();
    if (list.size() != 16) return;
    for (int i = 0; i < 6; ++i) I[6 - i] = dynamic_cast<Intersection*>(list[i]);
    for (int j = 0; j < 10; ++j) R[10 - j] = dynamic_cast<Road*>(list[6 + j]);
  }
  ~Network() {
    for (SimObject* object : world.objects()) delete object;
  }

  World world;
  Intersection* I[7] = {};
  Road* R[11] = {};
};
