// Object names of the Qt backend's widgets, so that code outside it (tests) can find
// them among the top-level widgets.
#pragma once

#include <QString>

namespace platform::qt {

// The widget that shows a window's client pixels and takes its keyboard and mouse input.
inline constexpr char kClientName[] = "kx508-client";
// A window's menu bar.
inline constexpr char kMenuBarName[] = "kx508-menubar";

// The widget of a dialog item.
inline QString dialog_item_name(int item_id) {
  return QStringLiteral("kx508-item-%1").arg(item_id);
}

}  // namespace platform::qt
