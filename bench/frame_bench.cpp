// What one frame of the simulation costs on the headless backend: ticking the whole
// network, drawing it into the canvas, copying the canvas to the window, and one pass of
// the event wait that finds nothing to do. A frame has 100 ms.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "display.h"
#include "internal.h"
#include "network.h"
#include "random_source.h"
#include "road.h"
#include "world.h"

// Every heap allocation of the process is counted, so a benchmark can report how many
// its loop made.
namespace {
std::size_t allocations = 0;
}

// The replacements pair malloc with free; the compiler, seeing only the names new and
// free meet where they are inlined, would warn otherwise.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

// The library on the headless backend, opened before the display starts it.
struct HeadlessBackend {
  HeadlessBackend() {
    std::string why;
    kx508::platform::open_backend("headless", &why);
  }
};

// The clock the generator is seeded from moves one second per reading. The program
// reads it about every two seconds (a vehicle every 21 ticks), so each vehicle gets its
// own seed there too, whereas the real clock would hand every vehicle made in the same
// second of a fast benchmark the same one. It also makes the traffic the same every run.
std::time_t clock_second = 0;

// One display per process, as in the program.
struct Network {
  Network() { randomSource.now = [] { return clock_second++; }; }
  HeadlessBackend backend;
  Display display;
};

Network& network() {
  static Network* net = new Network;  // lives until the process ends, like the program's
  return *net;
}

// A network whose traffic has built up to its usual level, the same in every run. Its
// objects live until the process ends, like the program's.
World& busy_world() {
  network();
  clock_second = 1'000'000;
  World* world = new World;
  buildNetwork(*world);
  for (int i = 0; i < 2000; ++i) world->tick();
  return *world;
}

int vehicles_on(const World& world) {
  int count = 0;
  for (SimObject* object : world.objects())
    if (auto* road = dynamic_cast<Road*>(object))
      count += static_cast<int>(road->queuedVehicles().size());
  return count;
}

// Heap allocations per iteration, as a counter beside the time.
class AllocationCount {
 public:
  AllocationCount() : start_(allocations) {}
  void report(benchmark::State& state) const {
    state.counters["allocs/iter"] =
        benchmark::Counter(static_cast<double>(allocations - start_),
                           benchmark::Counter::kAvgIterations);
  }

 private:
  std::size_t start_;
};

void BM_Tick(benchmark::State& state) {
  World& world = busy_world();
  AllocationCount allocs;
  for (auto _ : state) world.tick();
  allocs.report(state);
}
BENCHMARK(BM_Tick);

// Draws the same traffic every iteration; how much there is shows beside the time.
void BM_DrawFrame(benchmark::State& state) {
  World& world = busy_world();
  Display& display = network().display;
  AllocationCount allocs;
  for (auto _ : state) {
    world.draw(display);
    benchmark::DoNotOptimize(kx508::lib.windows.canvas.data());
  }
  allocs.report(state);
  state.SetLabel(std::to_string(vehicles_on(world)) + " vehicles");
}
BENCHMARK(BM_DrawFrame);

// A frame as the program makes it ten times a second: tick, draw, and the pump pass that
// copies the changes to the window. Between frames the program sleeps and other
// processes run, so the canvas and the window's pixels are no longer in the cache; each
// iteration first pushes them out by walking a buffer larger than the caches.
void BM_FrameAfterSleep(benchmark::State& state) {
  World& world = busy_world();
  Display& display = network().display;
  while (kx508::pump_once() != kx508::PumpResult::Nothing) {
  }
  static std::vector<char> elsewhere(std::size_t{64} << 20, 1);
  long sum = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t i = 0; i < elsewhere.size(); i += 64) sum += ++elsewhere[i];
    state.ResumeTiming();
    world.tick();
    world.draw(display);
    kx508::pump_once();
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_FrameAfterSleep)->Iterations(300);

void BM_TickAndDrawFrame(benchmark::State& state) {
  World& world = busy_world();
  Display& display = network().display;
  AllocationCount allocs;
  for (auto _ : state) {
    world.tick();
    world.draw(display);
  }
  allocs.report(state);
}
BENCHMARK(BM_TickAndDrawFrame);

// The drawing window in words, as they are made at most once a second from the record
// the drawing calls keep (their cost is in the frames above); the label says how much the
// record keeps of the traffic's picture and how long the words are.
void BM_DescribeTheTraffic(benchmark::State& state) {
  World& world = busy_world();
  Display& display = network().display;
  display.clear(1);
  world.draw(display);
  std::string words;
  AllocationCount allocs;
  for (auto _ : state) words = kx508::describe_canvas();
  allocs.report(state);
  state.SetLabel(std::to_string(kx508::drawn_kept().size()) + " kept, " +
                 std::to_string(words.size()) + " bytes");
}
BENCHMARK(BM_DescribeTheTraffic);

void BM_CanvasCopyToWindow(benchmark::State& state) {
  network();
  for (auto _ : state) kx508::copy_canvas_to_window();
}
BENCHMARK(BM_CanvasCopyToWindow);

// A pump pass with nothing queued and nothing drawn: what the classic wait repeats
// without pause, and what the sleeping wait does once before it sleeps.
void BM_IdlePassOfWait(benchmark::State& state) {
  network();
  // Whatever starting the windows queued goes first, and the canvas is copied.
  while (kx508::pump_once() != kx508::PumpResult::Nothing) {
  }
  AllocationCount allocs;
  for (auto _ : state) {
    if (kx508::pump_once() != kx508::PumpResult::Nothing) {
      state.SkipWithError("the queue was not empty");
      break;
    }
  }
  allocs.report(state);
}
BENCHMARK(BM_IdlePassOfWait);

}  // namespace
