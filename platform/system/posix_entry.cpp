// The process entry on POSIX systems (and in the browser): main() hands the program's
// name and its arguments, as one command line, to the library, which calls app::main().
#include <cstdlib>
#include <string>

#include "kx508.h"

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
