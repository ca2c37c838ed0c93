// The web backend: every window an element of the page, on Emscripten's HTML5 and DOM
// APIs, with a wait that suspends the program (Asyncify) until the page's handlers queue
// an event. What code outside it (its tests) may know of it: the key map, which needs no
// browser.
//
// Features (every backend's driver header lists the same rows):
// [X] Windows: an element each, with a title bar, its close box, the menu bar and a
//     canvas for the client area (canvas#kx508-graphics, canvas#kx508-text)
// [X] Fixed windows keep their client size in pixels, shown scaled to fit the page
//     (up by whole factors, down smoothly) or the screen (a full-screen button); a
//     resizable one is at most as wide as the page and resized by its corner
// [X] Presenting only the changed parts, gathered until the program waits and put from
//     its memory with putImageData
// [X] Menu bar built from the records, check marks and grayed entries changed in place;
//     HTML, & letters underlined, by mouse, touch and keyboard (Alt+letter, F10, arrows,
//     Enter, Escape)
// [X] Keys: virtual-key codes with the character typed and the event's own Ctrl state;
//     the browser is kept only from the keys the program or its menu uses, and keeps
//     zoom, reload, history and Tab
// [X] Keyboard focus: shown in the title bar; a press on the title bar or Tab gives it
// [X] Mouse: left clicks (and touches) at their client pixel
// [X] Focus lost to another program (the page loses the focus)
// [X] Timers: one setInterval each
// [X] A wait that sleeps: it awaits a promise the page's handlers resolve, and the
//     browser runs its loop meanwhile; nothing calls into the program while it waits
// [X] A program that does not wait (a script playing) yields the thread every 25 ms
// [X] Modal dialogs built from the decoded description: an HTML <dialog>, Enter the
//     default id (also in a multi-line edit box), Escape and the close box the cancel id,
//     the focus back to the owner's canvas after
// [ ] Window positions: the page lays the windows out, one below the other
// [X] Words for screen readers: the description in an element the canvas is described
//     by (#kx508-graphics-description), the log's new lines in a polite live region
//     (#kx508-text-lines, the newest 50)
// Lacks: keys the browser keeps for itself (Ctrl+W, Ctrl+T, Ctrl+N never reach a page),
// Tab (the page's), characters beyond one byte, dialog items other than buttons, edit
// boxes and static text (kept, not shown), mouse buttons other than the left, and mouse
// moves. Its page side also keeps the script file in the browser's storage, stored as it
// changes and when the page is left, offers it for download and loads a picked one
// (web_script.js), replays ?play=<URL> at start as KX508_PLAY does, and says on the page
// why a start failed (web_page.js).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform.h"

namespace kx508::platform::web {

// The key message for a KeyboardEvent of the page: its code (the key's place), key (what
// it means in the user's layout) and Ctrl state. Letters and digits go by their meaning,
// other keys by their place, as classic virtual-key codes; nothing for keys the backend
// leaves to the page (Tab, which moves the focus on) or does not know.
std::optional<Message> key_message(bool down, std::string_view code, std::string_view key,
                                   bool ctrl, bool alt);

// Every KeyboardEvent code that key_message turns into a message, as "code code ...":
// the page hands exactly these to the program (and keeps from the browser only those the
// program or its menu uses).
std::string message_key_codes();

}  // namespace kx508::platform::web
