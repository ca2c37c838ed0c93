// The windowing and drawing service that the KX508 library runs on: windows with a
// procedure, one message queue, timers, menus, pixel surfaces, a text surface and a
// modal dialog. One interface; the backend behind it is picked at run time by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "surface.h"

namespace kx508::platform {

// ---------------------------------------------------------------------------------
// Backends

// Opens the backend named by the environment variable KX508_PLATFORM ("qt", "win32", "web"
// or "headless"; unset means the build's first: "win32" on Windows, "web" in a web build,
// else "qt"). Returns false and sets *why when it cannot start.
// Opening again while a backend is open keeps the open one.
bool open(std::string* why);

// Opens the named backend; see open().
bool open_backend(const std::string& name, std::string* why);

// Closes the open backend; its windows, menus and timers go with it.
void close();

// The open backend's name, or "" when none is open.
std::string backend_name();

// ---------------------------------------------------------------------------------
// Windows and messages

using Window = std::uint32_t;  // 0 is no window
using Menu = std::uint32_t;    // 0 is no menu

enum class MsgType : std::uint8_t {
  None,
  Create,       // sent by create_window before it returns
  Destroy,      // sent by destroy_window
  Size,         // sent when the client area changes size; x, y: new client width, height
  Paint,        // the client area needs drawing again
  Close,        // the user asked to close the window; default processing destroys it
  KeyDown,      // param: virtual-key code; ch: the character the key types, 0 if none
  KeyUp,        // param: virtual-key code
  Char,         // param: character code, made by translate_message from a KeyDown
                // KeyDown, KeyUp and Char also carry modifiers (below)
  Command,      // param: command id (a menu choice, a dialog button)
  Timer,        // param: timer id
  LButtonDown,  // x, y: client pixel
  FocusLost,    // the program's windows lost the keyboard focus to another program
  Quit,         // param: exit code
  InitDialog,   // sent to a dialog procedure before the dialog is shown; data: its parameter
};

struct Message {
  Window window = 0;
  MsgType type = MsgType::None;
  std::int32_t param = 0;
  std::int32_t ch = 0;
  std::int32_t x = 0, y = 0;
  std::uintptr_t data = 0;
  // Key messages: the modifier keys held when the key event happened, as the native
  // event itself tells (Modifier bits). For a modifier key's own event it may be either.
  std::uint32_t modifiers = 0;
};

// The bits of Message::modifiers. Scoped, as the names below are: windows.h has macros
// of the plain names.
struct Modifier {
  static constexpr std::uint32_t Ctrl = 1u << 0;
};

// Virtual-key codes the library knows; letters are their upper-case character codes.
struct Key {
  static constexpr int Return = 13;
  static constexpr int Control = 17;
  static constexpr int Escape = 27;
};

// A window procedure handles a message and returns its result.
using WindowProc = long (*)(Window, const Message&);

enum class WindowStyle : std::uint8_t {
  Fixed,       // caption and close box, no sizing border
  Resizable,   // caption, close box and sizing border
};

struct WindowDesc {
  std::string title;
  WindowStyle style = WindowStyle::Resizable;
  int x = 0, y = 0;                // outer position on the screen
  int width = 0, height = 0;       // outer size, frame and menu bar included
  WindowProc proc = nullptr;
  Colour background = rgb(255, 255, 255);
};

// Creates a hidden window. Its procedure receives Create and then Size before this
// returns. Returns 0 when the window cannot be created.
Window create_window(const WindowDesc& desc);

// Destroys a window: its procedure receives Destroy; its timers stop.
void destroy_window(Window window);

bool is_window(Window window);
void show_window(Window window);
// Hides a window; show_window brings it back with its pixels and asks it for a paint.
void hide_window(Window window);
// Whether the window is shown now (shown and not hidden since).
bool is_window_shown(Window window);
Rect client_rect(Window window);  // left and top are 0
Size screen_size();

// What a window procedure returns for messages it does not handle itself.
long default_window_proc(Window window, const Message& msg);

// ---------------------------------------------------------------------------------
// The message queue: one per program, for all of its windows

// Takes the next message without waiting. Returns false when there is none.
bool peek_message(Message& msg);

// Waits until peek_message would find a message.
void wait_message();

// Waits until peek_message would find a message other than a timer's tick, for a program
// to which ticks mean nothing now (its animation halted): ticks do not wake it, and the
// ticks that came meanwhile are dropped. Where a tick does wake the backend, ends_wait (when
// given) is asked whether the wait should end even so: for what no message brings (a
// request from outside to end the process).
void wait_message_ignoring_ticks(bool (*ends_wait)() = nullptr);

// Puts the Char message of a KeyDown that types a character in front of the queue.
void translate_message(const Message& msg);

// Hands a message to its window's procedure and returns the result.
long dispatch_message(const Message& msg);

void post_message(const Message& msg);
void post_quit_message(int exit_code);

// A timer posts Timer messages to its window every period. At most one Timer message
// of a timer is pending at a time: ticks that find one pending are dropped.
void set_timer(Window window, int id, int period_ms);
void kill_timer(Window window, int id);

// ---------------------------------------------------------------------------------
// Window surfaces

// A window's client pixels as a copy target, held from get_window_surface to
// release_window_surface.
struct WindowSurface {
  Window window = 0;
};

WindowSurface get_window_surface(Window window);
void release_window_surface(WindowSurface& ws);

// Copies a w x h block of src at (sx, sy) into the window's client area at (dx, dy),
// clipped to both; the window shows it from then on.
void copy_to_window(const WindowSurface& ws, int dx, int dy, const Surface& src, int sx,
                    int sy, int w, int h);

// Copies to the window's client area, at the same positions, only what src's drawing
// changed since its changes were last forgotten and the window does not show already;
// then forgets src's changes. The window shows just those parts anew.
void copy_changes_to_window(const WindowSurface& ws, Surface& src);

// ---------------------------------------------------------------------------------
// Text: a fixed-pitch font on a window's client area, black on the window background

int text_line_height(Window window);
// Moves the client area's contents up by dy pixels.
void text_scroll(Window window, int dy);
// Fills a part of the client area with the window background.
void text_erase(Window window, const Rect& r);
// Draws a line of text with its top-left corner at (x, y).
void text_out(Window window, int x, int y, const std::string& text);

// ---------------------------------------------------------------------------------
// Words for those who cannot see the windows

// Milliseconds on the backend's clock, which never goes back (the headless backend's is
// its virtual time).
std::int64_t now_ms();

// What the window shows, in words, for a screen reader: the backend puts it with the
// window, and is given it only when it changed. The lines text_out draws outside a paint
// are said as they come (a paint draws them again, and says nothing).
void set_window_description(Window window, const std::string& text);

// ---------------------------------------------------------------------------------
// Menus

// The bits of a menu entry's flags.
struct MenuFlag {
  static constexpr unsigned String = 0;
  static constexpr unsigned Grayed = 1u << 0;
  static constexpr unsigned Checked = 1u << 1;
  static constexpr unsigned Separator = 1u << 2;
  static constexpr unsigned Popup = 1u << 3;  // the id is a popup menu
};

Menu create_menu();        // a menu bar
Menu create_popup_menu();  // a drop-down menu
// Appends an entry; for MenuFlag::Popup the id is the popup's Menu handle.
void append_menu(Menu menu, unsigned flags, std::uint32_t id, const std::string& text);
// Attaches a menu bar to a window; choosing an entry posts a Command with its id.
void set_menu(Window window, Menu menu);
void draw_menu_bar(Window window);
// Sets or removes the check mark of the entry with this command id.
void check_menu_item(Menu menu, std::uint32_t id, bool checked);

// ---------------------------------------------------------------------------------
// Modal dialogs

// A dialog procedure returns true for a message it handled.
using DialogProc = bool (*)(Window dialog, const Message& msg);

// What dialog_box returns for a dialog that a quit closed.
constexpr long kDialogQuit = -2;

// Builds a dialog from an in-memory template (the classic 16-bit layout: header, title,
// then items aligned to 4 bytes), sends InitDialog with param to its procedure, and runs
// it modally: messages for the other windows keep being dispatched while it is open, and
// keys pressed with Ctrl in it come to its procedure as KeyDown. Returns the result given
// to end_dialog, or -1 when the dialog cannot be built. A quit posted while it is open
// closes it: kDialogQuit, and the quit is posted again.
long dialog_box(const std::uint8_t* dialog_template, std::size_t size, Window owner,
                DialogProc proc, std::uintptr_t param);

// The text of a dialog item, cut to max_chars characters.
std::string get_dialog_item_text(Window dialog, int item_id, std::size_t max_chars);
void end_dialog(Window dialog, long result);

}  // namespace kx508::platform
