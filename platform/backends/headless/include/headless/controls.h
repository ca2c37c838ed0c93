// The headless backend's controls: tests drive it (input, virtual time, dialogs) and
// inspect what the program shows (windows, pixels, text, menus). Everything here works
// on the open backend, which must be "headless". A test-support library: the product
// does not link it.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "headless_driver.h"
#include "platform.h"

namespace kx508::platform::headless {

// ---- Screen and time

void set_screen_size(int width, int height);  // 1024 x 768 unless set
std::int64_t now_ms();                         // virtual time since the backend opened
// Lets virtual time pass: timers fire, scheduled input arrives.
void advance(std::int64_t ms);
// Runs an action (usually input) when virtual time reaches at_ms.
void schedule(std::int64_t at_ms, std::function<void()> action);
// How much virtual time a wait may let pass without any input before it fails.
void set_idle_limit(std::int64_t ms);  // 60 s unless set

// ---- Input, delivered to the window with the keyboard focus (the last one shown)

// Focus 0 is another program's window: keys typed there never reach us, though Ctrl
// still goes down and up on the keyboard. No FocusLost is posted (see lose_focus).
void set_focus(Window window);
Window focus();
// Key messages carry the keyboard's Ctrl as their modifiers, as a native key event does.
void key_down(int vk, int ch = 0);
void key_up(int vk);
// A key typed without modifiers: down (with its character) and up.
void type_char(char c);
// Ctrl held while a letter key is pressed: Ctrl down, letter down and up, Ctrl up.
void ctrl_key(char letter);
// The program loses the focus to another program (its windows get FocusLost).
void lose_focus();
void click(Window window, int client_x, int client_y);
// The user clicks the window's close box.
void close_window(Window window);
// The window manager gives the window a client area of this size, fixed or not.
void set_client_size(Window window, int width, int height);
// Another window covered this one and went away: its client pixels are lost (back to
// its background) and it gets a Paint.
void expose(Window window);
// The user chooses a menu entry by its command id; false if it is not there or grayed.
bool choose_menu_item(Window window, std::uint32_t id);

// ---- Inspection

struct WindowInfo {
  bool exists = false;
  std::string title;
  Rect outer;   // screen coordinates
  Rect client;  // screen coordinates
  bool shown = false;
  bool resizable = false;
};

WindowInfo window_info(Window window);
// The window with this title, or 0.
Window find_window(const std::string& title);
// The client pixels the window shows.
const Surface& shown_pixels(Window window);
// How many times the window's client pixels were presented (copies to the window, text).
std::int64_t copies_to_window(Window window);
// The parts of the client area the last of them presented.
std::vector<Rect> last_presented(Window window);
// The text on a window's client area, one string per line, top to bottom.
std::vector<std::string> text_lines(Window window);
// What the backend was given for screen readers: the window's description and how many
// times it was given one; the newest lines said (kSaidLines at most), oldest first.
Described description(Window window);
std::vector<std::string> lines_said(Window window);
// The entries of the window's menu bar, and of the popup at a bar position.
std::vector<MenuEntry> menu_bar(Window window);
std::vector<MenuEntry> popup_entries(Window window, int bar_position);
// What the backend was told about the window's menus, oldest first; taking them clears
// the list.
std::vector<MenuNotice> take_menu_notices(Window window);

// ---- Dialogs

// An open dialog, as a test step sees it.
class Dialog {
 public:
  explicit Dialog(Window id) : id_(id) {}
  Window id() const { return id_; }
  bool open() const;
  const DialogDesc& desc() const;
  std::string item_text(int item_id) const;
  // Types into the first edit box.
  void type(const std::string& text);
  void press_button(int item_id);
  void press_enter();
  void press_escape();
  void click_close_box();
  // Ctrl held while a letter key is pressed in the dialog.
  void ctrl_key(char letter);

 private:
  Window id_;
};

using DialogStep = std::function<void(Dialog&)>;

// Answers the next dialog that opens: each step runs when the dialog's modal loop has
// nothing else to do. A dialog still open after its last step fails the wait.
void answer_next_dialog(std::vector<DialogStep> steps);
// The next dialog cannot be created.
void fail_next_dialog();
// Titles of the dialogs opened so far, oldest first.
std::vector<std::string> dialogs_opened();

}  // namespace kx508::platform::headless
