// Windows: the top-level widget with its client widget, creating, showing and
// destroying them, presenting changed parts, and fitting the frame and the layout.
#include <QAbstractEventDispatcher>
#include <QBackingStore>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "qt_internal.h"

namespace kx508::platform::qt {

namespace {

QColor to_qcolor(Colour c) { return QColor::fromRgb(static_cast<QRgb>(c)); }

// The client pixels as an image over the same memory, no copy.
QImage image_over(Surface& s) {
  return QImage(reinterpret_cast<uchar*>(s.data()), s.width(), s.height(), s.width() * 4,
                QImage::Format_RGB32);
}

// Puts the changed parts straight into the top-level's backing store and sends them to
// the screen, without a paint event. A frame changes a few small parts ten times a
// second, and Qt's repaint of them (a posted update, a painter, the widget's paint) cost
// more than the copy itself. The backing store then holds what a paint would have drawn,
// so an expose that Qt serves from it shows the current picture. Declines (false), for
// Qt's repaint to do it, where that is not plain: a window not on the screen, a scale
// factor other than 1, or a backing store that is not 32-bit pixels.
bool write_through(QWidget& top, QWidget& client, const Surface& s, std::span<const Rect> parts) {
  QBackingStore* store = top.backingStore();
  QWindow* window = top.windowHandle();
  if (!store || !window || !window->isExposed() || !client.isVisible() ||
      top.devicePixelRatioF() != 1.0)
    return false;
  const QPoint at = client.mapTo(&top, QPoint(0, 0));
  const QRect shown = client.rect() & QRect(0, 0, s.width(), s.height());
  QRegion region;
  for (const Rect& r : parts)
    region += (QRect(r.left, r.top, r.width(), r.height()) & shown).translated(at);
  if (region.isEmpty()) return true;
  store->beginPaint(region);
  auto* image = dynamic_cast<QImage*>(store->paintDevice());
  const bool plain = image && (image->format() == QImage::Format_RGB32 ||
                               image->format() == QImage::Format_ARGB32 ||
                               image->format() == QImage::Format_ARGB32_Premultiplied);
  if (plain) {
    for (const QRect& r : region & image->rect()) {
      const std::size_t bytes = static_cast<std::size_t>(r.width()) * sizeof(Colour);
      for (int y = r.top(); y <= r.bottom(); ++y)
        std::memcpy(image->scanLine(y) + static_cast<std::size_t>(r.left()) * sizeof(Colour),
                    s.row(y - at.y()) + (r.left() - at.x()), bytes);
    }
  }
  store->endPaint();
  if (plain) store->flush(region, window);
  return plain;
}

}  // namespace

// ---- The widgets

ClientWidget::ClientWidget(Window id, QWidget* parent) : QWidget(parent), id_(id) {
  setObjectName(QLatin1String(kClientName));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
}

void ClientWidget::paintEvent(QPaintEvent* e) {
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

void ClientWidget::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  Message m{id_, MsgType::LButtonDown};
  m.x = static_cast<int>(std::floor(e->position().x()));
  m.y = static_cast<int>(std::floor(e->position().y()));
  core::post(m);
}

void TopWindow::closeEvent(QCloseEvent* e) {
  // The program decides: its default processing destroys the window.
  e->ignore();
  core::post(Message{id_, MsgType::Close});
}

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

void TopWindow::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange && open_driver && id_)
    open_driver->window_state_changed(id_);
}

// ---- Creating, showing, presenting

Size QtDriver::create_window(WindowRecord& w) {
  auto owned = std::make_unique<NativeWindow>();
  NativeWindow& nw = *owned;
  nw.id = w.id;
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
  nw.client->setAccessibleName(QString::fromStdString(w.desc.title));
  top->setFocusProxy(nw.client);
  if (w.menu) build_menu_bar(nw, w);

  // The outer rectangle includes the frame; until the window manager tells how big the
  // frame is, the window takes all of it.
  top->move(w.outer.left, w.outer.top);
  set_inner_size(nw, w, QSize(std::max(1, w.outer.width()), std::max(1, w.outer.height())));
  lay_out(w.id);
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
  QPointer<TopWindow> top = nw->top;
  top->show();
  // Showing may have run the procedure (the size changed) and destroyed the window.
  if (!top || !core::find(w.id)) return;
  top->raise();
  top->activateWindow();
  handle_windowing_events(top);
}

// A program may draw and flush before its first wait: what showing asked of the windowing
// system is sent, and what it has answered so far handled (input waits for the program's
// wait), so that the window is on its way to the screen.
void QtDriver::handle_windowing_events(QPointer<TopWindow> top) {
  if (top && top->windowHandle() && !top->windowHandle()->isExposed())
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtDriver::hide_window(WindowRecord& w) {
  NativeWindow* nw = native(w.id);
  if (nw && nw->top) nw->top->hide();
}

void QtDriver::present(WindowRecord& w, std::span<const Rect> parts) {
  NativeWindow* nw = native(w.id);
  if (!nw) return;
  if (nw->top && write_through(*nw->top, *nw->client, w.client, parts)) return;
  // Not on the screen yet (a program that has not waited): the windowing system's answers
  // so far are handled, and the picture goes there if they put the window on the screen.
  if (nw->top && nw->top->windowHandle() && !nw->top->windowHandle()->isExposed()) {
    handle_windowing_events(nw->top);
    nw = native(w.id);
    if (!nw || (nw->top && write_through(*nw->top, *nw->client, w.client, parts))) return;
  }
  QRegion region;
  for (const Rect& r : parts) region += QRect(r.left, r.top, r.width(), r.height());
  // Painted now, not at the next pass of the event loop: a program that flushes before
  // its first wait sees its picture.
  nw->client->repaint(region);
}

// What the window shows, in words, is the client widget's description for screen readers.
void QtDriver::description_changed(WindowRecord& w) {
  NativeWindow* nw = native(w.id);
  if (nw && nw->client) nw->client->setAccessibleDescription(QString::fromStdString(w.description));
}

// ---- Frame and layout

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
  if (nw->settle && nw->settle->isActive()) {
    // Moves while a refused state is given back: the frame means nothing yet.
    nw->settle->start();
    return;
  }
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

// A window manager reparents a window into its frame and tells the frame's size after the
// window is mapped; until then Qt knows no margins, and the client area is the whole
// window. Where one gives frames (X11), the first show waits for the window's, bounded,
// and for its fit: the size the program asks for next is the final one.
void QtDriver::await_frame(WindowRecord& w, int most_ms) {
#ifdef KX508_HAVE_X11
  if (!frame_watch_ || !window_manager_gives_frames()) return;
  const Window id = w.id;
  QElapsedTimer clock;
  clock.start();
  QTimer deadline;  // ends the last sleep below
  deadline.setSingleShot(true);
  deadline.start(most_ms);
  for (;;) {
    NativeWindow* nw = native(id);
    if (!nw || !nw->top || !nw->top->isVisible() || !nw->top->windowHandle()) return;
    // Given, read by Qt (which may not have seen the news yet), and fitted.
    if (const std::optional<QMargins> given = frame_extents(nw->top->internalWinId())) {
      const qreal ratio = nw->top->devicePixelRatioF();
      const QMargins frame(qRound(given->left() / ratio), qRound(given->top() / ratio),
                           qRound(given->right() / ratio), qRound(given->bottom() / ratio));
      if (nw->top->windowHandle()->frameMargins() == frame && nw->frame == frame) return;
    }
    if (clock.elapsed() >= most_ms) return;
    // Input waits for the program's own wait; the frame watch's fit runs here.
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance())
      d->processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    flush_deferred_deletes();
  }
#else
  (void)w;
  (void)most_ms;
#endif
}

void QtDriver::frame_changed(WId native_id) {
  for (auto& [id, nw] : windows_)
    if (nw->top && nw->top->internalWinId() == native_id) later(id, &QtDriver::fit_frame);
}

// ---- A fixed window stays as it was made

// A window manager may still make a fixed window fullscreen or maximised (a key of its
// own, a pager), and leave its title bar off the screen when the state goes. The state
// is given back at once; once the window manager's moves have settled, the window goes
// back to its place and its frame is fitted again.
void QtDriver::window_state_changed(Window id) {
  NativeWindow* nw = native(id);
  const WindowRecord* w = core::find(id);
  if (!nw || !nw->top || !w || w->desc.style != WindowStyle::Fixed) return;
  if (!(nw->top->windowState() & kRefusedStates)) return;
  settle(*nw);
  later(id, &QtDriver::leave_refused_state);
}

void QtDriver::leave_refused_state(Window id) {
  NativeWindow* nw = native(id);
  if (nw && nw->top) nw->top->setWindowState(nw->top->windowState() & ~kRefusedStates);
}

void QtDriver::settle(NativeWindow& nw) {
  if (!nw.settle) {
    nw.settle = std::make_unique<QTimer>();
    nw.settle->setSingleShot(true);
    nw.settle->setInterval(kSettleMs);
    const Window id = nw.id;
    QObject::connect(nw.settle.get(), &QTimer::timeout, nw.settle.get(),
                     [this, id] { put_back(id); });
  }
  nw.settle->start();
}

void QtDriver::put_back(Window id) {
  NativeWindow* nw = native(id);
  const WindowRecord* w = core::find(id);
  if (!nw || !nw->top || !w) return;
  // A window manager that insists keeps the state: nothing is gained by asking again.
  if (nw->top->windowState() & kRefusedStates) return;
  // The client's place from the frame's, with the margins as they are now: Qt's own
  // idea of the frame may still be the fullscreen one, without any.
  TopWindow& top = *nw->top;
  const QMargins m = top.windowHandle() ? top.windowHandle()->frameMargins() : QMargins();
  const QPoint place(w->outer.left + m.left(), w->outer.top + m.top());
  if (top.geometry().topLeft() != place) top.setGeometry(QRect(place, top.size()));
  nw->frame = kUnknownFrame;
  fit_frame(id);
}

void QtDriver::later(Window id, void (QtDriver::*fn)(Window)) {
  QMetaObject::invokeMethod(
      context_.get(), [this, id, fn] {
        if (open_driver == this && native(id)) (this->*fn)(id);
      },
      Qt::QueuedConnection);
}

void QtDriver::sync_client_size(NativeWindow& nw) {
  const QSize s = nw.client->size();
  core::client_resized(nw.id, {s.width(), s.height()});
}

}  // namespace kx508::platform::qt
