// A class's hostile programs, one macro each: each tries to reach past its run, and draws
// what the honest program draws unless it got through, when it draws green instead (so a
// pass says the attack failed). Some print what they got and end with status 3, so that
// the reports show it. The paths come from the test as macros.
#include <fcntl.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kx508.h"

namespace {

bool escaped = false;  // an attack got through

bool connects(const std::string& path, bool abstract) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  socklen_t size = sizeof a;
  if (abstract) {
    std::memcpy(a.sun_path + 1, path.data(), path.size());
    size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
  } else {
    std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
  }
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&a), size) == 0;
  if (connected) (void)!write(fd, "xdotool type hello\n", 19);
  close(fd);
  return connected;
}

std::string read_file(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string("cannot read ") + path;
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool readable(const char* path) { return access(path, R_OK) == 0 || access(path, F_OK) == 0; }

// Processes this one can see, by their command lines.
std::vector<std::string> processes() {
  std::vector<std::string> found;
  DIR* proc = opendir("/proc");
  while (const dirent* e = proc ? readdir(proc) : nullptr) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    std::string line = read_file(("/proc/" + std::string(e->d_name) + "/cmdline").c_str());
    for (char& c : line)
      if (c == '\0') c = ' ';
    found.push_back(std::string(e->d_name) + ": " + line);
  }
  if (proc) closedir(proc);
  return found;
}

[[maybe_unused]] void say_and_stop(const std::string& what) {
  std::fputs(what.c_str(), stdout);
  std::fputs(what.c_str(), stderr);
  std::exit(3);
}

void attack() {
#ifdef X_DISPLAY
  // The teacher's X server: by DISPLAY if it were given, else by the display's sockets.
  const char* display = std::getenv("DISPLAY");
  const std::string name = "/tmp/.X11-unix/X" X_DISPLAY;
  escaped = display != nullptr || connects(name, false) || connects(name, true);
#endif
#ifdef UNIX_SOCKET
  escaped = connects(UNIX_SOCKET, false);
#endif
#ifdef GRADER_VARIABLE
  const char* value = std::getenv(GRADER_VARIABLE);
  say_and_stop(std::string("the grader's variable: ") + (value ? value : "(none)") + "\n");
#endif
#ifdef SECRET_FILE
  say_and_stop("secret: " + read_file(SECRET_FILE) + "\nshadow: " + read_file("/etc/shadow") + "\n");
#endif
#ifdef TEACHERS_FILES
  // The expected run, the reference program, another student's source, the report folder.
  for (const char* path : {TEACHERS_FILES})
    if (readable(path)) escaped = true;
  // Appending to the expected run's log fails the next grading's honest programs.
  const int log = open(EXPECTED_LOG, O_WRONLY | O_APPEND);
  if (log >= 0) {
    (void)!write(log, "vandal\n", 7);
    close(log);
    escaped = true;
  }
#endif
#ifdef SHM_LEAVE
  // A segment left behind for the next program to read, and to hold memory after grading.
  const int id = shmget(0x4b583530, 64 << 20, IPC_CREAT | 0666);
  if (id >= 0) {
    char* at = static_cast<char*>(shmat(id, nullptr, 0));
    if (at != reinterpret_cast<char*>(-1)) std::memset(at, 'k', 1 << 20);
  }
#endif
#ifdef SHM_READ
  escaped = shmget(0x4b583530, 0, 0) >= 0;
#endif
#ifdef KILL_ALL
  kill(-1, SIGKILL);
#endif
#ifdef OTHER_PROCESSES
  // Only its own sandbox: none of the grader's processes (whose memory one such program
  // opened for writing), no other run's.
  const std::string self = std::to_string(getpid()) + ": ";
  for (const std::string& p : processes()) {
    // The sandbox's own first process, whose words name the run's folder, is its own.
    if (p.rfind(self, 0) == 0 || p.find("bwrap --unshare") != std::string::npos) continue;
    if (p.find("kx508-grade") != std::string::npos) escaped = true;
    const int fd = open(("/proc/" + p.substr(0, p.find(':')) + "/mem").c_str(), O_RDWR);
    if (fd >= 0) {
      escaped = true;
      close(fd);
    }
  }
#endif
}

void misbehave(int tick) {
#ifdef MEMORY_CHILDREN
  if (tick == 5) {  // each child well under the limit, all of them together over it
    for (int i = 0; i < 5; ++i)
      if (fork() == 0) {
        std::vector<char> held(100 << 20, 'm');
        sleep(60);
        _exit(held[0]);
      }
    sleep(60);
  }
#endif
#ifdef FORK_BOMB
  if (tick == 5)
    for (;;) fork();
#endif
  (void)tick;
}

}  // namespace

int app::main() {
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
  attack();
  KX508_set_logging(0);
  KX508_clear();
  for (int tick = 1;; ++tick) {
    const int event = KX508_wait_event(nullptr, nullptr, nullptr);
    if (event == KX508_QUIT || event == KX508_MOUSE) break;
    if (event != KX508_PERIODIC) continue;
    misbehave(tick);
    const int colour = escaped ? KX508_GREEN : KX508_BLUE;
    KX508_draw_rectangle(colour, -150 + 5 * tick, -10, -130 + 5 * tick, 10, 0);
  }
  KX508_stop();
  return 0;
}
