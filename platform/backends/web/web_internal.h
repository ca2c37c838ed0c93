// What the web backend's files share: the driver class, what it keeps for each window, and
// the page's events as they come to the program. Nothing outside platform/backends/web/
// includes this. The page side (web_page.js) owns the elements; these files reach it
// through EM_JS functions, each file its own.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "web/web_driver.h"
#include "driver.h"

namespace kx508::platform::web {

// What the page queued, in the order of the numbers web_page.js gives them.
enum class PageEvent : int {
  None = 0,
  KeyDown = 1,
  KeyUp = 2,
  Click = 3,      // a, b: client pixel
  Command = 4,    // a: command id (a menu entry, a dialog button, Enter, Escape)
  Close = 5,      // the window's close box
  Resize = 6,     // a, b: the client size the page now shows
  Timer = 7,      // a: timer id
  FocusLost = 8,  // the page lost the focus to another program or tab
};

// One event as the page hands it over: its kind, window and numbers, and for keys the
// KeyboardEvent's code and key.
struct QueuedEvent {
  PageEvent kind = PageEvent::None;
  Window window = 0;
  int a = 0, b = 0;
  bool ctrl = false, alt = false;
  std::string code, key;
};

// What a window's canvas is to show: the client pixels in the canvas's byte order (RGBA),
// and the parts changed since the page was last given them.
struct Canvas {
  int width = 0, height = 0;
  std::vector<std::uint32_t> rgba;
  std::vector<Rect> changed;
};

class WebDriver final : public Driver {
 public:
  ~WebDriver() override;
  bool start(std::string* why) override;
  Size screen_size() override;

  Size create_window(WindowRecord& w) override;
  void destroy_window(WindowRecord& w) override;
  void show_window(WindowRecord& w) override;
  void hide_window(WindowRecord& w) override;
  void present(WindowRecord& w, std::span<const Rect> parts) override;
  void menu_bar_changed(WindowRecord& w) override;
  void menu_item_changed(WindowRecord& w, Menu menu, std::size_t index) override;
  void description_changed(WindowRecord& w) override;
  void text_line_added(WindowRecord& w, const std::string& line) override;

  void process_events() override;
  void wait_events() override;
  void wait_events_ignoring_ticks() override;
  void start_timer(Window window, int id, int period_ms) override;
  void stop_timer(Window window, int id) override;

  bool create_dialog(WindowRecord& dialog, WindowRecord* owner) override;
  void destroy_dialog(WindowRecord& dialog) override;
  std::string dialog_item_text(WindowRecord& dialog, int item_id) override;

 private:
  void handle(const QueuedEvent& e);
  void build_menu(Window window, Menu menu, int depth);
  // Puts every window's changed parts on its canvas (web_present.cpp): the page shows
  // nothing until the program waits, so what it drew since is put at once.
  void put_changes();
  void put_changes(Window window, Canvas& canvas);

  // Puts what was drawn on the page and sleeps until the page queues an event (one that is
  // not a timer's tick, unless ticks_wake).
  void sleep(bool ticks_wake);
  // The program has the thread from now on (it woke, or came back from a yield).
  void new_turn();
  // How long the program may keep the thread before the browser gets a turn: well within
  // the 50 ms after which input feels late. The clock is read from the pass after these.
  static constexpr double kLongestTurnMs = 25;
  static constexpr int kPassesUnclocked = 4;
  double browser_had_thread_ms_ = 0;  // when the browser last had the thread (performance.now)
  int passes_since_turn_ = 0;         // process_events calls since then

  std::map<Window, Canvas> windows_;  // the windows the page has
  std::set<Window> dialogs_;          // the dialogs the page has open
};

}  // namespace kx508::platform::web
