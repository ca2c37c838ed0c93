// The Qt 6 Widgets backend, on X11 or Wayland. What code outside it (tests) may know of
// it: its widgets' object names, to find them among the top-level widgets, and its
// choice of Qt platform.
//
// Features (every backend's driver header lists the same rows):
// [X] Windows: one top-level widget each, at the record's outer rectangle, with its title
// [X] Fixed windows keep their outer size through frame changes (on X11 also those only
//     the frame watch sees, qt_x11_frame.cpp, whose frame a first show waits for) and
//     give back fullscreen and maximised
// [X] Presenting only the changed parts, written straight into the backing store
// [X] Menu bar built from the records, check marks and grayed entries changed in place
// [X] Keys: virtual-key codes with the character typed and the event's own Ctrl state
// [X] Mouse: left clicks at their client pixel
// [X] Focus lost to another program
// [X] Timers: one precise QTimer each
// [X] A wait that sleeps in Qt's event dispatcher until an event comes
// [X] Modal dialogs built from the decoded description (qt_dialogs.cpp)
// [X] Window positions: on X11; a Wayland compositor places windows itself
// [X] Screens that scale: whole factors, so that a canvas pixel stays a square
// [X] Words for screen readers: the drawing window's description is its client widget's
//     accessible description; the log's new lines are not said
// Lacks: characters an input method composes (beyond one byte), a desktop-wide menu bar
// (on purpose: it would change the client area), dialog items other than buttons, edit
// boxes and static text, mouse buttons other than the left, and mouse moves.
#pragma once

#include <QString>
#include <string>

namespace kx508::platform::qt {

// The widget that shows a window's client pixels and takes its keyboard and mouse input.
inline constexpr char kClientName[] = "kx508-client";
// A window's menu bar.
inline constexpr char kMenuBarName[] = "kx508-menubar";

// The widget of a dialog item.
inline QString dialog_item_name(int item_id) {
  return QStringLiteral("kx508-item-%1").arg(item_id);
}

// The Qt platform plugin the backend asks for, from the user's QT_QPA_PLATFORM and the
// DISPLAY and WAYLAND_DISPLAY variables (null or empty when unset): the user's choice;
// else, on Linux, Wayland when there is a Wayland display and no X display; else X11
// where the backend was built with its X11 probe. Empty: Qt chooses.
std::string platform_to_ask_for(const char* user_choice, const char* display,
                                const char* wayland_display);

}  // namespace kx508::platform::qt
