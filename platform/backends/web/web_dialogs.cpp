// Dialogs: a modal HTML dialog built from the core's decoded description. Its buttons,
// Enter (the default id, also in a multi-line edit box), Escape and the close box (the
// cancel id) post Command messages; the core runs the modal loop, and the page gives the
// focus back to the owner's canvas when the dialog goes.
#include <emscripten.h>

#include "web_internal.h"

namespace kx508::platform::web {

namespace {

EM_JS(void, kx508_web_dialog_begin, (int id, int owner, const char* title, int width,
                                     int height, int default_id, int cancel_id), {
  KX508Web.dialogBegin(id, owner, UTF8ToString(title), width, height, default_id, cancel_id);
});

EM_JS(void, kx508_web_dialog_item, (int id, int kind, int item, const char* text, int x, int y,
                                    int width, int height, int visible, int disabled,
                                    int multiline, int password), {
  KX508Web.dialogItem(id, kind, item, UTF8ToString(text), x, y, width, height, visible !== 0,
                      disabled !== 0, multiline !== 0, password !== 0);
});

EM_JS(void, kx508_web_dialog_show, (int id, int x, int y), { KX508Web.dialogShow(id, x, y); });
EM_JS(void, kx508_web_dialog_destroy, (int id), { KX508Web.dialogDestroy(id); });

EM_JS(int, kx508_web_dialog_text_size, (int id, int item), {
  return lengthBytesUTF8(KX508Web.dialogText(id, item));
});

EM_JS(void, kx508_web_dialog_text, (int id, int item, char* into, int size), {
  stringToUTF8(KX508Web.dialogText(id, item), into, size);
});

}  // namespace

bool WebDriver::create_dialog(WindowRecord& rec, WindowRecord* owner) {
  const DialogDesc& d = rec.dialog;
  const int id = static_cast<int>(rec.id);
  kx508_web_dialog_begin(id, owner ? static_cast<int>(owner->id) : 0, d.title.c_str(), d.width,
                         d.height, d.default_id, d.cancel_id);
  for (const DialogItem& item : d.items)
    kx508_web_dialog_item(id, static_cast<int>(item.kind), item.id, item.text.c_str(), item.x,
                          item.y, item.width, item.height, item.visible, item.disabled,
                          item.multiline, item.password);
  kx508_web_dialog_show(id, d.x, d.y);
  dialogs_.insert(rec.id);
  return true;
}

void WebDriver::destroy_dialog(WindowRecord& rec) {
  if (dialogs_.erase(rec.id)) kx508_web_dialog_destroy(static_cast<int>(rec.id));
}

std::string WebDriver::dialog_item_text(WindowRecord& rec, int item_id) {
  if (!dialogs_.count(rec.id)) return {};
  const int id = static_cast<int>(rec.id);
  const int size = kx508_web_dialog_text_size(id, item_id);
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  kx508_web_dialog_text(id, item_id, text.data(), size + 1);
  text.resize(static_cast<std::size_t>(size));
  return text;
}

}  // namespace kx508::platform::web
