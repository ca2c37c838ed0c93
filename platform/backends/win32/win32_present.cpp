// Presenting: the record's client pixels drawn in WM_PAINT from a device-independent
// bitmap over the same memory (0xFFRRGGBB is Windows' 32-bit BI_RGB layout): the parts the
// core names as changed, and what was exposed. With a whole scale factor each client pixel
// becomes an exact square.
#include <algorithm>

#include "win32_internal.h"

namespace kx508::platform::win32 {

namespace {

COLORREF colorref(Colour c) {
  return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

// Draws rows top..bottom-1, columns left..right-1 of the surface at scale. The bitmap
// described starts at row top and is as tall as the part, so that the source rectangle
// starts at its first row whichever way the system counts rows.
void draw_part(HDC dc, const Surface& s, const Rect& part, int scale) {
  const Rect r{std::max(part.left, 0), std::max(part.top, 0), std::min(part.right, s.width()),
               std::min(part.bottom, s.height())};
  if (r.width() <= 0 || r.height() <= 0) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = s.width();
  info.bmiHeader.biHeight = -r.height();  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  StretchDIBits(dc, r.left * scale, r.top * scale, r.width() * scale, r.height() * scale, r.left,
                0, r.width(), r.height(), s.row(r.top), &info, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace

void Win32Driver::paint(NativeWindow& nw, HDC dc, const RECT& area) {
  const WindowRecord* w = core::find(nw.id);
  if (!w) return;
  const Surface& s = w->client;
  const int k = nw.scale;
  SetStretchBltMode(dc, COLORONCOLOR);
  // The client pixels the exposed device area touches.
  const Rect part{logical(area.left, k), logical(area.top, k), logical(area.right + k - 1, k),
                  logical(area.bottom + k - 1, k)};
  // The update region clips the bitmap to the parts that changed or were exposed.
  draw_part(dc, s, part, k);
  // Beyond the pixels (a client area that is not a whole number of squares): background.
  HBRUSH brush = CreateSolidBrush(colorref(w->desc.background));
  RECT client{};
  GetClientRect(nw.hwnd, &client);
  const RECT right{s.width() * k, 0, client.right, client.bottom};
  const RECT below{0, s.height() * k, s.width() * k, client.bottom};
  RECT cut;
  if (IntersectRect(&cut, &right, &area)) FillRect(dc, &cut, brush);
  if (IntersectRect(&cut, &below, &area)) FillRect(dc, &cut, brush);
  DeleteObject(brush);
}

// The parts are marked and then painted together, at once: WM_PAINT is sent straight to
// the window, so a program that flushes before its first wait sees its picture.
void Win32Driver::present(WindowRecord& w, std::span<const Rect> parts) {
  NativeWindow* nw = native(w.id);
  if (!nw) return;
  const int k = nw->scale;
  for (const Rect& part : parts) {
    const RECT r{part.left * k, part.top * k, part.right * k, part.bottom * k};
    InvalidateRect(nw->hwnd, &r, FALSE);
  }
  UpdateWindow(nw->hwnd);
}

}  // namespace kx508::platform::win32
