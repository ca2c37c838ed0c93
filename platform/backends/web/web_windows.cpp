// Windows: an element of the page each, with its title bar, menu bar and the canvas of its
// client area; created hidden at the record's outer size, shown, hidden and destroyed; and
// what screen readers are given of them.
#include <emscripten.h>

#include "web_internal.h"

namespace kx508::platform::web {

namespace {

EM_JS(void, kx508_web_create, (int id, const char* title, int fixed, int width, int height,
                               unsigned background), {
  KX508Web.createWindow(id, UTF8ToString(title), fixed !== 0, width, height, background);
});

// The client size the page shows (or would show, for a hidden window).
EM_JS(void, kx508_web_measure, (int id, int* size), {
  var s = KX508Web.measure(id);
  HEAP32[size >> 2] = s[0];
  HEAP32[(size >> 2) + 1] = s[1];
});

EM_JS(void, kx508_web_describe, (int id, const char* text), {
  KX508Web.describe(id, UTF8ToString(text));
});

EM_JS(void, kx508_web_line_added, (int id, const char* text), {
  KX508Web.lineAdded(id, UTF8ToString(text));
});

EM_JS(void, kx508_web_destroy, (int id), { KX508Web.destroyWindow(id); });
EM_JS(void, kx508_web_show, (int id), { KX508Web.showWindow(id); });
EM_JS(void, kx508_web_hide, (int id), { KX508Web.hideWindow(id); });

}  // namespace

Size WebDriver::create_window(WindowRecord& w) {
  const int id = static_cast<int>(w.id);
  kx508_web_create(id, w.desc.title.c_str(), w.desc.style == WindowStyle::Fixed ? 1 : 0,
                   w.outer.width(), w.outer.height(), w.desc.background);
  windows_[w.id] = Canvas{};
  // The procedure attached its menu bar before the window was made.
  menu_bar_changed(w);
  int size[2] = {};
  kx508_web_measure(id, size);
  return {size[0], size[1]};
}

void WebDriver::destroy_window(WindowRecord& w) {
  if (windows_.erase(w.id)) kx508_web_destroy(static_cast<int>(w.id));
}

void WebDriver::show_window(WindowRecord& w) {
  if (!windows_.count(w.id)) return;
  kx508_web_show(static_cast<int>(w.id));
}

void WebDriver::hide_window(WindowRecord& w) {
  if (windows_.count(w.id)) kx508_web_hide(static_cast<int>(w.id));
}

void WebDriver::description_changed(WindowRecord& w) {
  if (windows_.count(w.id)) kx508_web_describe(static_cast<int>(w.id), w.description.c_str());
}

void WebDriver::text_line_added(WindowRecord& w, const std::string& line) {
  if (windows_.count(w.id)) kx508_web_line_added(static_cast<int>(w.id), line.c_str());
}

}  // namespace kx508::platform::web
