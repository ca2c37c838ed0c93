// Keyboard input: key messages as the core's KeyDown and KeyUp. Windows' virtual-key
// codes are the classic codes the core speaks, so the map passes them on; the character
// a key types comes from the WM_CHAR that TranslateMessage made of it.
#include "win32_internal.h"

namespace kx508::platform::win32 {

std::optional<Message> key_message(unsigned message, std::uintptr_t wparam, wchar_t typed,
                                   bool ctrl_held) {
  const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  if (!down && message != WM_KEYUP && message != WM_SYSKEYUP) return std::nullopt;
  const int vk = static_cast<int>(wparam & 0xFF);
  // An input method is composing: what it makes arrives later as characters.
  if (vk == VK_PROCESSKEY) return std::nullopt;
  Message m{0, down ? MsgType::KeyDown : MsgType::KeyUp};
  // A character sent without a key of its own (VK_PACKET) is no key the core knows.
  m.param = vk == VK_PACKET ? 0 : vk;
  // Characters beyond one byte are not typed, as in the other backends.
  if (down && typed >= 1 && typed <= 255) m.ch = typed;
  // The Ctrl of this key's own moment, so that a release the program never saw is not
  // taken for a key still held.
  if (ctrl_held) m.modifiers |= Modifier::Ctrl;
  return m;
}

// Keys go straight from the queue to the core, each with the character it types; system
// keys (Alt, F10) then go on to the window for the system's own use: the menu, Alt+F4.
bool Win32Driver::handle_key(MSG& m) {
  const UINT msg = m.message;
  if (msg != WM_KEYDOWN && msg != WM_KEYUP && msg != WM_SYSKEYDOWN && msg != WM_SYSKEYUP)
    return false;
  const auto id = static_cast<Window>(GetWindowLongPtrW(m.hwnd, GWLP_USERDATA));
  if (id == 0 || !native(id)) return false;
  wchar_t typed = 0;
  if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) {
    TranslateMessage(&m);
    MSG c;
    if (msg == WM_KEYDOWN && PeekMessageW(&c, m.hwnd, WM_CHAR, WM_CHAR, PM_REMOVE))
      typed = static_cast<wchar_t>(c.wParam);
  }
  // The key state as it was when this message was made, not as it is now.
  const bool ctrl_held = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  if (std::optional<Message> k = key_message(msg, m.wParam, typed, ctrl_held)) {
    k->window = id;
    core::post(*k);
  }
  if (msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) DispatchMessageW(&m);
  return true;
}

}  // namespace kx508::platform::win32
