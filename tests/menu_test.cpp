// The "&Run" menu, its commands, the Ctrl shortcuts and typed characters.
#include <vector>

#include "library_fixture.h"

namespace {

// The library's windows, by the names these tests use.
const kx508::platform::Window& draw_window = kx508::lib.windows.draw_window;
const kx508::platform::Window& text_window = kx508::lib.windows.text_window;

class MenuTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    start();
  }
};

TEST_F(MenuTest, RunMenuHasItsSixteenEntries) {
  std::vector<kx508::platform::MenuEntry> bar = hl::menu_bar(draw_window);
  ASSERT_EQ(bar.size(), 1u);
  EXPECT_EQ(bar[0].text, "&Run");
  EXPECT_TRUE(bar[0].flags & kx508::platform::MenuFlag::Popup);

  std::vector<kx508::platform::MenuEntry> items = hl::popup_entries(draw_window, 0);
  ASSERT_EQ(items.size(), 16u);
  const std::vector<std::pair<std::uint32_t, std::string>> commands = {
      {1, "&Animate\tCtrl+A"},         {2, "&Halt animation\tCtrl+H"},
      {3, "Advance one &frame\tCtrl+F"}, {0, ""},
      {4, "&Logging\tCtrl+L"},         {0, ""},
      {5, "&Record Script\tCtrl+R"},   {6, "&Playback Script\tCtrl+P"},
      {7, "Play &One Script\tCtrl+O"}, {0, ""},
      {8, "&Quit\tCtrl+Q"},            {0, ""},
  };
  for (std::size_t i = 0; i < commands.size(); ++i) {
    bool separator = commands[i].first == 0;
    EXPECT_EQ(bool(items[i].flags & kx508::platform::MenuFlag::Separator), separator) << i;
    if (separator) continue;
    EXPECT_EQ(items[i].id, commands[i].first);
    EXPECT_EQ(items[i].text, commands[i].second);
    EXPECT_FALSE(items[i].flags & kx508::platform::MenuFlag::Grayed);
  }
  // Logging starts checked, matching the flag.
  EXPECT_TRUE(items[4].flags & kx508::platform::MenuFlag::Checked);
  EXPECT_TRUE(kx508::lib.draw.logging_enabled);
  // The information lines cannot be chosen.
  const char* prefixes[] = {"", "MAC: ", "WINDOWS: ", "UPDATES: "};
  for (int i = 12; i < 16; ++i) {
    EXPECT_EQ(items[i].id, 9u);
    EXPECT_TRUE(items[i].flags & kx508::platform::MenuFlag::Grayed);
    EXPECT_EQ(items[i].text.rfind(prefixes[i - 12], 0), 0u) << items[i].text;
    EXPECT_FALSE(hl::choose_menu_item(draw_window, 9));
  }
  // Every program built on the library has this menu: it names the library, not one of
  // its programs.
  EXPECT_EQ(items[12].text.rfind("KX508 graphics library", 0), 0u) << items[12].text;
}

TEST_F(MenuTest, AnimationCommandsFromTheMenu) {
  hl::choose_menu_item(draw_window, kx508::kCmdAnimate);
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_TRUE(kx508::lib.animation.running);

  hl::choose_menu_item(draw_window, kx508::kCmdAdvanceFrame);
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_FALSE(kx508::lib.animation.running);
  EXPECT_FALSE(kx508::lib.animation.step_pending);

  KX508_set_animation(1);
  hl::choose_menu_item(draw_window, kx508::kCmdHalt);
  kx508::pump_once();
  // Halt leaves a pending single step alone.
  EXPECT_TRUE(kx508::lib.animation.step_pending);
}

TEST_F(MenuTest, QuitCommandEndsTheNextWait) {
  hl::choose_menu_item(draw_window, kx508::kCmdQuit);
  EXPECT_EQ(wait().kind, KX508_QUIT);
}

TEST_F(MenuTest, CtrlShortcutsWorkInEitherCaseFromEitherWindow) {
  hl::ctrl_key('a');
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_TRUE(kx508::lib.animation.running);

  // Shift gives the same key code, so upper case works too; and from the text window.
  hl::set_focus(text_window);
  hl::key_down(kx508::platform::Key::Control);
  hl::key_down(16);  // Shift
  hl::key_down('H', 'H' & 0x1F);
  hl::key_up('H');
  hl::key_up(16);
  hl::key_up(kx508::platform::Key::Control);
  handle_queued_input();
  EXPECT_FALSE(kx508::lib.animation.running);

  hl::ctrl_key('q');
  EXPECT_EQ(wait().kind, KX508_QUIT);
}

TEST_F(MenuTest, CharactersAreKeyEventsOnlyWithoutCtrl) {
  hl::ctrl_key('x');
  hl::type_char('b');
  Event e = wait();
  EXPECT_EQ(e.kind, KX508_KEY);
  EXPECT_EQ(e.key, 'b');

  hl::set_focus(text_window);
  hl::type_char('c');
  e = wait();
  EXPECT_EQ(e.kind, KX508_KEY);
  EXPECT_EQ(e.key, 'c');
}

TEST_F(MenuTest, PlainLettersRunNoCommands) {
  for (char c : std::string("ahflrpoq")) hl::type_char(c);
  std::string typed;
  for (int i = 0; i < 8; ++i) typed += wait().key;
  EXPECT_EQ(typed, "ahflrpoq");
  EXPECT_FALSE(kx508::lib.animation.running);
  EXPECT_FALSE(kx508::lib.script.recording_on);
  EXPECT_TRUE(kx508::lib.draw.logging_enabled);
}

TEST_F(MenuTest, CtrlReleasedInAnotherProgramIsForgotten) {
  hl::key_down(kx508::platform::Key::Control);
  handle_queued_input();
  ASSERT_TRUE(kx508::lib.menu.ctrl_down);
  // Ctrl goes up while another program has the focus: no key-up reaches us.
  hl::lose_focus();
  hl::key_up(kx508::platform::Key::Control);
  handle_queued_input();
  EXPECT_FALSE(kx508::lib.menu.ctrl_down);
  hl::set_focus(draw_window);
  hl::type_char('q');
  Event e = wait();
  EXPECT_EQ(e.kind, KX508_KEY);
  EXPECT_EQ(e.key, 'q');
  EXPECT_FALSE(kx508::lib.menu.ctrl_down);
}

// A trip to another program so quick that no focus-lost notice comes: the letter's own
// modifiers say that Ctrl is no longer held.
TEST_F(MenuTest, CtrlReleasedOnAQuickTripElsewhereIsNotHeld) {
  hl::key_down(kx508::platform::Key::Control);
  handle_queued_input();
  ASSERT_TRUE(kx508::lib.menu.ctrl_down);
  hl::set_focus(0);
  hl::key_up(kx508::platform::Key::Control);
  hl::set_focus(draw_window);
  hl::type_char('l');
  Event e = wait();
  EXPECT_EQ(e.kind, KX508_KEY);
  EXPECT_EQ(e.key, 'l');
  EXPECT_TRUE(kx508::lib.draw.logging_enabled);
}

// The other way round: Ctrl pressed in another program and held on the way back.
TEST_F(MenuTest, CtrlPressedElsewhereAndStillHeldMakesACommand) {
  hl::set_focus(0);
  hl::key_down(kx508::platform::Key::Control);
  hl::set_focus(draw_window);
  hl::key_down('A', 'A' & 0x1F);
  hl::key_up('A');
  EXPECT_EQ(wait().kind, KX508_PERIODIC);
  EXPECT_TRUE(kx508::lib.animation.running);
}

TEST_F(MenuTest, LoggingCommandTogglesFlagAndMarkTogether) {
  hl::close_window(text_window);
  handle_queued_input();
  hl::ctrl_key('l');
  handle_queued_input();
  EXPECT_FALSE(kx508::lib.draw.logging_enabled);
  EXPECT_FALSE(menu_item_checked(kx508::kCmdLogging));
  hl::ctrl_key('L');
  handle_queued_input();
  EXPECT_TRUE(kx508::lib.draw.logging_enabled);
  EXPECT_TRUE(menu_item_checked(kx508::kCmdLogging));
}

TEST_F(MenuTest, SetLoggingShowsTheTextWindowOnlyWhenSwitchingOn) {
  kx508::reset_library();
  std::string why;
  ASSERT_TRUE(kx508::platform::open_backend("headless", &why));
  ASSERT_EQ(KX508_start("test", nullptr, "", 0), 1);  // windows start hidden
  EXPECT_EQ(KX508_set_logging(0), 1);
  EXPECT_FALSE(menu_item_checked(kx508::kCmdLogging));
  EXPECT_FALSE(hl::window_info(text_window).shown);
  EXPECT_EQ(KX508_set_logging(1), 1);
  EXPECT_TRUE(menu_item_checked(kx508::kCmdLogging));
  EXPECT_TRUE(hl::window_info(text_window).shown);
}

TEST_F(MenuTest, RecordMarkFollowsItsFlagAndPlayOneHasNone) {
  hl::ctrl_key('r');
  handle_queued_input();
  EXPECT_TRUE(kx508::lib.script.recording_on);
  EXPECT_TRUE(menu_item_checked(kx508::kCmdRecord));
  hl::ctrl_key('r');
  handle_queued_input();
  EXPECT_FALSE(kx508::lib.script.recording_on);
  EXPECT_FALSE(menu_item_checked(kx508::kCmdRecord));

  hl::ctrl_key('o');
  handle_queued_input();
  EXPECT_FALSE(menu_item_checked(kx508::kCmdPlayOne));
}

TEST_F(MenuTest, CommandsOutsideTheMenuDoNothing) {
  for (int id : {0, 9, 10, -1}) kx508::on_command(id);
  EXPECT_FALSE(kx508::lib.animation.running);
  EXPECT_FALSE(kx508::lib.animation.step_pending);
  EXPECT_FALSE(kx508::lib.script.recording_on);
  EXPECT_FALSE(kx508::lib.script.playback_on);
  EXPECT_TRUE(kx508::lib.draw.logging_enabled);
}

}  // namespace
