// For the grading test under Wine: starts a copy of itself meant to outlive it (trying to
// break away from its job first), then waits forever, so only the job's end ends both.
#include <windows.h>

#include <string>

int main(int argc, char**) {
  if (argc > 1) {  // the copy
    Sleep(INFINITE);
    return 0;
  }
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + std::wstring(self) + L"\" copy";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, CREATE_BREAKAWAY_FROM_JOB, nullptr,
                      nullptr, &si, &pi) &&
      !CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return 3;
  Sleep(INFINITE);
  return 0;
}
