// Frame extents on X11. A window manager may set a window's frame size
// (_NET_FRAME_EXTENTS) after the move or resize that goes with it, or with none at all
// (decorations toggled around a window that stays put), and Qt then only notes that its
// margins are stale. This watch tells the driver, which fits the frame once Qt has read
// the change. Built only with KX508_WITH_X11.
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>

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

}  // namespace

std::unique_ptr<QAbstractNativeEventFilter> make_frame_watch() {
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (!c) return nullptr;
  const xcb_atom_t extents = intern(c, "_NET_FRAME_EXTENTS");
  if (extents == XCB_ATOM_NONE) return nullptr;
  return std::make_unique<FrameWatch>(extents);
}

}  // namespace kx508::platform::qt
