// What code outside the Qt backend (tests) may know of it: its widgets' object names, to
// find them among the top-level widgets, and its choice of Qt platform.
#pragma once

#include <QString>
#include <string>

namespace platform::qt {

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

}  // namespace platform::qt
