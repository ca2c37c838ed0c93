// The Qt Widgets backend: one top-level widget per window (a menu bar over a client widget
// that shows the record's pixels), Qt input turned into queued messages, one QTimer per
// timer, and dialogs built from the parsed template. Qt's event loop never runs on its
// own: the core's message loop drives it through process_events() and wait_events().
#include "qt/qt_driver.h"

#include <xcb/xcb.h>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>
#include <utility>
#include <vector>

#include "backends.h"
#include "driver.h"

namespace platform {

namespace {

constexpr const char* kRunHeadless =
    "run on a desktop, under xvfb-run, or with KX508_PLATFORM=headless";

// ---------------------------------------------------------------------------------
// Starting Qt

// QApplication keeps references to these for its whole life.
int app_argc = 1;
char app_name[] = "kx508";
char* app_argv[] = {app_name, nullptr};

QtMessageHandler previous_handler = nullptr;
bool creating_app = false;

// What the platform plugin said while the application was being made: the reason, should
// no plugin start.
struct HeldMessage {
  QtMsgType type;
  std::string category;
  QString text;
};
std::vector<HeldMessage> held_messages;

// Warnings about the environment that say nothing about the program; they would only
// clutter the terminal.
bool is_noise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg || type == QtCriticalMsg) return false;
  static const char* const kNoise[] = {
      "XDG_RUNTIME_DIR",
      "QStandardPaths:",
      "Fontconfig",
      "fontconfig",
      "propagateSizeHints",
      "Ignoring XDG_SESSION_TYPE",
      "invalid style override",
      "This plugin does not support",
  };
  for (const char* n : kNoise)
    if (text.contains(QLatin1String(n))) return true;
  const char* category = context.category ? context.category : "";
  if (std::strcmp(category, "qt.qpa.fonts") == 0) return true;
  // A plugin that failed to load while another one started is no news.
  if (std::strcmp(category, "qt.qpa.plugin") == 0) return true;
  return false;
}

void print_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (is_noise(type, context, text)) return;
  if (previous_handler) {
    previous_handler(type, context, text);
    return;
  }
  std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, text).toLocal8Bit().constData());
  std::fflush(stderr);
}

void message_handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const char* category = context.category ? context.category : "";
  if (type == QtFatalMsg && creating_app) {
    // No platform plugin could start: Qt would abort and dump core. End as the library
    // does when no display can be opened: one line and status 1.
    QString reason = text.section(QLatin1Char('.'), 0, 0).trimmed();
    if (!held_messages.empty())
      reason = held_messages.back().text.section(QLatin1Char('\n'), 0, 0).trimmed();
    std::fprintf(stderr, "KX508: cannot start the Qt platform \"%s\": %s; %s\n",
                 qgetenv("QT_QPA_PLATFORM").constData(), reason.toLocal8Bit().constData(),
                 kRunHeadless);
    std::fflush(stderr);
    std::_Exit(1);
  }
  if (creating_app && std::strncmp(category, "qt.qpa", 6) == 0) {
    held_messages.push_back({type, category, text});
    return;
  }
  print_message(type, context, text);
}

// The application started: what its plugin said is shown as usual.
void release_held_messages() {
  for (const HeldMessage& m : held_messages) {
    QMessageLogContext context(nullptr, 0, nullptr, m.category.c_str());
    print_message(m.type, context, m.text);
  }
  held_messages.clear();
}

// Decides the Qt platform plugin and, for X11, checks that the display can be reached:
// Qt itself would abort when it cannot. The open check connection is returned in *held:
// closing it before Qt connects would let a server that resets on its last client's exit
// (a bare Xvfb) reset just as Qt connects, and refuse it.
bool probe_display(std::string* why, xcb_connection_t** held) {
  *held = nullptr;
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  std::string plugin = chosen && *chosen ? chosen : "";
  if (plugin.empty()) {
    // Only X11 is probed; without this Qt would try others on its own.
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    plugin = "xcb";
  }
  // With a list ("xcb;offscreen") Qt falls back by itself; options follow ':'.
  if (plugin.find(';') != std::string::npos) return true;
  if (plugin.substr(0, plugin.find(':')) != "xcb") return true;

  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    *why = std::string("cannot open a display: DISPLAY is not set; ") + kRunHeadless;
    return false;
  }
  // A server whose last client has just left (this process's previous run, or another
  // program) refuses connections while it resets: try again a few times, briefly.
  for (int delay_ms : {50, 100, 200, 0}) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (!xcb_connection_has_error(connection)) {
      *held = connection;
      return true;
    }
    xcb_disconnect(connection);  // an erroneous connection must be freed too
    if (delay_ms) std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
  }
  *why = std::string("cannot connect to X display \"") + display + "\"; " + kRunHeadless;
  return false;
}

// ---------------------------------------------------------------------------------
// Input

// The classic virtual-key code of a Qt key; punctuation as on a US keyboard.
int virtual_key(int key, Qt::KeyboardModifiers modifiers) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
  const bool keypad = modifiers & Qt::KeypadModifier;
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return keypad ? 96 + (key - Qt::Key_0) : key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
  if (keypad) {
    switch (key) {
      case Qt::Key_Asterisk: return 106;
      case Qt::Key_Plus: return 107;
      case Qt::Key_Minus: return 109;
      case Qt::Key_Period: case Qt::Key_Comma: return 110;
      case Qt::Key_Slash: return 111;
      default: break;
    }
  }
  switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 9;
    case Qt::Key_Clear: return 12;
    case Qt::Key_Return: case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: case Qt::Key_AltGr: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Print: return 44;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Super_L: case Qt::Key_Meta: return 91;
    case Qt::Key_Super_R: return 92;
    case Qt::Key_Menu: return 93;
    case Qt::Key_NumLock: return 144;
    case Qt::Key_ScrollLock: return 145;
    // Shifted digits report the symbol; the key is still the digit's.
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_Semicolon: case Qt::Key_Colon: return 186;
    case Qt::Key_Equal: case Qt::Key_Plus: return 187;
    case Qt::Key_Comma: case Qt::Key_Less: return 188;
    case Qt::Key_Minus: case Qt::Key_Underscore: return 189;
    case Qt::Key_Period: case Qt::Key_Greater: return 190;
    case Qt::Key_Slash: case Qt::Key_Question: return 191;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return 192;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return 219;
    case Qt::Key_Backslash: case Qt::Key_Bar: return 220;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return 221;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return 222;
    default: return 0;
  }
}

// The character a key types, 0 if none or not a single byte.
int typed_char(const QKeyEvent* e) {
  // X11 gives Delete the text DEL, but the key types nothing.
  if (e->key() == Qt::Key_Delete) return 0;
  const QString text = e->text();
  if (text.isEmpty()) return 0;
  const int c = text.at(0).unicode();
  return c >= 1 && c <= 255 ? c : 0;
}

void post_key(Window window, QKeyEvent* e, bool down) {
  e->accept();
  // X11 repeats a held key as release and press pairs; a repeat is more KeyDowns only.
  if (!down && e->isAutoRepeat()) return;
  Message m{window, down ? MsgType::KeyDown : MsgType::KeyUp};
  m.param = virtual_key(e->key(), e->modifiers());
  if (down) m.ch = typed_char(e);
  core::post(m);
}

void post_command(Window window, int id) {
  Message m{window, MsgType::Command};
  m.param = id;
  core::post(m);
}

QColor to_qcolor(Colour c) { return QColor::fromRgb(static_cast<QRgb>(c)); }

// The client pixels as an image over the same memory, no copy.
QImage image_over(Surface& s) {
  return QImage(reinterpret_cast<uchar*>(s.data()), s.width(), s.height(), s.width() * 4,
                QImage::Format_RGB32);
}

// Shows a menu entry's check mark and grayed state as the record has them. An entry is
// checkable only while checked: an unchecked checkable entry would show an empty box.
void apply_state(QAction* action, unsigned flags, bool popup) {
  if (!popup) {
    if (flags & MF_CHECKED) {
      action->setCheckable(true);
      action->setChecked(true);
    } else {
      action->setChecked(false);
      action->setCheckable(false);
    }
  }
  action->setEnabled(!(flags & MF_GRAYED));
}

// A popup may be shown inside another; a menu that contains itself stops here.
constexpr int kMenuDepth = 8;

// ---------------------------------------------------------------------------------
// Widgets

class QtDriver;
QtDriver* open_driver = nullptr;  // the widgets' way back to the driver

// Shows the record's client pixels and turns keyboard and mouse input into messages.
class ClientWidget final : public QWidget {
 public:
  ClientWidget(Window id, QWidget* parent) : QWidget(parent), id_(id) {
    setObjectName(QLatin1String(qt::kClientName));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
  }
  void detach() { id_ = 0; }

 protected:
  void paintEvent(QPaintEvent* e) override {
    QPainter p(this);
    WindowRecord* rec = core::find(id_);
    if (!rec) {
      p.fillRect(rect(), palette().window());
      return;
    }
    Surface& s = rec->client;
    const QRegion pixels(0, 0, s.width(), s.height());
    if (s.width() > 0 && s.height() > 0) {
      // One canvas pixel per logical pixel; with a whole device pixel ratio each becomes
      // an exact square of screen pixels. Only the parts asked for are drawn.
      p.setRenderHint(QPainter::SmoothPixmapTransform, false);
      const QImage image = image_over(s);
      for (const QRect& r : e->region() & pixels) p.drawImage(r.topLeft(), image, r);
    }
    for (const QRect& r : e->region() - pixels) p.fillRect(r, to_qcolor(rec->desc.background));
  }

  void keyPressEvent(QKeyEvent* e) override { post_key(id_, e, true); }
  void keyReleaseEvent(QKeyEvent* e) override { post_key(id_, e, false); }

  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) return;
    Message m{id_, MsgType::LButtonDown};
    m.x = static_cast<int>(std::floor(e->position().x()));
    m.y = static_cast<int>(std::floor(e->position().y()));
    core::post(m);
  }
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
  void closeEvent(QCloseEvent* e) override {
    // The program decides: its default processing destroys the window.
    e->ignore();
    core::post(Message{id_, MsgType::Close});
  }
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

  std::string item_text(int id) const {
    auto it = items_.find(id);
    if (it == items_.end()) return {};
    QWidget* w = it->second.widget;
    QString text;
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) text = e->toPlainText();
    else if (auto* l = qobject_cast<QLineEdit*>(w)) text = l->text();
    else if (auto* b = qobject_cast<QPushButton*>(w)) text = b->text();
    else if (auto* s = qobject_cast<QLabel*>(w)) text = s->text();
    else return it->second.text;
    return text.toStdString();
  }

  // Escape, and everything else that would cancel: the program's procedure decides.
  void reject() override { post_command(id_, cancel_id_); }
  void accept() override {}

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    post_command(id_, cancel_id_);
  }

  void keyPressEvent(QKeyEvent* e) override {
    if (is_plain_enter(e)) {
      post_command(id_, default_id_);
      return;
    }
    QDialog::keyPressEvent(e);
  }

  // Enter in the multi-line edit answers the dialog instead of starting a new line.
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::KeyPress && is_plain_enter(static_cast<QKeyEvent*>(e))) {
      post_command(id_, default_id_);
      return true;
    }
    return QDialog::eventFilter(watched, e);
  }

 private:
  static bool is_plain_enter(const QKeyEvent* e) {
    return (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
           (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  }

  struct Item {
    QWidget* widget;
    std::string text;  // for items without a widget
  };
  Window id_;
  int default_id_;
  int cancel_id_;
  std::map<int, Item> items_;
};

// ---------------------------------------------------------------------------------
// The driver

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
  bool creating = false;
};

class QtDriver final : public Driver {
 public:
  ~QtDriver() override;
  bool start(std::string* why) override;
  Size screen_size() override;

  Size create_window(WindowRecord& w) override;
  void destroy_window(WindowRecord& w) override;
  void show_window(WindowRecord& w) override;
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

  // From the widgets
  void lay_out(Window id);
  void fit_frame(Window id);

 private:
  NativeWindow* native(Window id) {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : it->second.get();
  }
  void build_menu_bar(NativeWindow& nw, const WindowRecord& w);
  void fill_menu(QWidget* target, NativeWindow& nw, Menu menu, int depth);
  void set_inner_size(NativeWindow& nw, const WindowRecord& w, QSize size);
  // Tells the core when the client widget's size differs from the record's. Last thing a
  // caller does: the window procedure runs and may destroy the window.
  void sync_client_size(NativeWindow& nw);
  static void flush_deferred_deletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QApplication* owned_app_ = nullptr;
  bool handler_installed_ = false;
  std::unique_ptr<QObject> context_;  // owns our connections to the application
  std::map<Window, std::unique_ptr<NativeWindow>> windows_;
  std::map<std::pair<Window, int>, std::unique_ptr<QTimer>> timers_;
  std::map<Window, QPointer<DialogWidget>> dialogs_;
};

bool TopWindow::event(QEvent* e) {
  const bool handled = QWidget::event(e);
  switch (e->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
      // The window manager tells the frame's size only once the window is up.
      if (open_driver && id_) open_driver->fit_frame(id_);
      break;
    default:
      break;
  }
  return handled;
}

void TopWindow::resizeEvent(QResizeEvent*) {
  if (open_driver && id_) open_driver->lay_out(id_);
}

QtDriver::~QtDriver() {
  if (open_driver == this) open_driver = nullptr;
  timers_.clear();
  for (auto& [id, d] : dialogs_) delete d.data();
  dialogs_.clear();
  for (auto& [id, nw] : windows_) delete nw->top.data();
  windows_.clear();
  context_.reset();
  flush_deferred_deletes();
  delete owned_app_;
  if (handler_installed_) qInstallMessageHandler(previous_handler);
}

bool QtDriver::start(std::string* why) {
  if (!QCoreApplication::instance()) {
    xcb_connection_t* probe = nullptr;
    if (!probe_display(why, &probe)) return false;
    previous_handler = qInstallMessageHandler(message_handler);
    handler_installed_ = true;
    // Whole scale factors only, so that a canvas pixel is a square of screen pixels.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Round);
    // The bar stays in the window: a desktop-wide menu would change the client area.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    creating_app = true;
    owned_app_ = new QApplication(app_argc, app_argv);
    creating_app = false;
    if (probe) xcb_disconnect(probe);
    release_held_messages();
  } else if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    *why = "a Qt application without widgets is already running in this process";
    return false;
  } else {
    previous_handler = qInstallMessageHandler(message_handler);
    handler_installed_ = true;
  }
  QApplication::setQuitOnLastWindowClosed(false);
  context_ = std::make_unique<QObject>();
  QObject::connect(qApp, &QGuiApplication::applicationStateChanged, context_.get(),
                   [](Qt::ApplicationState state) {
                     if (state != Qt::ApplicationActive) core::post_to_all(MsgType::FocusLost);
                   });
  open_driver = this;
  return true;
}

Size QtDriver::screen_size() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  return {screen->size().width(), screen->size().height()};
}

// ---- Windows

Size QtDriver::create_window(WindowRecord& w) {
  auto owned = std::make_unique<NativeWindow>();
  NativeWindow& nw = *owned;
  nw.id = w.id;
  nw.creating = true;
  windows_[w.id] = std::move(owned);

  nw.top = new TopWindow(w.id);
  TopWindow* top = nw.top;
  top->setWindowTitle(QString::fromStdString(w.desc.title));
  if (w.desc.style == WindowStyle::Fixed)
    top->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint);
  QPalette palette = top->palette();
  palette.setColor(QPalette::Window, to_qcolor(w.desc.background));
  top->setPalette(palette);
  top->setAutoFillBackground(true);

  nw.client = new ClientWidget(w.id, top);
  top->setFocusProxy(nw.client);
  if (w.menu) build_menu_bar(nw, w);

  // The outer rectangle includes the frame; until the window manager tells how big the
  // frame is, the window takes all of it.
  top->move(w.outer.left, w.outer.top);
  set_inner_size(nw, w, QSize(std::max(1, w.outer.width()), std::max(1, w.outer.height())));
  lay_out(w.id);
  nw.creating = false;
  return {nw.client->width(), nw.client->height()};
}

void QtDriver::destroy_window(WindowRecord& w) {
  std::erase_if(timers_, [&](const auto& t) { return t.first.first == w.id; });
  auto it = windows_.find(w.id);
  if (it == windows_.end()) return;
  std::unique_ptr<NativeWindow> nw = std::move(it->second);
  windows_.erase(it);
  if (TopWindow* top = nw->top) {
    top->detach();
    nw->client->detach();
    top->hide();
    // We may be inside one of its event handlers.
    top->deleteLater();
  }
}

void QtDriver::show_window(WindowRecord& w) {
  NativeWindow* nw = native(w.id);
  if (!nw || !nw->top) return;
  const bool first = !w.shown;
  QPointer<TopWindow> top = nw->top;
  top->show();
  // Showing may have run the procedure (the size changed) and destroyed the window.
  if (!top || !core::find(w.id)) return;
  top->raise();
  top->activateWindow();
  if (first) core::invalidate(w.id);
}

void QtDriver::present(WindowRecord& w, std::span<const Rect> parts) {
  NativeWindow* nw = native(w.id);
  if (!nw) return;
  QRegion region;
  for (const Rect& r : parts) region += QRect(r.left, r.top, r.width(), r.height());
  nw->client->update(region);
}

void QtDriver::set_inner_size(NativeWindow& nw, const WindowRecord& w, QSize size) {
  if (w.desc.style == WindowStyle::Fixed) nw.top->setFixedSize(size);
  else nw.top->resize(size);
}

void QtDriver::lay_out(Window id) {
  NativeWindow* nw = native(id);
  if (!nw || !nw->top) return;
  const int width = nw->top->width();
  int bar_height = 0;
  if (nw->bar) {
    bar_height = nw->bar->heightForWidth(width);
    if (bar_height < 0) bar_height = nw->bar->sizeHint().height();
    nw->bar->setGeometry(0, 0, width, bar_height);
  }
  nw->client->setGeometry(0, bar_height, width, std::max(0, nw->top->height() - bar_height));
  sync_client_size(*nw);
}

void QtDriver::fit_frame(Window id) {
  NativeWindow* nw = native(id);
  if (!nw || !nw->top || !nw->top->isVisible()) return;
  QWindow* handle = nw->top->windowHandle();
  const WindowRecord* w = core::find(id);
  if (!handle || !w) return;
  const QMargins m = handle->frameMargins();
  if (m == nw->frame) return;
  nw->frame = m;
  // Outer edge to outer edge as asked, the frame now included.
  set_inner_size(*nw, *w,
                 QSize(std::max(1, w->outer.width() - m.left() - m.right()),
                       std::max(1, w->outer.height() - m.top() - m.bottom())));
  lay_out(id);
}

void QtDriver::sync_client_size(NativeWindow& nw) {
  if (nw.creating) return;
  const WindowRecord* w = core::find(nw.id);
  if (!w) return;
  const QSize s = nw.client->size();
  if (s.width() != w->client.width() || s.height() != w->client.height())
    core::client_resized(nw.id, {s.width(), s.height()});
}

// ---- Menus

void QtDriver::menu_bar_changed(WindowRecord& w) {
  NativeWindow* nw = native(w.id);
  if (!nw) return;  // not made yet: create_window builds the bar
  build_menu_bar(*nw, w);
  lay_out(w.id);
}

// The action changes in place, so a menu the user has open stays open.
void QtDriver::menu_item_changed(WindowRecord& w, Menu menu, std::size_t index) {
  NativeWindow* nw = native(w.id);
  const MenuRecord* rec = core::find_menu(menu);
  if (!nw || !rec || index >= rec->entries.size()) return;
  for (const NativeWindow::Built& b : nw->built)
    if (b.menu == menu && b.index == index && b.action)
      apply_state(b.action, rec->entries[index].flags, b.popup);
}

void QtDriver::build_menu_bar(NativeWindow& nw, const WindowRecord& w) {
  if (nw.bar) {
    nw.bar->hide();
    nw.bar->deleteLater();
    nw.bar = nullptr;
  }
  nw.built.clear();
  if (!w.menu || !core::find_menu(w.menu)) return;
  QMenuBar* bar = new QMenuBar(nw.top);
  bar->setObjectName(QLatin1String(qt::kMenuBarName));
  // A desktop-wide menu would take the bar out of the window and change its client area.
  bar->setNativeMenuBar(false);
  nw.bar = bar;
  fill_menu(bar, nw, w.menu, 0);
  if (nw.top->isVisible()) bar->show();
}

void QtDriver::fill_menu(QWidget* target, NativeWindow& nw, Menu menu, int depth) {
  const MenuRecord* rec = core::find_menu(menu);
  if (!rec || depth > kMenuDepth) return;
  for (std::size_t i = 0; i < rec->entries.size(); ++i) {
    const MenuEntry& e = rec->entries[i];
    if (e.flags & MF_SEPARATOR) {
      auto* separator = new QAction(target);
      separator->setSeparator(true);
      target->addAction(separator);
      continue;
    }
    const QString text = QString::fromStdString(e.text);
    if (e.flags & MF_POPUP) {
      auto* popup = new QMenu(text, target);
      target->addAction(popup->menuAction());
      apply_state(popup->menuAction(), e.flags, true);
      nw.built.push_back({menu, i, popup->menuAction(), true});
      fill_menu(popup, nw, e.id, depth + 1);
      continue;
    }
    // The text after a tab is shown as the shortcut; no shortcut is installed: the
    // program reads the keys itself.
    auto* action = new QAction(text, target);
    apply_state(action, e.flags, false);
    target->addAction(action);
    nw.built.push_back({menu, i, action, false});
    const Window window = nw.id;
    const int id = static_cast<int>(e.id);
    QObject::connect(action, &QAction::triggered, action, [window, menu, i, id, action] {
      // Qt has flipped a checkable entry already; the mark is the program's to set.
      if (const MenuRecord* m = core::find_menu(menu); m && i < m->entries.size())
        apply_state(action, m->entries[i].flags, false);
      post_command(window, id);
    });
  }
}

// ---- Events and timers

void QtDriver::process_events() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  flush_deferred_deletes();
}

void QtDriver::wait_events() {
  if (core::has_message()) return;
  // A deferred delete left queued would keep the dispatcher from sleeping.
  flush_deferred_deletes();
  // The dispatcher sleeps until an event comes; QCoreApplication::processEvents with a
  // time limit would poll instead.
  if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance())
    d->processEvents(QEventLoop::WaitForMoreEvents);
  flush_deferred_deletes();
}

void QtDriver::start_timer(Window window, int id, int period_ms) {
  std::unique_ptr<QTimer>& timer = timers_[{window, id}];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(),
                     [window, id] { core::timer_fired(window, id); });
  }
  timer->start(std::max(period_ms, 1));
}

void QtDriver::stop_timer(Window window, int id) { timers_.erase({window, id}); }

// ---- Dialogs

bool QtDriver::create_dialog(WindowRecord& rec, WindowRecord* owner) {
  const DialogDesc& desc = rec.dialog;
  auto* dialog = new DialogWidget(rec.id, desc.default_id, desc.cancel_id);
  dialog->setWindowTitle(QString::fromStdString(desc.title));
  dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint);
  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->setSizeGripEnabled(false);

  // Dialog units: a quarter of the font's average character width, an eighth of its height.
  const QFontMetrics fm(dialog->font());
  const int char_width =
      std::max(1, (fm.horizontalAdvance(QStringLiteral(
                       "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2);
  const int char_height = std::max(1, fm.height());
  auto ux = [&](int du) { return static_cast<int>(std::lround(du * char_width / 4.0)); };
  auto uy = [&](int du) { return static_cast<int>(std::lround(du * char_height / 8.0)); };

  QWidget* first_edit = nullptr;
  for (const DialogItem& item : desc.items) {
    const QString text = QString::fromStdString(item.text);
    QWidget* widget = nullptr;
    switch (item.kind) {
      case DialogItemKind::Static: {
        auto* label = new QLabel(text, dialog);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
      }
      case DialogItemKind::Edit:
        if (item.multiline) {
          auto* edit = new QPlainTextEdit(text, dialog);
          edit->setTabChangesFocus(true);
          edit->installEventFilter(dialog);
          widget = edit;
        } else {
          auto* edit = new QLineEdit(text, dialog);
          if (item.password) edit->setEchoMode(QLineEdit::Password);
          widget = edit;
        }
        if (!first_edit) first_edit = widget;
        break;
      case DialogItemKind::Button: {
        auto* button = new QPushButton(text, dialog);
        button->setDefault(item.id == desc.default_id);
        const Window id = rec.id;
        const int item_id = item.id;
        QObject::connect(button, &QPushButton::clicked, button,
                         [id, item_id] { post_command(id, item_id); });
        widget = button;
        break;
      }
      case DialogItemKind::Other:
        break;
    }
    dialog->add_item(item.id, widget, item.text);
    if (!widget) continue;
    widget->setObjectName(qt::dialog_item_name(item.id));
    widget->setGeometry(ux(item.x), uy(item.y), ux(item.width), uy(item.height));
    widget->setEnabled(!item.disabled);
    widget->setVisible(item.visible);
  }
  if (first_edit) first_edit->setFocus();

  dialog->setFixedSize(std::max(1, ux(desc.width)), std::max(1, uy(desc.height)));
  // Placed from the owner's client area; kept out of the owner's widget tree, so that the
  // dialog stays answerable if the owner goes first.
  QPoint origin;
  NativeWindow* nw = owner ? native(owner->id) : nullptr;
  if (nw && nw->top) {
    origin = nw->client->mapToGlobal(QPoint(0, 0));
    dialog->winId();
    if (QWindow* handle = dialog->windowHandle())
      handle->setTransientParent(nw->top->windowHandle());
  }
  dialog->move(origin + QPoint(ux(desc.x), uy(desc.y)));
  dialogs_[rec.id] = dialog;
  // Not exec(): the core runs the modal loop and keeps the other windows' messages going.
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  return true;
}

void QtDriver::destroy_dialog(WindowRecord& rec) {
  auto it = dialogs_.find(rec.id);
  if (it == dialogs_.end()) return;
  QPointer<DialogWidget> dialog = it->second;
  dialogs_.erase(it);
  if (dialog) {
    dialog->hide();
    dialog->deleteLater();
  }
}

std::string QtDriver::dialog_item_text(WindowRecord& rec, int item_id) {
  auto it = dialogs_.find(rec.id);
  if (it == dialogs_.end() || !it->second) return {};
  return it->second->item_text(item_id);
}

}  // namespace

std::unique_ptr<Driver> make_qt_driver() { return std::make_unique<QtDriver>(); }

}  // namespace platform

#if defined(__SANITIZE_ADDRESS__)
// Without a session bus, libdbus keeps a buffer from the bus look-up that Qt's accessibility
// bridge makes once per process: libdbus's to free, not ours. Weak, so that a program with
// suppressions of its own keeps them.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}
#endif
