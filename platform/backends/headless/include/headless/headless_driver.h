// The headless backend's driver: windows, input and time in memory, deterministic.
// Virtual time moves only when a test lets it or when the program waits with nothing to
// do. Its state is open to the test controls (controls.h), which drive and inspect it.
//
// Features (every backend's driver header lists the same rows):
// [X] Windows: in memory, with a fixed frame (kBorder, kCaption, kMenuBar), and the focus
// [X] Fixed windows keep their outer size: no frame ever changes here
// [X] Presenting only the changed parts: counted and kept for tests
// [X] Menu bar: kept in the core's records; what the backend was told is kept for tests
// [X] Keys: from the test controls, with the Ctrl state they give
// [X] Mouse: left clicks from the test controls
// [X] Focus lost to another program, from the test controls
// [X] Timers, on the virtual clock
// [X] A wait that sleeps: virtual time jumps to the next timer or scheduled input; one
//     that nothing could ever end throws Stalled instead of hanging
// [X] Modal dialogs: answered by steps a test gives, or with Enter when nobody gave any
// [X] Window positions, as asked, on a 1024 x 768 screen unless a test sets another
// [ ] Screens that scale: one pixel is one pixel
// [X] Words for screen readers: the description and the newest lines said, kept for tests
// Lacks: any real input or output.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver.h"

namespace kx508::platform::headless {

// A wait that can never end, or a dialog nobody answers, throws this instead of hanging.
struct Stalled : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Frame metrics of headless windows: the client area sits inside a border, below the
// caption and, when the window has one, the menu bar.
constexpr int kBorder = 4;
constexpr int kCaption = 20;
constexpr int kMenuBar = 20;

struct Timer {
  Window window;
  int id;
  int period;
  std::int64_t due;
};

struct Scheduled {
  std::int64_t at;
  std::uint64_t order;  // keeps actions of the same instant in the order given
  std::function<void()> action;
};

// One step of answering a dialog, run when its modal loop has nothing else to do.
using DialogAnswer = std::function<void(Window dialog)>;

// What the backend was told about a window's menus: the whole bar built again, or one
// entry's state.
struct MenuNotice {
  bool whole_bar = false;
  Menu menu = 0;
  std::size_t index = 0;
  friend bool operator==(const MenuNotice&, const MenuNotice&) = default;
};

// A window's description as the backend was last given it, and how many times it was.
struct Described {
  std::string text;
  int times = 0;
};

// The lines said to a screen reader that the backend keeps, per window: a replay logs
// for as long as it plays.
constexpr std::size_t kSaidLines = 50;

struct OpenDialog {
  std::map<int, std::string> texts;  // item id -> current text
  std::deque<DialogAnswer> steps;
};

class HeadlessDriver final : public Driver {
 public:
  bool start(std::string*) override { return true; }
  Size screen_size() override { return screen; }
  Size create_window(WindowRecord& w) override;
  void destroy_window(WindowRecord& w) override;
  void show_window(WindowRecord& w) override;
  void hide_window(WindowRecord& w) override;
  void present(WindowRecord& w, std::span<const Rect> parts) override;
  void menu_bar_changed(WindowRecord& w) override;
  void menu_item_changed(WindowRecord& w, Menu menu, std::size_t index) override;
  void process_events() override {}
  void wait_events() override;
  void start_timer(Window window, int id, int period_ms) override;
  void stop_timer(Window window, int id) override;
  bool create_dialog(WindowRecord& d, WindowRecord* owner) override;
  void destroy_dialog(WindowRecord& d) override;
  std::string dialog_item_text(WindowRecord& d, int item_id) override;
  std::int64_t now_ms() override { return now; }
  void description_changed(WindowRecord& w) override;
  void text_line_added(WindowRecord& w, const std::string& line) override;

  // Runs timers and scheduled actions up to virtual time target.
  void advance_to(std::int64_t target);
  // Queues input as the user gave it now.
  void input(const Message& msg);
  Size client_size(const WindowRecord& w) const;

  Size screen{1024, 768};
  std::int64_t now = 0;
  std::int64_t last_input = 0;
  std::int64_t idle_limit = 60'000;
  std::uint64_t schedule_order = 0;
  std::vector<Window> created;
  std::vector<Timer> timers;
  std::vector<Scheduled> scheduled;
  std::map<Window, std::int64_t> copies;
  std::map<Window, std::vector<Rect>> presented;
  std::map<Window, std::vector<MenuNotice>> menu_notices;
  std::map<Window, Described> described;
  std::map<Window, std::deque<std::string>> said;  // the newest kSaidLines of each
  Window focused = 0;
  // The keyboard's Ctrl, wherever the focus is: key messages carry it as their modifiers.
  bool ctrl_held = false;
  std::map<Window, OpenDialog> dialogs;
  std::deque<std::vector<DialogAnswer>> answers;
  std::vector<std::string> opened_titles;
  bool fail_next = false;

 private:
  std::int64_t next_event_time() const;
  void run_scheduled_until(std::int64_t t);
  bool run_dialog_step();
};

}  // namespace kx508::platform::headless
