// Test helper: a program that animates and, at its third event, misbehaves as MISBEHAVE
// says: loop (draws for ever and never waits again), prompt (prompts at every tick from
// then on), or crashes: segv, stack, fpe, bus (POSIX), ill, abort. Logging is off, so
// that the log window holds only what the library says.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "kx508.h"

namespace {

std::string misbehaviour() {
  const char* v = std::getenv("MISBEHAVE");
  return v ? v : "";
}

volatile int zero = 0, hundred = 100;
volatile int* volatile nowhere = nullptr;

// Deeper for as long as zero stays 0, which is for ever.
int recurse(int depth) {
  volatile char room[256];
  room[0] = static_cast<char>(depth);
  return zero == 0 ? recurse(depth + 1) + room[0] : 0;
}

#ifndef _WIN32
// A mapped file cut short under the mapping: its pages are gone.
void touch_a_vanished_page() {
  char name[] = "/tmp/kx508-misbehave-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0 || ftruncate(fd, 4096) != 0) std::exit(9);
  auto* page = static_cast<volatile char*>(mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
  unlink(name);
  if (ftruncate(fd, 0) != 0) std::exit(9);
  page[0] = 1;
}
#endif

void crash(const std::string& how) {
  if (how == "segv") *nowhere = 1;
  if (how == "stack") std::printf("%d\n", recurse(0));
  if (how == "fpe") std::printf("%d\n", hundred / zero);
#ifndef _WIN32
  if (how == "bus") touch_a_vanished_page();
#endif
  if (how == "ill") __builtin_trap();
  if (how == "abort") std::abort();
}

}  // namespace

int app::main() {
  KX508_start(KX508_startup_instance(), nullptr, "", KX508_startup_show_state());
  KX508_set_logging(0);
  KX508_clear();
  KX508_set_animation(KX508_ANIMATION_RUN);
  const std::string how = misbehaviour();
  int x, y, events = 0;
  char key;
  for (int kind; (kind = KX508_wait_event(&x, &y, &key)) != KX508_QUIT;) {
    if (++events < 3) continue;
    if (how == "loop")
      for (int i = 0;; ++i) KX508_draw_rectangle(i % 24, -100, 100, 100, -100, 0);
    if (how == "prompt" && kind == KX508_PERIODIC) {
      char reply[256];
      KX508_gets("Again?", reply);
    }
    crash(how);
  }
  KX508_stop();
  return 0;
}
