// The web backend's key map, which needs no browser: KeyboardEvent codes and keys as
// virtual-key codes, typed characters and Ctrl, and the list of codes the page hands to
// the program, which must be exactly those that become messages.
#include <gtest/gtest.h>

#include <sstream>

#include "web/web_driver.h"

namespace {

using kx508::platform::Modifier;
using kx508::platform::Message;
using kx508::platform::web::key_message;

struct Key {
  int vk;
  int ch;
  bool ctrl;
};

Key down(std::string_view code, std::string_view key, bool ctrl = false, bool alt = false) {
  std::optional<Message> m = key_message(true, code, key, ctrl, alt);
  EXPECT_TRUE(m.has_value()) << code;
  if (!m) return {};
  EXPECT_EQ(m->type, kx508::platform::MsgType::KeyDown);
  return {m->param, m->ch, (m->modifiers & Modifier::Ctrl) != 0};
}

TEST(WebKeys, LettersAndDigitsGoByTheLayoutOtherKeysByTheirPlace) {
  EXPECT_EQ(down("KeyA", "a").vk, 'A');
  EXPECT_EQ(down("KeyQ", "a").vk, 'A');  // AZERTY's A, where a US keyboard has Q
  EXPECT_EQ(down("Semicolon", "m").vk, 'M');
  EXPECT_EQ(down("Digit1", "&").vk, '1');
  EXPECT_EQ(down("Digit1", "&").ch, '&');
  EXPECT_EQ(down("Numpad1", "1").vk, 97);
  EXPECT_EQ(down("Slash", "?").vk, 191);
  EXPECT_EQ(down("F5", "F5").vk, 116);
  EXPECT_EQ(down("F5", "F5").ch, 0);
  EXPECT_EQ(down("ArrowLeft", "ArrowLeft").vk, 37);
  EXPECT_EQ(down("ControlLeft", "Control").vk, 17);
}

TEST(WebKeys, TypedCharactersAreOneByte) {
  EXPECT_EQ(down("KeyA", "A").ch, 'A');
  EXPECT_EQ(down("Enter", "Enter").ch, 13);
  EXPECT_EQ(down("NumpadEnter", "Enter").vk, 13);
  EXPECT_EQ(down("Backspace", "Backspace").ch, 8);
  EXPECT_EQ(down("Escape", "Escape").ch, 27);
  EXPECT_EQ(down("Space", " ").ch, ' ');
  EXPECT_EQ(down("Delete", "Delete").ch, 0);
  EXPECT_EQ(down("Digit2", "\xC3\xA9").ch, 0xE9);  // é, Latin-1
  EXPECT_EQ(down("KeyE", "\xE2\x82\xAC").ch, 0);   // € has no byte
  EXPECT_EQ(down("KeyE", "\xE2\x82\xAC").vk, 'E');
}

TEST(WebKeys, CtrlComesFromTheEventAndAltTypesNothing) {
  const Key r = down("KeyR", "r", true);
  EXPECT_EQ(r.vk, 'R');
  EXPECT_EQ(r.ch, 'R' & 0x1F);
  EXPECT_TRUE(r.ctrl);
  EXPECT_FALSE(down("KeyR", "r").ctrl);
  EXPECT_EQ(down("KeyR", "r", false, true).ch, 0);    // Alt: the menu's letter
  EXPECT_EQ(down("KeyQ", "@", true, true).ch, '@');   // AltGr on many layouts
  std::optional<Message> up = key_message(false, "KeyR", "r", true, false);
  ASSERT_TRUE(up);
  EXPECT_EQ(up->type, kx508::platform::MsgType::KeyUp);
  EXPECT_EQ(up->ch, 0);
  EXPECT_EQ(up->modifiers, Modifier::Ctrl);
}

TEST(WebKeys, ThePageHandsOnExactlyTheKeysThatBecomeMessagesAndTabIsThePages) {
  std::istringstream codes(kx508::platform::web::message_key_codes());
  int count = 0;
  for (std::string code; codes >> code; ++count)
    EXPECT_TRUE(key_message(true, code, "Unidentified", false, false)) << code;
  EXPECT_GT(count, 100);
  const std::string listed = " " + kx508::platform::web::message_key_codes() + " ";
  for (std::string_view code : {"AudioVolumeMute", "Fn", "", "Key", "KeyAB", "F25", "F0", "Tab"}) {
    EXPECT_FALSE(key_message(true, code, "x", false, false)) << code;
    EXPECT_EQ(listed.find(" " + std::string(code) + " "), std::string::npos) << code;
  }
}

}  // namespace
