// Modal dialogs built from the classic in-memory template, and the loop that runs them
// while the program's other windows keep receiving their messages.
#include "driver.h"

namespace kx508::platform {

namespace {

// Reads the little-endian template field by field; any read past the end fails it.
class TemplateReader {
 public:
  TemplateReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }
  std::size_t offset() const { return pos_; }

  std::uint16_t word() {
    if (!ok_ || pos_ + 2 > size_) return fail();
    std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }

  std::uint32_t dword() {
    std::uint32_t lo = word();
    std::uint32_t hi = word();
    return lo | (hi << 16);
  }

  // A zero-terminated 16-bit string, as UTF-8.
  std::string text() {
    std::string out;
    for (std::uint16_t c = word(); ok_ && c != 0; c = word()) append_utf8(out, c);
    return out;
  }

  // Nothing (0), an ordinal (0xFFFF, n) or a string.
  void name_or_ordinal(std::uint16_t* ordinal, std::string* name) {
    *ordinal = 0;
    std::uint16_t first = peek_word();
    if (first == 0) {
      word();
    } else if (first == 0xFFFF) {
      word();
      *ordinal = word();
    } else {
      *name = text();
    }
  }

  void skip(std::size_t n) {
    if (pos_ + n > size_) fail();
    else pos_ += n;
  }

  void align4() { skip((4 - pos_ % 4) % 4); }

 private:
  std::uint16_t fail() {
    ok_ = false;
    return 0;
  }
  std::uint16_t peek_word() const {
    if (!ok_ || pos_ + 2 > size_) return 0;
    return static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
  }
  static void append_utf8(std::string& out, std::uint16_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// The template's style bits that the description carries as named fields.
constexpr std::uint32_t DS_SETFONT = 0x40;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_DISABLED = 0x08000000;
constexpr std::uint32_t ES_MULTILINE = 0x0004;
constexpr std::uint32_t ES_PASSWORD = 0x0020;
constexpr std::uint32_t BS_TYPEMASK = 0x000F;
constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

DialogItemKind kind_of(std::uint16_t ordinal, const std::string& name) {
  if (ordinal == 0x80 || name == "BUTTON" || name == "Button") return DialogItemKind::Button;
  if (ordinal == 0x81 || name == "EDIT" || name == "Edit") return DialogItemKind::Edit;
  if (ordinal == 0x82 || name == "STATIC" || name == "Static") return DialogItemKind::Static;
  return DialogItemKind::Other;
}

}  // namespace

bool parse_dialog_template(const std::uint8_t* data, std::size_t size, DialogDesc* out) {
  if (!data || !out) return false;
  TemplateReader r(data, size);
  DialogDesc d;
  const std::uint32_t style = r.dword();
  r.dword();  // extended style
  int count = r.word();
  d.x = static_cast<std::int16_t>(r.word());
  d.y = static_cast<std::int16_t>(r.word());
  d.width = static_cast<std::int16_t>(r.word());
  d.height = static_cast<std::int16_t>(r.word());
  std::uint16_t ordinal;
  std::string name;
  r.name_or_ordinal(&ordinal, &name);  // menu
  r.name_or_ordinal(&ordinal, &name);  // window class
  d.title = r.text();
  d.default_id = kIdOk;
  d.cancel_id = kIdCancel;
  bool has_default = false;
  if (style & DS_SETFONT) {
    r.word();  // point size
    r.text();  // face name
  }
  for (int i = 0; i < count && r.ok(); ++i) {
    r.align4();
    DialogItem item;
    const std::uint32_t item_style = r.dword();
    r.dword();  // extended style
    item.x = static_cast<std::int16_t>(r.word());
    item.y = static_cast<std::int16_t>(r.word());
    item.width = static_cast<std::int16_t>(r.word());
    item.height = static_cast<std::int16_t>(r.word());
    item.id = r.word();
    std::uint16_t cls = 0;
    std::string cls_name;
    r.name_or_ordinal(&cls, &cls_name);
    item.kind = kind_of(cls, cls_name);
    std::uint16_t text_ordinal = 0;
    r.name_or_ordinal(&text_ordinal, &item.text);
    r.skip(r.word());  // creation data
    item.visible = item_style & WS_VISIBLE;
    item.disabled = item_style & WS_DISABLED;
    if (item.kind == DialogItemKind::Edit) {
      item.multiline = item_style & ES_MULTILINE;
      item.password = item_style & ES_PASSWORD;
    }
    // Enter answers with the first default push button there is, else with OK.
    if (!has_default && item.kind == DialogItemKind::Button &&
        (item_style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      d.default_id = item.id;
      has_default = true;
    }
    d.items.push_back(std::move(item));
  }
  if (!r.ok()) return false;
  *out = std::move(d);
  return true;
}

long dialog_box(const std::uint8_t* dialog_template, std::size_t size, Window owner,
                DialogProc proc, std::uintptr_t param) {
  Driver* drv = core::driver();
  DialogDesc desc;
  if (!drv || !proc || !parse_dialog_template(dialog_template, size, &desc)) return -1;

  WindowRecord& rec = core::add();
  const Window dialog = rec.id;
  rec.is_dialog = true;
  rec.dialog_proc = proc;
  rec.dialog = std::move(desc);
  rec.dialog_template.assign(dialog_template, dialog_template + size);
  rec.desc.title = rec.dialog.title;
  if (!drv->create_dialog(rec, core::find(owner))) {
    core::remove(dialog);
    return -1;
  }
  Message init{dialog, MsgType::InitDialog};
  init.data = param;
  dispatch_message(init);

  // A quit (the program is asked to end while the dialog waits for an answer) closes the
  // dialog at once, and is posted again once it has closed, for the program's next wait.
  bool quit_taken = false;
  int quit_code = 0;
  for (WindowRecord* d = core::find(dialog); d && !d->dialog_ended; d = core::find(dialog)) {
    Message msg;
    if (!peek_message(msg)) {
      wait_message();
      continue;
    }
    if (msg.type == MsgType::Quit) {
      quit_taken = true;
      quit_code = msg.param;
      break;
    }
    translate_message(msg);
    dispatch_message(msg);
  }

  long result = quit_taken ? kDialogQuit : -1;
  if (WindowRecord* d = core::find(dialog)) {
    if (!quit_taken) result = d->dialog_result;
    drv->destroy_dialog(*d);
    core::remove(dialog);
  }
  if (quit_taken) post_quit_message(quit_code);
  return result;
}

std::string get_dialog_item_text(Window dialog, int item_id, std::size_t max_chars) {
  WindowRecord* d = core::find(dialog);
  if (!d || !d->is_dialog || !core::driver()) return {};
  std::string text = core::driver()->dialog_item_text(*d, item_id);
  if (text.size() > max_chars) {
    // Never split a UTF-8 sequence.
    std::size_t cut = max_chars;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
  }
  return text;
}

void end_dialog(Window dialog, long result) {
  WindowRecord* d = core::find(dialog);
  if (!d || !d->is_dialog) return;
  d->dialog_ended = true;
  d->dialog_result = result;
}

}  // namespace kx508::platform
