// The X11 display probe: before Qt's xcb platform connects (and aborts when it cannot),
// checks that the display can be reached, and holds the connection until Qt has its own.
// Built only with KX508_WITH_X11.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "qt_internal.h"

namespace kx508::platform::qt {

X11Probe::~X11Probe() { release(); }

void X11Probe::release() {
  if (connection_) xcb_disconnect(connection_);
  connection_ = nullptr;
}

bool X11Probe::connect(std::string* why) {
  release();
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    *why = std::string("cannot open a display: DISPLAY is not set; ") + kRunHeadless;
    return false;
  }
  // A server whose last client has just left (this process's previous run, or another
  // program) refuses connections while it resets: try again a few times, briefly.
  for (int delay_ms : {50, 100, 200, 0}) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (!xcb_connection_has_error(connection)) {
      connection_ = connection;
      return true;
    }
    xcb_disconnect(connection);  // an erroneous connection must be freed too
    if (delay_ms) std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
  }
  *why = std::string("cannot connect to X display \"") + display + "\"; " + kRunHeadless;
  return false;
}

}  // namespace kx508::platform::qt
