// What code outside the Windows API backend (its tests) may know of it: the key map and
// the whole scale factor a monitor's DPI gives. Plain integers, so that this header needs
// no windows.h.
#pragma once

#include <cstdint>
#include <optional>

#include "platform.h"

namespace platform::win32 {

// The core's message for a keyboard message (WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN,
// WM_SYSKEYUP with its wParam), with `typed` the character its WM_CHAR carried (0 for
// none). No window yet: the caller fills it in. Nothing for other messages and for keys
// an input method holds back.
std::optional<Message> key_message(unsigned message, std::uintptr_t wparam, wchar_t typed,
                                   bool ctrl_held = false);

// The whole scale factor for a monitor's DPI, 96 being 1: the nearest whole factor, a
// half rounded up (150 % is 2), never below 1. A canvas pixel becomes a square of that
// many screen pixels a side.
int scale_for_dpi(unsigned dpi);

// A device pixel of a client area, in the client's own pixels at that scale.
inline int logical(int device, int scale) {
  return device >= 0 ? device / scale : -((-device + scale - 1) / scale);
}

}  // namespace platform::win32
