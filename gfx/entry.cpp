// The program's real entry: the library takes it and calls app::main(). On Windows it is
// a GUI program's entry (no console window), and the show state is the one Windows gives.
#include <cstdlib>
#include <string>

#include "kx508.h"

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

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

#else

int main(int argc, char** argv) {
  std::string command_line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command_line += ' ';
    command_line += argv[i];
  }
  constexpr int kShowNormal = 1;
  const int status = KX508_process_entry(argc > 0 ? argv[0] : "kx508", nullptr,
                                         command_line.c_str(), kShowNormal, &app::main);
#ifdef __EMSCRIPTEN__
  // A main that waited (suspended) does not hand its return value on to the page; exit
  // does, and the page shows it.
  std::exit(status);
#endif
  return status;
}

#endif
