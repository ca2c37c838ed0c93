// Keyboard input: a KeyboardEvent's code and key as the core's KeyDown and KeyUp, with the
// classic virtual-key codes and the character the key types. Plain C++, so that its tests
// need no browser.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "web/web_driver.h"

namespace kx508::platform::web {

namespace {

struct CodeKey {
  std::string_view code;
  int vk;
};

// Keys by their place on the keyboard (KeyboardEvent.code); punctuation as on a US
// keyboard, as the other backends map it. Tab is the page's: it moves the focus on.
constexpr CodeKey kCodes[] = {
    {"Backspace", 8}, {"NumpadClear", 12}, {"Enter", 13}, {"NumpadEnter", 13},
    {"ShiftLeft", 16}, {"ShiftRight", 16}, {"ControlLeft", 17}, {"ControlRight", 17},
    {"AltLeft", 18}, {"AltRight", 18}, {"Pause", 19}, {"CapsLock", 20}, {"Escape", 27},
    {"Space", 32}, {"PageUp", 33}, {"PageDown", 34}, {"End", 35}, {"Home", 36},
    {"ArrowLeft", 37}, {"ArrowUp", 38}, {"ArrowRight", 39}, {"ArrowDown", 40},
    {"PrintScreen", 44}, {"Insert", 45}, {"Delete", 46}, {"MetaLeft", 91}, {"MetaRight", 92},
    {"ContextMenu", 93}, {"NumpadMultiply", 106}, {"NumpadAdd", 107},
    {"NumpadSubtract", 109}, {"NumpadDecimal", 110}, {"NumpadComma", 110},
    {"NumpadDivide", 111}, {"NumLock", 144}, {"ScrollLock", 145}, {"Semicolon", 186},
    {"Equal", 187}, {"Comma", 188}, {"Minus", 189}, {"Period", 190}, {"Slash", 191},
    {"Backquote", 192}, {"BracketLeft", 219}, {"Backslash", 220}, {"BracketRight", 221},
    {"Quote", 222}, {"IntlBackslash", 226},
};

// Codes made of a prefix and a character or number: KeyA..KeyZ, Digit0..9, Numpad0..9,
// F1..F24.
int numbered_key(std::string_view code) {
  auto rest = [&](std::string_view prefix) -> std::optional<std::string_view> {
    if (code.size() <= prefix.size() || code.substr(0, prefix.size()) != prefix) return {};
    return code.substr(prefix.size());
  };
  if (auto r = rest("Key"); r && r->size() == 1 && (*r)[0] >= 'A' && (*r)[0] <= 'Z')
    return (*r)[0];
  if (auto r = rest("Digit"); r && r->size() == 1 && (*r)[0] >= '0' && (*r)[0] <= '9')
    return (*r)[0];
  if (auto r = rest("Numpad"); r && r->size() == 1 && (*r)[0] >= '0' && (*r)[0] <= '9')
    return 96 + ((*r)[0] - '0');
  if (auto r = rest("F"); r && !r->empty() && r->size() <= 2 &&
                          std::all_of(r->begin(), r->end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const int n = std::stoi(std::string(*r));
    if (n >= 1 && n <= 24) return 111 + n;
  }
  return 0;
}

int key_by_place(std::string_view code) {
  if (int vk = numbered_key(code)) return vk;
  for (const CodeKey& k : kCodes)
    if (k.code == code) return k.vk;
  return 0;
}

// The one character a key value holds, decoded from UTF-8; 0 when it holds a name
// ("Enter") or more than one character.
char32_t single_char(std::string_view key) {
  if (key.empty()) return 0;
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(key[i]); };
  const unsigned lead = b(0);
  std::size_t len = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (len == 0 || key.size() != len) return 0;
  char32_t c = len == 1 ? lead : lead & (0x7F >> len);
  for (std::size_t i = 1; i < len; ++i) c = (c << 6) | (b(i) & 0x3F);
  return c;
}

// What the key types: one byte (Latin-1), as the other backends give. Ctrl with a letter
// types its control character; Alt alone types nothing (it is the menu's); Ctrl with Alt
// is AltGr on many layouts and types what it shows.
int typed_char(std::string_view key, bool ctrl, bool alt) {
  if (key == "Enter") return 13;
  if (key == "Backspace") return 8;
  if (key == "Escape") return 27;
  const char32_t c = single_char(key);
  if (c == 0 || c > 255 || (alt && !ctrl)) return 0;
  if (ctrl && !alt && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return c & 0x1F;
  return c >= 32 ? static_cast<int>(c) : 0;
}

}  // namespace

std::optional<Message> key_message(bool down, std::string_view code, std::string_view key,
                                   bool ctrl, bool alt) {
  int vk = key_by_place(code);
  if (vk == 0) return std::nullopt;
  // A letter or digit is the one the layout puts there.
  const char32_t c = single_char(key);
  if (c >= 'a' && c <= 'z') vk = static_cast<int>(c - 'a' + 'A');
  else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9' && vk < 96)) vk = static_cast<int>(c);
  Message m{0, down ? MsgType::KeyDown : MsgType::KeyUp};
  m.param = vk;
  if (down) m.ch = typed_char(key, ctrl, alt);
  if (ctrl) m.modifiers |= Modifier::Ctrl;
  return m;
}

std::string message_key_codes() {
  std::string codes;
  // Appended piece by piece: GCC 12 warns, wrongly, about operator+ on a temporary here.
  auto add = [&](std::string_view prefix, std::string_view rest = {}) {
    if (!codes.empty()) codes += ' ';
    codes += prefix;
    codes += rest;
  };
  for (char c = 'A'; c <= 'Z'; ++c) add("Key", {&c, 1});
  for (char c = '0'; c <= '9'; ++c) add("Digit", {&c, 1});
  for (char c = '0'; c <= '9'; ++c) add("Numpad", {&c, 1});
  for (int n = 1; n <= 24; ++n) add("F", std::to_string(n));
  for (const CodeKey& k : kCodes) add(k.code);
  return codes;
}

}  // namespace kx508::platform::web
