// The library's one state object, and putting it back in its program-start state for
// processes (tests) that start the library more than once.
#include "internal.h"

namespace kx508 {

Library lib;

void reset_library() {
  // What the state holds open goes first: the script file and the platform's windows.
  script_close();
  run_finish();
  replay_close();
  platform::close();
  lib = Library{};
}

}  // namespace kx508
