// Test tool: asks the window manager to add or remove a window state (fullscreen,
// maximised, kept above others), as a user's key or the title bar's menu would: a
// _NET_WM_STATE client message to the root window.
#include <string>

#include "client_message.h"

namespace {

constexpr uint32_t kRemove = 0, kAdd = 1;

// The states a user can ask for, by the names the tests use.
const char* state_atom_name(const std::string& state) {
  if (state == "fullscreen") return "_NET_WM_STATE_FULLSCREEN";
  if (state == "maximized") return "_NET_WM_STATE_MAXIMIZED_VERT";
  if (state == "above") return "_NET_WM_STATE_ABOVE";
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string action = argc == 4 ? argv[2] : "";
  const char* state = argc == 4 ? state_atom_name(argv[3]) : nullptr;
  if (!state || (action != "add" && action != "remove")) {
    std::fprintf(stderr, "usage: window_state <window id> add|remove fullscreen|maximized|above\n");
    return 2;
  }
  xcb_connection_t* c = connect_or_say("window_state");
  if (!c) return 1;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
  event.type = atom(c, "_NET_WM_STATE");
  event.data.data32[0] = action == "add" ? kAdd : kRemove;
  event.data.data32[1] = atom(c, state);
  // Maximised is asked for both ways at once.
  const bool maximized = std::strcmp(state, "_NET_WM_STATE_MAXIMIZED_VERT") == 0;
  event.data.data32[2] = maximized ? atom(c, "_NET_WM_STATE_MAXIMIZED_HORZ") : 0;
  event.data.data32[3] = 2;  // from a pager or another direct user action
  return send_and_disconnect("window_state", c, root,
                             XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT |
                                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                             event);
}
