// What a backend implements, and the records and calls of the common core that it works
// with. The library never includes this; backends include nothing else of the core.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform.h"

namespace platform {

struct MenuEntry {
  unsigned flags = MF_STRING;
  std::uint32_t id = 0;  // command id, or the popup's Menu handle for MF_POPUP
  std::string text;
};

struct MenuRecord {
  Menu id = 0;
  bool popup = false;
  std::vector<MenuEntry> entries;
};

// One item of a dialog built from a template.
enum class DialogItemKind : std::uint8_t { Button, Edit, Static, Other };

struct DialogItem {
  DialogItemKind kind = DialogItemKind::Other;
  std::uint32_t style = 0;
  int x = 0, y = 0, width = 0, height = 0;  // dialog units
  int id = 0;
  std::string text;
  bool default_button() const { return kind == DialogItemKind::Button && (style & 0xF) == 1; }
};

struct DialogDesc {
  std::uint32_t style = 0;
  int x = 0, y = 0, width = 0, height = 0;  // dialog units
  std::string title;
  std::vector<DialogItem> items;
};

// Reads the classic in-memory dialog template. Returns false for a template that is
// cut short or malformed.
bool parse_dialog_template(const std::uint8_t* data, std::size_t size, DialogDesc* out);

struct WindowRecord {
  Window id = 0;
  WindowDesc desc;
  Rect outer;           // screen position and outer size
  Surface client;       // the client pixels the window shows
  bool shown = false;
  Menu menu = 0;
  bool surface_held = false;
  // Dialogs
  bool is_dialog = false;
  DialogProc dialog_proc = nullptr;
  DialogDesc dialog;
  bool dialog_ended = false;
  long dialog_result = 0;
};

class Driver {
 public:
  virtual ~Driver() = default;
  virtual const char* name() const = 0;
  // Connects to the windowing system; false, with the reason, when it cannot.
  virtual bool start(std::string* why) = 0;
  virtual Size screen_size() = 0;

  // Creates the native window for a new record and returns its client size.
  virtual Size create_window(WindowRecord& w) = 0;
  virtual void destroy_window(WindowRecord& w) = 0;
  virtual void show_window(WindowRecord& w) = 0;
  // The client pixels changed and should be shown.
  virtual void present(WindowRecord& w) = 0;
  // The window's menu bar was attached or one of its menus changed.
  virtual void menu_changed(WindowRecord& w) = 0;

  // Turns pending native events into queued messages without waiting.
  virtual void process_events() = 0;
  // Waits until native events (input, a timer) may have queued a message.
  virtual void wait_events() = 0;
  virtual void start_timer(Window window, int id, int period_ms) = 0;
  virtual void stop_timer(Window window, int id) = 0;

  // Text in a fixed-pitch font on the client area.
  virtual int text_line_height(WindowRecord& w) = 0;
  virtual void text_scroll(WindowRecord& w, int dy) = 0;
  virtual void text_erase(WindowRecord& w, const Rect& r) = 0;
  virtual void text_out(WindowRecord& w, int x, int y, const std::string& text) = 0;

  // Modal dialogs: the record carries the parsed template.
  virtual bool create_dialog(WindowRecord& dialog, WindowRecord* owner) = 0;
  virtual void destroy_dialog(WindowRecord& dialog) = 0;
  virtual std::string dialog_item_text(WindowRecord& dialog, int item_id) = 0;
};

std::unique_ptr<Driver> make_headless_driver();
#ifdef KX508_HAVE_QT
std::unique_ptr<Driver> make_qt_driver();
#endif

// The common core, for backends.
namespace core {

WindowRecord* find(Window window);
const MenuRecord* find_menu(Menu menu);
// Queues an input or notification message for a window.
void post(const Message& msg);
// Posts msg to every window (FocusLost).
void post_to_all(MsgType type);
void timer_fired(Window window, int id);
// The client area changed size: the pixels are kept where they fit, the rest is filled
// with the background; the window's procedure receives Size and a Paint is queued.
void client_resized(Window window, Size client);
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

}  // namespace platform
