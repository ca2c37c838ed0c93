// What confinement costs a run: a confined run of a program that does nothing (sandbox,
// control group, working folder in memory) against a plain fork, exec and wait of it.
// Wall time (real_time), which is what a grading waits.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "process.h"

namespace {

namespace process = kx508::platform::process;

void BM_ConfinedRun(benchmark::State& state) {
  if (!process::confinement().whole) {
    state.SkipWithError("runs cannot be confined here");
    return;
  }
  char name[] = "/tmp/kx508-process-bench-XXXXXX";
  const std::filesystem::path root = ::mkdtemp(name);
  process::Command c;
  c.program = "/usr/bin/true";
  c.output = root / "out";
  c.errors = root / "err";
  c.folder = root / "work";
  for (auto _ : state) {
    std::filesystem::create_directory(c.folder);
    const process::Ending end = process::run(c);
    if (end.how != process::End::Exited) state.SkipWithError(end.why.c_str());
    std::filesystem::remove_all(c.folder);
  }
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_ConfinedRun)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_PlainRun(benchmark::State& state) {
  for (auto _ : state) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execl("/usr/bin/true", "true", nullptr);
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
  }
}
BENCHMARK(BM_PlainRun)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
