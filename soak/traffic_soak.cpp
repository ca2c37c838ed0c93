// The soak run: the whole traffic simulation on the headless backend, ticked and drawn
// as the program does, for a given number of ticks. It reports resident memory at a tenth
// of the run and at its end, the most vehicles on the network at once, and the vehicles
// created and destroyed, and checks that every vehicle is accounted for.
//
//   traffic_soak [ticks [clock]]    (1,000,000 ticks unless given; the virtual clock
//                                    starts at 1,700,000,000 s unless given, and
//                                    another start gives other traffic)
//
// Exit status 0 when every check held, 1 when one failed, 2 on bad arguments.
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "display.h"
#include "headless/controls.h"
#include "internal.h"
#include "kx508.h"
#include "network.h"
#include "random_source.h"
#include "road.h"
#include "vehicle.h"
#include "world.h"

namespace {

// Resident memory in KiB, from the kernel's view of this process: all of it, and the
// part that is the program's data (heap, stacks, canvas) rather than pages of its code
// and libraries mapped from files.
struct Resident {
  long total_kib = 0, anon_kib = 0, file_kib = 0;
};

Resident resident_memory() {
  Resident r;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    std::sscanf(line.c_str(), "VmRSS: %ld", &r.total_kib);
    std::sscanf(line.c_str(), "RssAnon: %ld", &r.anon_kib);
    std::sscanf(line.c_str(), "RssFile: %ld", &r.file_kib);
  }
  return r;
}

// Code is paged in the first time it runs, so a branch first taken late in the run (a
// rare turn, a set's rehash) would add pages of code to resident memory that are not
// memory the program holds. Bringing in every page of the mapped files at the start
// leaves resident memory to change only with the program's data. Returns false where
// the kernel cannot do it without touching the pages (before Linux 5.14).
bool bring_in_mapped_files() {
#ifndef MADV_POPULATE_READ
  return false;
#else
  std::ifstream maps("/proc/self/maps");
  std::string line;
  bool all = true;
  while (std::getline(maps, line)) {
    unsigned long start = 0, end = 0;
    char perms[5] = {};
    if (std::sscanf(line.c_str(), "%lx-%lx %4s", &start, &end, perms) != 3) continue;
    if (perms[0] != 'r' || line.find(" /") == std::string::npos) continue;
    // Pages past the end of a file are refused with an error, never a signal.
    if (madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_READ) != 0 &&
        errno != EFAULT)
      all = false;
  }
  return all;
#endif
}

// Only the spawner and the vehicles it creates draw random numbers during a tick, so the
// first draw of a tick is the spawner's pick of a list position.
struct Census {
  std::vector<int> draws;
};
Census census;
RandomSource real_source;

// The clock the vehicles seed the generator from runs on the backend's virtual time, one
// second per ten ticks as in the program, so a run is the same every time.
std::time_t clock_start = 1'700'000'000;

void install_counting_source() {
  real_source = randomSource;
  randomSource.now = [] { return clock_start + kx508::platform::headless::now_ms() / 1000; };
  randomSource.draw = [] {
    int v = real_source.draw();
    census.draws.push_back(v);
    return v;
  };
}

std::vector<Road*> roads_of(const World& world) {
  std::vector<Road*> roads;
  for (SimObject* o : world.objects())
    if (auto* r = dynamic_cast<Road*>(o)) roads.push_back(r);
  return roads;
}

// The soak's own bookkeeping is sized once, so that it does not show in the figures.
constexpr std::size_t kVehiclesReserved = 4096;

std::unordered_set<const Vehicle*> vehicles_on(const std::vector<Road*>& roads) {
  std::unordered_set<const Vehicle*> on;
  on.reserve(kVehiclesReserved);
  for (Road* r : roads)
    for (const Vehicle* v : r->queuedVehicles()) on.insert(v);
  return on;
}

// The vehicle a spawn put on the network this tick, or none: the last in the queue of
// the road that the spawner's first draw picked (the walk lands on position n modulo the
// list's length; an intersection there takes nothing).
const Vehicle* spawned_vehicle(const World& world) {
  if (census.draws.empty()) return nullptr;
  std::vector<SimObject*> list = world.objects();
  int n = census.draws.front() % 11 + 6;
  auto* road = dynamic_cast<Road*>(list[n % list.size()]);
  if (!road) return nullptr;
  std::vector<const Vehicle*> queue = road->queuedVehicles();
  return queue.empty() ? nullptr : queue.back();
}

// Bytes the allocator has handed out and not had back.
std::size_t heap_in_use() { return mallinfo2().uordblks; }

struct Figures {
  long long ticks = 0, frames = 0;
  long long created = 0, destroyed = 0;
  std::size_t on_network = 0, most_at_once = 0;
  long long most_at_tick = 0;
  Resident rss_mark, rss_end;
  std::size_t heap_mark = 0, heap_end = 0;
  long long mark_tick = 0;
};

bool check(bool ok, const char* what, bool* all) {
  if (!ok) {
    std::printf("CHECK FAILED: %s\n", what);
    *all = false;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  long long ticks = 1000000;
  if (argc > 3 || (argc >= 2 && (ticks = std::atoll(argv[1])) < 10) ||
      (argc == 3 && (clock_start = std::atoll(argv[2])) <= 0)) {
    std::fprintf(stderr, "usage: %s [ticks >= 10 [clock start > 0]]\n", argv[0]);
    return 2;
  }
  std::string why;
  if (!kx508::platform::open_backend("headless", &why)) {
    std::fprintf(stderr, "traffic_soak: %s\n", why.c_str());
    return 1;
  }
  // Hours of virtual time pass without input; only the timer drives the run.
  kx508::platform::headless::set_idle_limit(INT64_MAX / 4);

  const bool code_resident = bring_in_mapped_files();
  Figures f;
  f.mark_tick = std::max(1LL, ticks / 10);
  bool all_ok = true;
  {
    Display display;
    display.clear(1);
    display.animate(2);
    World world;
    install_counting_source();
    census.draws.reserve(64);
    buildNetwork(world);
    seedFromClock();
    std::vector<Road*> roads = roads_of(world);
    std::unordered_set<const Vehicle*> before = vehicles_on(roads);
    f.created = 7;  // the network starts with seven vehicles
    f.on_network = f.most_at_once = before.size();
    check(f.on_network == 7, "the seven initial vehicles on the roads", &all_ok);

    while (f.ticks < ticks) {
      int x = 0, y = 0;
      char key = 0;
      int event = display.awaitEvent(x, y, key);
      if (event == KX508_MOUSE || event == KX508_QUIT) {
        check(false, "no click or quit during the run", &all_ok);
        break;
      }
      if (event == KX508_PERIODIC) {
        census.draws.clear();
        world.tick();
        ++f.ticks;
        // Spawn attempts come on every 21st tick and on no other.
        if (!check(census.draws.empty() == (f.ticks % 21 != 0), "a spawn every 21st tick",
                   &all_ok))
          break;

        std::unordered_set<const Vehicle*> after = vehicles_on(roads);
        const Vehicle* fresh = spawned_vehicle(world);
        // Vehicles there before and not after the tick were destroyed; a spawned vehicle
        // may reuse the storage of one destroyed in the same tick.
        long long gone = 0;
        for (const Vehicle* v : before)
          if (!after.count(v) || v == fresh) ++gone;
        f.created += fresh != nullptr;
        f.destroyed += gone;
        f.on_network = after.size();
        if (f.on_network > f.most_at_once) {
          f.most_at_once = f.on_network;
          f.most_at_tick = f.ticks;
        }
        if (!check(f.created - f.destroyed == static_cast<long long>(f.on_network),
                   "created - destroyed == on the network", &all_ok))
          break;
        before = std::move(after);
        if (f.ticks == f.mark_tick) {
          f.rss_mark = resident_memory();
          f.heap_mark = heap_in_use();
        }
      }
      world.draw(display);
      ++f.frames;
    }
    f.rss_end = resident_memory();
    f.heap_end = heap_in_use();
    // The log ring holds at most its 25 lines whatever was logged.
    check(kx508::lib.log.first >= -1 && kx508::lib.log.first < kx508::kLogLines,
          "log ring indices in range", &all_ok);
  }
  randomSource = real_source;

  const Resident& a = f.rss_mark;
  const Resident& b = f.rss_end;
  double growth = a.total_kib ? 100.0 * (b.total_kib - a.total_kib) / a.total_kib : 0;
  std::printf("ticks %lld, frames %lld\n", f.ticks, f.frames);
  if (!code_resident)
    std::printf("note: code pages could not be brought in at the start; code first run "
                "late adds to resident memory\n");
  std::printf("resident memory at tick %lld: %ld KiB (data %ld, code and libraries %ld)\n",
              f.mark_tick, a.total_kib, a.anon_kib, a.file_kib);
  std::printf("resident memory at tick %lld: %ld KiB (data %ld, code and libraries %ld) "
              "(%+.2f %%)\n", f.ticks, b.total_kib, b.anon_kib, b.file_kib, growth);
  std::printf("heap in use at tick %lld: %zu bytes; at tick %lld: %zu bytes\n", f.mark_tick,
              f.heap_mark, f.ticks, f.heap_end);
  std::printf("most vehicles on the network at once: %zu (tick %lld)\n", f.most_at_once,
              f.most_at_tick);
  std::printf("vehicles created %lld, destroyed %lld, on the network at the end %zu\n",
              f.created, f.destroyed, f.on_network);
  check(f.ticks == ticks, "every tick ran", &all_ok);
  check(f.frames >= f.ticks, "a frame drawn every tick", &all_ok);
  check(f.destroyed > 0 && f.created > 7, "traffic came and went", &all_ok);
  check(growth <= 1.0, "resident memory at the end within 1 % of the tenth-way mark", &all_ok);
  std::printf("%s\n", all_ok ? "all checks passed" : "SOME CHECKS FAILED");
  return all_ok ? 0 : 1;
}
