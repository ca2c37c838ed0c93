// Requests to end and the watchdog in the browser. A page gets no signals, and the program
// has the page's only thread while it does not wait: the watchdog is the program's own
// calls, which read the clock now and then, and what it says goes to the page's status too.
#include <emscripten.h>
#include <unistd.h>

#include <cstring>

#include "ending.h"

namespace kx508::platform::ending {

namespace {

EM_JS(void, kx508_web_status, (const char* text, int size), {
  if (typeof KX508Web !== 'undefined') KX508Web.trouble(UTF8ToString(text, size).trim());
});

EM_JS(void, kx508_web_status_cleared, (), {
  if (typeof KX508Web !== 'undefined') KX508Web.running();
});

const char* overdue_line = nullptr;  // null until the waits are watched
bool in_wait = false;
bool said = false;
double left_wait_ms = 0;
unsigned calls = 0;
// The clock is read once in so many calls: a program that draws a frame pays for none.
constexpr unsigned kCallsUnclocked = 64;

}  // namespace

void say(const char* text, std::size_t size) {
  kx508_web_status(text, static_cast<int>(size));
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = write(STDERR_FILENO, text + done, size - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
}

void watch(void (*)(int)) {}
int requested() { return 0; }
const char* name(int) { return "a signal"; }

void watch_waits(const char* line) { overdue_line = line; }

bool wait_began() {
  in_wait = true;
  const bool was = said;
  if (said) kx508_web_status_cleared();
  said = false;
  return was;
}

void wait_ended() {
  in_wait = false;
  calls = 0;
  if (overdue_line) left_wait_ms = emscripten_get_now();
}

bool pump_due() {
  if (!overdue_line || in_wait || ++calls % kCallsUnclocked != 0) return false;
  if (said) return true;
  if (emscripten_get_now() - left_wait_ms < kOverdueSeconds * 1000.0) return false;
  said = true;
  say(overdue_line, std::strlen(overdue_line));
  return true;
}

}  // namespace kx508::platform::ending
