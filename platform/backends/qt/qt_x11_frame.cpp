// Frame extents on X11. A window manager may set a window's frame size
// (_NET_FRAME_EXTENTS) after the move or resize that goes with it, or with none at all
// (decorations toggled around a window that stays put), and Qt then only notes that its
// margins are stale. This watch tells the driver, which fits the frame once Qt has read
// the change; and a window's first show waits for its frame where a window manager gives
// one. Built only with KX508_WITH_X11.
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "qt_internal.h"

namespace kx508::platform::qt {

namespace {

class FrameWatch final : public QAbstractNativeEventFilter {
 public:
  explicit FrameWatch(xcb_atom_t extents) : extents_(extents) {}

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t" || !open_driver) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
    const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
    if (notify->atom == extents_) open_driver->frame_changed(notify->window);
    return false;  // Qt handles the event as usual
  }

 private:
  xcb_atom_t extents_;
};

xcb_atom_t intern(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

xcb_connection_t* connection() {
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

// A property's values as 32-bit words; empty when the window or the property is not there.
std::vector<uint32_t> words(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
  std::vector<uint32_t> out;
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
  if (reply && reply->format == 32) {
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
    out.assign(data, data + xcb_get_property_value_length(reply) / 4);
  }
  std::free(reply);
  return out;
}

}  // namespace

bool window_manager_gives_frames() {
  xcb_connection_t* c = connection();
  if (!c) return false;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  // A window manager that runs names a window of its own on the root, which names itself;
  // one that has gone leaves its list of what it supports behind.
  const xcb_atom_t check = intern(c, "_NET_SUPPORTING_WM_CHECK");
  const std::vector<uint32_t> named = words(c, root, check);
  if (named.empty() || words(c, named[0], check) != named) return false;
  const std::vector<uint32_t> supported = words(c, root, intern(c, "_NET_SUPPORTED"));
  const xcb_atom_t extents = intern(c, "_NET_FRAME_EXTENTS");
  return std::find(supported.begin(), supported.end(), extents) != supported.end();
}

std::optional<QMargins> frame_extents(WId window) {
  xcb_connection_t* c = connection();
  if (!c) return std::nullopt;
  // Left, right, top, bottom.
  const std::vector<uint32_t> e =
      words(c, static_cast<xcb_window_t>(window), intern(c, "_NET_FRAME_EXTENTS"));
  if (e.size() != 4) return std::nullopt;
  return QMargins(static_cast<int>(e[0]), static_cast<int>(e[2]), static_cast<int>(e[1]),
                  static_cast<int>(e[3]));
}

std::unique_ptr<QAbstractNativeEventFilter> make_frame_watch() {
  xcb_connection_t* c = connection();
  if (!c) return nullptr;
  const xcb_atom_t extents = intern(c, "_NET_FRAME_EXTENTS");
  if (extents == XCB_ATOM_NONE) return nullptr;
  return std::make_unique<FrameWatch>(extents);
}

}  // namespace kx508::platform::qt
