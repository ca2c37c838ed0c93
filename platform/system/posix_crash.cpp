// Crashes on POSIX systems: a handler for the faults, on a stack of its own so that a stack
// overflow is reported too, which names the fault and hands it to the library's report;
// then the process dies of the signal, as it would have.
#include <pthread.h>
#include <signal.h>

#include <cstdint>
#include <initializer_list>

#include "ending.h"

namespace kx508::platform::ending {

namespace {

constexpr int kFaults[] = {SIGSEGV, SIGFPE, SIGBUS, SIGILL, SIGABRT};

void (*report)(const char*) = nullptr;

// Where the program's stack ends: a fault just beyond it is the stack overflowing.
std::uintptr_t stack_low = 0;
constexpr std::uintptr_t kNearStack = std::uintptr_t{2} << 20;  // the kernel's guard gap, and more

// The fault's words, made in the handler without allocating.
char what[128];
std::size_t length = 0;

void add(const char* text) {
  while (*text && length + 1 < sizeof what) what[length++] = *text++;
  what[length] = '\0';
}

void add_address(const void* address) {
  char digits[2 + 2 * sizeof(std::uintptr_t) + 1];
  std::uintptr_t value = reinterpret_cast<std::uintptr_t>(address);
  char* p = digits + sizeof digits - 1;
  *p = '\0';
  do {
    *--p = "0123456789abcdef"[value & 0xF];
    value >>= 4;
  } while (value != 0);
  *--p = 'x';
  *--p = '0';
  add(p);
}

const char* fpe_words(int code) {
  switch (code) {
    case FPE_INTDIV: return "integer division by zero";
    case FPE_INTOVF: return "integer overflow";
    case FPE_FLTDIV: return "floating-point division by zero";
    case FPE_FLTOVF: return "floating-point overflow";
    case FPE_FLTUND: return "floating-point underflow";
    case FPE_FLTRES: return "inexact floating-point result";
    case FPE_FLTINV: return "invalid floating-point operation";
    default: return "arithmetic error";
  }
}

bool near_the_stack(const void* address) {
  const auto a = reinterpret_cast<std::uintptr_t>(address);
  return stack_low != 0 && a + kNearStack >= stack_low && a < stack_low + kNearStack;
}

void describe(int signal, const siginfo_t* info) {
  length = 0;
  const bool raised = info->si_code <= 0;  // by kill, raise or abort, not by an instruction
  switch (signal) {
    case SIGSEGV:
      if (!raised && near_the_stack(info->si_addr)) {
        add("SIGSEGV: stack overflow");
      } else {
        add("SIGSEGV: invalid memory access");
        if (!raised) {
          add(" at address ");
          add_address(info->si_addr);
        }
      }
      break;
    case SIGFPE:
      add("SIGFPE: ");
      add(raised ? "arithmetic error" : fpe_words(info->si_code));
      break;
    case SIGBUS:
      add("SIGBUS: bus error");
      if (!raised) {
        add(" at address ");
        add_address(info->si_addr);
      }
      break;
    case SIGILL:
      add("SIGILL: illegal instruction");
      break;
    default:
      add("SIGABRT: the program aborted");
      break;
  }
}

void on_fault(int signal, siginfo_t* info, void*) {
  describe(signal, info);
  if (report) report(what);
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  // A faulting instruction runs again and faults into the default action; a raised signal
  // is raised again, to come once this handler returns.
  if (info->si_code <= 0) raise(signal);
}

}  // namespace

void watch_crashes(void (*crashed)(const char* what)) {
  report = crashed;
  static bool watched = false;
  if (watched) return;
  watched = true;
  // A stack of its own for the handler: the program's may be the one that overflowed.
  static char handler_stack[64 * 1024];
  stack_t stack{};
  stack.ss_sp = handler_stack;
  stack.ss_size = sizeof handler_stack;
  sigaltstack(&stack, nullptr);
#ifdef __linux__
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
    void* low = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attributes, &low, &size) == 0)
      stack_low = reinterpret_cast<std::uintptr_t>(low);
    pthread_attr_destroy(&attributes);
  }
#endif
  struct sigaction action {};
  action.sa_sigaction = on_fault;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  // Nothing else interrupts the report: no other fault, no request to end.
  sigemptyset(&action.sa_mask);
  for (int signal : kFaults) sigaddset(&action.sa_mask, signal);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&action.sa_mask, signal);
  for (int signal : kFaults) sigaction(signal, &action, nullptr);
}

}  // namespace kx508::platform::ending
