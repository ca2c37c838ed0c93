// The Qt Widgets backend's driver: starting and closing, the screen, events, waiting and
// timers. Qt's event loop never runs on its own: the core's message loop drives it
// through process_events() and wait_events().
//
// What it implements and lacks: qt/qt_driver.h. Starting (qt_start.cpp) picks the Qt
// platform: the user's QT_QPA_PLATFORM, else X11 where there is an X display, else
// Wayland where there is only a Wayland display. Built with KX508_WITH_X11 it probes the
// X display first (qt_x11_probe.cpp) and declines, with the reason, when there is none;
// without it Qt chooses where there is no Wayland display.
#include <QAbstractEventDispatcher>
#include <QScreen>
#include <algorithm>

#include "qt_internal.h"

namespace kx508::platform {

namespace qt {

QtDriver* open_driver = nullptr;

QtDriver::~QtDriver() {
  if (open_driver == this) open_driver = nullptr;
#ifdef KX508_HAVE_X11
  if (frame_watch_ && qApp) qApp->removeNativeEventFilter(frame_watch_.get());
#endif
  timers_.clear();
  hide_all_before_deleting();
  for (auto& [id, d] : dialogs_) delete d.data();
  dialogs_.clear();
  for (auto& [id, nw] : windows_) delete nw->top.data();
  windows_.clear();
  context_.reset();
  flush_deferred_deletes();
  delete owned_app_;
  if (handler_installed_) restore_message_handler();
}

// On Wayland a toolkit thread answers the compositor's frame callbacks for each shown
// window; deleting a window that is still shown races with it (Qt 6.4 can abort at the
// program's end). Hidden first, a window gives its surface and callback up under the
// toolkit's own lock, and the events that follow are handled while it still exists.
void QtDriver::hide_all_before_deleting() {
  if (!qApp) return;
  bool any = false;
  for (auto& [id, d] : dialogs_)
    if (d && d->isVisible()) d->hide(), any = true;
  for (auto& [id, nw] : windows_)
    if (nw->top && nw->top->isVisible()) nw->top->hide(), any = true;
  if (any) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtDriver::start(std::string* why) {
  if (!QCoreApplication::instance()) {
    owned_app_ = make_application(why);
    if (!owned_app_) return false;
    handler_installed_ = true;
  } else if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    *why = "a Qt application without widgets is already running in this process";
    return false;
  } else {
    install_message_handler();
    handler_installed_ = true;
  }
  QApplication::setQuitOnLastWindowClosed(false);
  context_ = std::make_unique<QObject>();
  QObject::connect(qApp, &QGuiApplication::applicationStateChanged, context_.get(),
                   [](Qt::ApplicationState state) {
                     if (state != Qt::ApplicationActive) core::post_to_all(MsgType::FocusLost);
                   });
#ifdef KX508_HAVE_X11
  frame_watch_ = make_frame_watch();
  if (frame_watch_) qApp->installNativeEventFilter(frame_watch_.get());
#endif
  open_driver = this;
  return true;
}

Size QtDriver::screen_size() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  return {screen->size().width(), screen->size().height()};
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

}  // namespace qt

std::unique_ptr<Driver> make_qt_driver() { return std::make_unique<qt::QtDriver>(); }

}  // namespace kx508::platform
