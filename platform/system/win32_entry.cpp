// The process entry on Windows: a GUI program's wWinMain (no console window), which hands
// the program's path, its command line and the show state Windows gives to the library,
// which calls app::main().
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "kx508.h"

namespace {

std::string utf8(const wchar_t* text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.pop_back();  // the terminating NUL
  return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int show_state) {
  // The instance value is the program's name, as on other systems: here its full path.
  wchar_t path[MAX_PATH] = L"kx508";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  static const std::string instance = utf8(path);
  const std::string arguments = utf8(command_line ? command_line : L"");
  return KX508_process_entry(instance.c_str(), nullptr, arguments.c_str(), show_state,
                             &app::main);
}
