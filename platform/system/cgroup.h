// Control groups on Linux: one for each confined run, so that its memory, processes and
// CPU are limited together, whatever it forks, and the whole run is ended at once. Version 2
// (one hierarchy) and version 1 (one per controller) alike; posix_cgroup.cpp.
#pragma once

#include <string>
#include <vector>

namespace kx508::platform::cgroup {

// Finds, once, where this process may make its runs' groups, and makes its own group
// there. False, with why (what is missing and how to get it), when it cannot.
bool open(std::string* why);

// Removes this process's own group (its runs' groups are gone by then).
void close();

// What the runs' groups hold this process to, in a few words ("cgroup v2", "cgroup v1").
std::string kind();

struct RunLimits {
  long long memory_bytes = 0;  // 0: none
  int processes = 0;           // 0: none
  double cpus = 1;             // share of cores it may use at once; 0: no quota
};

// One run's group: made before the run's first process starts, removed after its last.
class Run {
 public:
  Run() = default;
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;
  ~Run() { remove(); }

  bool make(const RunLimits& limits, std::string* why);
  // The files a process writes "0" into to join the group (it then takes its children
  // along): written by the run's first process itself, before it runs anything.
  const std::vector<std::string>& join_files() const { return procs_; }
  // Sends SIGKILL to every process in the group until none is left.
  void kill_all();
  // CPU time of everything the group ran, in seconds.
  double cpu_seconds() const;
  // Whether the group met its memory or process limit at some time.
  bool memory_limit_met() const;
  bool process_limit_met() const;
  void remove();

 private:
  std::vector<std::string> folders_;  // one a hierarchy; the first one lists the processes
  std::vector<std::string> procs_;
  std::string memory_, pids_, cpu_;  // the folders of these controllers
};

}  // namespace kx508::platform::cgroup
