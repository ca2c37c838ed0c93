// Child processes confined to what they are given, under limits on the whole run: on Linux
// each run in a sandbox of its own (namespaces, a system-call filter, an unprivileged user)
// and a control group; on Windows a job object. posix_process.cpp and win32_process.cpp.
#pragma once

#include <string>
#include <vector>

namespace kx508::platform::process {

// 0 in any field: no limit of that kind. Memory, processes and CPU time are the whole
// run's, whatever it forks.
struct Limits {
  double wall_seconds = 60;
  double cpu_seconds = 60;
  long long memory_bytes = 2LL << 30;
  long long file_bytes = 64LL << 20;   // the largest file one process may write
  int processes = 64;
  long long disk_bytes = 256LL << 20;  // what the working folder (and its /tmp) may hold
};

struct Command {
  std::string program;                   // a path, or a name looked up in PATH
  std::vector<std::string> arguments;    // after the program's own name
  std::vector<std::string> environment;  // NAME=value: the whole environment
  // The working folder: the run works in a fresh, empty folder of its own at this path
  // (confined, in memory), holding copies of the inputs; the files and folders it leaves
  // there are copied here when it ends.
  std::string folder;
  std::vector<std::string> inputs;    // files copied into the working folder first
  std::vector<std::string> readable;  // files and folders it may read, at their own paths;
                                      // the system's programs and libraries it always may
  std::string output;  // standard output and error go to these files (made here)
  std::string errors;
  Limits limits;
};

enum class End {
  Exited,     // code
  Signalled,  // signal: a crash, or ended from outside
  WallTime,
  CpuTime,
  Memory,
  FileSize,
  Processes,
  NotRun,  // why: it could not be started or confined
};

struct Ending {
  End how = End::NotRun;
  int code = 0;     // Exited: the status; Signalled: the signal number
  std::string why;  // NotRun: the reason; Signalled: the signal's name
  double cpu_seconds = 0;
  bool disk_full = false;  // the working folder had no room left at the end
};

// How runs are kept apart here. `whole` when every rule holds: each run sees only what it
// is given and may not reach this machine's users, files or network, and its limits hold
// for everything it starts, which ends with it. Otherwise `missing` says what is missing
// and how to get it.
struct Confinement {
  bool whole = false;
  std::string how;      // in a sentence
  std::string missing;
};
Confinement confinement();

// Where runs cannot have control groups here because this process may not manage one, but
// the user's service manager can give it a group of its own (systemd-run --scope), starts
// the program again in one, with the same arguments and environment: it does not return
// then. Otherwise, or once started again, it returns.
void start_again_in_own_group(char** argv);

// Lets runs go on with the confinement there is, when it is not whole (the tools' --unsafe);
// without it run() refuses to start anything that confinement() does not call whole.
void allow_partial_confinement();

// Runs the command to its end or its limit; every process it started is gone on return.
Ending run(const Command& command);

}  // namespace kx508::platform::process
