// Requests to end and the watchdog on POSIX systems: SIGTERM, SIGINT and SIGHUP noted by a
// handler, and a thread that looks at the program's waits four times a second.
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <initializer_list>

#include "ending.h"

namespace kx508::platform::ending {

namespace {

constexpr int kRequests[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> received{0};
void (*say_ended)(int) = nullptr;

// The waits the program entered and left: odd while it is in one. Only the program's
// thread writes it.
std::atomic<unsigned> waits{0};
// The value of waits when the watchdog said the program had not waited, which is even:
// the program is overdue for as long as waits keeps that value. Odd: never said.
constexpr unsigned kNever = 1;
std::atomic<unsigned> overdue_at{kNever};
std::atomic<bool> pump{false};
const char* overdue_line = "";
pthread_t program_thread;

bool overdue() {
  const unsigned now = waits.load();
  return (now & 1) == 0 && overdue_at.load() == now;
}

// The default action, as though nothing had caught the signal: once this handler returns.
void die_of(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  raise(signal);
}

void on_request(int signal) {
  int expected = 0;
  const bool first = received.compare_exchange_strong(expected, signal);
  if (first && !overdue()) return;
  if (say_ended) say_ended(signal);
  die_of(signal);
}

void sleep_ms(long ms) {
  timespec t{ms / 1000, (ms % 1000) * 1'000'000};
  while (nanosleep(&t, &t) != 0) {
  }
}

void* watchdog(void*) {
  constexpr long kLookMs = 250, kPumpMs = 50;
  constexpr int kLooks = kOverdueSeconds * 1000 / kLookMs;
  unsigned seen = waits.load();
  int still = 0;
  for (;;) {
    sleep_ms(overdue() ? kPumpMs : kLookMs);
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
    // A request that came meanwhile ends the program now: its handler sees it overdue.
    if (const int signal = received.load(); signal != 0 && overdue())
      pthread_kill(program_thread, signal);
  }
  return nullptr;
}

}  // namespace

void say(const char* text, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(STDERR_FILENO, text, size);
    if (n <= 0) return;
    text += n;
    size -= static_cast<std::size_t>(n);
  }
}

void watch(void (*ended)(int)) {
  say_ended = ended;
  struct sigaction action {};
  action.sa_handler = on_request;
  sigemptyset(&action.sa_mask);
  // One request is handled at a time: a second one waits for the first's handler.
  for (int signal : kRequests) sigaddset(&action.sa_mask, signal);
  for (int signal : kRequests) sigaction(signal, &action, nullptr);
}

int requested() { return received.load(); }

const char* name(int signal) {
  switch (signal) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
  }
}

void watch_waits(const char* line) {
  static bool started = false;
  if (started) return;
  started = true;
  overdue_line = line;
  program_thread = pthread_self();
  // The requests are the program's thread's to handle: the watchdog blocks them all.
  sigset_t all, before;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &before);
  pthread_t thread;
  if (pthread_create(&thread, nullptr, watchdog, nullptr) == 0) pthread_detach(thread);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
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
