// Test helper: makes a second Display while the first one lives. The second one refuses
// with the prompt dialog and ends the process with status -1 once "Okay" is pressed.
#include "display.h"
#include "kx508.h"

int app::main() {
  Display first;
  first.clear(1);
  Display second;  // does not return
  return 0;
}
