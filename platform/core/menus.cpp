// Menu records: bars and popups with their entries. The core keeps them; a backend is
// told when a window's bar must be built again and when one entry's state changed.
#include "core.h"

namespace kx508::platform {

namespace {

bool contains(Menu outer, Menu menu, int depth) {
  if (outer == menu) return true;
  const MenuRecord* rec = core::find_menu(outer);
  if (!rec || depth >= kMenuDepth) return false;
  for (const MenuEntry& e : rec->entries)
    if ((e.flags & MenuFlag::Popup) && contains(e.id, menu, depth + 1)) return true;
  return false;
}

// Calls f for every window whose menu bar shows the menu, directly or in a popup. A
// window being created has no native bar yet: create_window builds it.
template <class F>
void for_each_window_showing(Menu menu, F f) {
  Core& c = the_core();
  if (!c.driver) return;
  for (auto& [id, w] : c.windows)
    if (!w->creating && w->menu != 0 && contains(w->menu, menu, 0)) f(*w);
}

}  // namespace

Menu create_menu() {
  Core& c = the_core();
  Menu id = c.next_menu++;
  c.menus[id] = MenuRecord{id, false, {}};
  return id;
}

Menu create_popup_menu() {
  Menu id = create_menu();
  the_core().menus[id].popup = true;
  return id;
}

void append_menu(Menu menu, unsigned flags, std::uint32_t id, const std::string& text) {
  Core& c = the_core();
  auto it = c.menus.find(menu);
  if (it == c.menus.end()) return;
  it->second.entries.push_back({flags, id, text});
  for_each_window_showing(menu, [&](WindowRecord& w) { c.driver->menu_bar_changed(w); });
}

void set_menu(Window window, Menu menu) {
  WindowRecord* w = core::find(window);
  if (!w || !core::find_menu(menu)) return;
  w->menu = menu;
}

void draw_menu_bar(Window window) {
  if (WindowRecord* w = core::find(window); w && !w->creating && core::driver())
    core::driver()->menu_bar_changed(*w);
}

void check_menu_item(Menu menu, std::uint32_t id, bool checked) {
  Core& c = the_core();
  auto it = c.menus.find(menu);
  if (it == c.menus.end()) return;
  std::vector<MenuEntry>& entries = it->second.entries;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    MenuEntry& e = entries[i];
    if ((e.flags & (MenuFlag::Popup | MenuFlag::Separator)) || e.id != id) continue;
    const unsigned flags = checked ? (e.flags | MenuFlag::Checked) : (e.flags & ~MenuFlag::Checked);
    if (flags == e.flags) continue;
    e.flags = flags;
    for_each_window_showing(menu, [&](WindowRecord& w) { c.driver->menu_item_changed(w, menu, i); });
  }
}

}  // namespace kx508::platform
