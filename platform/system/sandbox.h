// The sandbox a confined run starts in on Linux: bubblewrap's namespaces (user, PID, mount,
// network, IPC, UTS, cgroup), a file system that holds the system's programs and
// libraries read-only and only what the run is given besides, and a seccomp filter made
// with libseccomp. posix_sandbox.cpp.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

#include "process.h"

namespace kx508::platform::sandbox {

// The sandbox's program, found once; empty when it is not installed.
const std::string& bwrap();

// Whether a sandbox can be made here, tried once as runs are: false, with why (what is
// missing and how to get it), when it cannot.
bool available(std::string* why);

// The user runs are started as: this process's own, or, for root, an unprivileged one,
// so that a run cannot read what only root may.
struct User {
  bool drop = false;  // this process is root: the run becomes uid and gid
  uid_t uid = 0;
  gid_t gid = 0;
};
const User& run_user();

// The seccomp filters as programs for the kernel, made once; empty, with why, when they
// cannot be. The sandbox's own filter is the sandbox program's, and so also that of its
// first process inside, which a run could take over through its memory: it denies what
// the sandbox never does. The run's adds what only making the sandbox needs (mounts, new
// namespaces, sockets of the kernel's).
enum class Filter { Sandbox, Run };
const std::string& filter(Filter which, std::string* why);

// The descriptors a sandbox is started with, made by the caller for one run.
struct Descriptors {
  int info = -1;     // bubblewrap writes the sandbox's first process here
  int block = -1;    // and waits to start the program until this is readable
  int filter = -1;   // the seccomp filter, read by bubblewrap
  int marker = -1;   // a file bubblewrap copies into the working folder (see marker_name)
  std::vector<int> inputs;  // one a command input, in order
};

// The file that shows the caller its run's working folder is set up: copied in from
// Descriptors::marker, and removed by the caller before the program starts.
constexpr const char* kMarkerName = ".kx508-run-ready";

// bubblewrap's arguments, then the program's, for one run.
std::vector<std::string> arguments(const process::Command& command, const std::string& program,
                                   const Descriptors& fds);

}  // namespace kx508::platform::sandbox
