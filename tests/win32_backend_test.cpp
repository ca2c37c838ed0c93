// What the Windows API backend adds, run under Wine: its key map, its run of the prompt
// dialog from the library's own template, and its whole DPI scale factors.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>

#include "internal.h"
#include "kx508.h"
#include "win32/win32_driver.h"

namespace {

using kx508::platform::MsgType;
using kx508::platform::win32::key_message;

TEST(Win32KeyMap, KeysDownCarryTheirCodeAndTheCharacterTyped) {
  auto a = key_message(WM_KEYDOWN, 'A', L'a');
  ASSERT_TRUE(a);
  EXPECT_EQ(a->type, MsgType::KeyDown);
  EXPECT_EQ(a->param, 'A');
  EXPECT_EQ(a->ch, 'a');
  // Ctrl+A types the control character, as the other backends report it.
  auto ctrl = key_message(WM_KEYDOWN, VK_CONTROL, 0);
  EXPECT_EQ(ctrl->param, 17);
  EXPECT_EQ(ctrl->ch, 0);
  EXPECT_EQ(key_message(WM_KEYDOWN, 'A', 1)->ch, 1);
  EXPECT_EQ(key_message(WM_KEYDOWN, VK_RETURN, L'\r')->ch, 13);
  EXPECT_EQ(key_message(WM_KEYDOWN, VK_F5, 0)->param, 116);
  // A character beyond one byte is not typed; the key still is a key.
  auto euro = key_message(WM_KEYDOWN, 'E', L'\u20AC');
  EXPECT_EQ(euro->param, 'E');
  EXPECT_EQ(euro->ch, 0);
  // Ctrl as the key's own moment had it.
  EXPECT_EQ(key_message(WM_KEYDOWN, 'L', 12, true)->modifiers, kx508::platform::Modifier::Ctrl);
  EXPECT_EQ(key_message(WM_KEYDOWN, 'L', L'l', false)->modifiers, 0u);
  EXPECT_EQ(key_message(WM_KEYUP, 'L', 0, true)->modifiers, kx508::platform::Modifier::Ctrl);
}

TEST(Win32KeyMap, KeysUpSystemKeysAndWhatIsNoKey) {
  auto up = key_message(WM_KEYUP, VK_CONTROL, L'x');
  ASSERT_TRUE(up);
  EXPECT_EQ(up->type, MsgType::KeyUp);
  EXPECT_EQ(up->param, 17);
  EXPECT_EQ(up->ch, 0);  // only a key going down types
  EXPECT_EQ(key_message(WM_SYSKEYDOWN, VK_MENU, 0)->type, MsgType::KeyDown);
  EXPECT_EQ(key_message(WM_SYSKEYUP, VK_F10, 0)->type, MsgType::KeyUp);
  // A character sent on its own is no key the core knows, but it is typed.
  auto packet = key_message(WM_KEYDOWN, VK_PACKET, L'z');
  EXPECT_EQ(packet->param, 0);
  EXPECT_EQ(packet->ch, 'z');
  EXPECT_FALSE(key_message(WM_KEYDOWN, VK_PROCESSKEY, 0));
  EXPECT_FALSE(key_message(WM_CHAR, 'a', L'a'));
  EXPECT_FALSE(key_message(WM_LBUTTONDOWN, 0, 0));
}

TEST(Win32Dpi, WholeScaleFactorsWithHalvesRoundedUp) {
  using kx508::platform::win32::scale_for_dpi;
  EXPECT_EQ(scale_for_dpi(0), 1);
  EXPECT_EQ(scale_for_dpi(96), 1);
  EXPECT_EQ(scale_for_dpi(120), 1);  // 125 %
  EXPECT_EQ(scale_for_dpi(143), 1);
  EXPECT_EQ(scale_for_dpi(144), 2);  // 150 %
  EXPECT_EQ(scale_for_dpi(192), 2);
  EXPECT_EQ(scale_for_dpi(239), 2);
  EXPECT_EQ(scale_for_dpi(240), 3);  // 250 %
  EXPECT_EQ(scale_for_dpi(384), 4);
}

TEST(Win32Dpi, DevicePixelsBelongToTheClientPixelTheyLieIn) {
  using kx508::platform::win32::logical;
  EXPECT_EQ(logical(0, 2), 0);
  EXPECT_EQ(logical(1, 2), 0);
  EXPECT_EQ(logical(2, 2), 1);
  EXPECT_EQ(logical(599, 3), 199);
  EXPECT_EQ(logical(-1, 2), -1);
  EXPECT_EQ(logical(7, 1), 7);
}

// The prompt dialog on the Windows backend: the system builds it from the library's
// template, and its keys and buttons come back as the core's commands.
class Win32DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kx508::reset_library();
    std::string why;
    ASSERT_TRUE(kx508::platform::open_backend("win32", &why)) << why;
    ASSERT_EQ(KX508_start("win32-test", nullptr, "", 1), 1);
  }
  void TearDown() override { kx508::reset_library(); }

  // Runs KX508_gets while a timer posts the given input to the dialog's edit box, then
  // returns the reply; *shown says whether the dialog came up.
  static std::string ask(void (*input)(HWND dialog, HWND edit), int* shown) {
    pending_input = input;
    SetTimer(nullptr, 0, 50, on_timer);
    char reply[256] = "untouched";
    *shown = KX508_gets("Your name?", reply);
    return reply;
  }

  // A top-level window of this process with the given title. The test programs run side by
  // side on one display, so a search by title alone can find another test's dialog.
  static HWND own_window(const wchar_t* title) {
    struct Search {
      const wchar_t* title;
      HWND found;
    } search{title, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          DWORD process = 0;
          GetWindowThreadProcessId(window, &process);
          wchar_t text[64] = L"";
          GetWindowTextW(window, text, 64);
          if (process != GetCurrentProcessId() || wcscmp(text, s->title) != 0) return TRUE;
          s->found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  static void CALLBACK on_timer(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = own_window(L"KX508_gets");
    if (!dialog || !pending_input) return;
    KillTimer(nullptr, id);
    auto input = pending_input;
    pending_input = nullptr;
    input(dialog, GetDlgItem(dialog, 102));
  }

  static void key(HWND to, WPARAM vk) {
    PostMessageW(to, WM_KEYDOWN, vk, 1);
    PostMessageW(to, WM_KEYUP, vk, 1u | (3u << 30));
  }

  static inline void (*pending_input)(HWND, HWND) = nullptr;
};

TEST_F(Win32DialogTest, EnterInTheEditBoxAnswersWithItsText) {
  int shown = 0;
  std::string reply = ask(
      [](HWND, HWND edit) {
        ASSERT_NE(edit, nullptr);
        SetWindowTextW(edit, L"Ada");
        // The owner is disabled while the dialog is up, as a modal dialog's is.
        EXPECT_FALSE(IsWindowEnabled(own_window(L"KX508 Graphics")));
        key(edit, VK_RETURN);
      },
      &shown);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(reply, "Ada");
  EXPECT_TRUE(IsWindowEnabled(own_window(L"KX508 Graphics")));
  EXPECT_EQ(own_window(L"KX508_gets"), nullptr);
}

// Letters of any script typed into the edit box, one character message each (an emoji as
// its two UTF-16 halves, as the system sends it), come back as the UTF-8 of what was typed.
TEST_F(Win32DialogTest, ATypedReplyInAnyScriptComesBackAsTyped) {
  int shown = 0;
  std::string reply = ask(
      [](HWND, HWND edit) {
        const wchar_t* typed = L"\u00C9lodie \u674E\u96F7 \u0645\u062D\u0645\u062F \U0001F600";
        for (const wchar_t* c = typed; *c; ++c) PostMessageW(edit, WM_CHAR, *c, 1);
        key(edit, VK_RETURN);
      },
      &shown);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(reply, "\u00C9lodie \u674E\u96F7 \u0645\u062D\u0645\u062F \U0001F600");
}

// Ctrl+Q in the edit box (Q's key with Ctrl held, as the thread's key state says) reaches
// the program, whose quit ends the prompt with an empty reply. The key is posted to the
// box, not typed: the tests share one display, where typed keys go to whichever test's
// window has the focus.
TEST_F(Win32DialogTest, CtrlQInTheEditBoxEndsThePrompt) {
  int shown = 0;
  std::string reply = ask(
      [](HWND, HWND edit) {
        BYTE state[256] = {};
        GetKeyboardState(state);
        state[VK_CONTROL] = 0x80;
        SetKeyboardState(state);
        key(edit, 'Q');
      },
      &shown);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(reply, "");
  EXPECT_EQ(own_window(L"KX508_gets"), nullptr);
}

TEST_F(Win32DialogTest, EscapeAndTheCloseBoxAreRefusedAndOkayAnswers) {
  int shown = 0;
  std::string reply = ask(
      [](HWND dialog, HWND edit) {
        SetWindowTextW(edit, L"kept");
        // The library's procedure refuses to cancel: the dialog stays up through both.
        key(edit, VK_ESCAPE);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        // Then "Okay", the default push button, clicked.
        PostMessageW(GetDlgItem(dialog, 101), BM_CLICK, 0, 0);
      },
      &shown);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(reply, "kept");
}

}  // namespace
