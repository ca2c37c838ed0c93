// Windows: the window procedure, creating, showing and destroying windows at the record's
// outer rectangle, the client size the core is told, and whole DPI scale factors.
#include <algorithm>

#include "win32_internal.h"

namespace kx508::platform::win32 {

namespace {

DWORD style_of(WindowStyle style) {
  // Fixed: a caption with the system menu and close box, no sizing border, no minimise or
  // maximise box.
  return style == WindowStyle::Fixed ? (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU)
                                     : WS_OVERLAPPEDWINDOW;
}

// Client area in device pixels.
SIZE device_client(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return {r.right - r.left, r.bottom - r.top};
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using SetDpiAwarenessContextFn = BOOL(WINAPI*)(HANDLE);
using SetProcessDpiAwarenessFn = HRESULT(WINAPI*)(int);

// Functions of newer Windows versions, looked up so that older ones still start.
template <class F>
F user32_function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                : nullptr;
}

}  // namespace

int scale_for_dpi(unsigned dpi) { return std::max(1, static_cast<int>((dpi + 48) / 96)); }

unsigned window_dpi(HWND hwnd) {
  static const auto get_dpi = user32_function<GetDpiForWindowFn>("GetDpiForWindow");
  const unsigned dpi = get_dpi ? get_dpi(hwnd) : 0;
  return dpi ? dpi : 96;
}

void become_dpi_aware() {
  // Per monitor, version 2 (Windows 10 1703); else per monitor (8.1); else the system's.
  const auto DPI_PER_MONITOR_V2 = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4));
  if (auto set = user32_function<SetDpiAwarenessContextFn>("SetProcessDpiAwarenessContext"))
    if (set(DPI_PER_MONITOR_V2)) return;
  if (HMODULE shcore = LoadLibraryW(L"shcore.dll")) {
    auto set = reinterpret_cast<SetProcessDpiAwarenessFn>(
        reinterpret_cast<void*>(GetProcAddress(shcore, "SetProcessDpiAwareness")));
    constexpr int kPerMonitorAware = 2;
    if (set && SUCCEEDED(set(kPerMonitorAware))) return;
  }
  SetProcessDPIAware();
}

// ---- The window procedure

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  const auto id = static_cast<Window>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  NativeWindow* nw = open_driver && id ? open_driver->native(id) : nullptr;
  if (!nw || nw->hwnd != hwnd) {
    // Not made yet, or already given up by the core.
    if (msg == WM_PAINT) {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    return DefWindowProcW(hwnd, msg, wparam, lparam);
  }
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      open_driver->paint(*nw, dc, ps.rcPaint);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // painting covers the whole client area
    case WM_SIZE:
      open_driver->sync_client_size(*nw);
      return 0;
    case WM_DPICHANGED:
      open_driver->rescale(*nw, LOWORD(wparam));
      return 0;
    case WM_CLOSE:
      // The program decides: its default processing destroys the window.
      core::post(Message{id, MsgType::Close});
      return 0;
    case WM_LBUTTONDOWN: {
      Message m{id, MsgType::LButtonDown};
      m.x = logical(static_cast<short>(LOWORD(lparam)), nw->scale);
      m.y = logical(static_cast<short>(HIWORD(lparam)), nw->scale);
      core::post(m);
      return 0;
    }
    case WM_TIMER:
      core::timer_fired(id, static_cast<int>(wparam));
      return 0;
    case WM_COMMAND:
      // From the menu (no control, notification 0); dialogs have their own procedure.
      if (lparam == 0 && HIWORD(wparam) == 0) core::post_command(id, LOWORD(wparam));
      return 0;
    case WM_ACTIVATEAPP:
      if (wparam) open_driver->activated();
      else open_driver->deactivated();
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wparam, lparam);
  }
}

// ---- Creating, showing, destroying

Size Win32Driver::create_window(WindowRecord& w) {
  auto owned = std::make_unique<NativeWindow>();
  NativeWindow& nw = *owned;
  nw.id = w.id;
  windows_[w.id] = std::move(owned);

  HMENU bar = w.menu ? build_menu(nw, w.menu, false, 0) : nullptr;
  const std::wstring title = widen(w.desc.title);
  nw.hwnd = CreateWindowExW(0, kWindowClass, title.c_str(), style_of(w.desc.style), w.outer.left,
                            w.outer.top, std::max(1, w.outer.width()),
                            std::max(1, w.outer.height()), nullptr, bar,
                            GetModuleHandleW(nullptr),
                            reinterpret_cast<LPVOID>(static_cast<LONG_PTR>(w.id)));
  if (!nw.hwnd) {
    if (bar) DestroyMenu(bar);
    windows_.erase(w.id);
    return {};
  }
  // The outer rectangle is in client pixels; on a monitor that scales, the window is as
  // many times larger as its whole factor.
  nw.scale = scale_for_dpi(window_dpi(nw.hwnd));
  if (nw.scale != 1)
    SetWindowPos(nw.hwnd, nullptr, w.outer.left * nw.scale, w.outer.top * nw.scale,
                 w.outer.width() * nw.scale, w.outer.height() * nw.scale,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  const SIZE client = device_client(nw.hwnd);
  return {client.cx / nw.scale, client.cy / nw.scale};
}

void Win32Driver::destroy_window(WindowRecord& w) {
  auto it = windows_.find(w.id);
  if (it == windows_.end()) return;
  std::unique_ptr<NativeWindow> nw = std::move(it->second);
  windows_.erase(it);
  // Its timers and menus go with it; its procedure hears nothing more.
  SetWindowLongPtrW(nw->hwnd, GWLP_USERDATA, 0);
  DestroyWindow(nw->hwnd);
}

void Win32Driver::show_window(WindowRecord& w) {
  NativeWindow* nw = native(w.id);
  if (!nw) return;
  HWND hwnd = nw->hwnd;
  ShowWindow(hwnd, SW_SHOWNORMAL);
  // Showing may have run the procedure (the size changed) and destroyed the window.
  if (!core::find(w.id) || !native(w.id)) return;
  SetForegroundWindow(hwnd);
  // Painted now: a program may draw and flush before its first wait.
  UpdateWindow(hwnd);
}

void Win32Driver::hide_window(WindowRecord& w) {
  if (NativeWindow* nw = native(w.id)) ShowWindow(nw->hwnd, SW_HIDE);
}

void Win32Driver::sync_client_size(NativeWindow& nw) {
  // A minimised window has no client area; it keeps its pixels for when it comes back.
  if (!nw.hwnd || IsIconic(nw.hwnd)) return;
  const SIZE client = device_client(nw.hwnd);
  core::client_resized(nw.id, {client.cx / nw.scale, client.cy / nw.scale});
}

void Win32Driver::rescale(NativeWindow& nw, unsigned dpi) {
  const WindowRecord* w = core::find(nw.id);
  if (!w) return;
  const int scale = scale_for_dpi(dpi);
  RECT r{};
  GetWindowRect(nw.hwnd, &r);
  if (scale != nw.scale) {
    // The same client pixels, each a square of the new side; the frame comes in the
    // system's metrics for the new monitor.
    const int width = (r.right - r.left) * scale / nw.scale;
    const int height = (r.bottom - r.top) * scale / nw.scale;
    nw.scale = scale;
    SetWindowPos(nw.hwnd, nullptr, 0, 0, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
  InvalidateRect(nw.hwnd, nullptr, FALSE);
  sync_client_size(nw);
}

}  // namespace kx508::platform::win32
