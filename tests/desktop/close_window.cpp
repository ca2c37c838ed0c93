// Test tool: asks a window to close as its close box would, with a WM_DELETE_WINDOW
// client message (there is no window manager under Xvfb to do it).
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  xcb_atom_t a = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return a;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: close_window <window id>\n");
    return 2;
  }
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "close_window: cannot connect to the X server\n");
    return 1;
  }
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
  event.type = atom(c, "WM_PROTOCOLS");
  event.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
  event.data.data32[1] = XCB_CURRENT_TIME;
  xcb_void_cookie_t sent = xcb_send_event_checked(c, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                                                  reinterpret_cast<const char*>(&event));
  xcb_generic_error_t* error = xcb_request_check(c, sent);
  xcb_disconnect(c);
  if (error) {
    std::fprintf(stderr, "close_window: the X server refused the message\n");
    std::free(error);
    return 1;
  }
  return 0;
}
