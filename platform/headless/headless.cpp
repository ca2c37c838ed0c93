// The headless backend: windows, input and time in memory, deterministic. Virtual time
// moves only when a test lets it or when the program waits with nothing to do.
#include "headless.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <map>

namespace platform::headless {

namespace {

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

struct TextRun {
  int x, y;
  std::string text;
};

struct OpenDialog {
  std::map<int, std::string> texts;  // item id -> current text
  std::deque<DialogStep> steps;
};

class HeadlessDriver final : public Driver {
 public:
  const char* name() const override { return "headless"; }
  bool start(std::string*) override { return true; }
  Size screen_size() override { return screen; }

  Size create_window(WindowRecord& w) override {
    created.push_back(w.id);
    return client_size(w);
  }

  void destroy_window(WindowRecord& w) override {
    std::erase(created, w.id);
    copies.erase(w.id);
    std::erase_if(timers, [&](const Timer& t) { return t.window == w.id; });
    text.erase(w.id);
    if (focused == w.id) focused = 0;
  }

  void show_window(WindowRecord& w) override {
    if (!w.shown) core::invalidate(w.id);
    focused = w.id;
  }

  void present(WindowRecord& w) override { ++copies[w.id]; }

  void menu_changed(WindowRecord& w) override {
    if (std::find(created.begin(), created.end(), w.id) != created.end())
      core::client_resized(w.id, client_size(w));
  }

  void process_events() override {}

  void wait_events() override {
    if (core::has_message()) return;
    if (run_dialog_step()) return;
    std::int64_t next = next_event_time();
    if (next < 0)
      throw Stalled(
          "headless: the program waits for a message that can never come: nothing is "
          "queued, no input is scheduled and no timer runs");
    if (scheduled.empty() && next - last_input > idle_limit)
      throw Stalled("headless: the program waited " + std::to_string(next - last_input) +
                    " ms of virtual time with no input and none left to come (idle limit " +
                    std::to_string(idle_limit) + " ms)");
    advance_to(next);
  }

  void start_timer(Window window, int id, int period_ms) override {
    stop_timer(window, id);
    int period = std::max(period_ms, 1);
    timers.push_back({window, id, period, now + period});
  }

  void stop_timer(Window window, int id) override {
    std::erase_if(timers, [&](const Timer& t) { return t.window == window && t.id == id; });
  }

  int text_line_height(WindowRecord&) override { return kLineHeight; }

  void text_scroll(WindowRecord& w, int dy) override {
    auto& runs = text[w.id];
    for (TextRun& r : runs) r.y -= dy;
    std::erase_if(runs, [](const TextRun& r) { return r.y + kLineHeight <= 0; });
  }

  void text_erase(WindowRecord& w, const Rect& area) override {
    std::erase_if(text[w.id], [&](const TextRun& r) {
      return r.y < area.bottom && r.y + kLineHeight > area.top;
    });
  }

  void text_out(WindowRecord& w, int x, int y, const std::string& s) override {
    text[w.id].push_back({x, y, s});
  }

  bool create_dialog(WindowRecord& d, WindowRecord*) override {
    opened_titles.push_back(d.dialog.title);
    if (fail_next) {
      fail_next = false;
      return false;
    }
    OpenDialog od;
    for (const DialogItem& item : d.dialog.items) od.texts[item.id] = item.text;
    if (!answers.empty()) {
      od.steps.assign(answers.front().begin(), answers.front().end());
      answers.pop_front();
    }
    dialogs[d.id] = std::move(od);
    return true;
  }

  void destroy_dialog(WindowRecord& d) override { dialogs.erase(d.id); }

  std::string dialog_item_text(WindowRecord& d, int item_id) override {
    auto it = dialogs.find(d.id);
    if (it == dialogs.end()) return {};
    auto t = it->second.texts.find(item_id);
    return t == it->second.texts.end() ? std::string{} : t->second;
  }

  // ---- Time

  std::int64_t next_event_time() const {
    std::int64_t next = -1;
    for (const Timer& t : timers)
      if (next < 0 || t.due < next) next = t.due;
    for (const Scheduled& s : scheduled)
      if (next < 0 || s.at < next) next = s.at;
    return next;
  }

  void advance_to(std::int64_t target) {
    for (;;) {
      std::int64_t next = next_event_time();
      if (next < 0 || next > target) break;
      now = std::max(now, next);
      for (Timer& t : timers) {
        if (t.due > now) continue;
        core::timer_fired(t.window, t.id);
        // Ticks that came while one was pending are dropped by the queue.
        while (t.due <= now) t.due += t.period;
      }
      run_scheduled_until(now);
    }
    now = std::max(now, target);
  }

  void run_scheduled_until(std::int64_t t) {
    for (;;) {
      auto it = std::min_element(scheduled.begin(), scheduled.end(),
                                 [](const Scheduled& a, const Scheduled& b) {
                                   return a.at != b.at ? a.at < b.at : a.order < b.order;
                                 });
      if (it == scheduled.end() || it->at > t) return;
      std::function<void()> action = std::move(it->action);
      scheduled.erase(it);
      action();
    }
  }

  // ---- Dialogs

  bool run_dialog_step() {
    for (auto& [id, od] : dialogs) {
      if (od.steps.empty())
        throw Stalled("headless: dialog \"" + core::find(id)->dialog.title +
                      "\" is open and the test gave it no more answers");
      DialogStep step = std::move(od.steps.front());
      od.steps.pop_front();
      Dialog handle(id);
      step(handle);
      return true;
    }
    return false;
  }

  // ---- Windows

  Size client_size(const WindowRecord& w) const {
    int menu = w.menu ? kMenuBar : 0;
    return {std::max(0, w.outer.width() - 2 * kBorder),
            std::max(0, w.outer.height() - kCaption - 2 * kBorder - menu)};
  }

  void input(const Message& msg) {
    last_input = now;
    core::post(msg);
  }

  Size screen{1024, 768};
  std::int64_t now = 0;
  std::int64_t last_input = 0;
  std::int64_t idle_limit = 60'000;
  std::uint64_t schedule_order = 0;
  std::vector<Window> created;
  std::vector<Timer> timers;
  std::vector<Scheduled> scheduled;
  std::map<Window, std::vector<TextRun>> text;
  std::map<Window, std::int64_t> copies;
  Window focused = 0;
  std::map<Window, OpenDialog> dialogs;
  std::deque<std::vector<DialogStep>> answers;
  std::vector<std::string> opened_titles;
  bool fail_next = false;
};

HeadlessDriver& the_driver() {
  auto* d = dynamic_cast<HeadlessDriver*>(core::driver());
  if (!d) throw std::logic_error("headless controls used while the open backend is not headless");
  return *d;
}

WindowRecord& record(Window window) {
  WindowRecord* w = core::find(window);
  if (!w) throw std::logic_error("headless: no window " + std::to_string(window));
  return *w;
}

OpenDialog& open_dialog(Window id) {
  auto& dialogs = the_driver().dialogs;
  auto it = dialogs.find(id);
  if (it == dialogs.end()) throw std::logic_error("headless: the dialog is not open");
  return it->second;
}

void post_command(Window window, int id) {
  Message m{window, MsgType::Command};
  m.param = id;
  the_driver().input(m);
}

const MenuEntry* find_entry(Menu menu, std::uint32_t id) {
  const MenuRecord* rec = core::find_menu(menu);
  if (!rec) return nullptr;
  for (const MenuEntry& e : rec->entries) {
    if (e.flags & MF_POPUP) {
      if (const MenuEntry* found = find_entry(e.id, id)) return found;
    } else if (!(e.flags & MF_SEPARATOR) && e.id == id) {
      return &e;
    }
  }
  return nullptr;
}

}  // namespace

// ---- Screen and time

void set_screen_size(int width, int height) { the_driver().screen = {width, height}; }
std::int64_t now_ms() { return the_driver().now; }

void advance(std::int64_t ms) {
  HeadlessDriver& d = the_driver();
  d.advance_to(d.now + std::max<std::int64_t>(ms, 0));
  d.last_input = d.now;
}

void schedule(std::int64_t at_ms, std::function<void()> action) {
  HeadlessDriver& d = the_driver();
  d.scheduled.push_back({at_ms, d.schedule_order++, std::move(action)});
}

void set_idle_limit(std::int64_t ms) { the_driver().idle_limit = ms; }

// ---- Input

void set_focus(Window window) { the_driver().focused = window; }
Window focus() { return the_driver().focused; }

void key_down(int vk, int ch) {
  Message m{focus(), MsgType::KeyDown};
  m.param = vk;
  m.ch = ch;
  the_driver().input(m);
}

void key_up(int vk) {
  Message m{focus(), MsgType::KeyUp};
  m.param = vk;
  the_driver().input(m);
}

void type_char(char c) {
  int vk = std::toupper(static_cast<unsigned char>(c));
  key_down(vk, static_cast<unsigned char>(c));
  key_up(vk);
}

void ctrl_key(char letter) {
  int vk = std::toupper(static_cast<unsigned char>(letter));
  key_down(VK_CONTROL);
  key_down(vk, vk & 0x1F);  // Ctrl with a letter types its control character
  key_up(vk);
  key_up(VK_CONTROL);
}

void lose_focus() {
  HeadlessDriver& d = the_driver();
  d.focused = 0;
  d.last_input = d.now;
  core::post_to_all(MsgType::FocusLost);
}

void click(Window window, int client_x, int client_y) {
  Message m{window, MsgType::LButtonDown};
  m.x = client_x;
  m.y = client_y;
  the_driver().input(m);
}

void close_window(Window window) { the_driver().input(Message{window, MsgType::Close}); }

void expose(Window window) {
  WindowRecord& w = record(window);
  std::fill(w.client.data(), w.client.data() + w.client.width() * w.client.height(),
            w.desc.background);
  core::invalidate(window);
}

bool choose_menu_item(Window window, std::uint32_t id) {
  const MenuEntry* e = find_entry(record(window).menu, id);
  if (!e || (e->flags & MF_GRAYED)) return false;
  post_command(window, static_cast<int>(id));
  return true;
}

// ---- Inspection

WindowInfo window_info(Window window) {
  WindowInfo info;
  WindowRecord* w = core::find(window);
  if (!w) return info;
  info.exists = true;
  info.title = w->desc.title;
  info.outer = w->outer;
  int top = w->outer.top + kCaption + kBorder + (w->menu ? kMenuBar : 0);
  int left = w->outer.left + kBorder;
  info.client = {left, top, left + w->client.width(), top + w->client.height()};
  info.shown = w->shown;
  info.resizable = w->desc.style == WindowStyle::Resizable;
  return info;
}

Window find_window(const std::string& title) {
  for (Window id : core::windows()) {
    WindowRecord* w = core::find(id);
    if (!w->is_dialog && w->desc.title == title) return id;
  }
  return 0;
}

const Surface& shown_pixels(Window window) { return record(window).client; }

std::int64_t copies_to_window(Window window) {
  record(window);
  auto& copies = the_driver().copies;
  auto it = copies.find(window);
  return it == copies.end() ? 0 : it->second;
}

std::vector<std::string> text_lines(Window window) {
  std::vector<TextRun> runs = the_driver().text[window];
  std::stable_sort(runs.begin(), runs.end(),
                   [](const TextRun& a, const TextRun& b) { return a.y < b.y; });
  std::vector<std::string> lines;
  for (const TextRun& r : runs) lines.push_back(r.text);
  return lines;
}

std::vector<MenuEntry> menu_bar(Window window) {
  const MenuRecord* bar = core::find_menu(record(window).menu);
  return bar ? bar->entries : std::vector<MenuEntry>{};
}

std::vector<MenuEntry> popup_entries(Window window, int bar_position) {
  std::vector<MenuEntry> bar = menu_bar(window);
  if (bar_position < 0 || bar_position >= static_cast<int>(bar.size())) return {};
  const MenuRecord* popup = core::find_menu(bar[bar_position].id);
  return popup ? popup->entries : std::vector<MenuEntry>{};
}

// ---- Dialogs

bool Dialog::open() const { return the_driver().dialogs.count(id_) > 0; }
const DialogDesc& Dialog::desc() const { return record(id_).dialog; }
std::string Dialog::item_text(int item_id) const { return open_dialog(id_).texts[item_id]; }

void Dialog::type(const std::string& s) {
  for (const DialogItem& item : desc().items) {
    if (item.kind == DialogItemKind::Edit) {
      open_dialog(id_).texts[item.id] += s;
      return;
    }
  }
}

void Dialog::press_button(int item_id) { post_command(id_, item_id); }

void Dialog::press_enter() {
  int id = 1;  // without a default button, Enter means "OK"
  for (const DialogItem& item : desc().items)
    if (item.default_button()) id = item.id;
  post_command(id_, id);
}

// Escape and the close box both ask the dialog to cancel.
void Dialog::press_escape() { post_command(id_, 2); }
void Dialog::click_close_box() { post_command(id_, 2); }

void answer_next_dialog(std::vector<DialogStep> steps) {
  the_driver().answers.push_back(std::move(steps));
}

void fail_next_dialog() { the_driver().fail_next = true; }
std::vector<std::string> dialogs_opened() { return the_driver().opened_titles; }

}  // namespace platform::headless

namespace platform {

std::unique_ptr<Driver> make_headless_driver() {
  return std::make_unique<headless::HeadlessDriver>();
}

}  // namespace platform
