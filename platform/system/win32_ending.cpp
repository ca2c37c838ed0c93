// Requests to end on Windows: a program without a console gets none; the windowing system
// ends it through its windows (their close, the session's end), as a quit.
#include "ending.h"

namespace kx508::platform::ending {

void watch() {}
int requested() { return 0; }
const char* name(int) { return "a signal"; }

}  // namespace kx508::platform::ending
