// Requests to end and the watchdog on Windows. A program without a console gets no
// requests: the windowing system ends it through its windows (their close, the session's
// end), as a quit. The watchdog is a thread that looks at the program's waits four times
// a second.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <cstring>

#include "ending.h"

namespace kx508::platform::ending {

namespace {

// The waits the program entered and left: odd while it is in one. Only the program's
// thread writes it.
std::atomic<unsigned> waits{0};
// The value of waits when the watchdog said the program had not waited, which is even:
// the program is overdue for as long as waits keeps that value. Odd: never said.
constexpr unsigned kNever = 1;
std::atomic<unsigned> overdue_at{kNever};
std::atomic<bool> pump{false};
const char* overdue_line = "";

bool overdue() {
  const unsigned now = waits.load();
  return (now & 1) == 0 && overdue_at.load() == now;
}

DWORD WINAPI watchdog(void*) {
  constexpr DWORD kLookMs = 250, kPumpMs = 50;
  constexpr int kLooks = kOverdueSeconds * 1000 / kLookMs;
  unsigned seen = waits.load();
  int still = 0;
  for (;;) {
    Sleep(overdue() ? kPumpMs : kLookMs);
    const unsigned now = waits.load();
    if (now != seen || (now & 1) != 0) {
      seen = now;
      still = 0;
      continue;
    }
    if (overdue()) {
      pump.store(true, std::memory_order_relaxed);
      continue;
    }
    if (++still < kLooks) continue;
    say(overdue_line, std::strlen(overdue_line));
    overdue_at.store(now);
    pump.store(true, std::memory_order_relaxed);
  }
}

}  // namespace

void say(const char* text, std::size_t size) {
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(err, text, static_cast<DWORD>(size), &written, nullptr) || written == 0) return;
    text += written;
    size -= written;
  }
}

void watch(void (*)(int)) {}
int requested() { return 0; }
const char* name(int) { return "a signal"; }

void watch_waits(const char* line) {
  static bool started = false;
  if (started) return;
  started = true;
  overdue_line = line;
  if (HANDLE thread = CreateThread(nullptr, 0, watchdog, nullptr, 0, nullptr)) CloseHandle(thread);
}

bool wait_began() {
  const unsigned now = waits.load(std::memory_order_relaxed);
  waits.store(now + 1, std::memory_order_relaxed);
  return (now & 1) == 0 && overdue_at.load(std::memory_order_relaxed) == now;
}

void wait_ended() {
  waits.store(waits.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

bool pump_due() {
  return pump.load(std::memory_order_relaxed) && pump.exchange(false, std::memory_order_relaxed);
}

}  // namespace kx508::platform::ending
