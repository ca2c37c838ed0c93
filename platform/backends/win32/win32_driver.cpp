// The Windows API backend's driver: starting and closing, the screen, the message loop,
// waiting and timers. Nothing runs the native loop on its own: the core's message loop
// drives it through process_events() and wait_events().
//
// What it implements and lacks: win32/win32_driver.h. Waiting sleeps in
// MsgWaitForMultipleObjectsEx until a message comes.
#include <algorithm>

#include "win32_internal.h"

namespace kx508::platform::win32 {

Win32Driver* open_driver = nullptr;

std::wstring widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    nullptr, 0);
  std::wstring out(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(const wchar_t* text, int length) {
  if (!text || length <= 0) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(n, 0)), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}

Win32Driver::~Win32Driver() {
  for (auto& [id, d] : dialogs_) {
    if (d.owner) EnableWindow(d.owner, TRUE);
    DestroyWindow(d.hwnd);
  }
  dialogs_.clear();
  for (auto& [id, nw] : windows_) {
    SetWindowLongPtrW(nw->hwnd, GWLP_USERDATA, 0);
    DestroyWindow(nw->hwnd);
  }
  windows_.clear();
  if (open_driver == this) open_driver = nullptr;
}

bool Win32Driver::start(std::string* why) {
  become_dpi_aware();
  if (GetSystemMetrics(SM_CXSCREEN) <= 0) {
    *why = "no desktop to show windows on (run it in a desktop session, or with "
           "KX508_PLATFORM=headless)";
    return false;
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = window_proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  wc.lpszClassName = kWindowClass;
  // A class left by an earlier start in this process is still good.
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    *why = "cannot register the window class (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  class_registered_ = true;
  open_driver = this;
  return true;
}

// The primary screen in client pixels of its own scale.
Size Win32Driver::screen_size() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  const int scale = scale_for_dpi(static_cast<unsigned>(dpi));
  return {GetSystemMetrics(SM_CXSCREEN) / scale, GetSystemMetrics(SM_CYSCREEN) / scale};
}

// ---- The message loop

void Win32Driver::process_events() {
  // What is queued now, and no more: a window that kept a paint pending would otherwise
  // keep this from returning.
  constexpr int kMaxMessages = 256;
  MSG m;
  for (int n = 0; n < kMaxMessages && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE); ++n) handle(m);
}

void Win32Driver::handle(MSG& m) {
  // A dialog's keys first: Enter, Escape and Tab work in it as in any dialog. A key with
  // Ctrl is the program's to hear of as well (Ctrl+Q ends it).
  for (auto& [id, d] : dialogs_) {
    if (m.message == WM_KEYDOWN && m.wParam != VK_CONTROL &&
        (GetKeyState(VK_CONTROL) & 0x8000) != 0 && (m.hwnd == d.hwnd || IsChild(d.hwnd, m.hwnd))) {
      if (std::optional<Message> k = key_message(m.message, m.wParam, 0, true)) {
        k->window = id;
        core::post(*k);
      }
    }
    if (IsDialogMessageW(d.hwnd, &m)) return;
  }
  if (handle_key(m)) return;
  DispatchMessageW(&m);
}

void Win32Driver::wait_events() {
  if (core::has_message()) return;
  // Sleeps until a message is in the queue, one already there included.
  MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  process_events();
}

void Win32Driver::start_timer(Window window, int id, int period_ms) {
  NativeWindow* nw = native(window);
  if (!nw) return;
  SetTimer(nw->hwnd, static_cast<UINT_PTR>(id), static_cast<UINT>(std::max(period_ms, 1)),
           nullptr);
}

void Win32Driver::stop_timer(Window window, int id) {
  if (NativeWindow* nw = native(window)) KillTimer(nw->hwnd, static_cast<UINT_PTR>(id));
}

// Every top-level window hears that the program lost the focus; the core is told once.
void Win32Driver::deactivated() {
  if (!active_) return;
  active_ = false;
  core::post_to_all(MsgType::FocusLost);
}

}  // namespace kx508::platform::win32

namespace kx508::platform {

std::unique_ptr<Driver> make_win32_driver() { return std::make_unique<win32::Win32Driver>(); }

}  // namespace kx508::platform
