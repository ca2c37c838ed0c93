// Test tool: asks a window to close as its close box would, with a WM_DELETE_WINDOW
// client message (there is no window manager under Xvfb to do it).
#include "client_message.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: close_window <window id>\n");
    return 2;
  }
  xcb_connection_t* c = connect_or_say("close_window");
  if (!c) return 1;
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
  event.type = atom(c, "WM_PROTOCOLS");
  event.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
  event.data.data32[1] = XCB_CURRENT_TIME;
  return send_and_disconnect("close_window", c, event.window, XCB_EVENT_MASK_NO_EVENT, event);
}
