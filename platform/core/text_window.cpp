// Text on a window's client area, drawn by the core with the one font every backend
// shares: lines drawn, scrolled and erased here, so a backend only presents pixels. The
// core also keeps where each line now stands, for those who read the window as text.
#include <algorithm>
#include <cstring>

#include "core.h"
#include "font.h"

namespace kx508::platform {

namespace {

constexpr Colour kTextColour = rgb(0, 0, 0);

void fill_rows(Surface& s, int top, int bottom, int left, int right, Colour c) {
  for (int y = top; y < bottom; ++y) std::fill(s.row(y) + left, s.row(y) + right, c);
}

void present_all(WindowRecord& w) {
  const Rect all{0, 0, w.client.width(), w.client.height()};
  if (all.width() > 0 && all.height() > 0) core::driver()->present(w, {&all, 1});
}

}  // namespace

int text_line_height(Window window) { return core::find(window) ? kFontCellHeight : 0; }

void text_scroll(Window window, int dy) {
  WindowRecord* w = core::find(window);
  if (!w || dy == 0) return;
  Surface& s = w->client;
  const int h = s.height(), width = s.width();
  const Colour bg = w->desc.background;
  const std::size_t row_bytes = static_cast<std::size_t>(width) * sizeof(Colour);
  // A shift as long as the window (or longer) leaves nothing to move.
  const long long shift = std::clamp<long long>(dy, -h, h);
  const int n = static_cast<int>(shift);
  if (n > 0) {
    if (n < h) std::memmove(s.row(0), s.row(n), row_bytes * (h - n));
    fill_rows(s, h - n, h, 0, width, bg);
  } else {
    if (-n < h) std::memmove(s.row(-n), s.row(0), row_bytes * (h + n));
    fill_rows(s, 0, -n, 0, width, bg);
  }
  for (TextRun& r : w->text) r.y -= n;
  std::erase_if(w->text, [&](const TextRun& r) { return r.y + kFontCellHeight <= 0 || r.y >= h; });
  present_all(*w);
}

void text_erase(Window window, const Rect& r) {
  WindowRecord* w = core::find(window);
  if (!w) return;
  Surface& s = w->client;
  const Rect area{std::clamp(r.left, 0, s.width()), std::clamp(r.top, 0, s.height()),
                  std::clamp(r.right, 0, s.width()), std::clamp(r.bottom, 0, s.height())};
  if (area.width() <= 0 || area.height() <= 0) return;
  fill_rows(s, area.top, area.bottom, area.left, area.right, w->desc.background);
  std::erase_if(w->text, [&](const TextRun& t) {
    return t.y < area.bottom && t.y + kFontCellHeight > area.top;
  });
  core::driver()->present(*w, {&area, 1});
}

void text_out(Window window, int x, int y, const std::string& text) {
  WindowRecord* w = core::find(window);
  if (!w) return;
  const Rect drawn = draw_text(w->client, x, y, text, kTextColour);
  auto later = std::find_if(w->text.begin(), w->text.end(),
                            [&](const TextRun& t) { return t.y > y; });
  w->text.insert(later, {x, y, text});
  if (drawn.width() > 0 && drawn.height() > 0) core::driver()->present(*w, {&drawn, 1});
  if (!w->painting) core::driver()->text_line_added(*w, text);
}

}  // namespace kx508::platform
