// The common core of the platform adapter: picks the backend, keeps the window and menu
// records and the message queue, and dispatches messages to window procedures.
#include <cstdlib>
#include <map>

#include "driver.h"
#include "queue.h"

namespace platform {

using core::driver;

namespace {

struct Core {
  std::unique_ptr<Driver> driver;
  MessageQueue queue;
  std::map<Window, std::unique_ptr<WindowRecord>> windows;
  std::map<Menu, MenuRecord> menus;
  Window next_window = 1;
  Menu next_menu = 1;
};

// Never destroyed: windowing toolkits must not be torn down by static destructors after
// the program has ended; close() releases everything on a normal end.
Core& the_core() {
  static Core* core = new Core;
  return *core;
}

long send(WindowRecord& w, const Message& msg) {
  if (w.is_dialog) return w.dialog_proc ? (w.dialog_proc(w.id, msg) ? 1 : 0) : 0;
  return w.desc.proc ? w.desc.proc(w.id, msg) : default_window_proc(w.id, msg);
}

// The windows whose menu bar shows the menu, directly or as one of its popups.
void menu_changed(Menu menu) {
  Core& c = the_core();
  for (auto& [id, w] : c.windows) {
    if (w->menu == 0) continue;
    bool shows = w->menu == menu;
    if (auto it = c.menus.find(w->menu); !shows && it != c.menus.end())
      for (const MenuEntry& e : it->second.entries)
        if ((e.flags & MF_POPUP) && e.id == menu) shows = true;
    if (shows && c.driver) c.driver->menu_changed(*w);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------
// Backends

bool open(std::string* why) {
  const char* name = std::getenv("KX508_PLATFORM");
  return open_backend(name && *name ? name : "qt", why);
}

bool open_backend(const std::string& name, std::string* why) {
  Core& c = the_core();
  if (c.driver) return true;
  std::unique_ptr<Driver> d;
  if (name == "headless") d = make_headless_driver();
#ifdef KX508_HAVE_QT
  else if (name == "qt") d = make_qt_driver();
#endif
  if (!d) {
    if (why) *why = "no backend named \"" + name + "\" in this build (KX508_PLATFORM: qt or headless)";
    return false;
  }
  std::string reason;
  if (!d->start(&reason)) {
    if (why) *why = reason;
    return false;
  }
  c.driver = std::move(d);
  return true;
}

void close() {
  Core& c = the_core();
  c.windows.clear();
  c.menus.clear();
  c.queue = MessageQueue{};
  c.driver.reset();
}

std::string backend_name() { return driver() ? driver()->name() : ""; }

// ---------------------------------------------------------------------------------
// Windows

Window create_window(const WindowDesc& desc) {
  Core& c = the_core();
  if (!c.driver) return 0;
  WindowRecord& w = core::add();
  w.desc = desc;
  w.outer = {desc.x, desc.y, desc.x + desc.width, desc.y + desc.height};
  Message create{w.id, MsgType::Create};
  send(w, create);
  // The procedure may have attached a menu bar, which the backend needs before it works
  // out the client area.
  Size client = c.driver->create_window(w);
  w.client = Surface(client.width, client.height, desc.background);
  Message size{w.id, MsgType::Size};
  size.x = client.width;
  size.y = client.height;
  send(w, size);
  return w.id;
}

void destroy_window(Window window) {
  Core& c = the_core();
  WindowRecord* w = core::find(window);
  if (!w) return;
  send(*w, Message{window, MsgType::Destroy});
  c.driver->destroy_window(*w);
  core::remove(window);
}

bool is_window(Window window) { return core::find(window) != nullptr; }

void show_window(Window window) {
  if (WindowRecord* w = core::find(window)) {
    driver()->show_window(*w);
    w->shown = true;
  }
}

Rect client_rect(Window window) {
  WindowRecord* w = core::find(window);
  if (!w) return {};
  return {0, 0, w->client.width(), w->client.height()};
}

Size screen_size() { return driver() ? driver()->screen_size() : Size{}; }

long default_window_proc(Window window, const Message& msg) {
  if (msg.type == MsgType::Close) destroy_window(window);
  return 0;
}

// ---------------------------------------------------------------------------------
// The message queue

bool peek_message(Message& msg) {
  if (!driver()) return false;
  driver()->process_events();
  return the_core().queue.take(msg);
}

void wait_message() {
  if (!driver()) return;
  while (the_core().queue.empty()) driver()->wait_events();
}

void translate_message(const Message& msg) {
  if (msg.type != MsgType::KeyDown || msg.ch == 0) return;
  Message ch{msg.window, MsgType::Char};
  ch.param = msg.ch;
  the_core().queue.post_front(ch);
}

long dispatch_message(const Message& msg) {
  WindowRecord* w = core::find(msg.window);
  return w ? send(*w, msg) : 0;
}

void post_message(const Message& msg) {
  if (core::find(msg.window)) the_core().queue.post(msg);
}

void post_quit_message(int exit_code) { the_core().queue.post_quit(exit_code); }

void set_timer(Window window, int id, int period_ms) {
  if (!core::find(window)) return;
  driver()->start_timer(window, id, period_ms);
}

void kill_timer(Window window, int id) {
  if (!driver()) return;
  driver()->stop_timer(window, id);
  the_core().queue.forget_timer(window, id);
}

// ---------------------------------------------------------------------------------
// Window surfaces and text

WindowSurface get_window_surface(Window window) {
  WindowRecord* w = core::find(window);
  if (!w) return {};
  w->surface_held = true;
  return {window};
}

void release_window_surface(WindowSurface& ws) {
  if (WindowRecord* w = core::find(ws.window)) w->surface_held = false;
  ws.window = 0;
}

void copy_to_window(const WindowSurface& ws, int dx, int dy, const Surface& src, int sx, int sy,
                    int w, int h) {
  WindowRecord* rec = core::find(ws.window);
  if (!rec || !rec->surface_held) return;
  copy_surface(rec->client, dx, dy, src, sx, sy, w, h);
  driver()->present(*rec);
}

int text_line_height(Window window) {
  WindowRecord* w = core::find(window);
  return w ? driver()->text_line_height(*w) : 0;
}

void text_scroll(Window window, int dy) {
  if (WindowRecord* w = core::find(window)) driver()->text_scroll(*w, dy);
}

void text_erase(Window window, const Rect& r) {
  if (WindowRecord* w = core::find(window)) driver()->text_erase(*w, r);
}

void text_out(Window window, int x, int y, const std::string& text) {
  if (WindowRecord* w = core::find(window)) driver()->text_out(*w, x, y, text);
}

// ---------------------------------------------------------------------------------
// Menus

Menu create_menu() {
  Core& c = the_core();
  Menu id = c.next_menu++;
  c.menus[id] = MenuRecord{id, false, {}};
  return id;
}

Menu create_popup_menu() {
  Menu id = create_menu();
  the_core().menus[id].popup = true;
  return id;
}

void append_menu(Menu menu, unsigned flags, std::uint32_t id, const std::string& text) {
  Core& c = the_core();
  auto it = c.menus.find(menu);
  if (it == c.menus.end()) return;
  it->second.entries.push_back({flags, id, text});
  menu_changed(menu);
}

void set_menu(Window window, Menu menu) {
  WindowRecord* w = core::find(window);
  if (!w || !core::find_menu(menu)) return;
  w->menu = menu;
}

void draw_menu_bar(Window window) {
  if (WindowRecord* w = core::find(window); w && driver()) driver()->menu_changed(*w);
}

void check_menu_item(Menu menu, std::uint32_t id, bool checked) {
  Core& c = the_core();
  auto it = c.menus.find(menu);
  if (it == c.menus.end()) return;
  for (MenuEntry& e : it->second.entries) {
    if ((e.flags & (MF_POPUP | MF_SEPARATOR)) || e.id != id) continue;
    e.flags = checked ? (e.flags | MF_CHECKED) : (e.flags & ~MF_CHECKED);
  }
  menu_changed(menu);
}

// ---------------------------------------------------------------------------------
// For backends

namespace core {

WindowRecord* find(Window window) {
  Core& c = the_core();
  auto it = c.windows.find(window);
  return it == c.windows.end() ? nullptr : it->second.get();
}

const MenuRecord* find_menu(Menu menu) {
  Core& c = the_core();
  auto it = c.menus.find(menu);
  return it == c.menus.end() ? nullptr : &it->second;
}

void post(const Message& msg) {
  if (find(msg.window)) the_core().queue.post(msg);
}

void post_to_all(MsgType type) {
  for (auto& [id, w] : the_core().windows) the_core().queue.post(Message{id, type});
}

void timer_fired(Window window, int id) {
  if (find(window)) the_core().queue.timer_fired(window, id);
}

void client_resized(Window window, Size client) {
  WindowRecord* w = find(window);
  if (!w || (client.width == w->client.width() && client.height == w->client.height())) return;
  Surface pixels(client.width, client.height, w->desc.background);
  copy_surface(pixels, 0, 0, w->client, 0, 0, w->client.width(), w->client.height());
  w->client = std::move(pixels);
  Message size{window, MsgType::Size};
  size.x = client.width;
  size.y = client.height;
  send(*w, size);
  // The procedure may have destroyed the window.
  if (find(window)) the_core().queue.invalidate(window);
}

void invalidate(Window window) {
  if (find(window)) the_core().queue.invalidate(window);
}

bool has_message() { return !the_core().queue.empty(); }

std::vector<Window> windows() {
  std::vector<Window> ids;
  for (auto& [id, w] : the_core().windows) ids.push_back(id);
  return ids;
}

Driver* driver() { return the_core().driver.get(); }

WindowRecord& add() {
  Core& c = the_core();
  auto rec = std::make_unique<WindowRecord>();
  rec->id = c.next_window++;
  WindowRecord& w = *rec;
  c.windows[w.id] = std::move(rec);
  return w;
}

void remove(Window window) {
  Core& c = the_core();
  c.queue.forget_window(window);
  c.windows.erase(window);
}

}  // namespace core

}  // namespace platform
