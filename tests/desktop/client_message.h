// For the test tools that send a window or the window manager a client message, as a
// user's action would: atoms by name, and sending a message with the X server's answer
// as the tool's exit status.
#pragma once

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

inline xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  xcb_atom_t a = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return a;
}

// The connection to the X server, or null after a line on standard error.
inline xcb_connection_t* connect_or_say(const char* tool) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (!xcb_connection_has_error(c)) return c;
  std::fprintf(stderr, "%s: cannot connect to the X server\n", tool);
  xcb_disconnect(c);
  return nullptr;
}

// Sends the message to the destination, closes the connection, and returns 0, or 1
// with a line on standard error when the X server refused it.
inline int send_and_disconnect(const char* tool, xcb_connection_t* c, xcb_window_t destination,
                               uint32_t mask, const xcb_client_message_event_t& event) {
  xcb_void_cookie_t sent =
      xcb_send_event_checked(c, 0, destination, mask, reinterpret_cast<const char*>(&event));
  xcb_generic_error_t* error = xcb_request_check(c, sent);
  xcb_disconnect(c);
  if (!error) return 0;
  std::fprintf(stderr, "%s: the X server refused the message\n", tool);
  std::free(error);
  return 1;
}
