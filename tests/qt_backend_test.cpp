// The Qt backend under the library, on Qt's offscreen platform: the windows, input, the
// timer, menus, the prompt dialog and what the windows show.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "internal.h"
#include "kx508.h"
#include "qt/qt_driver.h"

namespace {

using kx508::platform::Message;
using kx508::platform::MsgType;

struct Event {
  int kind = 0;
  int x = 0, y = 0;
  char key = 0;
};

Event wait_event() {
  Event e;
  e.kind = KX508_wait_event(&e.x, &e.y, &e.key);
  return e;
}

QWidget* top_level(const char* title) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->windowTitle() == QLatin1String(title)) return w;
  return nullptr;
}

QWidget* client_of(QWidget* top) {
  return top ? top->findChild<QWidget*>(QLatin1String(kx508::platform::qt::kClientName)) : nullptr;
}

QMenu* run_menu_of(QWidget* top) {
  auto* bar = top->findChild<QMenuBar*>(QLatin1String(kx508::platform::qt::kMenuBarName));
  if (!bar || bar->actions().size() != 1) return nullptr;
  return bar->actions()[0]->menu();
}

// Takes every queued message, keeping those of the given types and dispatching none.
std::vector<Message> take(std::initializer_list<MsgType> types) {
  std::vector<Message> kept;
  Message m;
  while (kx508::platform::peek_message(m))
    for (MsgType t : types)
      if (m.type == t) kept.push_back(m);
  return kept;
}

// Dispatches everything queued, as the library's loop does.
void pump() {
  Message m;
  while (kx508::platform::peek_message(m)) {
    kx508::platform::translate_message(m);
    kx508::platform::dispatch_message(m);
  }
}

bool is_dark(QRgb p) { return qGray(p) < 128; }

int dark_pixels(const QImage& image, int top, int bottom) {
  int count = 0;
  for (int y = std::max(top, 0); y < std::min(bottom, image.height()); ++y)
    for (int x = 0; x < image.width(); ++x) count += is_dark(image.pixel(x, y));
  return count;
}

class QtBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    kx508::reset_library();
    std::string why;
    ASSERT_TRUE(kx508::platform::open_backend("qt", &why)) << why;
    ASSERT_EQ(KX508_start("kx508-test", nullptr, "", 1), 1);
    draw_top = top_level("KX508 Graphics");
    text_top = top_level("KX508 Text");
    ASSERT_NE(draw_top, nullptr);
    ASSERT_NE(text_top, nullptr);
    draw_client = client_of(draw_top);
    text_client = client_of(text_top);
    ASSERT_NE(draw_client, nullptr);
    ASSERT_NE(text_client, nullptr);
    pump();
  }

  void TearDown() override {
    KX508_stop();
    kx508::reset_library();
  }

  // The client pixel of a library point.
  static QPoint client_point(int x, int y) {
    return {kx508::lib.windows.canvas_origin.x + x, kx508::lib.windows.canvas_origin.y - y};
  }

  QWidget* draw_top = nullptr;
  QWidget* text_top = nullptr;
  QWidget* draw_client = nullptr;
  QWidget* text_client = nullptr;
};

// ---- Windows

TEST_F(QtBackendTest, WindowsHaveTheirTitlesSizesAndStyles) {
  // Outer edge to outer edge as the library asked, whatever frame the platform reports.
  QWindow* handle = draw_top->windowHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(draw_top->frameGeometry().size(), QSize(601, 540));
  EXPECT_EQ(draw_top->size(), QSize(601, 540).shrunkBy(handle->frameMargins()));

  // Fixed: no sizing, no minimise or maximise box.
  EXPECT_EQ(draw_top->minimumSize(), draw_top->maximumSize());
  EXPECT_FALSE(draw_top->windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_TRUE(draw_top->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_NE(text_top->minimumSize(), text_top->maximumSize());

  // The client area is what is left below the menu bar, and the library knows its size.
  auto* bar = draw_top->findChild<QMenuBar*>(QLatin1String(kx508::platform::qt::kMenuBarName));
  ASSERT_NE(bar, nullptr);
  EXPECT_GT(bar->height(), 0);
  EXPECT_EQ(draw_client->geometry(),
            QRect(0, bar->height(), draw_top->width(), draw_top->height() - bar->height()));
  kx508::platform::Rect client = kx508::platform::client_rect(kx508::lib.windows.draw_window);
  EXPECT_EQ(QSize(client.width(), client.height()), draw_client->size());
  EXPECT_EQ(kx508::lib.windows.canvas_origin.x, draw_client->width() / 2);

  // The text window spans the screen along its bottom third.
  QSize screen = QGuiApplication::primaryScreen()->size();
  kx508::platform::Size reported = kx508::platform::screen_size();
  EXPECT_EQ(QSize(reported.width, reported.height), screen);
  EXPECT_EQ(text_top->frameGeometry(),
            QRect(0, 2 * screen.height() / 3 + 1, screen.width(), screen.height() / 3));
  EXPECT_EQ(text_client->size(), text_top->size());  // no menu bar
}

TEST_F(QtBackendTest, CloseBoxEndsTheProgramThroughTheLibrary) {
  QPointer<QWidget> top = draw_top;
  // Qt's close is refused: the program's procedure decides, and destroys the window.
  EXPECT_FALSE(draw_top->close());
  EXPECT_TRUE(draw_top->isVisible());
  EXPECT_EQ(wait_event().kind, KX508_QUIT);
  pump();
  EXPECT_TRUE(top.isNull());
  EXPECT_FALSE(kx508::platform::is_window(kx508::lib.windows.draw_window));
  // The other window stays.
  EXPECT_EQ(top_level("KX508 Text"), text_top);
}

TEST_F(QtBackendTest, TextWindowCloseBoxHidesItUntilLoggingIsSwitchedOn) {
  QPointer<QWidget> top = text_top;
  EXPECT_FALSE(text_top->close());
  pump();
  ASSERT_FALSE(top.isNull());
  EXPECT_FALSE(text_top->isVisible());
  EXPECT_EQ(KX508_set_logging(1), 1);
  pump();
  EXPECT_TRUE(text_top->isVisible());
}

// The fixed window gives fullscreen and maximised back and returns to its place; the
// resizable one may be maximised.
TEST_F(QtBackendTest, FixedWindowRefusesFullscreenAndMaximised) {
  const QRect frame = draw_top->frameGeometry();
  for (Qt::WindowState state : {Qt::WindowFullScreen, Qt::WindowMaximized}) {
    SCOPED_TRACE(state);
    draw_top->setWindowState(state);
    EXPECT_TRUE(QTest::qWaitFor([&] {
      pump();
      return draw_top->windowState() == Qt::WindowNoState && draw_top->frameGeometry() == frame;
    }, 2000)) << draw_top->frameGeometry().x() << "," << draw_top->frameGeometry().y();
  }
  text_top->setWindowState(Qt::WindowMaximized);
  QTest::qWait(300);  // longer than a refused state takes to be given back
  pump();
  EXPECT_EQ(text_top->windowState(), Qt::WindowMaximized);
}

// A screen reader finds the drawing window by its title and hears what it shows.
TEST_F(QtBackendTest, DrawingWindowsClientIsDescribedForScreenReaders) {
  KX508_draw_triangle(KX508_BLUE, -60, -40, 60, -40, 0, 60, 0);
  kx508::describe_at_wait(kx508::DescribeWhen::AtOnce);
  EXPECT_EQ(draw_client->accessibleName(), QLatin1String("KX508 Graphics"));
  const QString words = draw_client->accessibleDescription();
  EXPECT_TRUE(words.startsWith(QLatin1String("A blue filled triangle"))) << words.toStdString();
}

// ---- Input

// Ctrl is read from each key event itself, so a Ctrl released where the program could
// not see it is not taken as still held.
TEST_F(QtBackendTest, KeysCarryCtrlFromTheKeyEventItself) {
  QTest::keyClick(draw_client, Qt::Key_L, Qt::ControlModifier);
  QTest::keyClick(draw_client, Qt::Key_L);
  std::vector<Message> downs = take({MsgType::KeyDown});
  ASSERT_EQ(downs.size(), 3u);  // Ctrl, then L with it, then L alone
  EXPECT_EQ(downs[0].param, kx508::platform::Key::Control);
  EXPECT_EQ(downs[1].modifiers, kx508::platform::Modifier::Ctrl);
  EXPECT_EQ(downs[2].modifiers, 0u);
}

TEST_F(QtBackendTest, ClickIsAMouseEventInLibraryCoordinates) {
  const QPoint o(kx508::lib.windows.canvas_origin.x, kx508::lib.windows.canvas_origin.y);
  // Other buttons are not clicks.
  QTest::mouseClick(draw_client, Qt::RightButton, {}, o);
  QTest::mouseClick(draw_client, Qt::LeftButton, {}, o + QPoint(10, -20));
  Event e = wait_event();
  EXPECT_EQ(e.kind, KX508_MOUSE);
  EXPECT_EQ(e.x, 10);
  EXPECT_EQ(e.y, 20);
}

TEST_F(QtBackendTest, KeysBecomeVirtualKeyCodesAndCharacters) {
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int vk, ch;
  };
  const Case cases[] = {
      {Qt::Key_A, Qt::NoModifier, 'A', 'a'},   {Qt::Key_Z, Qt::ShiftModifier, 'Z', 'Z'},
      {Qt::Key_7, Qt::NoModifier, '7', '7'},   {Qt::Key_Percent, Qt::ShiftModifier, '5', '%'},
      {Qt::Key_Return, Qt::NoModifier, 13, 13},
      {Qt::Key_Escape, Qt::NoModifier, 27, 27}, {Qt::Key_Backspace, Qt::NoModifier, 8, 8},
      {Qt::Key_Tab, Qt::NoModifier, 9, 9},     {Qt::Key_Space, Qt::NoModifier, 32, 32},
      {Qt::Key_Left, Qt::NoModifier, 37, 0},   {Qt::Key_Down, Qt::NoModifier, 40, 0},
      {Qt::Key_F1, Qt::NoModifier, 112, 0},    {Qt::Key_F12, Qt::NoModifier, 123, 0},
      {Qt::Key_Delete, Qt::NoModifier, 46, 0}, {Qt::Key_Insert, Qt::NoModifier, 45, 0},
      {Qt::Key_Home, Qt::NoModifier, 36, 0},   {Qt::Key_End, Qt::NoModifier, 35, 0},
      {Qt::Key_PageUp, Qt::NoModifier, 33, 0}, {Qt::Key_PageDown, Qt::NoModifier, 34, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vk);
    // A typed character as the platform gives it: its text, upper case with Shift.
    if (c.ch >= ' ' && c.ch < 127)
      QTest::keyClick(draw_client, static_cast<char>(c.ch), c.modifiers);
    else
      QTest::keyClick(draw_client, c.key, c.modifiers);
    std::vector<Message> keys = take({MsgType::KeyDown, MsgType::KeyUp});
    // With Shift held, its own key comes first and goes last.
    const bool shift = c.modifiers & Qt::ShiftModifier;
    ASSERT_EQ(keys.size(), shift ? 4u : 2u);
    const Message& down = keys[shift ? 1 : 0];
    const Message& up = keys[shift ? 2 : 1];
    EXPECT_EQ(down.type, MsgType::KeyDown);
    EXPECT_EQ(down.window, kx508::lib.windows.draw_window);
    EXPECT_EQ(down.param, c.vk);
    EXPECT_EQ(down.ch, c.ch);
    EXPECT_EQ(up.type, MsgType::KeyUp);
    EXPECT_EQ(up.param, c.vk);
    if (shift) {
      EXPECT_EQ(keys[0].param, 16);
      EXPECT_EQ(keys[3].param, 16);
    }
  }
  // Tab is the program's key, not a focus move.
  EXPECT_TRUE(draw_client->hasFocus());
}

TEST_F(QtBackendTest, TypedCharacterIsAKeyEvent) {
  QTest::keyClick(draw_client, 'Q', Qt::ShiftModifier);
  Event e = wait_event();
  EXPECT_EQ(e.kind, KX508_KEY);
  EXPECT_EQ(e.key, 'Q');
}

// Whichever window has the focus, its client takes the keys and posts them for its own
// window, with Ctrl; what the library makes of them is its own tests' business.
TEST_F(QtBackendTest, EitherWindowPostsCtrlKeysForItself) {
  const std::pair<QWidget*, kx508::platform::Window> windows[] = {
      {draw_top, kx508::lib.windows.draw_window}, {text_top, kx508::lib.windows.text_window}};
  for (const auto& [top, window] : windows) {
    SCOPED_TRACE(top->windowTitle().toStdString());
    top->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(top));
    QWidget* focus = QApplication::focusWidget();
    ASSERT_EQ(focus, client_of(top));
    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    std::vector<Message> downs = take({MsgType::KeyDown});
    ASSERT_EQ(downs.size(), 2u);  // Ctrl, then A with it
    EXPECT_EQ(downs[1].window, window);
    EXPECT_EQ(downs[1].param, 'A');
    EXPECT_EQ(downs[1].modifiers, kx508::platform::Modifier::Ctrl);
  }
}

// Another program taking the focus, as Qt tells it, reaches every window as FocusLost.
TEST_F(QtBackendTest, LosingTheApplicationFocusIsPostedToEveryWindow) {
  pump();
  emit qApp->applicationStateChanged(Qt::ApplicationInactive);
  std::vector<kx508::platform::Window> told;
  for (const Message& m : take({MsgType::FocusLost})) told.push_back(m.window);
  std::sort(told.begin(), told.end());
  EXPECT_EQ(told, (std::vector<kx508::platform::Window>{kx508::lib.windows.draw_window,
                                                 kx508::lib.windows.text_window}));
}

// ---- Timer

TEST_F(QtBackendTest, AnimationTicksAboutEvery100MsWithoutBusyWaiting) {
  KX508_set_animation(2);
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < 5; ++i) ASSERT_EQ(wait_event().kind, KX508_PERIODIC);
  const qint64 wall_ms = clock.elapsed();
  getrusage(RUSAGE_SELF, &after);
  // Four whole periods at least (the first tick may come early); slack for slow runs.
  EXPECT_GE(wall_ms, 350);
  EXPECT_LT(wall_ms, 3000);
  auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  const double cpu_ms = ms(after.ru_utime) - ms(before.ru_utime) + ms(after.ru_stime) -
                        ms(before.ru_stime);
  // Waiting sleeps in the event dispatcher; a polling wait would use the whole time.
  EXPECT_LT(cpu_ms, wall_ms * 0.5) << "cpu " << cpu_ms << " ms in " << wall_ms << " ms";
}

// ---- Menus

TEST_F(QtBackendTest, RunMenuShowsTheLibraryEntries) {
  auto* bar = draw_top->findChild<QMenuBar*>(QLatin1String(kx508::platform::qt::kMenuBarName));
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->actions().size(), 1);
  EXPECT_EQ(bar->actions()[0]->text(), QStringLiteral("&Run"));
  QMenu* menu = run_menu_of(draw_top);
  ASSERT_NE(menu, nullptr);

  const kx508::platform::MenuRecord* rec = kx508::platform::core::find_menu(kx508::lib.menu.run_menu);
  ASSERT_NE(rec, nullptr);
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), static_cast<qsizetype>(rec->entries.size()));
  int separators = 0, grayed = 0;
  for (qsizetype i = 0; i < actions.size(); ++i) {
    const kx508::platform::MenuEntry& e = rec->entries[i];
    QAction* a = actions[i];
    SCOPED_TRACE(e.text);
    EXPECT_EQ(a->isSeparator(), (e.flags & kx508::platform::MenuFlag::Separator) != 0);
    separators += a->isSeparator();
    if (a->isSeparator()) continue;
    EXPECT_EQ(a->text().toStdString(), e.text);
    EXPECT_EQ(a->isChecked(), (e.flags & kx508::platform::MenuFlag::Checked) != 0);
    EXPECT_EQ(a->isEnabled(), (e.flags & kx508::platform::MenuFlag::Grayed) == 0);
    grayed += !a->isEnabled();
    // The keys are the program's: the text only shows them.
    EXPECT_TRUE(a->shortcut().isEmpty());
  }
  EXPECT_EQ(separators, 4);
  EXPECT_EQ(grayed, 4);
  EXPECT_EQ(actions[0]->text(), QStringLiteral("&Animate\tCtrl+A"));
  EXPECT_EQ(actions[4]->text(), QStringLiteral("&Logging\tCtrl+L"));
  EXPECT_TRUE(actions[4]->isChecked());
}

TEST_F(QtBackendTest, ChoosingAnEntryPostsItsCommandId) {
  QMenu* menu = run_menu_of(draw_top);
  ASSERT_NE(menu, nullptr);
  std::vector<int> ids;
  for (QAction* a : menu->actions()) {
    if (a->isSeparator() || !a->isEnabled()) continue;
    a->trigger();
    std::vector<Message> commands = take({MsgType::Command});
    ASSERT_EQ(commands.size(), 1u) << a->text().toStdString();
    EXPECT_EQ(commands[0].window, kx508::lib.windows.draw_window);
    ids.push_back(commands[0].param);
  }
  using namespace kx508;
  EXPECT_EQ(ids, (std::vector<int>{kCmdAnimate, kCmdHalt, kCmdAdvanceFrame, kCmdLogging,
                                   kCmdRecord, kCmdPlayback, kCmdPlayOne, kCmdQuit}));
}

TEST_F(QtBackendTest, CheckMarkFollowsTheLibraryNotQt) {
  QMenu* menu = run_menu_of(draw_top);
  ASSERT_NE(menu, nullptr);
  QPointer<QAction> logging = menu->actions()[4];
  ASSERT_TRUE(logging->isChecked());

  logging->trigger();
  // Qt has not changed the mark ahead of the library...
  EXPECT_TRUE(logging->isChecked());
  pump();
  // ...which has now cleared it in the record, and the same entry follows.
  const kx508::platform::MenuRecord* rec = kx508::platform::core::find_menu(kx508::lib.menu.run_menu);
  ASSERT_NE(rec, nullptr);
  EXPECT_FALSE(rec->entries[4].flags & kx508::platform::MenuFlag::Checked);
  ASSERT_FALSE(logging.isNull());
  EXPECT_FALSE(logging->isChecked());
  EXPECT_EQ(run_menu_of(draw_top), menu);

  // An open menu stays open while the library changes a mark.
  menu->popup(draw_top->mapToGlobal(QPoint(10, 10)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  KX508_set_logging(1);
  pump();
  EXPECT_TRUE(menu->isVisible());
  EXPECT_TRUE(logging->isChecked());
  menu->hide();
}

// ---- The prompt dialog

QDialog* open_dialog() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) return d;
  return nullptr;
}

// A dialog that a broken backend never lets end would hang the test: end it from outside
// after a while, so the test fails on what it got instead.
void end_dialogs_after(int ms) {
  QTimer::singleShot(ms, [] {
    for (kx508::platform::Window id : kx508::platform::core::windows())
      if (kx508::platform::core::find(id)->is_dialog) kx508::platform::end_dialog(id, -2);
  });
}

template <typename T>
T* item(QDialog* dialog, int id) {
  return dialog ? dialog->findChild<T*>(kx508::platform::qt::dialog_item_name(id)) : nullptr;
}

TEST_F(QtBackendTest, GetsReturnsWhatWasTypedWhenEnterIsPressed) {
  bool found = false, modal = false, layout_ok = false;
  QString prompt;
  QTimer::singleShot(50, [&] {
    QDialog* d = open_dialog();
    auto* edit = item<QPlainTextEdit>(d, 102);
    auto* okay = item<QPushButton>(d, 101);
    auto* label = item<QLabel>(d, 103);
    found = d && edit && okay && label;
    if (!found) return;
    // Typing goes straight into the edit box; the drawing window takes no input meanwhile.
    modal = d->windowTitle() == QLatin1String("KX508_gets") &&
            !draw_client->window()->isEnabled() && okay->isDefault() &&
            QApplication::focusWidget() == edit;
    prompt = label->text();
    // Dialog units made pixels: the prompt over the edit box over the button, all inside.
    layout_ok = label->geometry().bottom() < edit->geometry().top() &&
                edit->geometry().bottom() < okay->geometry().top() &&
                d->rect().contains(label->geometry()) && d->rect().contains(edit->geometry()) &&
                d->rect().contains(okay->geometry());
    QTest::keyClicks(edit, "first");
    // Shift+Enter starts a new line; Enter alone answers.
    QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(edit, "second");
    QTest::keyClick(edit, Qt::Key_Return);
  });
  end_dialogs_after(5000);
  char reply[256] = "unchanged";
  ASSERT_EQ(KX508_gets("Your name?", reply), 1);
  ASSERT_TRUE(found);
  EXPECT_TRUE(modal);
  EXPECT_TRUE(layout_ok);
  EXPECT_TRUE(prompt.startsWith(QLatin1String("Your name?")));
  EXPECT_STREQ(reply, "first\nsecond");
  EXPECT_EQ(open_dialog(), nullptr);
  EXPECT_TRUE(draw_client->window()->isEnabled());
}

TEST_F(QtBackendTest, EscapeAndTheCloseBoxLeaveTheDialogOpen) {
  std::optional<bool> open_after_escape, open_after_close, ticks_went_on;
  kx508::lib.animation.periodic_due = false;
  QTimer::singleShot(50, [&] {
    if (QDialog* d = open_dialog()) QTest::keyClick(d, Qt::Key_Escape);
  });
  QTimer::singleShot(150, [&] {
    open_after_escape = open_dialog() != nullptr;
    if (QDialog* d = open_dialog()) d->close();
  });
  QTimer::singleShot(300, [&] {
    open_after_close = open_dialog() != nullptr;
    // The drawing window's timer kept being dispatched while the dialog was up.
    ticks_went_on = kx508::lib.animation.periodic_due;
    QDialog* d = open_dialog();
    if (auto* edit = item<QPlainTextEdit>(d, 102)) QTest::keyClicks(edit, "still here");
    if (auto* okay = item<QPushButton>(d, 101)) QTest::mouseClick(okay, Qt::LeftButton);
  });
  end_dialogs_after(5000);
  char reply[256] = "";
  ASSERT_EQ(KX508_gets("Press Okay", reply), 1);
  EXPECT_EQ(open_after_escape, true);
  EXPECT_EQ(open_after_close, true);
  EXPECT_EQ(ticks_went_on, true);
  EXPECT_STREQ(reply, "still here");
}

// ---- What the windows show

TEST_F(QtBackendTest, DrawingWindowShowsTheCanvasPixelForPixel) {
  KX508_set_logging(0);
  KX508_clear();
  KX508_draw_rectangle(2, -10, 10, 9, -9, 0);
  KX508_flush();
  const QImage shown = draw_client->grab().toImage();
  ASSERT_EQ(shown.size(), draw_client->size());
  const kx508::platform::WindowRecord* rec = kx508::platform::core::find(kx508::lib.windows.draw_window);
  ASSERT_NE(rec, nullptr);
  int differ = 0;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x)
      differ += (shown.pixel(x, y) & 0xFFFFFF) != (rec->client.pixel(x, y) & 0xFFFFFF);
  EXPECT_EQ(differ, 0);
  // The red square's corners are exactly where the library put them.
  EXPECT_EQ(shown.pixel(client_point(-10, 10)), qRgb(255, 0, 0));
  EXPECT_EQ(shown.pixel(client_point(9, -9)), qRgb(255, 0, 0));
  EXPECT_EQ(shown.pixel(client_point(-11, 10)), qRgb(255, 255, 255));
  EXPECT_EQ(shown.pixel(client_point(10, -9)), qRgb(255, 255, 255));
  EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 0));  // the canvas frame
}

// Changed parts go straight into the window's backing store, which is what the window
// system is shown from (also on an expose): it must hold the current picture as soon as
// the library has presented, with no paint event in between.
TEST_F(QtBackendTest, PresentedPartsAreWhatTheWindowShowsAtOnce) {
  KX508_set_logging(0);
  KX508_flush();
  QCoreApplication::processEvents();  // the first paint, of the whole canvas
  KX508_draw_rectangle(3, -20, 20, 19, -19, 0);
  KX508_flush();
  const kx508::platform::WindowRecord* rec = kx508::platform::core::find(kx508::lib.windows.draw_window);
  ASSERT_NE(rec, nullptr);
  const QPoint at = draw_client->mapTo(draw_top, QPoint(0, 0));
  const QImage shown = draw_top->screen()
                           ->grabWindow(draw_top->winId(), at.x(), at.y(), draw_client->width(),
                                        draw_client->height())
                           .toImage();
  ASSERT_EQ(shown.size(), draw_client->size());
  int differ = 0;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x)
      differ += (shown.pixel(x, y) & 0xFFFFFF) != (rec->client.pixel(x, y) & 0xFFFFFF);
  EXPECT_EQ(differ, 0);
  EXPECT_EQ(shown.pixel(client_point(0, 0)), qRgb(0, 255, 0));
}

TEST_F(QtBackendTest, LogLinesAreDrawnAtTheBottomOfTheTextWindowAndScrollUp) {
  const int line = kx508::platform::text_line_height(kx508::lib.windows.text_window);
  ASSERT_GT(line, 4);
  KX508_log("The first line of the log\n");
  QImage first = text_client->grab().toImage();
  const int h = first.height();
  EXPECT_GT(dark_pixels(first, h - line, h), 20);
  EXPECT_EQ(dark_pixels(first, 0, h - line), 0);

  KX508_log("Another line\n");
  QImage second = text_client->grab().toImage();
  // The first line moved up by exactly one line; the new one is below it.
  EXPECT_EQ(second.copy(0, h - 2 * line, second.width(), line),
            first.copy(0, h - line, first.width(), line));
  EXPECT_GT(dark_pixels(second, h - line, h), 10);
  EXPECT_EQ(dark_pixels(second, 0, h - 2 * line), 0);

  // A resized window keeps its log: the library repaints it at the new bottom.
  text_top->resize(text_top->width() - 100, text_top->height() + 40);
  pump();
  QImage resized = text_client->grab().toImage();
  ASSERT_EQ(resized.height(), h + 40);
  EXPECT_EQ(resized.copy(0, h + 40 - line, 200, line), second.copy(0, h - line, 200, line));
}

// ---- Starting

TEST(QtBackendStart, ReusesAnApplicationThatExistsAndLeavesItBehind) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int argc = 1;
  char name[] = "qt_backend_tests";
  char* argv[] = {name, nullptr};
  auto app = std::make_unique<QApplication>(argc, argv);
  std::string why;
  ASSERT_TRUE(kx508::platform::open_backend("qt", &why)) << why;
  EXPECT_EQ(QCoreApplication::instance(), app.get());
  kx508::platform::close();
  EXPECT_EQ(QCoreApplication::instance(), app.get());
}

// Sets or unsets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) setenv(name_, old_->c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(QtBackendStart, WithoutADisplayTheReasonIsOneLine) {
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  ScopedEnv qpa("QT_QPA_PLATFORM", nullptr);
  ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);  // else a Wayland session is chosen
  const std::string advice =
      "; run on a desktop, under xvfb-run, or with KX508_PLATFORM=headless";
  std::string why;
  {
    ScopedEnv display("DISPLAY", nullptr);
    EXPECT_FALSE(kx508::platform::open_backend("qt", &why));
    EXPECT_EQ(why, "cannot open a display: DISPLAY is not set" + advice);
    // X11 was chosen so that Qt tries nothing else.
    EXPECT_STREQ(std::getenv("QT_QPA_PLATFORM"), "xcb");
  }
  {
    ScopedEnv display("DISPLAY", ":9999");
    EXPECT_FALSE(kx508::platform::open_backend("qt", &why));
    EXPECT_EQ(why, "cannot connect to X display \":9999\"" + advice);
  }
  EXPECT_EQ(QCoreApplication::instance(), nullptr);
  EXPECT_EQ(kx508::platform::backend_name(), "");
}

TEST(QtBackendStart, LibraryEndsWithStatusOneAndTheReason) {
  ScopedEnv qpa("QT_QPA_PLATFORM", nullptr);
  ScopedEnv display("DISPLAY", nullptr);
  ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
  ScopedEnv backend("KX508_PLATFORM", "qt");
  // A fresh process: a fork would inherit whatever Qt threads earlier tests left.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(KX508_start("kx508-test", nullptr, "", 1), ::testing::ExitedWithCode(1),
              "^KX508: cannot open a display: DISPLAY is not set; run on a desktop");
}

}  // namespace
