// What the Qt backend's files share: the widgets, the driver class and the helpers
// each file offers the others. Nothing outside platform/backends/qt/ includes this.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDialog>
#include <QMargins>
#include <QPointer>
#include <QSize>
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "driver.h"
#include "qt/qt_driver.h"

class QAction;
class QKeyEvent;
class QMenuBar;
#ifdef KX508_HAVE_X11
struct xcb_connection_t;
#endif

namespace kx508::platform::qt {

inline constexpr const char* kRunHeadless =
    "run on a desktop, under xvfb-run, or with KX508_PLATFORM=headless";

// ---- Starting Qt (qt_start.cpp)

// Picks the Qt platform, checks that its display can be reached and makes the
// application, with Qt's log going through ours. Null, with the reason, when no display
// can be opened; ends the process with one line and status 1 when Qt itself cannot start
// its platform.
QApplication* make_application(std::string* why);
// Qt's log through ours, for an application that was already running; and back.
void install_message_handler();
void restore_message_handler();

#ifdef KX508_HAVE_X11
// Checks that the X display Qt's xcb platform will use can be reached: Qt itself would
// abort when it cannot (qt_x11_probe.cpp). The connection stays open until release() or
// the probe's end: closing it before Qt connects would let a server that resets on its
// last client's exit (a bare Xvfb) reset just as Qt connects, and refuse it.
class X11Probe {
 public:
  X11Probe() = default;
  X11Probe(const X11Probe&) = delete;
  X11Probe& operator=(const X11Probe&) = delete;
  ~X11Probe();
  // False, with the reason, when DISPLAY is not set or its server cannot be reached.
  bool connect(std::string* why);
  void release();

 private:
  xcb_connection_t* connection_ = nullptr;
};
#endif

// ---- Input (qt_keys.cpp)

// The classic virtual-key code of a Qt key; punctuation as on a US keyboard.
int virtual_key(int key, Qt::KeyboardModifiers modifiers);
// The character a key types, 0 if none or not a single byte.
int typed_char(const QKeyEvent* e);
void post_key(Window window, QKeyEvent* e, bool down);

// ---- Widgets (qt_windows.cpp, qt_dialogs.cpp)

// Shows the record's client pixels and turns keyboard and mouse input into messages.
class ClientWidget final : public QWidget {
 public:
  ClientWidget(Window id, QWidget* parent);
  void detach() { id_ = 0; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override { post_key(id_, e, true); }
  void keyReleaseEvent(QKeyEvent* e) override { post_key(id_, e, false); }
  void mousePressEvent(QMouseEvent* e) override;
  // Our windows take no double clicks: the second click is a click like the first.
  void mouseDoubleClickEvent(QMouseEvent* e) override { mousePressEvent(e); }
  // Tab is a key for the program, not a focus move.
  bool focusNextPrevChild(bool) override { return false; }

 private:
  Window id_;
};

class TopWindow final : public QWidget {
 public:
  explicit TopWindow(Window id) : id_(id) {}
  void detach() { id_ = 0; }

 protected:
  bool event(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  // Keys that reach the window without going through the client (the menu bar had focus).
  void keyPressEvent(QKeyEvent* e) override { post_key(id_, e, true); }
  void keyReleaseEvent(QKeyEvent* e) override { post_key(id_, e, false); }

 private:
  Window id_;
};

class DialogWidget final : public QDialog {
 public:
  DialogWidget(Window id, int default_id, int cancel_id)
      : id_(id), default_id_(default_id), cancel_id_(cancel_id) {}

  void add_item(int id, QWidget* widget, const std::string& text) {
    items_[id] = {widget, text};
  }
  std::string item_text(int id) const;

  // Escape, and everything else that would cancel: the program's procedure decides.
  void reject() override { core::post_command(id_, cancel_id_); }
  void accept() override {}

 protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  // Enter in the multi-line edit answers the dialog instead of starting a new line.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  static bool is_plain_enter(const QKeyEvent* e);

  struct Item {
    QWidget* widget;
    std::string text;  // for items without a widget
  };
  Window id_;
  int default_id_;
  int cancel_id_;
  std::map<int, Item> items_;
};

// ---- The driver (qt_driver.cpp; windows, menus and dialogs in their own files)

struct NativeWindow {
  Window id = 0;
  QPointer<TopWindow> top;
  ClientWidget* client = nullptr;  // a child of top
  QPointer<QMenuBar> bar;
  // Every built entry, found again by its menu and position when its state changes.
  struct Built {
    Menu menu;
    std::size_t index;
    QPointer<QAction> action;
    bool popup;
  };
  std::vector<Built> built;
  QMargins frame;     // the frame margins the size was last fitted to
  // Runs while a fixed window gives back a fullscreen or maximised state, restarted by
  // every move the window manager makes meanwhile.
  std::unique_ptr<QTimer> settle;
};

// States a fixed window does not take.
inline constexpr Qt::WindowStates kRefusedStates{Qt::WindowFullScreen | Qt::WindowMaximized};
// How long a window manager's moves must have stopped before a window is put back.
inline constexpr int kSettleMs = 150;
// Frame margins no window has: the next fit sets the size whatever the margins are.
inline const QMargins kUnknownFrame{-1, -1, -1, -1};

class QtDriver final : public Driver {
 public:
  ~QtDriver() override;
  bool start(std::string* why) override;
  Size screen_size() override;

  Size create_window(WindowRecord& w) override;
  void destroy_window(WindowRecord& w) override;
  void show_window(WindowRecord& w) override;
  void hide_window(WindowRecord& w) override;
  void await_frame(WindowRecord& w, int most_ms) override;
  void present(WindowRecord& w, std::span<const Rect> parts) override;
  void menu_bar_changed(WindowRecord& w) override;
  void menu_item_changed(WindowRecord& w, Menu menu, std::size_t index) override;
  void description_changed(WindowRecord& w) override;

  void process_events() override;
  void wait_events() override;
  void start_timer(Window window, int id, int period_ms) override;
  void stop_timer(Window window, int id) override;

  bool create_dialog(WindowRecord& dialog, WindowRecord* owner) override;
  void destroy_dialog(WindowRecord& dialog) override;
  std::string dialog_item_text(WindowRecord& dialog, int item_id) override;

  // The other windows take no input while a dialog is open (their close boxes still work).
  void enable_windows(bool enabled);

  // From the widgets
  void lay_out(Window id);
  void fit_frame(Window id);
  void handle_windowing_events(QPointer<TopWindow> top);
  void window_state_changed(Window id);
  // The window system changed the frame of the native window with this id (X11).
  void frame_changed(WId native_id);

 private:
  NativeWindow* native(Window id) {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : it->second.get();
  }
  void build_menu_bar(NativeWindow& nw, const WindowRecord& w);
  void fill_menu(QWidget* target, NativeWindow& nw, Menu menu, int depth);
  void set_inner_size(NativeWindow& nw, const WindowRecord& w, QSize size);
  void leave_refused_state(Window id);
  void settle(NativeWindow& nw);
  // Puts a fixed window back at its place and fits its frame again.
  void put_back(Window id);
  // Runs fn(id) on a later pass of the event loop, once Qt has handled what it is
  // handling now; nothing if the driver or the window is gone by then.
  void later(Window id, void (QtDriver::*fn)(Window));
  // Tells the core when the client widget's size differs from the record's. Last thing a
  // caller does: the window procedure runs and may destroy the window.
  void sync_client_size(NativeWindow& nw);
  void hide_all_before_deleting();
  static void flush_deferred_deletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QApplication* owned_app_ = nullptr;
  bool handler_installed_ = false;
  std::unique_ptr<QObject> context_;  // owns our connections to the application
  std::map<Window, std::unique_ptr<NativeWindow>> windows_;
  std::map<std::pair<Window, int>, std::unique_ptr<QTimer>> timers_;
  std::map<Window, QPointer<DialogWidget>> dialogs_;
#ifdef KX508_HAVE_X11
  std::unique_ptr<QAbstractNativeEventFilter> frame_watch_;
#endif
};

#ifdef KX508_HAVE_X11
// Tells the driver when a window manager changes a window's frame extents
// (qt_x11_frame.cpp); null when Qt does not run on X11.
std::unique_ptr<QAbstractNativeEventFilter> make_frame_watch();
// Whether a window manager runs that tells windows their frame extents (it says it
// supports _NET_FRAME_EXTENTS), and the extents it has told this one, in the display's
// pixels; nothing before it has.
bool window_manager_gives_frames();
std::optional<QMargins> frame_extents(WId window);
#endif

// The widgets' way back to the driver; null while none is open.
extern QtDriver* open_driver;

}  // namespace kx508::platform::qt
