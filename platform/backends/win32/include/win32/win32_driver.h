// The Windows API backend, the default on Windows. What code outside it (its tests) may
// know of it: the key map and the whole scale factor a monitor's DPI gives. Plain
// integers, so that this header needs no windows.h.
//
// Features (every backend's driver header lists the same rows):
// [X] Windows: one overlapped window each, at the record's outer rectangle, with its title
// [X] Fixed windows keep their outer size and give back fullscreen and maximised
// [X] Presenting only the changed parts, from a DIB over the record's pixels
// [X] Menu bar built from the records, check marks and grayed entries changed in place
// [X] Keys: virtual-key codes with the character typed and the event's own Ctrl state
// [X] Mouse: left clicks at their client pixel
// [X] Focus lost to another program
// [X] Timers: one SetTimer each
// [X] A wait that sleeps in MsgWaitForMultipleObjectsEx until a message comes
// [X] Modal dialogs: the system's own, from the program's template, run modelessly by the
//     core's modal loop, with Enter, Escape and Tab from IsDialogMessage
// [X] Window positions
// [X] Screens that scale: per-monitor DPI, whole factors, so that a canvas pixel stays a
//     square (the rest of the client area shows the background)
// [ ] Words for screen readers: neither the description nor the log's new lines
// Lacks: command ids beyond 16 bits (WM_COMMAND carries a WORD), messages while the
// system runs a modal loop of its own (a menu open, a window being moved), which wait
// until it ends, characters beyond one byte, mouse buttons other than the left, and mouse
// moves.
#pragma once

#include <cstdint>
#include <optional>

#include "platform.h"

namespace kx508::platform::win32 {

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

}  // namespace kx508::platform::win32
