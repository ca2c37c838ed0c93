// The log window's ring of lines and the KX508_gets prompt dialog.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "library_fixture.h"

namespace {

// The library's windows, by the names these tests use.
const kx508::platform::Window& draw_window = kx508::lib.windows.draw_window;
const kx508::platform::Window& text_window = kx508::lib.windows.text_window;

class LogTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    start();
  }
};

TEST_F(LogTest, FirstMessageFillsSlotZero) {
  EXPECT_EQ(KX508_log("hello %d\n", 42), 9);
  EXPECT_EQ(kx508::lib.log.first, 0);
  EXPECT_EQ(kx508::lib.log.next, 1);
  EXPECT_EQ(kx508::lib.log.ring[0], "hello 42\n");
  // Drawn at the bottom without its newline.
  EXPECT_EQ(hl::text_lines(text_window), (std::vector<std::string>{"hello 42"}));
}

TEST_F(LogTest, RingKeepsTheNewest25Lines) {
  for (int i = 1; i <= 25; ++i) KX508_log("line %d\n", i);
  EXPECT_EQ(kx508::lib.log.first, 0);
  EXPECT_EQ(kx508::lib.log.next, 0);
  KX508_log("line 26\n");
  EXPECT_EQ(kx508::lib.log.first, 1);
  EXPECT_EQ(kx508::lib.log.next, 1);
  EXPECT_EQ(kx508::lib.log.ring[0], "line 26\n");
  EXPECT_EQ(kx508::lib.log.ring[1], "line 2\n");
}

TEST_F(LogTest, RepaintDrawsTheRingOldestFirstNewestAtTheBottom) {
  for (int i = 1; i <= 26; ++i) KX508_log("line %d\n", i);
  kx508::platform::post_message({text_window, kx508::platform::MsgType::Paint});
  handle_queued_input();
  std::vector<std::string> lines = hl::text_lines(text_window);
  // The text window shows as many of the 25 as fit, the newest last.
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "line 26");
  int shown = static_cast<int>(lines.size());
  for (int i = 0; i < shown; ++i) EXPECT_EQ(lines[i], "line " + std::to_string(27 - shown + i));
  EXPECT_LE(shown, 25);
  // A screen reader was told each line once, as it came: the repaint told nothing.
  std::vector<std::string> said;
  for (int i = 1; i <= 26; ++i) said.push_back("line " + std::to_string(i));
  EXPECT_EQ(hl::lines_said(text_window), said);
}

TEST_F(LogTest, RepaintOfAnEmptyRingDrawsNothing) {
  kx508::platform::post_message({text_window, kx508::platform::MsgType::Paint});
  handle_queued_input();
  EXPECT_TRUE(hl::text_lines(text_window).empty());
}

TEST_F(LogTest, OnlyOneTrailingNewlineIsDropped) {
  KX508_log("plain");
  KX508_log("ended\n");
  KX508_log("mid\nline\n");
  KX508_log("two\n\n");
  std::vector<std::string> lines = hl::text_lines(text_window);
  EXPECT_EQ(lines, (std::vector<std::string>{"plain", "ended", "mid\nline", "two\n"}));
}

TEST_F(LogTest, LongMessagesAreCutAt1023CharactersAndEndInACutMark) {
  std::string big(3000, 'x');
  int count = KX508_log("%s", big.c_str());
  EXPECT_EQ(count, 3000);
  EXPECT_EQ(kx508::lib.log.ring[0], std::string(1020, 'x') + "...");
}

TEST_F(LogTest, LoggingAfterTheTextWindowIsClosedKeepsFillingTheRing) {
  hl::close_window(text_window);
  handle_queued_input();
  ASSERT_FALSE(hl::window_info(text_window).shown);
  for (int i = 0; i < 30; ++i) KX508_log("after %d\n", i);
  EXPECT_EQ(kx508::lib.log.ring[(kx508::lib.log.next + 24) % 25], "after 29\n");
  EXPECT_EQ(KX508_set_logging(1), 1);
  EXPECT_TRUE(hl::window_info(text_window).shown);
}

// The close box hides the text window; switching logging on, from the program or with
// the menu, shows it again with its lines as at start, those logged meanwhile included.
TEST_F(LogTest, TheCloseBoxHidesTheTextWindowAndLoggingOnBringsItBack) {
  KX508_log("before\n");
  hl::close_window(text_window);
  handle_queued_input();
  ASSERT_TRUE(hl::window_info(text_window).exists);
  ASSERT_FALSE(hl::window_info(text_window).shown);
  KX508_log("while hidden\n");

  hl::set_focus(draw_window);
  hl::ctrl_key('l');  // off
  hl::ctrl_key('l');  // on
  handle_queued_input();
  EXPECT_TRUE(kx508::lib.draw.logging_enabled);
  EXPECT_TRUE(hl::window_info(text_window).shown);
  std::vector<std::string> lines = hl::text_lines(text_window);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "before");
  EXPECT_EQ(lines.back(), "while hidden");

  // Closed again, then shown by the program.
  hl::close_window(text_window);
  handle_queued_input();
  ASSERT_FALSE(hl::window_info(text_window).shown);
  EXPECT_EQ(KX508_set_logging(1), 1);
  handle_queued_input();
  EXPECT_TRUE(hl::window_info(text_window).shown);
  EXPECT_EQ(hl::text_lines(text_window).back(), "while hidden");
}

// Switching logging on leaves a text window that is shown alone: the keyboard stays
// where the user is typing.
TEST_F(LogTest, LoggingOnLeavesAShownTextWindowAndTheFocusAlone) {
  hl::set_focus(draw_window);
  hl::ctrl_key('l');
  hl::ctrl_key('l');
  handle_queued_input();
  EXPECT_TRUE(kx508::lib.draw.logging_enabled);
  EXPECT_EQ(hl::focus(), draw_window);
}

TEST_F(LogTest, KeysTypedInTheTextWindowReachTheDrawingWindow) {
  hl::set_focus(text_window);
  hl::type_char('m');
  Event e = wait();
  EXPECT_EQ(e.kind, KX508_KEY);
  EXPECT_EQ(e.key, 'm');
}

// ---- The prompt dialog

std::uint16_t word_at(const kx508::GetsTemplate& t, std::size_t offset) {
  return static_cast<std::uint16_t>(t[offset] | (t[offset + 1] << 8));
}

std::string utf16_at(const kx508::GetsTemplate& t, std::size_t offset) {
  std::string s;
  for (std::uint16_t c = word_at(t, offset); c != 0; offset += 2, c = word_at(t, offset))
    s += static_cast<char>(c);
  return s;
}

TEST(GetsTemplate, FixedFieldsSitAtTheirOffsets) {
  kx508::GetsTemplate t = kx508::build_gets_template("Name?");
  EXPECT_EQ(t.size(), 292u);
  EXPECT_EQ(word_at(t, 0) | (word_at(t, 2) << 16), 0x90C80080u);
  EXPECT_EQ(word_at(t, 8), 3);
  EXPECT_EQ(word_at(t, 14), 185);
  EXPECT_EQ(word_at(t, 16), 92);
  EXPECT_EQ(utf16_at(t, 22), "KX508_gets");
  EXPECT_EQ(word_at(t, 44) | (word_at(t, 46) << 16), 0x50810044u);
  EXPECT_EQ(word_at(t, 60), 102);
  EXPECT_EQ(word_at(t, 64), 0x0081);
  EXPECT_EQ(word_at(t, 88), 101);
  EXPECT_EQ(utf16_at(t, 94), "Okay");
  EXPECT_EQ(word_at(t, 108) | (word_at(t, 110) << 16), 0x50020000u);
  EXPECT_EQ(word_at(t, 124), 103);
  EXPECT_EQ(word_at(t, 128), 0x0082);
  EXPECT_EQ(word_at(t, 290), 0);
  // The template is a well-formed dialog for the platform.
  kx508::platform::DialogDesc d;
  ASSERT_TRUE(kx508::platform::parse_dialog_template(t.data(), t.size(), &d));
  ASSERT_EQ(d.items.size(), 3u);
  EXPECT_EQ(d.default_id, d.items[1].id);
}

TEST(GetsTemplate, PromptIsExactly79CharactersCutOrPadded) {
  std::string shortp = utf16_at(kx508::build_gets_template("abc"), 130);
  EXPECT_EQ(shortp, "abc" + std::string(76, ' '));
  std::string longp(100, 'q');
  longp[78] = 'E';
  longp[79] = 'X';
  std::string cut = utf16_at(kx508::build_gets_template(longp.c_str()), 130);
  EXPECT_EQ(cut.size(), 79u);
  EXPECT_EQ(cut.back(), 'E');
}

TEST(GetsTemplate, PromptBytesAreReadAsTheLogWindowReadsThem) {
  // UTF-8 where it is well formed, else each byte as Latin-1; past 16 bits, the
  // replacement character.
  const kx508::GetsTemplate t = kx508::build_gets_template("\xC3\xA9\xE9\xF0\x9F\x98\x80!");
  EXPECT_EQ(word_at(t, 130), 0xE9);
  EXPECT_EQ(word_at(t, 132), 0xE9);
  EXPECT_EQ(word_at(t, 134), 0xFFFD);
  EXPECT_EQ(word_at(t, 136), '!');
  EXPECT_EQ(word_at(t, 138), ' ');
}

class GetsTest : public LogTest {};

TEST_F(GetsTest, OkayReturnsTheTypedReply) {
  hl::answer_next_dialog({[](hl::Dialog& d) {
    EXPECT_EQ(d.desc().title, "KX508_gets");
    d.type("Ada");
    d.press_button(101);
  }});
  char reply[256] = "untouched";
  EXPECT_EQ(KX508_gets("Your name?", reply), 1);
  EXPECT_STREQ(reply, "Ada");
}

TEST_F(GetsTest, ReplyIsCutAt255Characters) {
  std::string typed(300, 'r');
  typed[254] = 'L';
  hl::answer_next_dialog({[&](hl::Dialog& d) {
    d.type(typed);
    d.press_enter();
  }});
  char reply[300];
  std::memset(reply, '#', sizeof reply);
  EXPECT_EQ(KX508_gets("Long?", reply), 1);
  EXPECT_EQ(std::strlen(reply), 255u);
  EXPECT_EQ(reply[254], 'L');
  EXPECT_EQ(reply[256], '#');  // nothing written past the terminator
}

TEST_F(GetsTest, EscapeAndTheCloseBoxLeaveItOpenWhileOtherWindowsRunOn) {
  KX508_set_animation(2);
  hl::answer_next_dialog({
      [](hl::Dialog& d) { d.press_escape(); },
      [](hl::Dialog& d) { d.click_close_box(); },
      [](hl::Dialog& d) {
        EXPECT_TRUE(d.open());
        hl::advance(250);  // the drawing window's timer keeps ticking
      },
      [](hl::Dialog& d) {
        d.type("done");
        d.press_enter();
      },
  });
  char reply[256];
  kx508::lib.animation.periodic_due = false;
  EXPECT_EQ(KX508_gets("Stay?", reply), 1);
  EXPECT_STREQ(reply, "done");
  EXPECT_TRUE(kx508::lib.animation.periodic_due);
}

TEST_F(GetsTest, TheBoundedFormNeverWritesPastTheBufferItIsGiven) {
  auto type_long_reply = [] {
    hl::answer_next_dialog({[](hl::Dialog& d) {
      d.type("twenty characters!!!");
      d.press_enter();
    }});
  };
  char buffer[12];
  std::memset(buffer, '#', sizeof buffer);
  type_long_reply();
  EXPECT_EQ(KX508_gets_n("Short?", buffer, 8), 1);
  EXPECT_STREQ(buffer, "twenty ");  // seven characters and the terminator
  EXPECT_EQ(buffer[8], '#');
  type_long_reply();
  EXPECT_EQ(KX508_gets_n("None?", buffer + 9, 0), 1);
  EXPECT_EQ(buffer[9], '#');
}

// Ctrl+Q typed in the prompt, or the drawing window's close box, ends the program as the
// prompt stands: it replies empty, the next wait is quit, and no prompt opens again.
class QuitWhilePromptingTest : public GetsTest {
 protected:
  static void quit_while_prompting(std::function<void(hl::Dialog&)> quit) {
    hl::answer_next_dialog({[](hl::Dialog& d) { d.type("half"); }, std::move(quit),
                            [](hl::Dialog&) { ADD_FAILURE() << "the prompt outlived the quit"; }});
    char reply[256] = "kept";
    EXPECT_EQ(KX508_gets("Again?", reply), 1);
    EXPECT_STREQ(reply, "");
    EXPECT_EQ(wait().kind, KX508_QUIT);
    const std::size_t opened = hl::dialogs_opened().size();
    std::strcpy(reply, "kept");
    EXPECT_EQ(KX508_gets("And again?", reply), 1);
    EXPECT_STREQ(reply, "");
    EXPECT_EQ(hl::dialogs_opened().size(), opened);
  }
};

TEST_F(QuitWhilePromptingTest, CtrlQInThePrompt) {
  quit_while_prompting([](hl::Dialog& d) { d.ctrl_key('q'); });
}

TEST_F(QuitWhilePromptingTest, TheDrawingWindowsCloseBox) {
  quit_while_prompting([](hl::Dialog&) { hl::close_window(draw_window); });
}

// Of the menu's keys only Ctrl+Q works in the prompt.
TEST_F(GetsTest, OtherCtrlKeysInThePromptDoNothing) {
  hl::answer_next_dialog({[](hl::Dialog& d) {
                            d.ctrl_key('a');
                            d.ctrl_key('r');
                          },
                          [](hl::Dialog& d) {
                            d.type("still here");
                            d.press_enter();
                          }});
  char reply[256];
  EXPECT_EQ(KX508_gets("Keys?", reply), 1);
  EXPECT_STREQ(reply, "still here");
  EXPECT_FALSE(kx508::lib.animation.running);
  EXPECT_FALSE(kx508::lib.script.recording_on);
}

// Headless, a prompt nobody was asked to answer is answered with Enter, which is no input:
// a program that prompts at every tick ends at the idle limit as one that only waits.
TEST_F(GetsTest, PromptingAtEveryTickWithNobodyToAnswerEndsAtTheIdleLimit) {
  KX508_set_animation(KX508_ANIMATION_RUN);
  char reply[256];
  int prompts = 0;
  try {
    for (;;) {
      if (wait().kind != KX508_PERIODIC) continue;
      KX508_gets("Again?", reply);
      ++prompts;
    }
  } catch (const hl::Stalled& e) {
    EXPECT_NE(std::string(e.what()).find("idle limit 60000 ms"), std::string::npos) << e.what();
  }
  EXPECT_GE(prompts, 590);
  EXPECT_LE(hl::now_ms(), 60'200);
}

TEST_F(GetsTest, DialogThatCannotBeCreatedReturnsZeroAndLeavesTheReply) {
  hl::fail_next_dialog();
  char reply[256] = "kept";
  EXPECT_EQ(KX508_gets("?", reply), 0);
  EXPECT_STREQ(reply, "kept");
}

}  // namespace
