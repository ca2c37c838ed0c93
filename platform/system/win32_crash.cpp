// Crashes on Windows: an exception nothing handled (an access violation, a division by
// zero, a stack overflow) reaches the process's last filter, which names it and hands it to
// the library's report, then ends the process with the exception's code as Windows would;
// abort() raises SIGABRT, which the C runtime hands to a handler before it ends the process.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <csignal>

#include "ending.h"

namespace kx508::platform::ending {

namespace {

void (*report)(const char*) = nullptr;

char what[160];
std::size_t length = 0;

void add(const char* text) {
  while (*text && length + 1 < sizeof what) what[length++] = *text++;
  what[length] = '\0';
}

// At least digits hexadecimal digits.
void add_hex(unsigned long long value, int digits) {
  char text[2 + 16 + 1];
  char* p = text + sizeof text - 1;
  *p = '\0';
  for (int n = 0; n < digits || value != 0; ++n, value >>= 4) *--p = "0123456789abcdef"[value & 0xF];
  *--p = 'x';
  *--p = '0';
  add(p);
}

struct Known {
  DWORD code;
  const char* name;
  const char* words;
};

constexpr Known kKnown[] = {
    {EXCEPTION_ACCESS_VIOLATION, "EXCEPTION_ACCESS_VIOLATION", "invalid memory access"},
    {EXCEPTION_INT_DIVIDE_BY_ZERO, "EXCEPTION_INT_DIVIDE_BY_ZERO", "integer division by zero"},
    {EXCEPTION_INT_OVERFLOW, "EXCEPTION_INT_OVERFLOW", "integer overflow"},
    {EXCEPTION_STACK_OVERFLOW, "EXCEPTION_STACK_OVERFLOW", "stack overflow"},
    {EXCEPTION_ILLEGAL_INSTRUCTION, "EXCEPTION_ILLEGAL_INSTRUCTION", "illegal instruction"},
    {EXCEPTION_PRIV_INSTRUCTION, "EXCEPTION_PRIV_INSTRUCTION", "privileged instruction"},
    {EXCEPTION_DATATYPE_MISALIGNMENT, "EXCEPTION_DATATYPE_MISALIGNMENT", "misaligned data"},
    {EXCEPTION_IN_PAGE_ERROR, "EXCEPTION_IN_PAGE_ERROR", "a page of memory could not be read"},
    {EXCEPTION_FLT_DIVIDE_BY_ZERO, "EXCEPTION_FLT_DIVIDE_BY_ZERO", "floating-point division by zero"},
    {EXCEPTION_FLT_INVALID_OPERATION, "EXCEPTION_FLT_INVALID_OPERATION",
     "invalid floating-point operation"},
};

LONG WINAPI on_exception(EXCEPTION_POINTERS* e) {
  const EXCEPTION_RECORD* r = e->ExceptionRecord;
  length = 0;
  const Known* known = nullptr;
  for (const Known& k : kKnown)
    if (k.code == r->ExceptionCode) known = &k;
  if (known) {
    add(known->name);
    add(": ");
    add(known->words);
  } else {
    add("exception ");
    add_hex(r->ExceptionCode, 8);
  }
  if (r->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && r->NumberParameters >= 2) {
    add(" at address ");
    add_hex(r->ExceptionInformation[1], 1);
  }
  if (report) report(what);
  TerminateProcess(GetCurrentProcess(), r->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// abort(): the C runtime ends the process with status 3 once this returns.
void on_abort(int) {
  length = 0;
  add("SIGABRT: the program aborted");
  if (report) report(what);
}

}  // namespace

void watch_crashes(void (*crashed)(const char* what)) {
  report = crashed;
  static bool watched = false;
  if (watched) return;
  watched = true;
  // Room on the stack for the filter when the program's has overflowed.
  ULONG guarantee = 64 * 1024;
  SetThreadStackGuarantee(&guarantee);
  SetUnhandledExceptionFilter(on_exception);
  std::signal(SIGABRT, on_abort);
}

}  // namespace kx508::platform::ending
