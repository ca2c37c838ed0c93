// Presenting: the changed parts of a record's client pixels are copied into the canvas's
// byte order as they come, and put on the page's canvas together when the program next
// waits, since the browser shows nothing before then. The page reads them straight from
// the program's memory.
#include <emscripten.h>

#include <algorithm>

#include "web_internal.h"

namespace kx508::platform::web {

namespace {

EM_JS(void, kx508_web_put, (int id, const std::uint32_t* pixels, int width, int height,
                            const Rect* parts, int count), {
  KX508Web.put(id, pixels, width, height, parts, count);
});

// More separate parts than this are put as the one rectangle around them all.
constexpr std::size_t kMaxParts = 32;

// 0xFFRRGGBB, as the core keeps pixels, to the canvas's R, G, B, A bytes.
std::uint32_t canvas_order(Colour c) {
  return (c & 0xFF00FF00u) | ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16);
}

void copy_part(Canvas& canvas, const Surface& s, const Rect& r) {
  for (int y = r.top; y < r.bottom; ++y) {
    const Colour* from = s.row(y) + r.left;
    std::uint32_t* to = canvas.rgba.data() + static_cast<std::size_t>(y) * canvas.width + r.left;
    std::transform(from, from + r.width(), to, canvas_order);
  }
}

bool contains(const Rect& outer, const Rect& r) {
  return outer.left <= r.left && outer.top <= r.top && outer.right >= r.right &&
         outer.bottom >= r.bottom;
}

void note_change(Canvas& canvas, const Rect& r) {
  std::vector<Rect>& changed = canvas.changed;
  if (std::any_of(changed.begin(), changed.end(), [&](const Rect& c) { return contains(c, r); }))
    return;
  if (changed.size() < kMaxParts) {
    changed.push_back(r);
    return;
  }
  Rect all = r;
  for (const Rect& c : changed)
    all = {std::min(all.left, c.left), std::min(all.top, c.top), std::max(all.right, c.right),
           std::max(all.bottom, c.bottom)};
  changed.assign(1, all);
}

}  // namespace

void WebDriver::present(WindowRecord& w, std::span<const Rect> parts) {
  auto it = windows_.find(w.id);
  if (it == windows_.end()) return;
  Canvas& canvas = it->second;
  const Surface& s = w.client;
  const Rect all{0, 0, s.width(), s.height()};
  if (canvas.width != s.width() || canvas.height != s.height()) {
    // A new size: the page's canvas starts again, from all of the pixels.
    canvas.width = s.width();
    canvas.height = s.height();
    canvas.rgba.assign(static_cast<std::size_t>(canvas.width) * canvas.height, 0);
    canvas.changed.clear();
    if (all.width() <= 0 || all.height() <= 0) return;
    copy_part(canvas, s, all);
    canvas.changed.push_back(all);
    return;
  }
  for (const Rect& part : parts) {
    const Rect r{std::max(part.left, 0), std::max(part.top, 0), std::min(part.right, all.right),
                 std::min(part.bottom, all.bottom)};
    if (r.width() <= 0 || r.height() <= 0) continue;
    copy_part(canvas, s, r);
    note_change(canvas, r);
  }
}

void WebDriver::put_changes() {
  for (auto& [id, canvas] : windows_) put_changes(id, canvas);
}

void WebDriver::put_changes(Window window, Canvas& canvas) {
  if (canvas.changed.empty()) return;
  kx508_web_put(static_cast<int>(window), canvas.rgba.data(), canvas.width, canvas.height,
                canvas.changed.data(), static_cast<int>(canvas.changed.size()));
  canvas.changed.clear();
}

}  // namespace kx508::platform::web
