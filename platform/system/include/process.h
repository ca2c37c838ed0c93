// Child processes run under limits they cannot break: wall and CPU time, memory, file
// size and process count, everything they start ended with them, and the file system
// theirs only in one folder. posix_process.cpp and win32_process.cpp implement it.
#pragma once

#include <string>
#include <vector>

namespace kx508::platform::process {

// 0 in any field: no limit of that kind.
struct Limits {
  double wall_seconds = 60;
  double cpu_seconds = 60;
  long long memory_bytes = 2LL << 30;
  long long file_bytes = 64LL << 20;
  int processes = 64;
  long long disk_bytes = 256LL << 20;  // what the working folder may hold (in namespaces)
};

struct Command {
  std::string program;                // a path, or a name looked up in PATH
  std::vector<std::string> arguments;  // after the program's own name
  std::vector<std::string> environment;  // NAME=value, the whole environment
  std::string folder;     // the working folder: the one place the process may write; with a
                          // disk limit the run writes a copy of its files in memory, and
                          // the regular files it leaves there (in its folders too) are
                          // copied back at its end
  std::string output;     // standard output and error go to these files (made here)
  std::string errors;
  std::vector<std::string> read_only;  // folders that must be read-only to it, or it is not run
  Limits limits;
};

enum class End {
  Exited,     // code
  Signalled,  // signal: a crash, or ended from outside
  WallTime,
  CpuTime,
  Memory,     // where the system tells (Windows' job objects)
  FileSize,
  Processes,  // where the system tells (job objects) or counts (Linux, run as root)
  NotRun,     // why: it could not be started or confined
};

struct Ending {
  End how = End::NotRun;
  int code = 0;     // Exited: the status; Signalled: the signal number
  std::string why;  // NotRun: the reason; Signalled: the signal's name
  double cpu_seconds = 0;
  bool disk_full = false;  // the working folder had no room left at the end
};

// Runs the command to its end or its limit; every process it started is gone on return.
Ending run(const Command& command);

// How runs are kept apart on this system, in a sentence, for the user to know what holds.
std::string confinement();

}  // namespace kx508::platform::process
