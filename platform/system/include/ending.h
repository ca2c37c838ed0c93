// How the process ends when it is not the program's own doing, as the system tells it:
// requests to end from outside (SIGTERM, SIGINT, SIGHUP on POSIX systems), a program that
// no longer waits (the watchdog), and crashes. posix_ending.cpp and posix_crash.cpp,
// win32_ending.cpp and win32_crash.cpp, web_ending.cpp and web_crash.cpp.
#pragma once

#include <cstddef>

namespace kx508::platform::ending {

// Writes text to standard error at once, and in a page into its status line too. Safe in
// a signal handler, as are the functions the library hands in below, which only format
// into buffers of their own and call this.
void say(const char* text, std::size_t size);

// ---- Requests to end the process

// Starts noting the requests, which the library turns into a quit at its next wait. A
// second request ends the process at once, as the signal would have without this, and so
// does the first while the watchdog says the program is not waiting: ended(signal) says
// so first.
void watch(void (*ended)(int signal));

// The signal of the first request since watch(), or 0.
int requested();

// The signal's name ("SIGTERM").
const char* name(int signal);

// ---- The watchdog: a program that has not waited for kOverdueSeconds

constexpr int kOverdueSeconds = 2;

// Starts watching the waits (once a process). A program out of a wait for kOverdueSeconds
// gets line said once (say), and from then on pump_due() is true now and then, until it
// waits again. Costs the program a store at each wait and a load at each pump_due().
void watch_waits(const char* line);

// The program enters a wait, or leaves it (a prompt is one too). wait_began() is true when
// the watchdog said, since the program last waited, that it did not.
bool wait_began();
void wait_ended();

// Whether a program that has not waited should let its windows' events through now.
bool pump_due();

// ---- Crashes

// A fault (SIGSEGV, SIGFPE, SIGBUS, SIGILL, SIGABRT; an unhandled exception on Windows; a
// trap in a page) is reported by crashed(what), what being the fault as "SIGFPE: integer
// division by zero"; then the process dies of it as it would have, with the same status.
void watch_crashes(void (*crashed)(const char* what));

}  // namespace kx508::platform::ending
