// Takes the script recorder's lock on a file as a recorder does, for the test that the
// native build and the Windows build under Wine see each other's lock:
//   kx508_recorder_lock FILE [SECONDS]
// prints "opened" (and, holding the lock, writes one line and keeps it SECONDS seconds),
// "held" when another recorder has the file, or "failed".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "files.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kx508_recorder_lock FILE [SECONDS]\n");
    return 2;
  }
  kx508::platform::files::LockedOpen result;
  std::FILE* f = kx508::platform::files::open_locked_for_writing(argv[1], &result);
  std::puts(result == kx508::platform::files::LockedOpen::Opened ? "opened"
            : result == kx508::platform::files::LockedOpen::Held ? "held"
                                                          : "failed");
  std::fflush(stdout);
  if (!f) return 0;
  std::fputs("KX508_KBD(109);\n", f);
  std::fflush(f);
  if (argc > 2) std::this_thread::sleep_for(std::chrono::seconds(std::atoi(argv[2])));
  kx508::platform::files::close(f);
  return 0;
}
