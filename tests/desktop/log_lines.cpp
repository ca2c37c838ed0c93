// Test helper: writes each line of its standard input to the log window through
// KX508_log, then waits for a click or quit. Its text window shows what the traffic
// program's shows after logging the same lines, in the same font and renderer.
#include <iostream>
#include <string>

#include "kx508.h"

int app::main() {
  KX508_start(KX508_startup_instance(), nullptr, "", KX508_startup_show_state());
  std::string line;
  while (std::getline(std::cin, line)) KX508_log("%s\n", line.c_str());
  int x, y;
  char key;
  for (;;) {
    int event = KX508_wait_event(&x, &y, &key);
    if (event == KX508_MOUSE || event == KX508_QUIT) break;
  }
  KX508_stop();
  return 0;
}
