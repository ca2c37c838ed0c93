// Menus: the window's native menu bar built from the core's menu records, and entries
// whose check mark or gray state changed updated in place (an open menu stays open).
#include "win32_internal.h"

namespace kx508::platform::win32 {

namespace {

UINT state_flags(unsigned flags) {
  return ((flags & MenuFlag::Checked) ? MF_CHECKED : MF_UNCHECKED) |
         ((flags & MenuFlag::Grayed) ? MF_GRAYED : MF_ENABLED);
}

}  // namespace

HMENU Win32Driver::build_menu(NativeWindow& nw, Menu menu, bool popup, int depth) {
  const MenuRecord* rec = core::find_menu(menu);
  if (!rec || depth > kMenuDepth) return nullptr;
  HMENU native = popup ? CreatePopupMenu() : CreateMenu();
  nw.menus[menu] = native;
  for (const MenuEntry& e : rec->entries) {
    if (e.flags & MenuFlag::Separator) {
      AppendMenuW(native, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    // The text after a tab is shown as the shortcut; the program reads the keys itself.
    const std::wstring text = widen(e.text);
    if (e.flags & MenuFlag::Popup) {
      HMENU sub = build_menu(nw, e.id, true, depth + 1);
      if (!sub) continue;
      AppendMenuW(native, MF_POPUP | MF_STRING | ((e.flags & MenuFlag::Grayed) ? MF_GRAYED : 0),
                  reinterpret_cast<UINT_PTR>(sub), text.c_str());
      continue;
    }
    AppendMenuW(native, MF_STRING | state_flags(e.flags), e.id, text.c_str());
  }
  return native;
}

void Win32Driver::menu_bar_changed(WindowRecord& w) {
  NativeWindow* nw = native(w.id);
  if (!nw) return;
  HMENU old = GetMenu(nw->hwnd);
  nw->menus.clear();
  HMENU bar = w.menu && core::find_menu(w.menu) ? build_menu(*nw, w.menu, false, 0) : nullptr;
  SetMenu(nw->hwnd, bar);
  if (old) DestroyMenu(old);
  DrawMenuBar(nw->hwnd);
  // A bar that came, went or wraps differently changes the client area.
  sync_client_size(*nw);
}

void Win32Driver::menu_item_changed(WindowRecord& w, Menu menu, std::size_t index) {
  NativeWindow* nw = native(w.id);
  const MenuRecord* rec = core::find_menu(menu);
  if (!nw || !rec || index >= rec->entries.size()) return;
  auto it = nw->menus.find(menu);
  if (it == nw->menus.end()) return;
  const unsigned flags = rec->entries[index].flags;
  const UINT position = static_cast<UINT>(index);
  CheckMenuItem(it->second, position,
                MF_BYPOSITION | ((flags & MenuFlag::Checked) ? MF_CHECKED : MF_UNCHECKED));
  EnableMenuItem(it->second, position,
                 MF_BYPOSITION | ((flags & MenuFlag::Grayed) ? MF_GRAYED : MF_ENABLED));
  if (!rec->popup) DrawMenuBar(nw->hwnd);
}

}  // namespace kx508::platform::win32
