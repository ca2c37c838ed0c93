// Requests to end on POSIX systems: SIGTERM, SIGINT and SIGHUP noted by a handler that
// gives way to the default action after the first.
#include <signal.h>

#include <initializer_list>

#include "ending.h"

namespace kx508::platform::ending {

namespace {

volatile sig_atomic_t received = 0;

void note(int signal) { received = signal; }

}  // namespace

void watch() {
  struct sigaction action {};
  action.sa_handler = note;
  action.sa_flags = SA_RESETHAND;  // a second one does what it always does
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

int requested() { return received; }

const char* name(int signal) {
  switch (signal) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
  }
}

}  // namespace kx508::platform::ending
