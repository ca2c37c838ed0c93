// Control groups on Linux for confined runs. This process makes a group of its own where it
// may (its own group when it is alone there, as in a scope made for it; else, as root, the
// top of the hierarchy), and a group for each run beneath it, with the run's limits.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "cgroup.h"

namespace kx508::platform::cgroup {

namespace {

// The hierarchies this process's groups live in: for version 2 one folder, for version 1
// one a controller (a folder may serve several: "cpu,cpuacct").
struct Place {
  int version = 0;                             // 0: none found
  std::map<std::string, std::string> folder;   // controller -> this process's own group
  std::map<std::string, std::string> created;  // controller -> the group made for its runs
  std::string leaf;                            // version 2: where this process moved itself
};

Place place;
std::atomic<int> next_run{0};

std::string read_text(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool write_text(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  return ok;
}

bool has_word(const std::string& text, const std::string& word) {
  std::istringstream in(text);
  for (std::string w; in >> w;)
    if (w == word) return true;
  return false;
}

// A "key value" line's value in a flat-keyed file (memory.events, pids.events), or 0.
long long keyed(const std::string& path, const std::string& key) {
  std::istringstream in(read_text(path));
  for (std::string k; in >> k;) {
    long long v = 0;
    if (!(in >> v)) return 0;
    if (k == key) return v;
  }
  return 0;
}

std::vector<std::string> split(const std::string& s, char by) {
  std::vector<std::string> parts;
  std::stringstream in(s);
  for (std::string p; std::getline(in, p, by);) parts.push_back(p);
  return parts;
}

// A mount point as mountinfo writes it: spaces and the like as octal escapes.
std::string unescape(const std::string& s) {
  std::string plain;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size()) {
      plain += static_cast<char>(std::stoi(s.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      plain += s[i];
    }
  }
  return plain;
}

struct Mount {
  std::string root, point;
};

// Mounts of cgroup file systems: "" for version 2's, else each controller's.
std::map<std::string, Mount> cgroup_mounts() {
  std::map<std::string, Mount> mounts;
  std::ifstream info("/proc/self/mountinfo");
  for (std::string line; std::getline(info, line);) {
    std::istringstream fields(line);
    std::string id, parent, devno, root, point, field;
    fields >> id >> parent >> devno >> root >> point;
    while (fields >> field && field != "-") {}
    std::string type, source, options;
    fields >> type >> source >> options;
    if (type == "cgroup2") mounts.emplace("", Mount{root, unescape(point)});
    if (type != "cgroup") continue;
    for (const std::string& option : split(options, ','))
      mounts.emplace(option, Mount{root, unescape(point)});
  }
  return mounts;
}

// This process's group in a hierarchy as a folder: the path /proc/self/cgroup gives, below
// the mount's own root.
std::string folder_of(const Mount& m, std::string path) {
  if (m.root != "/" && path.compare(0, m.root.size(), m.root) == 0) path.erase(0, m.root.size());
  return m.point + (path.empty() || path == "/" ? "" : path);
}

// This process's groups: "" -> version 2's path, else controller -> version 1's path.
std::map<std::string, std::string> own_groups() {
  std::map<std::string, std::string> groups;
  std::ifstream in("/proc/self/cgroup");
  for (std::string line; std::getline(in, line);) {
    const std::size_t a = line.find(':'), b = line.find(':', a + 1);
    if (a == std::string::npos || b == std::string::npos) continue;
    const std::string controllers = line.substr(a + 1, b - a - 1), path = line.substr(b + 1);
    if (controllers.empty()) groups[""] = path;
    for (const std::string& c : split(controllers, ',')) groups[c] = path;
  }
  return groups;
}

constexpr const char* kHow =
    "start it in a group of its own that you may manage: systemd-run --user --scope -p "
    "Delegate=yes kx508-grade ... (as root: systemd-run --scope -p Delegate=yes ...), or run "
    "it as root";

std::string own_name() { return "kx508-runs." + std::to_string(::getpid()); }

// Version 2: the run groups need a parent with the controllers enabled and no process of
// its own. Alone in its group, this process moves into a leaf beneath it and uses the
// group; as root it makes a group at the top, which may always have controllers.
bool open_v2(const Mount& mount, const std::string& path, std::string* why) {
  const std::string own = folder_of(mount, path);
  const std::string controllers = read_text(own + "/cgroup.controllers");
  if (!has_word(controllers, "memory") || !has_word(controllers, "pids")) {
    *why = "cgroup v2 does not give this process's group the memory and pids controllers (" +
           own + " has: " + controllers.substr(0, controllers.find('\n')) + "); " + kHow;
    return false;
  }
  const std::string enable =
      std::string("+memory +pids") + (has_word(controllers, "cpu") ? " +cpu" : "");
  const std::string procs = read_text(own + "/cgroup.procs");
  const bool alone = procs == std::to_string(::getpid()) + "\n";
  if (alone && ::access((own + "/cgroup.subtree_control").c_str(), W_OK) == 0) {
    const std::string leaf = own + "/" + own_name();
    if ((::mkdir(leaf.c_str(), 0755) == 0 || errno == EEXIST) &&
        write_text(leaf + "/cgroup.procs", "0") &&
        write_text(own + "/cgroup.subtree_control", enable)) {
      place.leaf = leaf;
      place.created[""] = own;
      return true;
    }
    ::rmdir(leaf.c_str());
  }
  if (::geteuid() == 0) {
    const std::string made = mount.point + "/" + own_name();
    if (::mkdir(made.c_str(), 0755) == 0) {
      if (write_text(made + "/cgroup.subtree_control", enable)) {
        place.created[""] = made;
        return true;
      }
      ::rmdir(made.c_str());
    }
  }
  *why = "cannot make cgroups for the runs under " + own + " (" +
         (alone ? std::string("not writable") : "it holds other processes") + "); " + kHow;
  return false;
}

// Version 1: a group beneath this process's own in each hierarchy it needs.
bool open_v1(const std::map<std::string, Mount>& mounts,
             const std::map<std::string, std::string>& groups, std::string* why) {
  for (const char* c : {"pids", "memory", "cpu", "cpuacct"}) {
    const bool needed = std::strcmp(c, "pids") == 0 || std::strcmp(c, "memory") == 0;
    const auto m = mounts.find(c);
    const auto g = groups.find(c);
    if (m == mounts.end() || g == groups.end()) {
      if (!needed) continue;
      *why = std::string("no cgroup ") + c + " controller is mounted; " + kHow;
      return false;
    }
    const std::string made = folder_of(m->second, g->second) + "/" + own_name();
    if (::mkdir(made.c_str(), 0755) != 0 && errno != EEXIST) {
      if (!needed) continue;
      *why = "cannot make a cgroup in " + made + ": " + std::strerror(errno) + "; " + kHow;
      return false;
    }
    place.created[c] = made;
  }
  return true;
}

}  // namespace

bool open(std::string* why) {
  if (place.version != 0) return true;
  const std::map<std::string, Mount> mounts = cgroup_mounts();
  const std::map<std::string, std::string> groups = own_groups();
  const auto v2 = mounts.find("");
  const auto v2_path = groups.find("");
  const bool v1 = mounts.count("memory") && mounts.count("pids");
  std::string v2_why;
  if (v2 != mounts.end() && v2_path != groups.end() &&
      (!v1 || has_word(read_text(folder_of(v2->second, v2_path->second) + "/cgroup.controllers"),
                       "memory"))) {
    if (open_v2(v2->second, v2_path->second, &v2_why)) {
      place.version = 2;
      return true;
    }
    if (!v1) {
      *why = v2_why;
      return false;
    }
  }
  if (!v1) {
    *why = std::string("no cgroup file system with the memory and pids controllers is mounted; ") +
           kHow;
    return false;
  }
  if (!open_v1(mounts, groups, why)) {
    close();
    return false;
  }
  place.version = 1;
  return true;
}

void close() {
  if (!place.leaf.empty()) {
    // This process stays in its leaf until it ends; the group it left is its runs' no more.
    place = Place{};
    return;
  }
  for (const auto& [controller, folder] : place.created) ::rmdir(folder.c_str());
  place = Place{};
}

std::string kind() { return place.version == 2 ? "cgroup v2" : "cgroup v1"; }

bool Run::make(const RunLimits& limits, std::string* why) {
  const std::string name = "/run-" + std::to_string(next_run++);
  // The pids hierarchy first: its list of processes is the one kill_all reads.
  for (const char* c : {"pids", "memory", "cpu", "cpuacct", ""}) {
    const auto made = place.created.find(c);
    if (made == place.created.end()) continue;
    const std::string folder = made->second + name;
    bool shared = false;
    for (const std::string& f : folders_) shared = shared || f == folder;
    if (shared) continue;
    if (::mkdir(folder.c_str(), 0755) != 0) {
      *why = "cannot make a cgroup for the run (" + folder + "): " + std::strerror(errno);
      remove();
      return false;
    }
    folders_.push_back(folder);
    procs_.push_back(folder + "/cgroup.procs");
    const std::string controller = c;
    if (controller == "pids" || controller.empty()) pids_ = folder;
    if (controller == "memory" || controller.empty()) memory_ = folder;
    if (controller == "cpu" || controller.empty()) cpu_ = folder;
  }
  auto set = [&](const std::string& file, const std::string& value) {
    if (write_text(file, value)) return true;
    *why = "cannot set " + file + " to " + value + ": " + std::strerror(errno);
    return false;
  };
  const bool v2 = place.version == 2;
  bool ok = true;
  if (limits.memory_bytes > 0) {
    const std::string bytes = std::to_string(limits.memory_bytes);
    ok = ok && set(memory_ + (v2 ? "/memory.max" : "/memory.limit_in_bytes"), bytes);
    // No swap beyond the limit, where the kernel accounts for it; a run that meets the
    // limit is ended whole, not one process of it.
    if (v2) {
      write_text(memory_ + "/memory.swap.max", "0");
      write_text(memory_ + "/memory.oom.group", "1");
    } else {
      write_text(memory_ + "/memory.memsw.limit_in_bytes", bytes);
    }
  }
  if (limits.processes > 0) ok = ok && set(pids_ + "/pids.max", std::to_string(limits.processes));
  if (limits.cpus > 0 && !cpu_.empty()) {
    const long period = 100000, quota = static_cast<long>(period * limits.cpus);
    if (v2) ok = ok && set(cpu_ + "/cpu.max", std::to_string(quota) + " " + std::to_string(period));
    else ok = ok && set(cpu_ + "/cpu.cfs_quota_us", std::to_string(quota));
  }
  if (!ok) remove();
  return ok;
}

void Run::kill_all() {
  if (procs_.empty()) return;
  if (place.version == 2 && write_text(folders_.front() + "/cgroup.kill", "1")) return;
  // Each round ends what the last one left (a fork that raced it); the pids limit bounds
  // how many a round can meet. Zombies stay listed until reaped, so the rounds are few.
  for (int round = 0; round < 50; ++round) {
    std::istringstream in(read_text(procs_.front()));
    bool any = false;
    for (long pid; in >> pid;) {
      any = true;
      ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
    if (!any) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

double Run::cpu_seconds() const {
  if (place.version == 2) return keyed(folders_.front() + "/cpu.stat", "usage_usec") / 1e6;
  const auto acct = place.created.find("cpuacct");
  if (acct == place.created.end()) return 0;
  for (const std::string& f : folders_)
    if (f.compare(0, acct->second.size(), acct->second) == 0)
      return std::atof(read_text(f + "/cpuacct.usage").c_str()) / 1e9;
  return 0;
}

bool Run::memory_limit_met() const {
  if (memory_.empty()) return false;
  if (place.version == 2) return keyed(memory_ + "/memory.events", "oom_kill") > 0;
  return keyed(memory_ + "/memory.oom_control", "oom_kill") > 0;
}

bool Run::process_limit_met() const {
  return !pids_.empty() && keyed(pids_ + "/pids.events", "max") > 0;
}

void Run::remove() {
  // A group is removed once its last process has been reaped, which may take a moment
  // after the kill.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (const std::string& f : folders_) {
    while (::rmdir(f.c_str()) != 0 && errno == EBUSY && std::chrono::steady_clock::now() < until) {
      kill_all();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  folders_.clear();
  procs_.clear();
  memory_.clear();
  pids_.clear();
  cpu_.clear();
}

}  // namespace kx508::platform::cgroup
