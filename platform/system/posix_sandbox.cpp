// The sandbox of a confined run: bubblewrap's arguments and the seccomp filter. What a run
// sees of the file system is the system's programs and libraries (read-only), a /proc and
// /dev of its own, private /tmp and /dev/shm, and what the command names: nothing else of
// this machine's, no socket of its and no network.
#include <fcntl.h>
#include <grp.h>
#include <linux/sched.h>
#include <pwd.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <sstream>

#include "sandbox.h"

extern char** environ;

namespace kx508::platform::sandbox {

namespace {

std::string found_in_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path && *path ? path : "/usr/local/bin:/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

// The system's folders, as this system has them: each a folder bound read-only, or a link
// (merged /usr), made again as a link.
void add_system(std::vector<std::string>& a) {
  a.insert(a.end(), {"--ro-bind", "/usr", "/usr"});
  for (const char* dir : {"/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32"}) {
    struct stat st;
    if (::lstat(dir, &st) != 0) continue;
    if (S_ISLNK(st.st_mode)) {
      char target[4096];
      const ssize_t n = ::readlink(dir, target, sizeof target - 1);
      if (n <= 0) continue;
      a.insert(a.end(), {"--symlink", std::string(target, static_cast<std::size_t>(n)), dir});
    } else if (S_ISDIR(st.st_mode)) {
      a.insert(a.end(), {"--ro-bind", dir, dir});
    }
  }
  // Of /etc only what programs and the compiler read: the loader's cache and the
  // alternatives' links (c++). No passwords, no users, no keys.
  for (const char* file : {"/etc/ld.so.cache", "/etc/ld.so.conf", "/etc/ld.so.conf.d",
                           "/etc/alternatives", "/etc/localtime"})
    a.insert(a.end(), {"--ro-bind-try", file, file});
}

// A rule of the filter that answers errno instead of running the call.
void deny(scmp_filter_ctx ctx, const char* call, int error = EPERM) {
  const int nr = seccomp_syscall_resolve_name(call);
  if (nr != __NR_SCMP_ERROR) seccomp_rule_add(ctx, SCMP_ACT_ERRNO(error), nr, 0);
}

// What a run never needs and a breakout would: debugging other processes, the kernel's
// keys, modules and clocks, io_uring (which the filter cannot see into), injecting input
// into a terminal, and sockets of any family but local and IP (the network namespace has
// only its own loopback). The run's filter also denies mounts, new namespaces and the
// kernel's own sockets, which only making the sandbox needs.
std::string make_filter(Filter which, std::string* why) {
  std::unique_ptr<void, void (*)(scmp_filter_ctx)> ctx(seccomp_init(SCMP_ACT_ALLOW), seccomp_release);
  if (!ctx) {
    *why = "cannot make the seccomp filter";
    return "";
  }
  for (const char* call :
       {"ptrace", "process_vm_readv", "process_vm_writev", "perf_event_open", "bpf",
        "userfaultfd", "keyctl", "add_key", "request_key", "kexec_load", "kexec_file_load",
        "init_module", "finit_module", "delete_module", "syslog", "acct", "swapon", "swapoff",
        "reboot", "settimeofday", "clock_settime", "clock_adjtime", "adjtimex", "quotactl",
        "quotactl_fd", "open_by_handle_at", "name_to_handle_at", "io_uring_setup",
        "io_uring_enter", "io_uring_register", "lookup_dcookie", "vhangup", "fanotify_init",
        "uselib", "iopl", "ioperm", "nfsservctl"})
    deny(ctx.get(), call);
  for (unsigned long request : {static_cast<unsigned long>(TIOCSTI), static_cast<unsigned long>(TIOCLINUX)})
    seccomp_rule_add(ctx.get(), SCMP_ACT_ERRNO(EPERM), SCMP_SYS(ioctl), 1,
                     SCMP_A1(SCMP_CMP_MASKED_EQ, 0xFFFFFFFFu, request));
  const bool run = which == Filter::Run;
  for (int family = 0; family < AF_MAX; ++family)
    if (family != AF_UNIX && family != AF_INET && family != AF_INET6 && (run || family != AF_NETLINK))
      seccomp_rule_add(ctx.get(), SCMP_ACT_ERRNO(EAFNOSUPPORT), SCMP_SYS(socket), 1,
                       SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(family)));
  if (run) {
    for (const char* call : {"mount", "umount2", "pivot_root", "chroot", "unshare", "setns",
                             "mount_setattr", "move_mount", "open_tree", "fsopen", "fsmount",
                             "fsconfig", "fspick"})
      deny(ctx.get(), call);
    // clone3's flags are in memory, where the filter cannot look: the C library falls back
    // to clone, whose flags it can.
    deny(ctx.get(), "clone3", ENOSYS);
    for (unsigned long flag : {CLONE_NEWNS, CLONE_NEWUTS, CLONE_NEWIPC, CLONE_NEWUSER,
                               CLONE_NEWPID, CLONE_NEWNET, CLONE_NEWCGROUP})
      seccomp_rule_add(ctx.get(), SCMP_ACT_ERRNO(EPERM), SCMP_SYS(clone), 1,
                       SCMP_A0(SCMP_CMP_MASKED_EQ, flag, flag));
  }
  const int fd = ::memfd_create("kx508-filter", MFD_CLOEXEC);
  std::string program;
  if (fd >= 0 && seccomp_export_bpf(ctx.get(), fd) == 0) {
    const off_t size = ::lseek(fd, 0, SEEK_CUR);
    program.resize(static_cast<std::size_t>(size > 0 ? size : 0));
    if (::pread(fd, program.data(), program.size(), 0) != static_cast<ssize_t>(program.size()))
      program.clear();
  }
  if (fd >= 0) ::close(fd);
  if (program.empty()) *why = "cannot make the seccomp filter: " + std::string(std::strerror(errno));
  return program;
}

// Runs bubblewrap once as a run would be run, with nothing in the sandbox but /usr/bin/true.
bool try_sandbox(std::string* why) {
  std::vector<std::string> a = {bwrap(), "--unshare-all", "--unshare-user", "--disable-userns",
                                "--die-with-parent", "--new-session"};
  add_system(a);
  a.insert(a.end(), {"--proc", "/proc", "--dev", "/dev", "--", "/usr/bin/true"});
  std::vector<char*> argv;
  for (std::string& s : a) argv.push_back(s.data());
  argv.push_back(nullptr);
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) return false;
  const User user = run_user();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipe[1], 2);
    if (user.drop && (::setgroups(0, nullptr) != 0 || ::setresgid(user.gid, user.gid, user.gid) != 0 ||
                      ::setresuid(user.uid, user.uid, user.uid) != 0))
      ::_exit(126);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipe[1]);
  std::string said;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe[0]);
  int status = 0;
  while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  if (pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  while (!said.empty() && (said.back() == '\n' || said.back() == '\r')) said.pop_back();
  *why = "bubblewrap cannot make a sandbox here (" + (said.empty() ? std::string("it could not run") : said) +
         "): user namespaces must be allowed (sysctl kernel.unprivileged_userns_clone=1 and "
         "user.max_user_namespaces above 0; in a container, allow them to it)";
  return false;
}

}  // namespace

const std::string& bwrap() {
  static const std::string path = found_in_path("bwrap");
  return path;
}

bool available(std::string* why) {
  static std::string reason;
  static const bool ok = [] {
    if (bwrap().empty()) {
      reason = "bubblewrap (bwrap) is not installed: apt install bubblewrap";
      return false;
    }
    return try_sandbox(&reason);
  }();
  *why = reason;
  return ok;
}

const User& run_user() {
  static const User user = [] {
    User u;
    if (::geteuid() != 0) return u;
    u.drop = true;
    u.uid = u.gid = 65534;
    if (const passwd* nobody = ::getpwnam("nobody")) {
      u.uid = nobody->pw_uid;
      u.gid = nobody->pw_gid;
    }
    return u;
  }();
  return user;
}

const std::string& filter(Filter which, std::string* why) {
  static std::string reasons[2];
  static const std::string programs[2] = {make_filter(Filter::Sandbox, &reasons[0]),
                                          make_filter(Filter::Run, &reasons[1])};
  const int i = which == Filter::Run;
  *why = reasons[i];
  return programs[i];
}

std::vector<std::string> arguments(const process::Command& c, const std::string& program, const Descriptors& fds) {
  std::vector<std::string> a = {bwrap(), "--unshare-all", "--unshare-user", "--disable-userns",
                                "--die-with-parent", "--new-session", "--cap-drop", "ALL",
                                "--hostname", "kx508-run"};
  add_system(a);
  const std::string disk = std::to_string(c.limits.disk_bytes);
  auto sized = [&](const char* perms, const std::string& where) {
    if (c.limits.disk_bytes > 0) a.insert(a.end(), {"--size", disk});
    a.insert(a.end(), {"--perms", perms, "--tmpfs", where});
  };
  a.insert(a.end(), {"--proc", "/proc", "--dev", "/dev"});
  sized("1777", "/dev/shm");
  sized("1777", "/tmp");
  sized("0700", c.folder);
  const std::string folder = c.folder + "/";
  for (std::size_t i = 0; i < c.inputs.size() && i < fds.inputs.size(); ++i) {
    const std::string name = c.inputs[i].substr(c.inputs[i].find_last_of('/') + 1);
    a.insert(a.end(), {"--file", std::to_string(fds.inputs[i]), folder + name});
  }
  for (const std::string& path : c.readable) a.insert(a.end(), {"--ro-bind", path, path});
  if (program.compare(0, 5, "/usr/") != 0) a.insert(a.end(), {"--ro-bind", program, program});
  a.insert(a.end(), {"--file", std::to_string(fds.marker), folder + kMarkerName, "--chdir", c.folder,
                     "--seccomp", std::to_string(fds.filter), "--info-fd", std::to_string(fds.info),
                     "--block-fd", std::to_string(fds.block), "--", program});
  a.insert(a.end(), c.arguments.begin(), c.arguments.end());
  return a;
}

}  // namespace kx508::platform::sandbox
