// Confined runs on Linux. Each run starts in a sandbox of its own (sandbox.h) inside a
// control group of its own (cgroup.h): what it forks stays in both, its limits hold for all
// of it, and when it ends or meets a limit the whole group is killed. Its working folder is
// a file system in memory of the disk limit's size, which this process holds open from the
// moment the sandbox has made it, so that what the run left there is read after the run,
// from outside, and nothing the run does can make this process write elsewhere.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <thread>

#include "cgroup.h"
#include "process.h"
#include "sandbox.h"

extern char** environ;

namespace kx508::platform::process {

namespace {

using Clock = std::chrono::steady_clock;

struct Support {
  bool sandbox = false, filter = false, cgroups = false;
};

Support support;
std::atomic<bool> partial_allowed{false};

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

std::string absolute(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char here[4096];
  return ::getcwd(here, sizeof here) ? std::string(here) + "/" + path : path;
}

void close_from(unsigned first, unsigned last = ~0U) {
  if (first > last) return;
  if (::syscall(SYS_close_range, first, last, 0) == 0) return;
  const long most = ::sysconf(_SC_OPEN_MAX);
  for (long fd = first; fd <= (most < 0 ? 1024 : most) && fd <= static_cast<long>(last); ++fd)
    ::close(static_cast<int>(fd));
}

// Everything a run's first process needs, made before it exists: after a fork of a process
// with threads only system calls are safe (a lock another thread held stays held).
struct Prepared {
  std::vector<std::string> strings;
  std::vector<char*> argv, envp;
  std::vector<std::string> join;  // the control group's files to join
  std::vector<int> keep;          // descriptors the first process keeps, beyond 0, 1 and 2
  sandbox::User user;
  int out = -1, err = -1;
  sock_fprog sandbox_filter{};  // applied to the sandbox program itself, when set
  Limits limits;
  bool per_process_limits = false;  // no control group: the kernel's per-process limits
  std::string folder;               // without a sandbox: the folder to work in
};

// ---- In the run's first process: system calls only.

[[noreturn]] void give_up(int status) { ::_exit(status); }

void join_group(const Prepared& p) {
  for (const std::string& file : p.join) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0 || ::write(fd, "0", 1) != 1) give_up(125);
    ::close(fd);
  }
}

void set_limit(int resource, rlim_t value) {
  const rlimit limit{value, value};
  if (::setrlimit(resource, &limit) != 0) give_up(125);
}

rlim_t seconds_up(double s) { return static_cast<rlim_t>(s + 0.999); }

void set_limits(const Prepared& p) {
  const Limits& l = p.limits;
  if (l.file_bytes > 0) set_limit(RLIMIT_FSIZE, static_cast<rlim_t>(l.file_bytes));
  set_limit(RLIMIT_CORE, 0);  // no core files in the working folder
  if (!p.per_process_limits) return;
  if (l.cpu_seconds > 0) set_limit(RLIMIT_CPU, seconds_up(l.cpu_seconds));
  if (l.memory_bytes > 0) set_limit(RLIMIT_AS, static_cast<rlim_t>(l.memory_bytes));
  if (l.processes > 0) set_limit(RLIMIT_NPROC, static_cast<rlim_t>(l.processes));
}

void become_run_user(const Prepared& p) {
  if (!p.user.drop) return;
  if (::setgroups(0, nullptr) != 0 || ::setresgid(p.user.gid, p.user.gid, p.user.gid) != 0 ||
      ::setresuid(p.user.uid, p.user.uid, p.user.uid) != 0)
    give_up(125);
}

// Closes every descriptor but 0, 1, 2 and those kept, which are kept across exec.
void keep_only(const Prepared& p) {
  unsigned next = 3;
  for (int fd : p.keep) {
    if (fd < 3) continue;
    if (static_cast<unsigned>(fd) > next) close_from(next, static_cast<unsigned>(fd) - 1);
    ::fcntl(fd, F_SETFD, 0);
    next = static_cast<unsigned>(fd) + 1;
  }
  close_from(next);
}

// The sandbox program's own filter, for itself and what it starts, so that no process of
// the run is without one.
void filter_sandbox(const Prepared& p) {
  if (!p.sandbox_filter.filter) return;
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
      ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &p.sandbox_filter) != 0)
    give_up(125);
}

[[noreturn]] void first_process(const Prepared& p, pid_t parent) {
  join_group(p);
  set_limits(p);
  become_run_user(p);
  // After the user changed, which clears it: a grader that dies takes its runs along.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);
  if (::getppid() != parent) give_up(125);
  filter_sandbox(p);
  const int in = ::open("/dev/null", O_RDONLY);
  if (in < 0 || ::dup2(in, 0) < 0 || ::dup2(p.out, 1) < 0 || ::dup2(p.err, 2) < 0) give_up(125);
  keep_only(p);
  if (!p.folder.empty()) {
    ::setsid();
    if (::chdir(p.folder.c_str()) != 0) give_up(125);
  }
  ::signal(SIGPIPE, SIG_DFL);
  ::execve(p.argv[0], p.argv.data(), p.envp.data());
  give_up(127);
}

// ---- In this process

void fill(Prepared& p, std::vector<std::string> args, const Command& c) {
  p.strings = std::move(args);
  for (std::string& s : p.strings) p.argv.push_back(s.data());
  p.argv.push_back(nullptr);
  for (const std::string& v : c.environment) p.envp.push_back(const_cast<char*>(v.c_str()));
  p.envp.push_back(nullptr);
  std::sort(p.keep.begin(), p.keep.end());
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

Ending signalled(int sig) {
  Ending e;
  e.code = sig;
  e.why = signal_name(sig);
  e.how = sig == SIGXCPU ? End::CpuTime : sig == SIGXFSZ ? End::FileSize : End::Signalled;
  return e;
}

// The sandbox reports its program's end as a shell does: 128 + the signal that ended it.
Ending ending_of(int status, bool sandboxed) {
  if (WIFSIGNALED(status)) return signalled(WTERMSIG(status));
  const int code = WEXITSTATUS(status);
  if (sandboxed && code > 128 && code < 128 + 65) return signalled(code - 128);
  Ending e;
  e.how = End::Exited;
  e.code = code;
  return e;
}

int open_output(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
}

std::string last_line(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "";
  char text[4096];
  const ssize_t n = ::pread(fd, text, sizeof text, 0);
  ::close(fd);
  std::string s(text, static_cast<std::size_t>(n > 0 ? n : 0));
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s.substr(s.find_last_of('\n') + 1);
}

// Reads the sandbox's report of its first process, up to the end of the report or the
// deadline; 0 when there is none (the sandbox could not be made).
pid_t sandbox_pid(int info, Clock::time_point deadline) {
  std::string text;
  char buffer[1024];
  for (;;) {
    const long left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd pf{info, POLLIN, 0};
    const int ready = ::poll(&pf, 1, static_cast<int>(std::max(0L, left)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return 0;
    const ssize_t n = ::read(info, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  const std::size_t at = text.find("\"child-pid\"");
  if (at == std::string::npos) return 0;
  const std::size_t colon = text.find(':', at);
  return colon == std::string::npos ? 0 : static_cast<pid_t>(std::atol(text.c_str() + colon + 1));
}

// The run's working folder, as the sandbox made it: opened through the sandbox's first
// process once the marker with this run's words is in it, and the marker removed. -1 when
// the sandbox ended first or the deadline passed.
int pin_working_folder(pid_t pid, const std::string& folder, const std::string& words,
                       Clock::time_point deadline) {
  const std::string path = "/proc/" + std::to_string(pid) + "/root" + folder;
  while (Clock::now() < deadline && ::kill(pid, 0) == 0) {
    const int dir = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      const int marker = ::openat(dir, sandbox::kMarkerName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
      char got[64] = {};
      const ssize_t n = marker >= 0 ? ::read(marker, got, sizeof got) : -1;
      if (marker >= 0) ::close(marker);
      if (n == static_cast<ssize_t>(words.size()) && words.compare(0, words.size(), got, n) == 0) {
        ::unlinkat(dir, sandbox::kMarkerName, 0);
        return dir;
      }
      ::close(dir);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return -1;
}

// Copies what the run left in its working folder out, folders and regular files only,
// links never followed: whatever the run made there is copied as data, nowhere else.
void copy_out(int from, const std::string& to, int depth = 0) {
  const int list = ::openat(from, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = list >= 0 ? ::fdopendir(list) : nullptr;
  if (!dir) {
    if (list >= 0) ::close(list);
    return;
  }
  std::vector<char> data(1 << 16);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (::fstatat(from, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    const std::string target = to + "/" + name;
    if (S_ISDIR(st.st_mode) && depth < 8) {
      const int sub = ::openat(from, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0 && (::mkdir(target.c_str(), 0755) == 0 || errno == EEXIST)) copy_out(sub, target, depth + 1);
      if (sub >= 0) ::close(sub);
      continue;
    }
    if (!S_ISREG(st.st_mode)) continue;
    const int in = ::openat(from, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                           (st.st_mode & S_IXUSR) ? 0755 : 0644);
    for (ssize_t got; in >= 0 && out >= 0 && (got = ::read(in, data.data(), data.size())) > 0;)
      if (::write(out, data.data(), static_cast<std::size_t>(got)) != got) break;
    if (in >= 0) ::close(in);
    if (out >= 0) ::close(out);
  }
  ::closedir(dir);
}

// Whether a folder in memory is full: less room than a frame, or no name left.
bool full(int folder) {
  struct statvfs st;
  return ::fstatvfs(folder, &st) == 0 && (st.f_bavail * st.f_frsize < (1u << 20) || st.f_favail == 0);
}

std::string random_words() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  return "kx508-run-" + std::to_string(random()) + "-" + std::to_string(random());
}

int memory_file(const std::string& data) {
  const int fd = ::memfd_create("kx508-run", MFD_CLOEXEC);
  if (fd < 0) return -1;
  if (::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()) ||
      ::lseek(fd, 0, SEEK_SET) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The descriptors of one run, closed with it.
struct Fds {
  std::vector<int> all;
  int add(int fd) {
    if (fd >= 0) all.push_back(fd);
    return fd;
  }
  void close(int& fd) {
    if (fd < 0) return;
    all.erase(std::remove(all.begin(), all.end(), fd), all.end());
    ::close(fd);
    fd = -1;
  }
  ~Fds() {
    for (int fd : all) ::close(fd);
  }
};

// How the run is waited for: its end, the wall time, the CPU time of its whole group, or
// another limit the group met (memory, processes), which ends it whole at once.
enum class Met { Ended, WallTime, CpuTime, Limit };

Met wait_for(pid_t first, const Limits& l, const cgroup::Run* group, Clock::time_point start,
             int* status) {
  const int handle = static_cast<int>(::syscall(SYS_pidfd_open, first, 0));
  const auto deadline = start + std::chrono::milliseconds(static_cast<long>(l.wall_seconds * 1000));
  Met met = Met::Ended;
  for (;;) {
    if (::waitpid(first, status, WNOHANG) == first) break;
    if (l.wall_seconds > 0 && Clock::now() >= deadline) met = Met::WallTime;
    else if (group && l.cpu_seconds > 0 && group->cpu_seconds() >= l.cpu_seconds) met = Met::CpuTime;
    else if (group && (group->memory_limit_met() || group->process_limit_met())) met = Met::Limit;
    if (met != Met::Ended) break;
    pollfd pf{handle, POLLIN, 0};
    if (handle >= 0) ::poll(&pf, 1, 20);
    else std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (handle >= 0) ::close(handle);
  return met;
}

void end_all(pid_t first, cgroup::Run* group, bool own_session) {
  if (group) group->kill_all();
  ::kill(own_session ? -first : first, SIGKILL);
  ::kill(first, SIGKILL);
}

Ending not_run(const std::string& why) {
  Ending e;
  e.why = why;
  return e;
}

// A memory or process limit met first says why the run went wrong, even when the time it
// then ran out of ended it.
Ending finish(Met met, int status, bool sandboxed, const cgroup::Run* group, const Limits& l) {
  Ending e;
  if (group && l.memory_bytes > 0 && group->memory_limit_met()) e.how = End::Memory;
  else if (group && l.processes > 0 && group->process_limit_met()) e.how = End::Processes;
  else if (met == Met::WallTime) e.how = End::WallTime;
  else if (met == Met::CpuTime) e.how = End::CpuTime;
  else e = ending_of(status, sandboxed);
  if (group) e.cpu_seconds = group->cpu_seconds();
  return e;
}

Ending run_sandboxed(const Command& c, const std::string& program, cgroup::Run* group, const std::vector<std::string>& join) {
  Fds fds;
  int info[2] = {-1, -1}, block[2] = {-1, -1};
  if (::pipe2(info, O_CLOEXEC) != 0 || ::pipe2(block, O_CLOEXEC) != 0)
    return not_run(std::string("cannot make the run's pipes: ") + std::strerror(errno));
  for (int fd : {info[0], info[1], block[0], block[1]}) fds.add(fd);
  std::string why;
  const std::string& filter = sandbox::filter(sandbox::Filter::Run, &why);
  const std::string words = random_words();
  sandbox::Descriptors d;
  d.info = info[1];
  d.block = block[0];
  d.filter = fds.add(memory_file(filter));
  d.marker = fds.add(memory_file(words));
  for (const std::string& input : c.inputs) {
    const int fd = fds.add(::open(input.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd < 0) return not_run("cannot read " + input + ": " + std::strerror(errno));
    d.inputs.push_back(fd);
  }
  if (d.filter < 0 || d.marker < 0) return not_run(std::string("cannot prepare the run: ") + std::strerror(errno));
  Prepared p;
  p.user = sandbox::run_user();
  p.limits = c.limits;
  p.per_process_limits = !group;
  p.join = join;
  p.out = fds.add(open_output(c.output));
  p.err = fds.add(open_output(c.errors));
  if (p.out < 0 || p.err < 0) return not_run("cannot make the run's files: " + std::string(std::strerror(errno)));
  const std::string& own = sandbox::filter(sandbox::Filter::Sandbox, &why);
  p.sandbox_filter.len = static_cast<unsigned short>(own.size() / sizeof(sock_filter));
  p.sandbox_filter.filter = reinterpret_cast<sock_filter*>(const_cast<char*>(own.data()));
  p.keep = {d.info, d.block, d.filter, d.marker};
  p.keep.insert(p.keep.end(), d.inputs.begin(), d.inputs.end());
  fill(p, sandbox::arguments(c, program, d), c);
  const pid_t parent = ::getpid();
  const auto start = Clock::now();
  const pid_t first = ::fork();
  if (first < 0) return not_run(std::string("cannot start a process: ") + std::strerror(errno));
  if (first == 0) first_process(p, parent);
  // The sandbox's ends of the pipes and its files are its own now.
  for (int* fd : {&info[1], &block[0], &d.filter, &d.marker, &p.out, &p.err}) fds.close(*fd);
  for (int& fd : d.inputs) fds.close(fd);
  const auto setting_up = start + std::chrono::seconds(30);
  const pid_t inside = sandbox_pid(info[0], setting_up);
  const int folder = inside > 0 ? pin_working_folder(inside, c.folder, words, setting_up) : -1;
  if (folder < 0) {
    end_all(first, group, false);
    int status = 0;
    while (::waitpid(first, &status, 0) < 0 && errno == EINTR) {}
    const std::string said = last_line(c.errors);
    return not_run("the sandbox could not be made" + (said.empty() ? std::string() : ": " + said));
  }
  fds.add(folder);
  if (::write(block[1], "go", 2) != 2) {}  // a sandbox gone already ends as it ended
  int status = 0;
  const Met met = wait_for(first, c.limits, group, start, &status);
  end_all(first, group, false);
  if (met != Met::Ended)
    while (::waitpid(first, &status, 0) < 0 && errno == EINTR) {}
  Ending e = finish(met, status, true, group, c.limits);
  e.disk_full = c.limits.disk_bytes > 0 && full(folder);
  copy_out(folder, c.folder);
  return e;
}

// Without a sandbox (allowed partial confinement only): the program in its own session,
// in the working folder itself, with copies of its inputs.
Ending run_plain(const Command& c, const std::string& program, cgroup::Run* group, const std::vector<std::string>& join) {
  for (const std::string& input : c.inputs) {
    const int in = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return not_run("cannot read " + input + ": " + std::strerror(errno));
    const std::string target = c.folder + "/" + input.substr(input.find_last_of('/') + 1);
    struct stat st {};
    ::fstat(in, &st);
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0755);
    char data[65536];
    for (ssize_t got; out >= 0 && (got = ::read(in, data, sizeof data)) > 0;)
      if (::write(out, data, static_cast<std::size_t>(got)) != got) break;
    ::close(in);
    if (out >= 0) ::close(out);
  }
  Fds fds;
  Prepared p;
  p.user = sandbox::run_user();
  p.limits = c.limits;
  p.per_process_limits = !group;
  p.join = join;
  p.folder = c.folder;
  p.out = fds.add(open_output(c.output));
  p.err = fds.add(open_output(c.errors));
  if (p.out < 0 || p.err < 0) return not_run("cannot make the run's files: " + std::string(std::strerror(errno)));
  if (p.user.drop && ::chown(c.folder.c_str(), p.user.uid, p.user.gid) != 0)
    return not_run("cannot give the working folder to the run's user: " + std::string(std::strerror(errno)));
  std::vector<std::string> args = {program};
  args.insert(args.end(), c.arguments.begin(), c.arguments.end());
  fill(p, std::move(args), c);
  const pid_t parent = ::getpid();
  const auto start = Clock::now();
  const pid_t first = ::fork();
  if (first < 0) return not_run(std::string("cannot start a process: ") + std::strerror(errno));
  if (first == 0) first_process(p, parent);
  int status = 0;
  const Met met = wait_for(first, c.limits, group, start, &status);
  end_all(first, group, true);
  if (met != Met::Ended)
    while (::waitpid(first, &status, 0) < 0 && errno == EINTR) {}
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return not_run("starting the program: " + std::string(std::strerror(ENOENT)));
  return finish(met, status, false, group, c.limits);
}

Confinement probe() {
  Confinement c;
  std::string sandbox_why, filter_why, cgroup_why;
  support.sandbox = sandbox::available(&sandbox_why);
  support.filter = !sandbox::filter(sandbox::Filter::Run, &filter_why).empty() &&
                   !sandbox::filter(sandbox::Filter::Sandbox, &filter_why).empty();
  support.cgroups = cgroup::open(&cgroup_why);
  if (support.cgroups) std::atexit(cgroup::close);
  c.whole = support.sandbox && support.filter && support.cgroups;
  std::vector<std::string> missing;
  for (const std::string* why : {&sandbox_why, &filter_why, &cgroup_why})
    if (!why->empty()) missing.push_back(*why);
  for (const std::string& m : missing) c.missing += (c.missing.empty() ? "" : "; ") + m;
  const std::string user =
      sandbox::run_user().drop ? ", as the unprivileged user " + std::to_string(sandbox::run_user().uid) : "";
  if (c.whole)
    c.how = "each run in a sandbox of its own (bubblewrap: its own user, PID, mount, network, IPC "
            "and UTS namespaces, a seccomp filter" + user + ") that sees only the system's "
            "programs, its program, its inputs and its working folder, in a " + cgroup::kind() +
            " group that limits its memory, processes and CPU together and ends all of it";
  else
    c.how = std::string("runs NOT confined: ") +
            (support.sandbox ? "a sandbox of their own, " : "no sandbox (they see this machine's files), ") +
            (support.cgroups ? "limits on the whole run" : "limits per process only (a run's processes together may exceed them)");
  return c;
}

}  // namespace

Confinement confinement() {
  static const Confinement c = probe();
  return c;
}

void allow_partial_confinement() { partial_allowed = true; }

void start_again_in_own_group(char** argv) {
  constexpr const char* kStarted = "KX508_IN_OWN_GROUP";  // once only
  if (std::getenv(kStarted) || confinement().whole || !support.sandbox || support.cgroups) return;
  const std::string systemd_run = find_program("systemd-run", {});
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (systemd_run.find('/') == std::string::npos || n <= 0) return;
  std::vector<std::string> words = {systemd_run};
  if (::geteuid() != 0) words.push_back("--user");
  for (const char* w : {"--scope", "--quiet", "-p", "Delegate=yes", "--"}) words.push_back(w);
  // Asked first with a program that does nothing: without a service manager to ask, this
  // process goes on as it is.
  std::vector<std::string> trial = words;
  trial.push_back("/usr/bin/true");
  std::vector<char*> trial_argv;
  for (std::string& w : trial) trial_argv.push_back(w.data());
  trial_argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execv(trial_argv[0], trial_argv.data());
    ::_exit(127);
  }
  int status = 1;
  while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  if (pid <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return;
  words.emplace_back(self, static_cast<std::size_t>(n));
  for (char** a = argv + 1; *a; ++a) words.emplace_back(*a);
  std::vector<char*> again;
  for (std::string& w : words) again.push_back(w.data());
  again.push_back(nullptr);
  ::setenv(kStarted, "1", 1);
  cgroup::close();
  ::execv(again[0], again.data());
}

Ending run(const Command& command) {
  const Confinement& conf = confinement();
  if (!conf.whole && !partial_allowed) return not_run("runs cannot be confined here: " + conf.missing);
  Command c = command;
  c.folder = absolute(c.folder);
  for (std::string& input : c.inputs) input = absolute(input);
  const std::string program = absolute(find_program(c.program, c.environment));
  if (::access(program.c_str(), X_OK) != 0)
    return not_run("starting the program: " + std::string(std::strerror(errno)));
  cgroup::Run group;
  if (support.cgroups) {
    cgroup::RunLimits limits;
    limits.memory_bytes = c.limits.memory_bytes;
    // The sandbox's own two processes are the run's too.
    limits.processes = c.limits.processes > 0 ? c.limits.processes + 2 : 0;
    std::string why;
    if (!group.make(limits, &why)) return not_run(why);
  }
  cgroup::Run* g = support.cgroups ? &group : nullptr;
  return support.sandbox && support.filter ? run_sandboxed(c, program, g, group.join_files())
                                           : run_plain(c, program, g, group.join_files());
}

}  // namespace kx508::platform::process
