// Replaying a long script through the program's main loop on the headless backend: every
// scripted event comes out of KX508_wait_event at once, and the loop ticks and draws a
// frame for it, so events per second are frames per second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "headless/controls.h"
#include "internal.h"

namespace {

namespace fs = std::filesystem;
namespace hl = kx508::platform::headless;

constexpr int kEvents = 100'000;
// Writing every frame as a PNG is slower by far; fewer events make the same point.
constexpr int kEventsWritingFrames = 2'000;

// Runs of nine periodic events, each followed by a key, as a recording of a user who
// types now and then; a click at the end stops the program.
void write_script(const fs::path& file, int events_in_all) {
  std::ofstream out(file);
  int events = 0;
  while (events + 10 < events_in_all) {
    out << "KX508_PERIODIC(9);\nKX508_KBD(120);\n";
    events += 10;
  }
  out << "KX508_PERIODIC(" << events_in_all - 1 - events << ");\n";
  out << "KX508_MOUSE(0, 0);\n";
}

// A scratch working directory holding the script while the benchmark runs.
class ScriptDirectory {
 public:
  explicit ScriptDirectory(int events) : old_(fs::current_path()) {
    std::string tmpl = (fs::temp_directory_path() / "kx508-replay-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw fs::filesystem_error("mkdtemp", std::error_code());
    dir_ = tmpl;
    write_script(dir_ / "KX508.SCR", events);
    fs::current_path(dir_);
  }
  ~ScriptDirectory() {
    fs::current_path(old_);
    fs::remove_all(dir_);
  }

 private:
  fs::path old_, dir_;
};

void BM_ReplayScript(benchmark::State& state) {
  ScriptDirectory dir(kEvents);
  for (auto _ : state) {
    kx508::reset_library();
    std::string why;
    kx508::platform::open_backend("headless", &why);
    // Playback starts at the first wait, before any timer tick.
    hl::schedule(0, [] {
      hl::choose_menu_item(kx508::lib.windows.draw_window, kx508::kCmdPlayback);
    });
    app::main();
    // Virtual time moves only while the program sleeps, which a replay that ran to the
    // final click never does.
    if (hl::now_ms() != 0) {
      state.SkipWithError("the replay stopped before the script's last event");
      break;
    }
  }
  kx508::reset_library();
  state.counters["events/s"] =
      benchmark::Counter(kEvents, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReplayScript)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same replay through KX508_PLAY, as a user runs one: the program is started with the
// options set and sends quit at the script's end. Arg 0 writes only the last frame, arg 1
// every frame as a PNG.
void BM_ReplayWithFrames(benchmark::State& state) {
  const bool every_frame = state.range(0) != 0;
  const int events = every_frame ? kEventsWritingFrames : kEvents;
  ScriptDirectory dir(events);
  setenv("KX508_PLAY", "KX508.SCR", 1);
  setenv("KX508_FRAMES", "frames", 1);
  setenv("KX508_FRAMES_EVERY", every_frame ? "1" : "1000000000", 1);
  for (auto _ : state) {
    kx508::reset_library();
    std::string why;
    kx508::platform::open_backend("headless", &why);
    app::main();
    state.PauseTiming();
    kx508::replay_finish(nullptr);
    fs::remove_all("frames");
    state.ResumeTiming();
  }
  for (const char* name : {"KX508_PLAY", "KX508_FRAMES", "KX508_FRAMES_EVERY"}) unsetenv(name);
  kx508::reset_library();
  state.counters["events/s"] =
      benchmark::Counter(events, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReplayWithFrames)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// The replay that writes every frame, checked instead against the frames and log an
// earlier one wrote (KX508_EXPECT): each frame compared as it is presented.
void BM_ReplayChecked(benchmark::State& state) {
  ScriptDirectory dir(kEventsWritingFrames);
  setenv("KX508_PLAY", "KX508.SCR", 1);
  setenv("KX508_FRAMES", "expected", 1);
  setenv("KX508_LOG", "expected/log.txt", 1);
  kx508::reset_library();
  std::string why;
  kx508::platform::open_backend("headless", &why);
  app::main();
  kx508::replay_finish(nullptr);
  unsetenv("KX508_FRAMES");
  unsetenv("KX508_LOG");
  setenv("KX508_EXPECT", "expected", 1);
  for (auto _ : state) {
    kx508::reset_library();
    kx508::platform::open_backend("headless", &why);
    app::main();
    state.PauseTiming();
    if (kx508::replay_finish(nullptr) != 0) state.SkipWithError("the replay differs from itself");
    state.ResumeTiming();
  }
  for (const char* name : {"KX508_PLAY", "KX508_EXPECT"}) unsetenv(name);
  kx508::reset_library();
  state.counters["events/s"] =
      benchmark::Counter(kEventsWritingFrames, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReplayChecked)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
