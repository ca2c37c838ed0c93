// A request from outside to end the process: SIGTERM, SIGINT or SIGHUP on POSIX systems
// (none elsewhere). The library turns it into a quit, so that the program ends as a quit
// ends it, with nothing it recorded or wrote left cut.
#pragma once

namespace kx508::platform::ending {

// Starts noting the requests. A second request ends the process at once, as the signal
// would have without this.
void watch();

// The signal of the first request since watch(), or 0.
int requested();

// The signal's name ("SIGTERM").
const char* name(int signal);

}  // namespace kx508::platform::ending
