// Menus: the window's HTML menu bar built from the core's menu records, and one entry's
// check mark or grayed state changed in place (an open menu stays open).
#include <emscripten.h>

#include "web_internal.h"

namespace kx508::platform::web {

namespace {

EM_JS(void, kx508_web_menu_reset, (int window, int bar), { KX508Web.menuReset(window, bar); });

EM_JS(void, kx508_web_menu_entry, (int window, int menu, int index, int flags, int id,
                                   const char* text), {
  KX508Web.menuEntry(window, menu, index, flags, id, UTF8ToString(text));
});

EM_JS(void, kx508_web_menu_state, (int window, int menu, int index, int flags), {
  KX508Web.menuState(window, menu, index, flags);
});

}  // namespace

void WebDriver::menu_bar_changed(WindowRecord& w) {
  // Not made yet: create_window builds the bar.
  if (!windows_.count(w.id)) return;
  const bool has_bar = w.menu != 0 && core::find_menu(w.menu);
  kx508_web_menu_reset(static_cast<int>(w.id), has_bar ? static_cast<int>(w.menu) : 0);
  if (has_bar) build_menu(w.id, w.menu, 0);
}

void WebDriver::build_menu(Window window, Menu menu, int depth) {
  const MenuRecord* rec = core::find_menu(menu);
  if (!rec || depth > kMenuDepth) return;
  for (std::size_t i = 0; i < rec->entries.size(); ++i) {
    const MenuEntry& e = rec->entries[i];
    kx508_web_menu_entry(static_cast<int>(window), static_cast<int>(menu), static_cast<int>(i),
                         static_cast<int>(e.flags), static_cast<int>(e.id), e.text.c_str());
    if (e.flags & MenuFlag::Popup) build_menu(window, e.id, depth + 1);
  }
}

void WebDriver::menu_item_changed(WindowRecord& w, Menu menu, std::size_t index) {
  const MenuRecord* rec = core::find_menu(menu);
  if (!windows_.count(w.id) || !rec || index >= rec->entries.size()) return;
  kx508_web_menu_state(static_cast<int>(w.id), static_cast<int>(menu), static_cast<int>(index),
                       static_cast<int>(rec->entries[index].flags));
}

}  // namespace kx508::platform::web
