// The web backend: every window an element of the page, on Emscripten's HTML5 and DOM
// APIs, with a wait that suspends the program (Asyncify) until the page's handlers queue
// an event. This header says what it does and lacks, and holds what code outside the
// backend (its tests) may know of it: the key map, which needs no browser.
//
// [X] Windows: create, show, hide, destroy, titles (an element with a title bar each)
// [X] Fixed windows keep their outer size (the element is that size; the page scrolls)
// [ ] Resizable windows sized by the program alone (the page may make one narrower, and
//     the user resizes it by its corner; the client size follows what the page shows)
// [X] Presenting changed parts only (gathered until the program waits, then put)
// [X] Menu bar with check marks and grayed entries, & letters underlined, by mouse and
//     keyboard (Alt+letter, F10, arrows, Enter, Escape)
// [X] Keyboard: key down/up with modifiers, typed characters (one byte, Latin-1)
// [ ] Keys the browser keeps for itself (Ctrl+W, Ctrl+T, Ctrl+N never reach the page)
// [X] Mouse: left click
// [ ] Mouse: other buttons, moves
// [X] Timers
// [X] Sleeping wait (no spinning): the page's handlers only queue and resolve a promise
// [X] Modal dialogs from the decoded description: Enter the default button, also in a
//     multi-line edit box, Escape and the close box the cancel id, the focus back to
//     the canvas after
// [ ] Dialog items other than buttons, edit boxes and static text (kept, not shown)
// [X] Focus lost to another program (the page loses the focus)
// [ ] Window positions (the page lays windows out, one below the other)
// [ ] Scale factors: the canvas is one CSS pixel per client pixel, as the browser zooms
// [X] The script file in the browser's storage, kept across reloads (web_page.js), with
//     download and load; ?play=<URL> replays at start as KX508_PLAY does
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform.h"

namespace platform::web {

// The key message for a KeyboardEvent of the page: its code (the key's place), key (what
// it means in the user's layout) and Ctrl state. Letters and digits go by their meaning,
// other keys by their place, as classic virtual-key codes; nothing for keys the backend
// leaves to the browser.
std::optional<Message> key_message(bool down, std::string_view code, std::string_view key,
                                   bool ctrl, bool alt);

// Every KeyboardEvent code that key_message turns into a message, as "code code ...":
// the page keeps the browser from acting on exactly these.
std::string message_key_codes();

}  // namespace platform::web
