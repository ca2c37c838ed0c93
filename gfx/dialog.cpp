// KX508_gets: a small modal prompt built in memory from a dialog template.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "internal.h"
#include "text_encoding.h"

namespace kx508 {

namespace {

constexpr int kEditId = 102;
constexpr int kOkayId = 101;
constexpr std::size_t kReplyChars = 255;

class TemplateWriter {
 public:
  explicit TemplateWriter(GetsTemplate& out) : out_(out) { out_.fill(0); }
  void word(std::uint16_t v) {
    out_[pos_++] = static_cast<std::uint8_t>(v & 0xFF);
    out_[pos_++] = static_cast<std::uint8_t>(v >> 8);
  }
  void dword(std::uint32_t v) {
    word(static_cast<std::uint16_t>(v & 0xFFFF));
    word(static_cast<std::uint16_t>(v >> 16));
  }
  void text(const char* s) {
    for (; *s; ++s) word(static_cast<unsigned char>(*s));
    word(0);
  }
  void item(std::uint32_t style, int x, int y, int cx, int cy, int id, std::uint16_t cls) {
    dword(style);
    dword(0);  // extended style
    word(static_cast<std::uint16_t>(x));
    word(static_cast<std::uint16_t>(y));
    word(static_cast<std::uint16_t>(cx));
    word(static_cast<std::uint16_t>(cy));
    word(static_cast<std::uint16_t>(id));
    word(0xFFFF);
    word(cls);
  }
  std::size_t offset() const { return pos_; }

 private:
  GetsTemplate& out_;
  std::size_t pos_ = 0;
};

bool gets_dialog_proc(platform::Window dialog, const platform::Message& msg) {
  char*& gets_reply = lib.dialog.gets_reply;
  if (msg.type == platform::MsgType::InitDialog) {
    gets_reply = reinterpret_cast<char*>(msg.data);
    return true;
  }
  if (msg.type == platform::MsgType::KeyDown) {
    on_key_in_prompt(msg.param, msg.modifiers);
    return true;
  }
  if (msg.type == platform::MsgType::Command && msg.param == kOkayId) {
    std::string text = platform::get_dialog_item_text(dialog, kEditId, lib.dialog.gets_chars);
    if (gets_reply) {
      std::memcpy(gets_reply, text.data(), text.size());
      gets_reply[text.size()] = '\0';
    }
    platform::end_dialog(dialog, 1);
    return true;
  }
  return false;
}

}  // namespace

GetsTemplate build_gets_template(const char* prompt) {
  GetsTemplate t;
  TemplateWriter w(t);
  w.dword(0x90C80080);  // popup, visible, caption, system menu, modal frame
  w.dword(0);
  w.word(3);            // items
  w.word(50);
  w.word(50);
  w.word(185);
  w.word(92);
  w.word(0);            // no menu
  w.word(0);            // the platform's dialog class
  w.text("KX508_gets");

  w.item(0x50810044, 8, 30, 167, 37, kEditId, 0x0081);  // multi-line edit box
  w.word(0);                                            // no text
  w.word(0);                                            // no creation data
  w.word(0);                                            // alignment

  w.item(0x50010001, 67, 74, 50, 14, kOkayId, 0x0080);  // default push button
  w.text("Okay");
  w.word(0);
  w.word(0);

  w.item(0x50020000, 8, 3, 167, 24, 103, 0x0082);  // static prompt
  // The prompt as exactly 79 characters, read as the log window reads text: cut, or
  // padded with spaces. A character past the 16-bit range becomes the replacement.
  const std::string_view text = prompt ? prompt : "";
  std::size_t i = 0;
  for (std::size_t j = 0; j < kGetsPromptChars; ++j) {
    const char32_t c = i < text.size() ? platform::next_char(text, i) : U' ';
    w.word(static_cast<std::uint16_t>(c <= 0xFFFF ? c : 0xFFFD));
  }
  w.word(0);
  w.word(0);
  return t;
}

}  // namespace kx508

using namespace kx508;

namespace {

// A replay never waits for a person: the run holds the reply, or it is empty.
void reply_from_run(char* into, std::size_t chars) {
  const std::string text = script_read_reply();
  if (!into) return;
  const std::size_t n = std::min(text.size(), chars);
  std::memcpy(into, text.data(), n);
  into[n] = '\0';
}

int prompt_for(const char* prompt, char* reply, std::size_t size) {
  // A reply of 0 characters still needs room for its terminator.
  lib.dialog.gets_chars = size > 0 ? std::min(size - 1, kReplyChars) : 0;
  char* into = size > 0 ? reply : nullptr;
  if (lib.replay.playing) {
    reply_from_run(into, lib.dialog.gets_chars);
  } else if (lib.dialog.quit) {
    // The program was asked to end while it prompted: no prompt opens again, so that one
    // that prompts in a loop gets to its wait, and the quit.
    if (into) into[0] = '\0';
  } else {
    GetsTemplate t = build_gets_template(prompt);
    // The program waits for the reply: its picture is told now.
    describe_at_wait(DescribeWhen::AtOnce);
    long result = platform::dialog_box(t.data(), t.size(), lib.windows.draw_window,
                                       gets_dialog_proc, reinterpret_cast<std::uintptr_t>(into));
    lib.dialog.gets_reply = nullptr;
    if (result == -1) return 0;
    if (result == platform::kDialogQuit) {
      lib.dialog.quit = true;
      if (into) into[0] = '\0';
    }
  }
  run_record_reply(into ? into : "");
  return 1;
}

}  // namespace

int KX508_gets_n(const char* prompt, char* reply, std::size_t size) {
  // Waiting for a person is waiting too.
  wait_begins();
  const int shown = prompt_for(prompt, reply, size);
  wait_ends();
  return shown;
}

int KX508_gets(const char* prompt, char* reply) {
  return KX508_gets_n(prompt, reply, kReplyChars + 1);
}
