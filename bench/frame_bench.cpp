// What one frame of the simulation costs: ticking the whole network and drawing it into
// the canvas, on the headless backend. A frame has 100 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "display.h"
#include "internal.h"
#include "network.h"
#include "world.h"

namespace {

// The library on the headless backend, opened before the display starts it.
struct HeadlessBackend {
  HeadlessBackend() {
    std::string why;
    platform::open_backend("headless", &why);
  }
};

// One display per process, as in the program; traffic has built up to its usual level.
struct Network {
  Network() {
    buildNetwork(world);
    for (int i = 0; i < 2000; ++i) world.tick();
  }
  HeadlessBackend backend;
  Display display;
  World world;
};

Network& network() {
  static Network* net = new Network;  // lives until the process ends, like the program's
  return *net;
}

void BM_TickAndDrawFrame(benchmark::State& state) {
  Network& net = network();
  for (auto _ : state) {
    net.world.tick();
    net.world.draw(net.display);
  }
}
BENCHMARK(BM_TickAndDrawFrame);

void BM_CanvasCopyToWindow(benchmark::State& state) {
  network();
  for (auto _ : state) {
    kx508::canvas_dirty = true;
    kx508::pump_once();
  }
}
BENCHMARK(BM_CanvasCopyToWindow);

}  // namespace
