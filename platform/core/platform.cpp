// The common core of the platform adapter: picks the backend, keeps the window and menu
// records and the message queue, and dispatches messages to window procedures.
#include "core.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "backends.h"

namespace kx508::platform {

using core::driver;

Core& the_core() {
  static Core* core = new Core;
  return *core;
}

long send(WindowRecord& w, const Message& msg) {
  if (w.is_dialog) return w.dialog_proc ? (w.dialog_proc(w.id, msg) ? 1 : 0) : 0;
  return w.desc.proc ? w.desc.proc(w.id, msg) : default_window_proc(w.id, msg);
}

// ---------------------------------------------------------------------------------
// Backends

bool open_backend(const std::string& name, std::string* why) {
  Core& c = the_core();
  if (c.driver) return true;
  const Backend* backend = find_backend(name);
  if (!backend) {
    if (why)
      *why = "no backend named \"" + name + "\" in this build; KX508_PLATFORM may be: " +
             backend_choices();
    return false;
  }
  std::unique_ptr<Driver> d = backend->create();
  std::string reason;
  if (!d->start(&reason)) {
    if (why) *why = reason;
    return false;
  }
  c.driver = std::move(d);
  c.backend = backend;
  return true;
}

void close() {
  Core& c = the_core();
  c.windows.clear();
  c.menus.clear();
  c.queue = MessageQueue{};
  c.driver.reset();
  c.backend = nullptr;
}

std::string backend_name() {
  const Backend* b = the_core().backend;
  return b ? b->name : "";
}

// ---------------------------------------------------------------------------------
// Windows

Window create_window(const WindowDesc& desc) {
  Core& c = the_core();
  if (!c.driver) return 0;
  WindowRecord& w = core::add();
  w.desc = desc;
  w.outer = {desc.x, desc.y, desc.x + desc.width, desc.y + desc.height};
  w.creating = true;
  Message create{w.id, MsgType::Create};
  send(w, create);
  // The procedure may have attached a menu bar, which the backend needs before it works
  // out the client area.
  Size client = c.driver->create_window(w);
  w.creating = false;
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

void hide_window(Window window) {
  if (WindowRecord* w = core::find(window); w && w->shown) {
    driver()->hide_window(*w);
    w->shown = false;
  }
}

bool is_window_shown(Window window) {
  const WindowRecord* w = core::find(window);
  return w && w->shown;
}

void show_window(Window window) {
  WindowRecord* w = core::find(window);
  if (!w) return;
  const bool was_shown = w->shown;
  driver()->show_window(*w);
  // Showing may have run the procedure (the size changed), which may destroy the window.
  w = core::find(window);
  if (!w) return;
  // A window manager frames a window once it is first shown; until then the client area
  // is the whole window, and a program that asked would be given a size that changes.
  if (!w->shown_once) {
    w->shown_once = true;
    driver()->await_frame(*w, kFrameWaitMs);
    w = core::find(window);
    if (!w) return;
  }
  w->shown = true;
  // A window that was not shown (the first show, or one after a hide) has no pixels on
  // the screen yet: it is painted.
  if (!was_shown) the_core().queue.invalidate(window);
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

void wait_message_ignoring_ticks(bool (*ends_wait)()) {
  if (!driver()) return;
  MessageQueue& queue = the_core().queue;
  for (queue.drop_ticks(); queue.empty(); queue.drop_ticks()) {
    if (ends_wait && ends_wait()) return;
    driver()->wait_events_ignoring_ticks();
  }
}

void translate_message(const Message& msg) {
  if (msg.type != MsgType::KeyDown || msg.ch == 0) return;
  Message ch{msg.window, MsgType::Char};
  ch.param = msg.ch;
  ch.modifiers = msg.modifiers;
  the_core().queue.post_front(ch);
}

long dispatch_message(const Message& msg) {
  WindowRecord* w = core::find(msg.window);
  if (!w) return 0;
  if (msg.type != MsgType::Paint || w->painting) return send(*w, msg);
  // What a paint draws is there already: its text lines are not new.
  w->painting = true;
  const long result = send(*w, msg);
  if (WindowRecord* still = core::find(msg.window)) still->painting = false;
  return result;
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
// Window surfaces

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
  const Rect copied = copy_surface(rec->client, dx, dy, src, sx, sy, w, h);
  if (copied.width() > 0 && copied.height() > 0) driver()->present(*rec, {&copied, 1});
}

namespace {

// Copies the changed rows of a tile that differ from what the window shows. Returns the
// rows copied, top and bottom (exclusive), or an empty span when none differed.
struct RowSpan {
  int top = 0, bottom = 0;
  bool empty() const { return top >= bottom; }
};

// Whether n pixels are alike, compared a pixel at a time to the end: the web build's C
// library, made small, compares memory a byte at a time, and this runs over every row a
// frame's shapes touched, most of them as they were.
bool same_pixels(const Colour* a, const Colour* b, int n) {
  Colour diff = 0;
  for (int i = 0; i < n; ++i) diff |= a[i] ^ b[i];
  return diff == 0;
}

RowSpan copy_differing_rows(Surface& dst, const Surface& src, int x0, int x1, int y0, int y1,
                            std::uint32_t rows) {
  const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * sizeof(Colour);
  RowSpan copied;
  for (int y = y0; rows != 0 && y < y1; ++y, rows >>= 1) {
    if (!(rows & 1)) continue;
    Colour* to = dst.row(y) + x0;
    const Colour* from = src.row(y) + x0;
    if (same_pixels(to, from, x1 - x0)) continue;
    std::memcpy(to, from, bytes);
    if (copied.empty()) copied.top = y;
    copied.bottom = y + 1;
  }
  return copied;
}

}  // namespace

void copy_changes_to_window(const WindowSurface& ws, Surface& src) {
  WindowRecord* rec = core::find(ws.window);
  if (!rec || !rec->surface_held || !src.any_changed()) return;
  Surface& dst = rec->client;
  const int w = std::min(src.width(), dst.width());
  const int h = std::min(src.height(), dst.height());
  constexpr int TW = Surface::kTileWidth, TH = Surface::kTileHeight;
  // Runs of differing tiles along each tile row, presented as one rectangle each, as
  // tall as the rows that differed in them.
  std::vector<Rect>& parts = the_core().parts;
  parts.clear();
  for (int ty = 0; ty < src.tile_rows() && ty * TH < h; ++ty) {
    const int y0 = ty * TH, y1 = std::min(y0 + TH, h);
    bool run_open = false;
    for (int tx = 0; tx < src.tile_columns() && tx * TW < w; ++tx) {
      const int x0 = tx * TW, x1 = std::min(x0 + TW, w);
      const std::uint32_t rows = src.changed_rows(tx, ty);
      const RowSpan copied = rows ? copy_differing_rows(dst, src, x0, x1, y0, y1, rows) : RowSpan{};
      if (copied.empty()) {
        run_open = false;
      } else if (run_open) {
        Rect& run = parts.back();
        run.right = x1;
        run.top = std::min(run.top, copied.top);
        run.bottom = std::max(run.bottom, copied.bottom);
      } else {
        parts.push_back({x0, copied.top, x1, copied.bottom});
        run_open = true;
      }
    }
  }
  src.forget_changes();
  if (!parts.empty()) driver()->present(*rec, parts);
}

// ---------------------------------------------------------------------------------
// Words for screen readers

std::int64_t Driver::now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t now_ms() { return driver() ? driver()->now_ms() : 0; }

void set_window_description(Window window, const std::string& text) {
  WindowRecord* w = core::find(window);
  if (!w || w->description == text) return;
  w->description = text;
  driver()->description_changed(*w);
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
  if (!w || w->creating) return;
  if (client.width == w->client.width() && client.height == w->client.height()) return;
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

void post_command(Window window, int id) {
  Message m{window, MsgType::Command};
  m.param = id;
  post(m);
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

}  // namespace kx508::platform
