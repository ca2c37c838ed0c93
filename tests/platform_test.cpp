// The platform adapter's common core and its headless backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "headless/headless.h"
#include "platform.h"
#include "queue.h"

namespace hl = platform::headless;
using platform::Message;
using platform::MsgType;

namespace {

// ---- The queue's order and coalescing

TEST(MessageQueue, TakesPostedThenQuitThenPaintThenTimers) {
  platform::MessageQueue q;
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
  platform::MessageQueue q;
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
  platform::MessageQueue q;
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

long recording_proc(platform::Window w, const Message& m) {
  if (g_log) g_log->seen.push_back(name_of(m.type));
  return platform::default_window_proc(w, m);
}

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(platform::open_backend("headless", &why)) << why;
    g_log = &log;
  }
  void TearDown() override {
    g_log = nullptr;
    platform::close();
  }

  platform::Window make_window(int w = 200, int h = 100) {
    platform::WindowDesc d;
    d.title = "test";
    d.width = w;
    d.height = h;
    d.proc = recording_proc;
    return platform::create_window(d);
  }

  // Takes and dispatches everything queued now.
  void drain() {
    Message m;
    while (platform::peek_message(m)) {
      platform::translate_message(m);
      platform::dispatch_message(m);
    }
  }

  Log log;
};

TEST_F(HeadlessTest, UnknownBackendIsDeclinedWithItsName) {
  platform::close();
  std::string why;
  EXPECT_FALSE(platform::open_backend("nosuch", &why));
  EXPECT_NE(why.find("nosuch"), std::string::npos);
  EXPECT_EQ(platform::backend_name(), "");
}

TEST_F(HeadlessTest, CreationSendsCreateThenSizeBeforeReturning) {
  platform::Window w = make_window(200, 100);
  EXPECT_EQ(log.seen, (std::vector<std::string>{"create", "size"}));
  platform::Rect r = platform::client_rect(w);
  EXPECT_EQ(r.width(), 200 - 2 * hl::kBorder);
  EXPECT_EQ(r.height(), 100 - hl::kCaption - 2 * hl::kBorder);
}

TEST_F(HeadlessTest, CloseBoxDestroysTheWindowThroughDefaultProcessing) {
  platform::Window w = make_window();
  platform::set_timer(w, 1, 100);
  hl::close_window(w);
  drain();
  EXPECT_EQ(log.seen.back(), "destroy");
  EXPECT_FALSE(platform::is_window(w));
  // Its timer went with it: nothing can wake a wait now.
  EXPECT_THROW(platform::wait_message(), hl::Stalled);
}

TEST_F(HeadlessTest, KeyDownIsTranslatedIntoACharacterTakenNext) {
  platform::Window w = make_window();
  platform::show_window(w);
  drain();
  log.seen.clear();
  hl::type_char('q');
  drain();
  EXPECT_EQ(log.seen, (std::vector<std::string>{"keydown", "char", "keyup"}));
  EXPECT_EQ(hl::focus(), w);
}

TEST_F(HeadlessTest, TimerTicksDoNotPileUpWhileNobodyPumps) {
  platform::Window w = make_window();
  platform::set_timer(w, 1, 100);
  hl::advance(1000);
  drain();
  EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), "timer"), 1);
  // The wait sleeps until the next tick, in virtual time.
  platform::wait_message();
  EXPECT_EQ(hl::now_ms(), 1100);
}

TEST_F(HeadlessTest, KilledTimerLeavesNoPendingTick) {
  platform::Window w = make_window();
  platform::set_timer(w, 1, 100);
  hl::advance(100);
  platform::kill_timer(w, 1);
  drain();
  EXPECT_EQ(std::count(log.seen.begin(), log.seen.end(), "timer"), 0);
}

TEST_F(HeadlessTest, ScheduledInputArrivesAtItsVirtualTime) {
  platform::Window w = make_window();
  hl::schedule(250, [w] { hl::click(w, 1, 2); });
  platform::wait_message();
  EXPECT_EQ(hl::now_ms(), 250);
  Message m;
  ASSERT_TRUE(platform::peek_message(m));
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
  platform::Window w = make_window();
  platform::Surface src(4, 4, platform::rgb(1, 2, 3));
  platform::WindowSurface ws = platform::get_window_surface(w);
  platform::copy_to_window(ws, 2, 2, src, 0, 0, 4, 4);
  EXPECT_EQ(hl::shown_pixels(w).pixel(3, 3), platform::rgb(1, 2, 3));
  EXPECT_NE(hl::shown_pixels(w).pixel(1, 1), platform::rgb(1, 2, 3));
  platform::release_window_surface(ws);
  platform::Surface other(4, 4, platform::rgb(9, 9, 9));
  platform::copy_to_window({w}, 2, 2, other, 0, 0, 4, 4);
  EXPECT_EQ(hl::shown_pixels(w).pixel(3, 3), platform::rgb(1, 2, 3));
}

TEST_F(HeadlessTest, TextScrollsUpAndErasedLinesGo) {
  platform::Window w = make_window(300, 100);
  int h = platform::text_line_height(w);
  platform::text_out(w, 5, 40, "first");
  platform::text_scroll(w, h);
  platform::text_out(w, 5, 40, "second");
  EXPECT_EQ(hl::text_lines(w), (std::vector<std::string>{"first", "second"}));
  platform::text_erase(w, {0, 40, 300, 40 + h});
  EXPECT_EQ(hl::text_lines(w), (std::vector<std::string>{"first"}));
  // Lines scrolled past the top are gone.
  platform::text_scroll(w, 100);
  EXPECT_TRUE(hl::text_lines(w).empty());
}

TEST_F(HeadlessTest, MenuCommandsAndGrayedEntries) {
  platform::Window w = make_window(300, 200);
  int height_before = platform::client_rect(w).height();
  platform::Menu bar = platform::create_menu();
  platform::Menu popup = platform::create_popup_menu();
  platform::append_menu(popup, platform::MF_STRING, 7, "&Go");
  platform::append_menu(popup, platform::MF_GRAYED, 9, "info");
  platform::append_menu(bar, platform::MF_POPUP, popup, "&Menu");
  platform::set_menu(w, bar);
  platform::draw_menu_bar(w);
  // The menu bar takes its height from the client area.
  EXPECT_EQ(platform::client_rect(w).height(), height_before - hl::kMenuBar);

  EXPECT_FALSE(hl::choose_menu_item(w, 9));
  EXPECT_FALSE(hl::choose_menu_item(w, 8));
  EXPECT_TRUE(hl::choose_menu_item(w, 7));
  Message m;
  ASSERT_TRUE(platform::peek_message(m));
  EXPECT_EQ(m.type, MsgType::Command);
  EXPECT_EQ(m.param, 7);

  platform::check_menu_item(popup, 7, true);
  EXPECT_TRUE(hl::popup_entries(w, 0)[0].flags & platform::MF_CHECKED);
  platform::check_menu_item(popup, 7, false);
  EXPECT_FALSE(hl::popup_entries(w, 0)[0].flags & platform::MF_CHECKED);
}

// ---- Dialogs

// A template with a title and one default button, in the classic 16-bit layout.
std::vector<std::uint8_t> small_template() {
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
  word(1);
  for (int v : {10, 20, 100, 50}) word(v);
  word(0);
  word(0);
  for (char c : std::string("Hi")) word(c);
  word(0);
  while (t.size() % 4) t.push_back(0);
  dword(0x50010001);
  dword(0);
  for (int v : {1, 2, 30, 14, 101}) word(v);
  word(0xFFFF);
  word(0x0080);
  for (char c : std::string("Ok")) word(c);
  word(0);
  word(0);
  return t;
}

TEST(DialogTemplate, ParsesHeaderAndItems) {
  std::vector<std::uint8_t> t = small_template();
  platform::DialogDesc d;
  ASSERT_TRUE(platform::parse_dialog_template(t.data(), t.size(), &d));
  EXPECT_EQ(d.title, "Hi");
  EXPECT_EQ(d.width, 100);
  ASSERT_EQ(d.items.size(), 1u);
  EXPECT_EQ(d.items[0].kind, platform::DialogItemKind::Button);
  EXPECT_TRUE(d.items[0].default_button());
  EXPECT_EQ(d.items[0].id, 101);
  EXPECT_EQ(d.items[0].text, "Ok");
}

TEST(DialogTemplate, RejectsEveryTruncation) {
  std::vector<std::uint8_t> t = small_template();
  platform::DialogDesc d;
  for (std::size_t n = 0; n < t.size(); ++n)
    EXPECT_FALSE(platform::parse_dialog_template(t.data(), n, &d)) << "cut at " << n;
}

platform::Window g_dialog_seen = 0;

bool ok_closes(platform::Window dialog, const Message& m) {
  if (m.type == MsgType::InitDialog) {
    g_dialog_seen = static_cast<platform::Window>(m.data);
    return true;
  }
  if (m.type == MsgType::Command && m.param == 101) {
    platform::end_dialog(dialog, 42);
    return true;
  }
  return false;
}

TEST_F(HeadlessTest, ModalDialogKeepsOtherWindowsServedAndTheQuitMessage) {
  platform::Window w = make_window();
  platform::set_timer(w, 1, 100);
  std::vector<std::uint8_t> t = small_template();
  hl::answer_next_dialog({
      [&](hl::Dialog&) {
        platform::post_quit_message(5);
        hl::advance(300);
      },
      [](hl::Dialog& d) { d.press_escape(); },
      [](hl::Dialog& d) {
        EXPECT_TRUE(d.open());
        d.press_enter();
      },
  });
  long result = platform::dialog_box(t.data(), t.size(), w, ok_closes, 77);
  EXPECT_EQ(result, 42);
  EXPECT_EQ(g_dialog_seen, 77u);
  EXPECT_GE(std::count(log.seen.begin(), log.seen.end(), "timer"), 1);
  // The quit taken during the dialog is posted again afterwards.
  Message m;
  bool quit = false;
  while (platform::peek_message(m)) quit |= m.type == MsgType::Quit && m.param == 5;
  EXPECT_TRUE(quit);
}

TEST_F(HeadlessTest, DialogNobodyAnswersFailsTheWait) {
  std::vector<std::uint8_t> t = small_template();
  EXPECT_THROW(platform::dialog_box(t.data(), t.size(), 0, ok_closes, 0), hl::Stalled);
}

TEST_F(HeadlessTest, DialogThatCannotBeBuiltReportsFailure) {
  std::vector<std::uint8_t> t = small_template();
  hl::fail_next_dialog();
  EXPECT_EQ(platform::dialog_box(t.data(), t.size(), 0, ok_closes, 0), -1);
  EXPECT_EQ(platform::dialog_box(t.data(), 10, 0, ok_closes, 0), -1);
}

}  // namespace
