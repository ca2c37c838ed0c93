// What a backend implements, and the records and calls of the common core that it works
// with. The library never includes this; backends include nothing else of the core.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform.h"

namespace kx508::platform {

struct MenuEntry {
  unsigned flags = MenuFlag::String;
  std::uint32_t id = 0;  // command id, or the popup's Menu handle for MenuFlag::Popup
  std::string text;
};

// A popup may be shown inside another, to this depth; a menu that contains itself, or
// menus nested deeper, stop here.
constexpr int kMenuDepth = 8;

// How long a window's first show waits, at most, for a window manager to give it its
// frame, so that the client size a program reads after showing it is the final one.
constexpr int kFrameWaitMs = 1000;

struct MenuRecord {
  Menu id = 0;
  bool popup = false;
  std::vector<MenuEntry> entries;
};

// A dialog as the core decoded it from its template, once: what a backend needs to
// build it natively, with no template bits left to read.
enum class DialogItemKind : std::uint8_t { Button, Edit, Static, Other };

struct DialogItem {
  DialogItemKind kind = DialogItemKind::Other;
  int id = 0;
  std::string text;
  int x = 0, y = 0, width = 0, height = 0;  // dialog units
  bool visible = false;
  bool disabled = false;
  bool multiline = false;  // edit boxes
  bool password = false;   // edit boxes
};

struct DialogDesc {
  std::string title;
  int x = 0, y = 0, width = 0, height = 0;  // dialog units, from the owner's client area
  std::vector<DialogItem> items;
  // The command that Enter sends (the first default push button, else OK), and the one
  // that Escape and the close box send. Set by parse_dialog_template.
  int default_id = 0;
  int cancel_id = 0;
};

// Reads the classic in-memory dialog template. Returns false for a template that is
// cut short or malformed.
bool parse_dialog_template(const std::uint8_t* data, std::size_t size, DialogDesc* out);

// A line of text the core drew on a window, where it is now.
struct TextRun {
  int x = 0, y = 0;
  std::string text;
};

struct WindowRecord {
  Window id = 0;
  WindowDesc desc;
  Rect outer;           // screen position and outer size
  Surface client;       // the client pixels the window shows
  std::vector<TextRun> text;  // the lines drawn on the client area, top to bottom
  std::string description;    // what it shows, in words (set_window_description)
  bool painting = false;      // its procedure is handling a Paint
  bool shown = false;         // shown and not hidden since
  bool shown_once = false;    // shown at least once: its frame was waited for
  // From the record's making until the backend's create_window returns: the native window
  // is not there yet, so its sizes and menu bar are not reported.
  bool creating = false;
  Menu menu = 0;
  bool surface_held = false;
  // Dialogs
  bool is_dialog = false;
  DialogProc dialog_proc = nullptr;
  DialogDesc dialog;
  // The template as the program gave it, for a backend whose system reads such templates
  // itself (Windows).
  std::vector<std::uint8_t> dialog_template;
  bool dialog_ended = false;
  long dialog_result = 0;
};

// A backend: native windows, input and time, and nothing else. The core keeps every
// record (windows, menus, dialogs, client pixels) and every rule; a backend shows what
// the records say and turns native input into messages through core::post.
class Driver {
 public:
  virtual ~Driver() = default;
  // Connects to the windowing system; false, with the reason, when it cannot.
  virtual bool start(std::string* why) = 0;
  virtual Size screen_size() = 0;

  // Creates the native window for a new record (its menu bar included) and returns its
  // client size.
  virtual Size create_window(WindowRecord& w) = 0;
  virtual void destroy_window(WindowRecord& w) = 0;
  // Shows the window. The core then asks it for a paint when it was not shown (the first
  // show, or one after a hide).
  virtual void show_window(WindowRecord& w) = 0;
  virtual void hide_window(WindowRecord& w) = 0;
  // After the first show: waits, at most most_ms, until the window system has given the
  // window its frame and the client size it leaves (core::client_resized) is known. For a
  // backend whose frame is known as the window is made (the default), nothing to wait for.
  virtual void await_frame(WindowRecord& /*w*/, int /*most_ms*/) {}
  // These parts of the client pixels changed and are to be shown.
  virtual void present(WindowRecord& w, std::span<const Rect> parts) = 0;

  // The window's menu bar was attached, or an entry was added to one of its menus: build
  // the native bar again from the records. Never called while the window is being
  // created: create_window builds the bar of a record that has one.
  virtual void menu_bar_changed(WindowRecord& w) = 0;
  // The check mark or grayed state of one entry of a menu the window shows changed.
  virtual void menu_item_changed(WindowRecord& w, Menu menu, std::size_t index) = 0;

  // Turns pending native events into queued messages without waiting.
  virtual void process_events() = 0;
  // Waits, without spinning, until native events (input, a timer) may have queued a
  // message.
  virtual void wait_events() = 0;
  // The same, where a timer's tick need not end the wait (the core drops ticks and waits
  // again): a backend whose every wake is costly waits for other events only.
  virtual void wait_events_ignoring_ticks() { wait_events(); }
  virtual void start_timer(Window window, int id, int period_ms) = 0;
  virtual void stop_timer(Window window, int id) = 0;

  // The backend's clock, in milliseconds, never going back: the system's steady clock
  // unless the backend keeps time of its own (headless: virtual time).
  virtual std::int64_t now_ms();
  // For screen readers, where the backend can give them anything: the window's
  // description (WindowRecord::description) changed; a new line of text was drawn on it.
  virtual void description_changed(WindowRecord& /*w*/) {}
  virtual void text_line_added(WindowRecord& /*w*/, const std::string& /*line*/) {}

  // Modal dialogs, built natively from the record's description. The core runs the modal
  // loop; buttons, Enter, Escape and the close box post Command messages with the ids
  // the description names, and a key pressed with Ctrl in the dialog a KeyDown for it
  // (as well as whatever the dialog's items do with it). While it is open the program's
  // other windows take no input, but their close boxes still post Close where the system
  // lets them (Qt, headless).
  virtual bool create_dialog(WindowRecord& dialog, WindowRecord* owner) = 0;
  virtual void destroy_dialog(WindowRecord& dialog) = 0;
  virtual std::string dialog_item_text(WindowRecord& dialog, int item_id) = 0;
};

// Each backend's folder defines its constructor; the table in backends.cpp lists those
// this build has.
std::unique_ptr<Driver> make_headless_driver();
std::unique_ptr<Driver> make_qt_driver();
std::unique_ptr<Driver> make_win32_driver();
std::unique_ptr<Driver> make_web_driver();

// The backends this build has, in order of preference: the first is the default.
struct Backend {
  const char* name;
  const char* description;  // one line, for the list of choices
  std::unique_ptr<Driver> (*create)();
};
std::span<const Backend> backends();

// The common core, for backends.
namespace core {

WindowRecord* find(Window window);
const MenuRecord* find_menu(Menu menu);
// Queues an input or notification message for a window.
void post(const Message& msg);
// Posts msg to every window (FocusLost).
void post_to_all(MsgType type);
void timer_fired(Window window, int id);
// The client area is this size now. When that is a change, the pixels are kept where they
// fit, the rest is filled with the background, the window's procedure receives Size and
// a Paint is queued. While the window is being created it changes nothing: create_window
// returns the size.
void client_resized(Window window, Size client);
// A menu entry or a dialog button was chosen: queues Command with its id.
void post_command(Window window, int id);
// The window's pixels were lost (first shown, exposed): queue a Paint.
void invalidate(Window window);
// Whether any message is queued.
bool has_message();
// Every window and dialog, oldest first.
std::vector<Window> windows();

// The open backend, or null.
Driver* driver();
// A new record with a fresh handle, kept until remove().
WindowRecord& add();
// Drops a record and everything queued for it.
void remove(Window window);

}  // namespace core

}  // namespace kx508::platform
