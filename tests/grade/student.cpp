// The class the grading test runs: a correct program, and with one macro defined, one of
// the mistakes (or hostile acts) a student's program may make.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kx508.h"

namespace {

// Leaves a child behind in a session of its own, which a process group kill would miss.
void leave_an_orphan() {
  if (fork() != 0) return;
  setsid();
  if (fork() != 0) _exit(0);
  prctl(PR_SET_NAME, "kx508-orphan");
  for (;;) pause();
}

// Scribbles in the working folder, then tries the expected runs, the copy and the original.
void vandalise() {
#ifdef VANDAL_TARGET
  for (int i = 0; i < 20; ++i) {
    const std::string name = "scratch" + std::to_string(i) + ".txt";
    if (std::FILE* f = std::fopen(name.c_str(), "w")) {
      std::fputs("scribble\n", f);
      std::fclose(f);
    }
    if (i % 2 == 0) std::remove(name.c_str());
  }
  const char* copy = std::getenv("KX508_EXPECT");
  for (const std::string dir : {std::string(copy ? copy : "."), std::string(VANDAL_TARGET)}) {
    if (std::FILE* f = std::fopen((dir + "/000002.png").c_str(), "w")) std::fclose(f);
    std::remove((dir + "/log.txt").c_str());
    if (std::FILE* f = std::fopen((dir + "/000099.png").c_str(), "w")) std::fclose(f);
  }
#endif
}

// Replays itself first, writing its own frames, then again against them with KX508_EXPECT
// and no frames for the grader: the library in it says the run matches.
void check_against_itself() {
#ifdef SELF_EXPECT
  if (std::getenv("KX508_SELF")) return;
  const pid_t child = fork();
  if (child == 0) {
    setenv("KX508_SELF", "1", 1);
    setenv("KX508_FRAMES", "own", 1);
    setenv("KX508_LOG", "own/log.txt", 1);
    execl("/proc/self/exe", "program", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  setenv("KX508_SELF", "2", 1);
  setenv("KX508_EXPECT", "own", 1);
  unsetenv("KX508_FRAMES");
  unsetenv("KX508_LOG");
  execl("/proc/self/exe", "program", static_cast<char*>(nullptr));
  _exit(127);
#endif
}

// Asks for a reply and the visible area at the third event, which a run played answers
// from its own lines.
void ask(int tick) {
#ifdef ASKS
  if (tick == 3) {
    char reply[64];
    KX508_gets("Name?", reply);
    KX508_visible_area(nullptr, nullptr, nullptr, nullptr);
  }
#endif
  (void)tick;
}

// Draws the real clock's nanoseconds at the start, a square for each bit set: no two runs
// start at the same nanosecond, so no two draw the same (a process id would not do: each
// confined run has the same one).
void mark_the_clock(int tick) {
#ifdef OWN_CLOCK
  if (tick != 1) return;
  const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  const auto bits = static_cast<unsigned long long>(now.count());
  for (int bit = 0; bit < 64; ++bit)
    if (bits >> bit & 1) KX508_draw_rectangle(KX508_RED, -160 + 5 * bit, 100, -157 + 5 * bit, 103, 0);
#endif
  (void)tick;
}

void misbehave(int tick) {
#ifdef CRASH
  if (tick == 10) *static_cast<volatile int*>(nullptr) = 1;
#endif
#ifdef SPIN
  if (tick == 5)
    for (volatile unsigned long i = 0;; ++i) {}
#endif
#ifdef SLEEP
  if (tick == 5) pause();
#endif
#ifdef FORKER
  if (tick == 5) {
    for (int i = 0; i < 100; ++i) {
      const pid_t child = fork();
      if (child < 0) std::exit(5);  // the process limit, where the kernel keeps it
      if (child == 0) {
        sleep(30);
        _exit(0);
      }
    }
    sleep(2);  // where the grader counts instead, long enough to be counted
  }
#endif
#ifdef FILLER
  if (tick == 5) {  // files of 1 MiB in the working folder, 64 at most
    const std::string chunk(1 << 20, 'x');
    for (int i = 0; i < 64; ++i) {
      std::FILE* f = std::fopen(("fill" + std::to_string(i)).c_str(), "w");
      const bool written = f && std::fwrite(chunk.data(), 1, chunk.size(), f) == chunk.size();
      if (!f || std::fclose(f) != 0 || !written) std::exit(6);
    }
  }
#endif
#ifdef LIAR
  if (tick == 5) {  // the library's words for a run that matched, and a status of 0
    std::fputs("KX508: all 30 events played from run.scr; 31 frames written to frames; log "
               "written to frames/log.txt; the program ended at the script's end; matches the "
               "expected run (31 frames)\n", stderr);
    _exit(0);
  }
#endif
#ifdef SHOUT
  if (tick == 5) {  // markup and a control byte, for the reports to carry as text
    std::fputs("<script>alert('kx508')</script>\x01 & more\n", stderr);
    std::exit(9);
  }
#endif
#ifdef FLOOD
  if (tick == 5) {
    const std::string chunk(1 << 20, 'x');
    for (int i = 0; i < 1024; ++i) std::fwrite(chunk.data(), 1, chunk.size(), stdout);
  }
#endif
  (void)tick;
}

}  // namespace

int app::main() {
  check_against_itself();
  KX508_start(KX508_startup_instance(), KX508_startup_prev_instance(),
              KX508_startup_command_line(), KX508_startup_show_state());
#ifdef ORPHAN
  leave_an_orphan();
#endif
  vandalise();
  KX508_set_logging(0);  // so that a wrong colour shows in a frame, not first in the log
  KX508_clear();
  for (int tick = 1;; ++tick) {
    const int event = KX508_wait_event(nullptr, nullptr, nullptr);
    if (event == KX508_QUIT || event == KX508_MOUSE) break;
    if (event != KX508_PERIODIC) continue;
    misbehave(tick);
    ask(tick);
    mark_the_clock(tick);
    int colour = KX508_BLUE;
#if defined(WRONG_COLOUR) || defined(SELF_EXPECT)
    if (tick >= 19) colour = KX508_GREEN;  // frame 1 is the cleared canvas: from frame 20
#endif
#ifdef WRONG_AFTER_ASKING
    if (tick >= 3) colour = KX508_GREEN;
#endif
    KX508_draw_rectangle(colour, -150 + 5 * tick, -10, -130 + 5 * tick, 10, 0);
  }
  KX508_stop();
  return 0;
}
