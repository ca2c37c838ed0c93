// temporary: the core takes these over. Three rules that the adapter's core is to own for
// every backend, written here for the web backend alone until it does; on that day this
// file goes, with the one call to paint_on_first_show in web_windows.cpp.
#pragma once

#include "driver.h"

namespace platform {

// temporary: the core takes this over (driver.h). How deep popups may nest; a menu that
// contains itself stops here.
inline constexpr int kMenuDepth = 8;

namespace core {

// temporary: the core takes this over. A menu choice or a dialog button: a Command
// message with the id the records name.
inline void post_command(Window window, int id) {
  Message m{window, MsgType::Command};
  m.param = id;
  post(m);
}

}  // namespace core

namespace web::pending {

// temporary: the core takes this over (its show_window will ask for the paint). A window
// that was not shown needs its pixels drawn once it is. Called before the record's shown
// changes.
inline void paint_on_first_show(const WindowRecord& w) {
  if (!w.shown) core::invalidate(w.id);
}

}  // namespace web::pending

}  // namespace platform
