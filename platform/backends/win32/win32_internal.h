// What the Windows API backend's files share: the driver class, the native windows and
// dialogs it keeps, and the helpers each file offers the others. Nothing outside
// platform/backends/win32/ includes this.
#pragma once

#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "driver.h"
#include "win32/win32_driver.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace kx508::platform::win32 {

// The window class of every window the backend makes.
inline constexpr wchar_t kWindowClass[] = L"KX508Window";

std::wstring widen(const std::string& utf8);
std::string narrow(const wchar_t* text, int length);

struct NativeWindow {
  Window id = 0;
  HWND hwnd = nullptr;
  int scale = 1;         // whole device pixels per client pixel, from the monitor's DPI
  // The native menus built for the record's menus, to find one again when an entry's
  // state changes.
  std::map<Menu, HMENU> menus;
};

struct NativeDialog {
  HWND hwnd = nullptr;
  HWND owner = nullptr;  // disabled while the dialog is up
};

class Win32Driver final : public Driver {
 public:
  ~Win32Driver() override;
  bool start(std::string* why) override;
  Size screen_size() override;

  Size create_window(WindowRecord& w) override;
  void destroy_window(WindowRecord& w) override;
  void show_window(WindowRecord& w) override;
  void hide_window(WindowRecord& w) override;
  void present(WindowRecord& w, std::span<const Rect> parts) override;
  void menu_bar_changed(WindowRecord& w) override;
  void menu_item_changed(WindowRecord& w, Menu menu, std::size_t index) override;

  void process_events() override;
  void wait_events() override;
  void start_timer(Window window, int id, int period_ms) override;
  void stop_timer(Window window, int id) override;

  bool create_dialog(WindowRecord& dialog, WindowRecord* owner) override;
  void destroy_dialog(WindowRecord& dialog) override;
  std::string dialog_item_text(WindowRecord& dialog, int item_id) override;

  // From the window procedure (win32_windows.cpp)
  NativeWindow* native(Window id) {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : it->second.get();
  }
  // Tells the core when the client area's size (in client pixels) differs from the
  // record's. Last thing a caller does: the window procedure runs and may destroy the
  // window.
  void sync_client_size(NativeWindow& nw);
  // The monitor's DPI changed for this window: outer size and scale follow.
  void rescale(NativeWindow& nw, unsigned dpi);
  // Draws these client pixels of the record (win32_present.cpp), and the part of the
  // client area beyond them in the background colour.
  void paint(NativeWindow& nw, HDC dc, const RECT& device_area);
  void deactivated();
  void activated() { active_ = true; }

 private:
  HMENU build_menu(NativeWindow& nw, Menu menu, bool popup, int depth);
  // Handles one native message: dialogs first, then keys, then the window procedures.
  void handle(MSG& m);
  bool handle_key(MSG& m);

  bool class_registered_ = false;
  bool active_ = false;  // whether the program had the focus, for one FocusLost per loss
  std::map<Window, std::unique_ptr<NativeWindow>> windows_;
  std::map<Window, NativeDialog> dialogs_;
};

// The open driver, for the window and dialog procedures; null while none is open.
extern Win32Driver* open_driver;

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
// The monitor's DPI for a window, 96 where the system cannot say.
unsigned window_dpi(HWND hwnd);
// Asks to be told each monitor's DPI rather than be scaled by the system.
void become_dpi_aware();

}  // namespace kx508::platform::win32
