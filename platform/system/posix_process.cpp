// Confined child processes on Linux. The child is the first process of new user, PID,
// mount and network namespaces: when it goes, the kernel ends every process inside, even
// one that left the session. In its mount namespace every mount is read-only but the
// working folder. Resource limits (setrlimit) do the rest. Where namespaces cannot be
// made, the run falls back to its session, a subreaper and a sweep of its descendants.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>

#include "process.h"

extern char** environ;

namespace kx508::platform::process {

namespace {

// What the namespaces' first process tells its parent, in one write each.
struct Report {
  enum Kind : int { Started, Ended, Failed, TooMany } kind;
  int value;  // Started: the program's PID as the parent sees it (0 inside namespaces);
              // Ended: its wait status; Failed: errno
  long cpu_micros;
  int disk_full;
  char step[64];  // Failed: what was being done
};

// Everything the child needs, made before it exists: after a clone of a process with
// threads only system calls are safe (a lock another thread held stays held).
struct Prepared {
  std::vector<std::string> strings;
  std::vector<char*> argv, envp;
  std::string path;  // the program, found
  std::string uid_map, gid_map;
  std::string folder_options;  // the in-memory working folder's size
  int beneath = -1;  // the working folder, opened here: writable, whatever the run's mounts
  std::vector<std::string> mounts;
  int out = -1, err = -1;
};

std::string find_program(const std::string& name, const std::vector<std::string>& env) {
  if (name.find('/') != std::string::npos) return name;
  std::string path = "/usr/local/bin:/usr/bin:/bin";
  for (const std::string& v : env)
    if (v.rfind("PATH=", 0) == 0) path = v.substr(5);
  std::stringstream dirs(path);
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return name;  // exec will say it is missing
}

// Mount points as /proc/self/mountinfo lists them (octal escapes for spaces and the like).
std::vector<std::string> mount_points() {
  std::vector<std::string> points;
  std::ifstream info("/proc/self/mountinfo");
  for (std::string line; std::getline(info, line);) {
    std::istringstream fields(line);
    std::string id, parent, devno, root, point;
    fields >> id >> parent >> devno >> root >> point;
    std::string plain;
    for (std::size_t i = 0; i < point.size(); ++i) {
      if (point[i] == '\\' && i + 3 < point.size()) {
        plain += static_cast<char>(std::stoi(point.substr(i + 1, 3), nullptr, 8));
        i += 3;
      } else {
        plain += point[i];
      }
    }
    points.push_back(plain);
  }
  return points;
}

// ---- In the child: system calls only.

void report(int pipe, Report::Kind kind, int value, const char* step = "", long cpu = 0, bool full = false) {
  Report r{kind, value, cpu, full, {}};
  std::strncpy(r.step, step, sizeof r.step - 1);
  (void)!::write(pipe, &r, sizeof r);
}

[[noreturn]] void fail(int pipe, const char* step) {
  report(pipe, Report::Failed, errno, step);
  ::_exit(127);
}

bool write_file(const char* path, const std::string& text) {
  const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  return ok;
}

void close_from(unsigned first, unsigned last = ~0U) {
  if (first > last) return;
  if (::syscall(SYS_close_range, first, last, 0) == 0) return;
  const long most = ::sysconf(_SC_OPEN_MAX);
  for (long fd = first; fd <= (most < 0 ? 1024 : most) && fd <= static_cast<long>(last); ++fd)
    ::close(static_cast<int>(fd));
}

// Closes every descriptor but the four given (no allocation: see Prepared).
void close_all_but(int a, int b, int c, int d) {
  int fds[4] = {a, b, c, d};
  std::sort(fds, fds + 4);
  unsigned next = 0;
  for (int fd : fds) {
    if (fd > 0 && static_cast<unsigned>(fd) > next) close_from(next, static_cast<unsigned>(fd) - 1);
    next = static_cast<unsigned>(fd) + 1;
  }
  close_from(next);
}

// The flags a remount must keep: in a user namespace, dropping them is refused.
unsigned long kept_flags(const char* point) {
  struct statvfs st;
  if (::statvfs(point, &st) != 0) return 0;
  unsigned long flags = 0;
  if (st.f_flag & ST_NOSUID) flags |= MS_NOSUID;
  if (st.f_flag & ST_NODEV) flags |= MS_NODEV;
  if (st.f_flag & ST_NOEXEC) flags |= MS_NOEXEC;
  if (st.f_flag & ST_NOATIME) flags |= MS_NOATIME;
  if (st.f_flag & ST_NODIRATIME) flags |= MS_NODIRATIME;
  if (st.f_flag & ST_RELATIME) flags |= MS_RELATIME;
  return flags;
}

bool read_only(const char* path) {
  struct statvfs st;
  return ::statvfs(path, &st) == 0 && (st.f_flag & ST_RDONLY);
}

// Copies the regular files of one folder into another, and its folders' (a replay's frames
// folder) a few levels down; links never followed.
void copy_files(int from, int to, int depth = 4) {
  const int list = ::openat(from, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (list < 0) return;
  alignas(8) char entries[4096];
  static char data[65536];  // this process's own: it is alone in its copy of the memory
  for (long n; (n = ::syscall(SYS_getdents64, list, entries, sizeof entries)) > 0;) {
    for (long at = 0; at < n;) {
      const char* entry = entries + at;
      at += *reinterpret_cast<const unsigned short*>(entry + 16);  // d_reclen
      const char* name = entry + 19;
      const bool below = std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0;
      if (entry[18] == DT_DIR && depth > 0 && below) {
        (void)::mkdirat(to, name, 0700);
        const int in = ::openat(from, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int out = ::openat(to, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (in >= 0 && out >= 0) copy_files(in, out, depth - 1);
        if (in >= 0) ::close(in);
        if (out >= 0) ::close(out);
        continue;
      }
      if (entry[18] != DT_REG) continue;                             // d_type
      const int in = ::openat(from, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
      struct stat st {};
      if (in < 0 || ::fstat(in, &st) != 0) st.st_mode = 0644;  // a program built stays one
      const int out = ::openat(to, name, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                               st.st_mode & 0755);
      for (ssize_t got; in >= 0 && out >= 0 && (got = ::read(in, data, sizeof data)) > 0;)
        if (::write(out, data, static_cast<std::size_t>(got)) != got) break;
      if (in >= 0) ::close(in);
      if (out >= 0) ::close(out);
    }
  }
  ::close(list);
}

// The working folder, where a disk limit is given: a file system in memory of that size
// over it, holding a copy of what it held; *memory gets it.
void folder_in_memory(const Command& c, const Prepared& p, int pipe, int* memory) {
  if (p.beneath < 0 ||
      ::mount("tmpfs", c.folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, p.folder_options.c_str()) != 0)
    fail(pipe, "making the working folder");
  *memory = ::open(c.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (*memory < 0) fail(pipe, "making the working folder");
  copy_files(p.beneath, *memory);
}

// Whether a folder in memory is full: less room than a frame, or no name left.
bool full(int folder) {
  struct statvfs st;
  return ::fstatvfs(folder, &st) == 0 &&
         (st.f_bavail * st.f_frsize < (1u << 20) || st.f_favail == 0);
}

// Every mount read-only but the working folder, which is made a mount of its own first.
void seal_file_system(const Command& c, const Prepared& p, int pipe, int* memory) {
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) fail(pipe, "making mounts private");
  if (c.limits.disk_bytes > 0)
    folder_in_memory(c, p, pipe, memory);
  else if (::mount(c.folder.c_str(), c.folder.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0)
    fail(pipe, "binding the working folder");
  for (const std::string& point : p.mounts)
    (void)::mount(nullptr, point.c_str(), nullptr,
                  MS_REMOUNT | MS_BIND | MS_RDONLY | kept_flags(point.c_str()), nullptr);
  for (const std::string& folder : c.read_only)
    if (!read_only(folder.c_str())) {
      errno = EROFS;
      fail(pipe, "making the expected folders read-only");
    }
}

rlim_t seconds_up(double s) { return static_cast<rlim_t>(s + 0.999); }

void set_limit(int resource, rlim_t soft, rlim_t hard, int pipe) {
  const rlimit limit{soft, hard};
  if (::setrlimit(resource, &limit) != 0) fail(pipe, "setting a limit");
}

// The program itself: its limits, no way back to privileges, its files, then exec.
[[noreturn]] void start_program(const Command& c, const Prepared& p, int pipe) {
  const Limits& l = c.limits;
  if (l.cpu_seconds > 0) set_limit(RLIMIT_CPU, seconds_up(l.cpu_seconds), seconds_up(l.cpu_seconds) + 1, pipe);
  if (l.memory_bytes > 0) set_limit(RLIMIT_AS, l.memory_bytes, l.memory_bytes, pipe);
  if (l.file_bytes > 0) set_limit(RLIMIT_FSIZE, l.file_bytes, l.file_bytes, pipe);
  if (l.processes > 0) set_limit(RLIMIT_NPROC, l.processes, l.processes, pipe);
  set_limit(RLIMIT_CORE, 0, 0, pipe);  // no core files in the working folder
  for (int cap = 0; cap < 64; ++cap) (void)::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0);
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) fail(pipe, "dropping privileges");
  if (::chdir(c.folder.c_str()) != 0) fail(pipe, "entering the working folder");
  const int in = ::open("/dev/null", O_RDONLY);
  if (in < 0 || ::dup2(in, 0) < 0 || ::dup2(p.out, 1) < 0 || ::dup2(p.err, 2) < 0)
    fail(pipe, "opening standard input and output");
  ::fcntl(pipe, F_SETFD, FD_CLOEXEC);
  close_from(3, pipe - 1);
  close_from(pipe + 1);
  ::signal(SIGPIPE, SIG_DFL);
  ::execve(p.path.c_str(), p.argv.data(), p.envp.data());
  fail(pipe, "starting the program");
}

// Calls visit(pid) for every process /proc lists but this one.
template <class Visit>
void each_process(Visit visit) {
  const int dir = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  alignas(8) char buffer[4096];
  for (long n; (n = ::syscall(SYS_getdents64, dir, buffer, sizeof buffer)) > 0;) {
    for (long at = 0; at < n;) {
      const char* entry = buffer + at;
      at += *reinterpret_cast<const unsigned short*>(entry + 16);  // d_reclen
      const pid_t pid = static_cast<pid_t>(std::atoi(entry + 19));  // d_name
      if (pid > 0 && pid != ::getpid()) visit(pid);
    }
  }
  ::close(dir);
}

pid_t parent_of(pid_t pid) {
  char path[64], stat[512];
  std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  const ssize_t got = ::read(fd, stat, sizeof stat - 1);
  ::close(fd);
  if (got <= 0) return 0;
  stat[got] = 0;
  const char* after = std::strrchr(stat, ')');  // the name may hold anything
  int ppid = 0;
  return after && std::sscanf(after + 2, "%*c %d", &ppid) == 1 ? ppid : 0;
}

// Ends every process below this one, over and over until none is left (in the fallback,
// where no namespace does it; orphans come back here, as this is their subreaper).
void end_descendants() {
  for (int round = 0; round < 100; ++round) {
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {}
    bool any = false;
    each_process([&](pid_t pid) {
      if (parent_of(pid) == ::getpid()) {
        ::kill(pid, SIGKILL);
        any = true;
      }
    });
    if (!any) return;
    ::usleep(1000);
  }
}

// The kernel does not hold the global root to RLIMIT_NPROC: inside its own PID namespace,
// with a /proc of its own, the first process counts instead, every few milliseconds.
bool own_proc_mounted(int processes) {
  return processes > 0 && ::geteuid() == 0 &&
         ::mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) == 0;
}

int processes_in_namespace() {
  int count = 0;
  each_process([&](pid_t) { ++count; });
  return count;
}

// Waits for the program; false when its namespace held more processes than allowed.
bool wait_for(pid_t program, int* status, rusage* usage, int counted_limit) {
  if (counted_limit <= 0) {
    while (::wait4(program, status, 0, usage) < 0 && errno == EINTR) {}
    return true;
  }
  for (;;) {
    const pid_t done = ::wait4(program, status, WNOHANG, usage);
    if (done == program || (done < 0 && errno != EINTR)) return true;
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {}  // orphans end here: not counted
    if (processes_in_namespace() > counted_limit) return false;
    ::usleep(2000);
  }
}

long cpu_micros(const rusage& u) {
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000L + u.ru_utime.tv_usec + u.ru_stime.tv_usec;
}

// The first process: namespaces and the file system, then the program as its child, whose
// end it reports. Its own end ends everything left.
[[noreturn]] void first_process(const Command& c, const Prepared& p, int pipe, bool isolated) {
  close_all_but(pipe, p.out, p.err, p.beneath);  // other runs' files are none of its business
  int counted = 0, memory = -1;
  ::prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);  // a grader ended by Ctrl+C ends its runs
  if (isolated) {
    if (!p.uid_map.empty() &&
        (!write_file("/proc/self/setgroups", "deny") || !write_file("/proc/self/gid_map", p.gid_map) ||
         !write_file("/proc/self/uid_map", p.uid_map)))
      fail(pipe, "mapping the user");
    seal_file_system(c, p, pipe, &memory);
    counted = own_proc_mounted(c.limits.processes) ? c.limits.processes : 0;
  } else {
    ::setsid();
    ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
  }
  ::signal(SIGPIPE, SIG_IGN);
  const long pid = ::syscall(SYS_clone, SIGCHLD, nullptr, nullptr, nullptr, nullptr);
  if (pid < 0) fail(pipe, "starting the program");
  if (pid == 0) start_program(c, p, pipe);
  report(pipe, Report::Started, isolated ? 0 : static_cast<int>(pid));
  int status = 0;
  rusage usage{};
  if (!wait_for(static_cast<pid_t>(pid), &status, &usage, counted)) {
    report(pipe, Report::TooMany, counted);
    ::_exit(0);  // the namespace, and every process in it, ends here
  }
  if (!isolated) end_descendants();
  const bool disk_full = memory >= 0 && full(memory);
  if (memory >= 0) copy_files(memory, p.beneath);
  report(pipe, Report::Ended, status, "", cpu_micros(usage), disk_full);
  ::_exit(0);
}

Prepared prepare(const Command& c) {
  Prepared p;
  p.path = find_program(c.program, c.environment);
  p.strings.push_back(c.program);
  p.strings.insert(p.strings.end(), c.arguments.begin(), c.arguments.end());
  for (std::string& s : p.strings) p.argv.push_back(s.data());
  p.argv.push_back(nullptr);
  for (const std::string& v : c.environment) p.envp.push_back(const_cast<char*>(v.c_str()));
  p.envp.push_back(nullptr);
  // The same user inside as outside: not root there, so no privilege survives the exec.
  p.uid_map = std::to_string(::geteuid()) + " " + std::to_string(::geteuid()) + " 1\n";
  p.gid_map = std::to_string(::getegid()) + " " + std::to_string(::getegid()) + " 1\n";
  p.mounts = mount_points();
  p.folder_options = "size=" + std::to_string(c.limits.disk_bytes) + ",nr_inodes=10000,mode=0700";
  return p;
}

const char* signal_name(int sig) {
  static const char* const names[] = {"", "SIGHUP", "SIGINT", "SIGQUIT", "SIGILL", "SIGTRAP",
                                      "SIGABRT", "SIGBUS", "SIGFPE", "SIGKILL", "SIGUSR1",
                                      "SIGSEGV", "SIGUSR2", "SIGPIPE", "SIGALRM", "SIGTERM",
                                      "SIGSTKFLT", "SIGCHLD", "SIGCONT", "SIGSTOP", "SIGTSTP",
                                      "SIGTTIN", "SIGTTOU", "SIGURG", "SIGXCPU", "SIGXFSZ",
                                      "SIGVTALRM", "SIGPROF", "SIGWINCH", "SIGIO", "SIGPWR", "SIGSYS"};
  return sig > 0 && sig < 32 ? names[sig] : "a real-time signal";
}

// What the wait status says, with the limits that end a process by a signal.
Ending ending_of(int status, double cpu, const Limits& l) {
  Ending e;
  e.cpu_seconds = cpu;
  if (WIFEXITED(status)) {
    e.how = End::Exited;
    e.code = WEXITSTATUS(status);
    return e;
  }
  const int sig = WTERMSIG(status);
  e.code = sig;
  e.why = signal_name(sig);
  if (sig == SIGXCPU || (sig == SIGKILL && l.cpu_seconds > 0 && cpu >= l.cpu_seconds))
    e.how = End::CpuTime;
  else if (sig == SIGXFSZ)
    e.how = End::FileSize;
  else
    e.how = End::Signalled;
  return e;
}

bool read_report(int fd, Report* r, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  const int ready = ::poll(&p, 1, timeout_ms);
  if (ready <= 0) return false;
  return ::read(fd, r, sizeof *r) == static_cast<ssize_t>(sizeof *r);
}

int open_output(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
}

constexpr long kNamespaces = CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNS | CLONE_NEWNET;

// Starts the first process, in new namespaces where the system allows them.
long start_first_process(const Command& command, const Prepared& p, int fds[2], bool* isolated) {
  *isolated = true;
  long pid = ::syscall(SYS_clone, kNamespaces | SIGCHLD, nullptr, nullptr, nullptr, nullptr);
  if (pid < 0 && (errno == EPERM || errno == EINVAL || errno == ENOSPC || errno == EUSERS)) {
    *isolated = false;
    pid = ::syscall(SYS_clone, SIGCHLD, nullptr, nullptr, nullptr, nullptr);
  }
  if (pid == 0) {
    ::close(fds[0]);
    first_process(command, p, fds[1], *isolated);
  }
  return pid;
}

enum class Wait { Reported, TimedOut, Gone };

// Reads the first process's reports until the one that ends the run, or the wall time.
Wait wait_for_report(int fd, double wall_seconds, Report* r, int* program) {
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<long>(wall_seconds * 1000));
  for (;;) {
    const long left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now()).count();
    pollfd pf{fd, POLLIN, 0};
    const int ready = ::poll(&pf, 1, wall_seconds <= 0 ? -1 : static_cast<int>(std::max(0L, left)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return Wait::TimedOut;
    if (!read_report(fd, r, 0)) return Wait::Gone;
    if (r->kind != Report::Started) return Wait::Reported;
    *program = r->value;
  }
}

// Inside namespaces the first process's end ends all; outside, the program's does, and
// the first process sweeps up what it left before it reports.
void end_run(long pid, int program, bool isolated, int fd) {
  ::kill(isolated || program <= 0 ? static_cast<pid_t>(pid) : program, SIGKILL);
  Report ignored{};
  if (!isolated && program > 0) read_report(fd, &ignored, 5000);
  ::kill(static_cast<pid_t>(pid), SIGKILL);
}

Ending ending_of(Wait wait, const Report& r, const Limits& limits) {
  Ending e;
  if (wait == Wait::TimedOut) {
    e.how = End::WallTime;
  } else if (wait == Wait::Gone) {
    e.why = "the run's first process ended unexpectedly";
  } else if (r.kind == Report::TooMany) {
    e.how = End::Processes;
  } else if (r.kind == Report::Failed) {
    e.why = std::string(r.step) + ": " + std::strerror(r.value);
  } else {
    e = ending_of(r.value, r.cpu_micros / 1e6, limits);
    e.disk_full = r.disk_full != 0;
  }
  return e;
}

}  // namespace

Ending run(const Command& command) {
  Prepared p = prepare(command);
  p.out = open_output(command.output);
  p.err = open_output(command.errors);
  if (command.limits.disk_bytes > 0)
    p.beneath = ::open(command.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int fds[2] = {-1, -1};
  const bool ready = p.out >= 0 && p.err >= 0 && ::pipe2(fds, O_CLOEXEC) == 0;
  bool isolated = false;
  const long pid = ready ? start_first_process(command, p, fds, &isolated) : -1;
  const int error = errno;
  for (int fd : {p.out, p.err, p.beneath, fds[1]})
    if (fd >= 0) ::close(fd);
  if (pid < 0) {
    if (fds[0] >= 0) ::close(fds[0]);
    Ending e;
    e.why = std::string(ready ? "cannot start a process: " : "cannot make the run's files: ") +
            std::strerror(error);
    return e;
  }
  Report r{};
  int program = 0;
  const Wait wait = wait_for_report(fds[0], command.limits.wall_seconds, &r, &program);
  if (wait == Wait::TimedOut) end_run(pid, program, isolated, fds[0]);
  while (::waitpid(static_cast<pid_t>(pid), nullptr, 0) < 0 && errno == EINTR) {}
  ::close(fds[0]);
  return ending_of(wait, r, command.limits);
}

std::string confinement() {
  const long pid = ::syscall(SYS_clone, kNamespaces | SIGCHLD, nullptr, nullptr, nullptr, nullptr);
  if (pid == 0) ::_exit(0);
  if (pid > 0) {
    ::waitpid(static_cast<pid_t>(pid), nullptr, 0);
    return "each run in its own user, PID, mount and network namespaces: every process it "
           "starts ends with it, and it may write only in its working folder";
  }
  return std::string("no namespaces here (") + std::strerror(errno) +
         "): each run in its own session, its descendants ended after it; the expected runs "
         "are protected by file modes only";
}

}  // namespace kx508::platform::process
