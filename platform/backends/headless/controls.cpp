// The headless backend's test controls: input, virtual time and dialog answers in, and
// what the program shows out. Built for tests and tools only; the product has none.
#include "headless/controls.h"

#include <algorithm>
#include <cctype>

namespace kx508::platform::headless {

namespace {

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
    if (e.flags & MenuFlag::Popup) {
      if (const MenuEntry* found = find_entry(e.id, id)) return found;
    } else if (!(e.flags & MenuFlag::Separator) && e.id == id) {
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

namespace {

// A key goes down or up on the keyboard, and reaches the focused window if it is ours.
void key(MsgType type, int vk, int ch) {
  HeadlessDriver& d = the_driver();
  if (vk == Key::Control) d.ctrl_held = type == MsgType::KeyDown;
  Message m{d.focused, type};
  m.param = vk;
  m.ch = ch;
  m.modifiers = d.ctrl_held ? Modifier::Ctrl : 0;
  d.input(m);
}

}  // namespace

void key_down(int vk, int ch) { key(MsgType::KeyDown, vk, ch); }
void key_up(int vk) { key(MsgType::KeyUp, vk, 0); }

void type_char(char c) {
  int vk = std::toupper(static_cast<unsigned char>(c));
  key_down(vk, static_cast<unsigned char>(c));
  key_up(vk);
}

void ctrl_key(char letter) {
  int vk = std::toupper(static_cast<unsigned char>(letter));
  key_down(Key::Control);
  key_down(vk, vk & 0x1F);  // Ctrl with a letter types its control character
  key_up(vk);
  key_up(Key::Control);
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

void set_client_size(Window window, int width, int height) {
  record(window);
  core::client_resized(window, {width, height});
}

void expose(Window window) {
  WindowRecord& w = record(window);
  std::fill(w.client.data(), w.client.data() + w.client.width() * w.client.height(),
            w.desc.background);
  core::invalidate(window);
}

bool choose_menu_item(Window window, std::uint32_t id) {
  const MenuEntry* e = find_entry(record(window).menu, id);
  if (!e || (e->flags & MenuFlag::Grayed)) return false;
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

std::vector<Rect> last_presented(Window window) {
  record(window);
  auto& presented = the_driver().presented;
  auto it = presented.find(window);
  return it == presented.end() ? std::vector<Rect>{} : it->second;
}

std::vector<std::string> text_lines(Window window) {
  std::vector<std::string> lines;
  for (const TextRun& r : record(window).text) lines.push_back(r.text);
  return lines;
}

Described description(Window window) {
  record(window);
  auto& described = the_driver().described;
  auto it = described.find(window);
  return it == described.end() ? Described{} : it->second;
}

std::vector<std::string> lines_said(Window window) {
  record(window);
  auto& said = the_driver().said;
  auto it = said.find(window);
  return it == said.end() ? std::vector<std::string>{}
                          : std::vector<std::string>(it->second.begin(), it->second.end());
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

std::vector<MenuNotice> take_menu_notices(Window window) {
  record(window);
  std::vector<MenuNotice> notices;
  notices.swap(the_driver().menu_notices[window]);
  return notices;
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

void Dialog::press_enter() { post_command(id_, desc().default_id); }

// Escape and the close box both ask the dialog to cancel.
void Dialog::press_escape() { post_command(id_, desc().cancel_id); }
void Dialog::click_close_box() { post_command(id_, desc().cancel_id); }

// The dialog's items take no Ctrl key: the dialog hears of it, as a native one does.
void Dialog::ctrl_key(char letter) {
  Message m{id_, MsgType::KeyDown};
  m.param = std::toupper(static_cast<unsigned char>(letter));
  m.ch = m.param & 0x1F;
  m.modifiers = Modifier::Ctrl;
  the_driver().input(m);
}

void answer_next_dialog(std::vector<DialogStep> steps) {
  std::vector<DialogAnswer> answers;
  for (DialogStep& step : steps)
    answers.push_back([step = std::move(step)](Window dialog) {
      Dialog handle(dialog);
      step(handle);
    });
  the_driver().answers.push_back(std::move(answers));
}

void fail_next_dialog() { the_driver().fail_next = true; }
std::vector<std::string> dialogs_opened() { return the_driver().opened_titles; }

}  // namespace kx508::platform::headless
