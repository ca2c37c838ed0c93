// The platform adapter's common core and its headless backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "driver.h"
#include "headless/controls.h"
#include "platform.h"
#include "queue.h"

namespace hl = kx508::platform::headless;

namespace kx508::platform {
void PrintTo(const Rect& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
}  // namespace kx508::platform
using kx508::platform::Message;
using kx508::platform::MsgType;

namespace {

// ---- The queue's order and coalescing

TEST(MessageQueue, TakesPostedThenQuitThenPaintThenTimers) {
  kx508::platform::MessageQueue q;
  q.timer_fired(1, 2);
  q.invalidate(1);
  q.post_quit(3);
  q.post({1, MsgType::KeyDown});
  q.post({1, MsgType::KeyUp});
  q.post_front({1, MsgType::Char});

  std::vector<MsgType> order;
  Message m;
  while (q.take(m)) order.push_back(m.type);
  EXPECT_EQ(order, (std::vector<MsgType>{MsgType::Char, MsgType::KeyDown, MsgType::KeyUp,
                                         MsgType::Quit, MsgType::Paint, MsgType::Timer}));
  EXPECT_TRUE(q.empty());
}

TEST(MessageQueue, KeepsOnePendingTickPerTimerAndOnePaintPerWindow) {
  kx508::platform::MessageQueue q;
  for (int i = 0; i < 5; ++i) {
    q.timer_fired(1, 2);
    q.invalidate(1);
  }
  q.timer_fired(1, 3);
  int ticks = 0, paints = 0;
  Message m;
  while (q.take(m)) {
    ticks += m.type == MsgType::Timer;
    paints += m.type == MsgType::Paint;
  }
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(paints, 1);
}

TEST(MessageQueue, ForgetsWhatWasQueuedForAGoneWindow) {
  kx508::platform::MessageQueue q;
  q.post({1, MsgType::KeyDown});
  q.post({2, MsgType::KeyDown});
  q.invalidate(1);
  q.timer_fired(1, 2);
  q.forget_window(1);
  Message m;
  ASSERT_TRUE(q.take(m));
  EXPECT_EQ(m.window, 2u);
  EXPECT_FALSE(q.take(m));
}

// ---- Windows and dispatch on the headless backend

struct Log {
  std::vector<std::string> seen;
};
Log* g_log = nullptr;

const char* name_of(MsgType t) {
  switch (t) {
    case MsgType::Create: return "create";
    case MsgType::Destroy: return "destroy";
    case MsgType::Size: return "size";
    case MsgType::Paint: return "paint";
    case MsgType::Close: return "close";
    case MsgType::KeyDown: return "keydown";
    case MsgType::KeyUp: return "keyup";
    case MsgType::Char: return "char";
    case MsgType::Command: return "command";
    case MsgType::Timer: return "timer";
    case MsgType::LButtonDown: return "click";
    case MsgType::FocusLost: return "focuslost";
    default: return "other";
  }
}

long recording_proc(kx508::platform::Window w, const Message& m) {
  if (g_log) g_log->seen.push_back(name_of(m.type));
  return kx508::platform::default_window_proc(w, m);
}

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(kx508::platform::open_backend("headless", &why)) << why;
    g_log = &log;
  }
  void TearDown() override {
    g_log = nullptr;
    kx508::platform::close();
  }

  kx508::platform::Window make_window(int w = 200, int h = 100) {
    kx508::platform::WindowDesc d;
    d.title = "test";
    d.width = w;
    d.height = h;
    d.proc = recording_proc;
    return kx508::platform::create_window(d);
  }

  // Takes and dispatches everything queued now.
  void drain() {
    Message m;
    while (kx508::platform::peek_message(m)) {
      kx508::platform::translate_message(m);
      kx508::platform::dispatch_message(m);
    }
  }

  Log log;
};

TEST_F(HeadlessTest, UnknownBackendIsDeclinedWithItsName) {
  kx508::platform::close();
  std::string why;
  EXPECT_FALSE(kx508::platform::open_backend("nosuch", &why));
  EXPECT_NE(why.find("nosuch"), std::string::npos);
  EXPECT_EQ(kx508::platform::backend_name(), "");
}

TEST_F(HeadlessTest, CreationSendsCreateThenSizeBeforeReturning) {
  kx508::platform::Window w = make_window(200, 100);
  EXPECT_EQ(log.seen, (std::vector<std::string>{"create", "size"}));
  kx508::platform::Rect r = kx508::platform::client_rect(w);
  EXPECT_EQ(r.width(), 200 - 2 * hl::kBorder);
  EXPECT_EQ(r.height(), 100 - hl::kCaption - 2 * hl::kBorder);
}

TEST_F(HeadlessTest, CloseBoxDestroysTheWindowThroughDefaultProcessing) {
  kx508::platform::Window w = make_window();
  kx508::platform::set_timer(w, 1, 100);
  hl::close_window(w);
  drain();
  EXPECT_EQ(log.seen.back(), "destroy");
  EXPECT_FALSE(kx508::platform::is_window(w));
  // Its timer went with it: nothing can wake a wait now.
  EXPECT_THROW(kx508::platform::wait_message(), hl::Stalled);
}

TEST_F(HeadlessTest, KeyDownIsTranslatedIntoACharacterTakenNext) {
  kx508::platform::Window w = make_window();
  kx508::platform::show_window(w);
  drain();
  log.seen.clear();
  hl::type_char('q');
  drain();
  EXPECT_EQ(log.seen, (std::vector<std::string>{"keydown", "char", "keyup"}));
  EXPECT_EQ(hl::focus(), w);
}

// Key messages carry the modifiers the keyboard had, translated characters too; a Ctrl
// released while another program had the focus shows in the next key's modifiers.
TEST_F(HeadlessTest, KeyMessagesCarryCtrlAsTheKeyboardHasIt) {
  kx508::platform::Window w = make_window();
  kx508::platform::show_window(w);
  drain();
  hl::key_down(kx508::platform::Key::Control);
  hl::key_down('X', 'X' & 0x1F);
  hl::set_focus(0);
  hl::key_up(kx508::platform::Key::Control);
  hl::set_focus(w);
  hl::key_down('Y', 'y');
  std::vector<std::pair<MsgType, std::uint32_t>> seen;
  Message m;
  while (kx508::platform::peek_message(m)) {
    kx508::platform::translate_message(m);
    seen.push_back({m.type, m.modifiers});
  }
  const std::uint32_t ctrl = kx508::platform::Modifier::Ctrl;
  EXPECT_EQ(seen, (std::vector<std::pair<MsgType, std::uint32_t>>{
                      {MsgType::KeyDown, ctrl}, {MsgType::KeyDown, ctrl}, {MsgType::Char, ctrl},
                      {MsgType::KeyDown, 0}, {MsgType::Char, 0}}));
}

TEST_F(HeadlessTest, HiddenWindowKeepsItsPixelsAndIsPaintedWhenShownAgain) {
  kx508::platform::Window w = make_window();
  kx508::platform::show_window(w);
  kx508::platform::text_out(w, 0, 0, "kept");
  drain();
  kx508::platform::hide_window(w);
  EXPECT_FALSE(kx508::platform::is_window_shown(w));
  EXPECT_FALSE(hl::window_info(w).shown);
  EXPECT_EQ(hl::focus(), 0u);
  drain();
  log.seen.clear();
  kx508::platform::show_window(w);
  EXPECT_TRUE(kx508::platform::is_window_shown(w));
  EXPECT_EQ(hl::text_lines(w), (std::vector<std::string>{"kept"}));
  drain();
  EXPECT_EQ(log.seen, (std::vector<std::string>{"paint"}));
  // Shown again while shown: nothing to paint.
  kx508::platform::show_window(w);
  drain();
  EXPECT_EQ(log.seen, (std::vector<std::string>{"paint"}));
}

// What a screen reader is given: a description only when it changed, and a line of text
// as it is drawn, not again when a paint draws the window's lines anew.
long painting_proc(kx508::platform::Window w, const Message& m) {
  if (m.type == MsgType::Paint) kx508::platform::text_out(w, 0, 0, "painted");
  return kx508::platform::default_window_proc(w, m);
}

TEST_F(HeadlessTest, ScreenReaderIsGivenChangedDescriptionsAndNewLinesOnly) {
  kx508::platform::Window w = make_window();
  kx508::platform::set_window_description(w, "a red square");
  kx508::platform::set_window_description(w, "a red square");
  EXPECT_EQ(hl::description(w).text, "a red square");
  EXPECT_EQ(hl::description(w).times, 1);
  kx508::platform::set_window_description(w, "nothing");
  EXPECT_EQ(hl::description(w).times, 2);

  kx508::platform::WindowDesc d;
  d.title = "lines";
  d.width = 200;
  d.height = 100;
  d.proc = painting_proc;
  kx508::platform::Window text = kx508::platform::create_window(d);
  kx508::platform::show_window(text);
  kx508::platform::text_out(text, 0, 14, "said");
  drain();
  EXPECT_EQ(hl::text_lines(text), (std::vector<std::string>{"painted", "said"}));
  EXPECT_EQ(hl::lines_said(text), (std::vector<std::string>{"said"}));
}

// Rules the core keeps for every backend: a first show asks for a paint; while a window is
// being made, what a backend reports of its size or menu bar changes nothing (its
// create_window gives both); a chosen entry becomes a Command.
long making_proc(kx508::platform::Window w, const Message& m) {
  if (m.type == MsgType::Create) {
    kx508::platform::core::client_resized(w, {7, 7});
    kx508::platform::Menu bar = kx508::platform::create_menu();
    kx508::platform::append_menu(bar, kx508::platform::MenuFlag::String, 5, "&Go");
    kx508::platform::set_menu(w, bar);
    kx508::platform::draw_menu_bar(w);
  }
  return recording_proc(w, m);
}

TEST_F(HeadlessTest, TheCorePaintsAFirstShowAndIgnoresReportsWhileAWindowIsMade) {
  kx508::platform::WindowDesc d;
  d.width = 200;
  d.height = 100;
  d.proc = making_proc;
  const kx508::platform::Window w = kx508::platform::create_window(d);
  EXPECT_EQ(log.seen, (std::vector<std::string>{"create", "size"}));
  EXPECT_EQ(kx508::platform::client_rect(w).width(), 200 - 2 * hl::kBorder);
  EXPECT_TRUE(hl::take_menu_notices(w).empty());
  drain();
  EXPECT_EQ(log.seen.size(), 2u);  // nothing to paint before it is shown
  kx508::platform::show_window(w);
  kx508::platform::core::post_command(w, 5);
  std::vector<std::pair<MsgType, int>> seen;
  Message m;
  while (kx508::platform::peek_message(m)) seen.push_back({m.type, m.param});
  EXPECT_EQ(seen, (std::vector<std::pair<MsgType, int>>{{MsgType::Command, 5}, {MsgType::Paint, 0}}));
}

TEST_F(HeadlessTest, TimerTicksDoNotPileUpWhileNobodyPumps) {
  kx508::platform::Window w = make_window();
  kx508::platform::set_timer(w, 1, 100);
  hl::advance(1000);
  drain();
  EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), "timer"), 1);
  // The wait sleeps until the next tick, in virtual time.
  kx508::platform::wait_message();
  EXPECT_EQ(hl::now_ms(), 1100);
}

// A halted program's wait: its timer's ticks neither end it nor stay queued after it.
TEST_F(HeadlessTest, AWaitIgnoringTicksEndsAtTheNextOtherMessageWithoutTheTicks) {
  kx508::platform::Window w = make_window();
  kx508::platform::set_timer(w, 1, 100);
  drain();
  hl::schedule(250, [w] { hl::click(w, 1, 2); });
  kx508::platform::wait_message_ignoring_ticks();
  EXPECT_EQ(hl::now_ms(), 250);
  std::vector<MsgType> queued;
  for (Message m; kx508::platform::peek_message(m);) queued.push_back(m.type);
  EXPECT_EQ(queued, std::vector<MsgType>{MsgType::LButtonDown});
}

TEST_F(HeadlessTest, KilledTimerLeavesNoPendingTick) {
  kx508::platform::Window w = make_window();
  kx508::platform::set_timer(w, 1, 100);
  hl::advance(100);
  kx508::platform::kill_timer(w, 1);
  drain();
  EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), "timer"), 0);
}

TEST_F(HeadlessTest, ScheduledInputArrivesAtItsVirtualTime) {
  kx508::platform::Window w = make_window();
  hl::schedule(250, [w] { hl::click(w, 1, 2); });
  kx508::platform::wait_message();
  EXPECT_EQ(hl::now_ms(), 250);
  Message m;
  ASSERT_TRUE(kx508::platform::peek_message(m));
  EXPECT_EQ(m.type, MsgType::LButtonDown);
  EXPECT_EQ(m.x, 1);
  EXPECT_EQ(m.y, 2);
}

TEST_F(HeadlessTest, LosingTheFocusTellsEveryWindow) {
  make_window();
  make_window();
  hl::lose_focus();
  drain();
  EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), "focuslost"), 2);
}

TEST_F(HeadlessTest, CopyToAWindowNeedsAHeldSurface) {
  kx508::platform::Window w = make_window();
  kx508::platform::Surface src(4, 4, kx508::platform::rgb(1, 2, 3));
  kx508::platform::WindowSurface ws = kx508::platform::get_window_surface(w);
  kx508::platform::copy_to_window(ws, 2, 2, src, 0, 0, 4, 4);
  EXPECT_EQ(hl::shown_pixels(w).pixel(3, 3), kx508::platform::rgb(1, 2, 3));
  EXPECT_NE(hl::shown_pixels(w).pixel(1, 1), kx508::platform::rgb(1, 2, 3));
  kx508::platform::release_window_surface(ws);
  kx508::platform::Surface other(4, 4, kx508::platform::rgb(9, 9, 9));
  kx508::platform::copy_to_window({w}, 2, 2, other, 0, 0, 4, 4);
  EXPECT_EQ(hl::shown_pixels(w).pixel(3, 3), kx508::platform::rgb(1, 2, 3));
}

// Dark pixels of a band of rows of the window's client area.
int dark_pixels(kx508::platform::Window w, int top, int bottom) {
  const kx508::platform::Surface& s = hl::shown_pixels(w);
  int n = 0;
  for (int y = std::max(top, 0); y < std::min(bottom, s.height()); ++y)
    for (int x = 0; x < s.width(); ++x) n += s.pixel(x, y) == kx508::platform::rgb(0, 0, 0);
  return n;
}

TEST_F(HeadlessTest, TextIsDrawnScrolledAndErasedInTheCore) {
  kx508::platform::Window w = make_window(300, 100);
  int h = kx508::platform::text_line_height(w);
  ASSERT_GT(h, 0);
  kx508::platform::text_out(w, 5, 40, "first");
  const int first = dark_pixels(w, 40, 40 + h);
  EXPECT_GT(first, 0);
  EXPECT_EQ(hl::last_presented(w).size(), 1u);
  kx508::platform::text_scroll(w, h);
  // The pixels moved up with the line.
  EXPECT_EQ(dark_pixels(w, 40 - h, 40), first);
  EXPECT_EQ(dark_pixels(w, 40, 40 + h), 0);
  kx508::platform::text_out(w, 5, 40, "second");
  EXPECT_EQ(hl::text_lines(w), (std::vector<std::string>{"first", "second"}));
  kx508::platform::text_erase(w, {0, 40, 300, 40 + h});
  EXPECT_EQ(hl::text_lines(w), (std::vector<std::string>{"first"}));
  EXPECT_EQ(dark_pixels(w, 40, 40 + h), 0);
  // Lines scrolled past the top are gone, pixels and all.
  kx508::platform::text_scroll(w, 100);
  EXPECT_TRUE(hl::text_lines(w).empty());
  EXPECT_EQ(dark_pixels(w, 0, 100), 0);
}

TEST_F(HeadlessTest, MenuCommandsAndGrayedEntries) {
  kx508::platform::Window w = make_window(300, 200);
  int height_before = kx508::platform::client_rect(w).height();
  kx508::platform::Menu bar = kx508::platform::create_menu();
  kx508::platform::Menu popup = kx508::platform::create_popup_menu();
  kx508::platform::append_menu(popup, kx508::platform::MenuFlag::String, 7, "&Go");
  kx508::platform::append_menu(popup, kx508::platform::MenuFlag::Grayed, 9, "info");
  kx508::platform::append_menu(bar, kx508::platform::MenuFlag::Popup, popup, "&Menu");
  kx508::platform::set_menu(w, bar);
  kx508::platform::draw_menu_bar(w);
  // The menu bar takes its height from the client area.
  EXPECT_EQ(kx508::platform::client_rect(w).height(), height_before - hl::kMenuBar);

  EXPECT_FALSE(hl::choose_menu_item(w, 9));
  EXPECT_FALSE(hl::choose_menu_item(w, 8));
  EXPECT_TRUE(hl::choose_menu_item(w, 7));
  Message m;
  ASSERT_TRUE(kx508::platform::peek_message(m));
  EXPECT_EQ(m.type, MsgType::Command);
  EXPECT_EQ(m.param, 7);

  kx508::platform::check_menu_item(popup, 7, true);
  EXPECT_TRUE(hl::popup_entries(w, 0)[0].flags & kx508::platform::MenuFlag::Checked);
  kx508::platform::check_menu_item(popup, 7, false);
  EXPECT_FALSE(hl::popup_entries(w, 0)[0].flags & kx508::platform::MenuFlag::Checked);
}

TEST_F(HeadlessTest, BackendIsToldWhatChangedInAMenu) {
  kx508::platform::Window w = make_window(300, 200);
  kx508::platform::Menu bar = kx508::platform::create_menu();
  kx508::platform::Menu popup = kx508::platform::create_popup_menu();
  kx508::platform::append_menu(popup, kx508::platform::MenuFlag::String, 7, "&Go");
  kx508::platform::append_menu(popup, kx508::platform::MenuFlag::String, 8, "&Stop");
  kx508::platform::append_menu(bar, kx508::platform::MenuFlag::Popup, popup, "&Menu");
  kx508::platform::set_menu(w, bar);
  kx508::platform::draw_menu_bar(w);
  using Notice = hl::MenuNotice;
  EXPECT_EQ(hl::take_menu_notices(w), (std::vector<Notice>{{true, 0, 0}}));

  // A check mark: that one entry, by its menu and position; the same state again, nothing.
  kx508::platform::check_menu_item(popup, 8, true);
  kx508::platform::check_menu_item(popup, 8, true);
  EXPECT_EQ(hl::take_menu_notices(w), (std::vector<Notice>{{false, popup, 1}}));
  // A new entry in a menu the bar shows: the bar is built again.
  kx508::platform::append_menu(popup, kx508::platform::MenuFlag::String, 9, "&More");
  EXPECT_EQ(hl::take_menu_notices(w), (std::vector<Notice>{{true, 0, 0}}));
  // A menu no window shows concerns no window.
  kx508::platform::Menu loose = kx508::platform::create_popup_menu();
  kx508::platform::append_menu(loose, kx508::platform::MenuFlag::String, 7, "&Go");
  kx508::platform::check_menu_item(loose, 7, true);
  EXPECT_TRUE(hl::take_menu_notices(w).empty());
}

TEST_F(HeadlessTest, CopyingChangesPresentsOnlyTheTilesWhosePixelsDiffer) {
  kx508::platform::Window w = make_window(300, 200);
  kx508::platform::Rect client = kx508::platform::client_rect(w);
  kx508::platform::Surface canvas(client.width(), client.height(), kx508::platform::rgb(255, 255, 255));
  kx508::platform::WindowSurface ws = kx508::platform::get_window_surface(w);
  kx508::platform::copy_to_window(ws, 0, 0, canvas, 0, 0, canvas.width(), canvas.height());
  canvas.forget_changes();
  const std::int64_t copies = hl::copies_to_window(w);

  // A small square across a tile corner: the tiles it touches, as two runs as tall as
  // the rows it covers in them.
  kx508::platform::Pen none;
  none.none = true;
  kx508::platform::Brush red{kx508::platform::rgb(255, 0, 0)};
  kx508::platform::draw_rectangle(canvas, none, red, 30, 30, 36, 36);
  kx508::platform::copy_changes_to_window(ws, canvas);
  EXPECT_EQ(hl::last_presented(w), (std::vector<kx508::platform::Rect>{{16, 30, 48, 32}, {16, 32, 48, 36}}));
  EXPECT_EQ(hl::shown_pixels(w).pixel(35, 35), kx508::platform::rgb(255, 0, 0));
  EXPECT_FALSE(canvas.any_changed());
  // A line one pixel wide: its own tile.
  kx508::platform::draw_rectangle(canvas, none, red, 100, 40, 101, 50);
  kx508::platform::copy_changes_to_window(ws, canvas);
  EXPECT_EQ(hl::last_presented(w), (std::vector<kx508::platform::Rect>{{96, 40, 112, 50}}));
  EXPECT_EQ(hl::shown_pixels(w).pixel(100, 45), kx508::platform::rgb(255, 0, 0));

  // Painted over and back, or drawn as it already was: nothing differs, nothing is shown.
  kx508::platform::draw_rectangle(canvas, none, kx508::platform::Brush{kx508::platform::rgb(0, 0, 255)}, 100, 100, 110, 110);
  kx508::platform::draw_rectangle(canvas, none, kx508::platform::Brush{kx508::platform::rgb(255, 255, 255)}, 100, 100, 110, 110);
  kx508::platform::draw_rectangle(canvas, none, red, 30, 30, 36, 36);
  EXPECT_TRUE(canvas.any_changed());
  kx508::platform::copy_changes_to_window(ws, canvas);
  EXPECT_EQ(hl::copies_to_window(w), copies + 2);
  EXPECT_FALSE(canvas.any_changed());
}

// ---- Dialogs

struct TemplateItem {
  std::uint32_t style;
  int id;
  std::uint16_t cls;  // 0x80 button, 0x81 edit, 0x82 static
  std::string text;
};

// A template with the title "Hi" and the given items, in the classic 16-bit layout.
std::vector<std::uint8_t> dialog_template(const std::vector<TemplateItem>& items) {
  std::vector<std::uint8_t> t;
  auto word = [&](std::uint16_t v) {
    t.push_back(v & 0xFF);
    t.push_back(v >> 8);
  };
  auto dword = [&](std::uint32_t v) {
    word(v & 0xFFFF);
    word(v >> 16);
  };
  dword(0x90C80080);
  dword(0);
  word(static_cast<std::uint16_t>(items.size()));
  for (int v : {10, 20, 100, 50}) word(v);
  word(0);
  word(0);
  for (char c : std::string("Hi")) word(c);
  word(0);
  for (const TemplateItem& item : items) {
    while (t.size() % 4) t.push_back(0);
    dword(item.style);
    dword(0);
    for (int v : {1, 2, 30, 14, item.id}) word(v);
    word(0xFFFF);
    word(item.cls);
    for (char c : item.text) word(c);
    word(0);
    word(0);
  }
  return t;
}

// One visible default push button "Ok".
std::vector<std::uint8_t> small_template() {
  return dialog_template({{0x50010001, 101, 0x0080, "Ok"}});
}

TEST(DialogTemplate, ParsesHeaderAndItems) {
  std::vector<std::uint8_t> t = small_template();
  kx508::platform::DialogDesc d;
  ASSERT_TRUE(kx508::platform::parse_dialog_template(t.data(), t.size(), &d));
  EXPECT_EQ(d.title, "Hi");
  EXPECT_EQ(d.width, 100);
  ASSERT_EQ(d.items.size(), 1u);
  EXPECT_EQ(d.items[0].kind, kx508::platform::DialogItemKind::Button);
  EXPECT_EQ(d.default_id, 101);
  EXPECT_EQ(d.items[0].id, 101);
  EXPECT_EQ(d.items[0].text, "Ok");
}

TEST(DialogTemplate, DecodesStyleBitsAndTheDefaultAndCancelButtonsOnce) {
  kx508::platform::DialogDesc d;
  // Enter answers with the first default push button, Escape with cancel.
  std::vector<std::uint8_t> two = dialog_template({{0x50010000, 7, 0x0080, "Plain"},
                                                   {0x50010001, 8, 0x0080, "First"},
                                                   {0x50010001, 9, 0x0080, "Second"}});
  ASSERT_TRUE(kx508::platform::parse_dialog_template(two.data(), two.size(), &d));
  EXPECT_EQ(d.default_id, 8);
  EXPECT_EQ(d.cancel_id, 2);
  // Without a default push button, Enter means OK.
  std::vector<std::uint8_t> none = dialog_template({{0x50010000, 7, 0x0080, "Plain"}});
  ASSERT_TRUE(kx508::platform::parse_dialog_template(none.data(), none.size(), &d));
  EXPECT_EQ(d.default_id, 1);

  // Visible, disabled, multi-line and password, for edit boxes only where they apply.
  std::vector<std::uint8_t> flags = dialog_template({{0x10000004, 1, 0x0081, ""},
                                                     {0x08000020, 2, 0x0081, ""},
                                                     {0x10000024, 3, 0x0080, "Button"}});
  ASSERT_TRUE(kx508::platform::parse_dialog_template(flags.data(), flags.size(), &d));
  ASSERT_EQ(d.items.size(), 3u);
  EXPECT_TRUE(d.items[0].visible && d.items[0].multiline);
  EXPECT_FALSE(d.items[0].disabled || d.items[0].password);
  EXPECT_TRUE(d.items[1].disabled && d.items[1].password);
  EXPECT_FALSE(d.items[1].visible || d.items[1].multiline);
  EXPECT_FALSE(d.items[2].multiline || d.items[2].password);
}

TEST(DialogTemplate, RejectsEveryTruncation) {
  std::vector<std::uint8_t> t = small_template();
  kx508::platform::DialogDesc d;
  for (std::size_t n = 0; n < t.size(); ++n)
    EXPECT_FALSE(kx508::platform::parse_dialog_template(t.data(), n, &d)) << "cut at " << n;
}

kx508::platform::Window g_dialog_seen = 0;

bool ok_closes(kx508::platform::Window dialog, const Message& m) {
  if (m.type == MsgType::InitDialog) {
    g_dialog_seen = static_cast<kx508::platform::Window>(m.data);
    return true;
  }
  if (m.type == MsgType::Command && m.param == 101) {
    kx508::platform::end_dialog(dialog, 42);
    return true;
  }
  return false;
}

TEST_F(HeadlessTest, ModalDialogKeepsOtherWindowsServedAndAQuitClosesIt) {
  kx508::platform::Window w = make_window();
  kx508::platform::set_timer(w, 1, 100);
  std::vector<std::uint8_t> t = small_template();
  hl::answer_next_dialog({
      [](hl::Dialog&) { hl::advance(300); },
      [](hl::Dialog& d) { d.press_escape(); },
      [](hl::Dialog& d) {
        EXPECT_TRUE(d.open());
        kx508::platform::post_quit_message(5);
      },
      [](hl::Dialog&) { ADD_FAILURE() << "the dialog outlived the quit"; },
  });
  long result = kx508::platform::dialog_box(t.data(), t.size(), w, ok_closes, 77);
  EXPECT_EQ(result, kx508::platform::kDialogQuit);
  EXPECT_EQ(g_dialog_seen, 77u);
  EXPECT_GE(std::count(log.seen.begin(), log.seen.end(), "timer"), 1);
  // The quit that closed it is posted again, for the program's next wait.
  Message m;
  bool quit = false;
  while (kx508::platform::peek_message(m)) quit |= m.type == MsgType::Quit && m.param == 5;
  EXPECT_TRUE(quit);
}

TEST_F(HeadlessTest, DialogWithoutAnswersGetsEnterAndOneWhoseAnswersRunOutFailsTheWait) {
  std::vector<std::uint8_t> t = small_template();
  // No test gave answers (a replay): Enter, which chooses the default button, 101.
  EXPECT_EQ(kx508::platform::dialog_box(t.data(), t.size(), 0, ok_closes, 0), 42);
  hl::answer_next_dialog({[](hl::Dialog&) {}});
  EXPECT_THROW(kx508::platform::dialog_box(t.data(), t.size(), 0, ok_closes, 0), hl::Stalled);
}

TEST_F(HeadlessTest, DialogThatCannotBeBuiltReportsFailure) {
  std::vector<std::uint8_t> t = small_template();
  hl::fail_next_dialog();
  EXPECT_EQ(kx508::platform::dialog_box(t.data(), t.size(), 0, ok_closes, 0), -1);
  EXPECT_EQ(kx508::platform::dialog_box(t.data(), 10, 0, ok_closes, 0), -1);
}

}  // namespace
