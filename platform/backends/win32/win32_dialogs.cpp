// Dialogs: the system builds the dialog from the program's own in-memory template, which
// is native here. It is modeless, so that the core runs the modal loop; its owner is
// disabled meanwhile, as a modal dialog's is. Buttons, Enter, Escape and the close box
// become Command messages with the ids the core's description names.
#include "win32_internal.h"

namespace kx508::platform::win32 {

namespace {

// The dialog's record, kept by the dialog since WM_INITDIALOG.
const WindowRecord* record_of(HWND dialog) {
  const auto id = static_cast<Window>(GetWindowLongPtrW(dialog, DWLP_USER));
  const WindowRecord* rec = id ? core::find(id) : nullptr;
  return rec && rec->is_dialog ? rec : nullptr;
}

INT_PTR CALLBACK dialog_proc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    // Enter answers with the command the description names.
    if (const WindowRecord* rec = record_of(dialog))
      SendMessageW(dialog, DM_SETDEFID, static_cast<WPARAM>(rec->dialog.default_id), 0);
    return TRUE;  // the first item that takes the focus gets it
  }
  const WindowRecord* rec = record_of(dialog);
  if (!rec) return FALSE;
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      const bool from_control = lparam != 0;
      // An edit box's change notices are no commands.
      if (from_control && HIWORD(wparam) != BN_CLICKED) return FALSE;
      if (!from_control && id == IDCANCEL) core::post_command(rec->id, rec->dialog.cancel_id);
      else if (!from_control && id == IDOK) core::post_command(rec->id, rec->dialog.default_id);
      else core::post_command(rec->id, id);
      return TRUE;
    }
    case WM_CLOSE:
      // The close box, and Escape in a multi-line edit box.
      core::post_command(rec->id, rec->dialog.cancel_id);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

bool Win32Driver::create_dialog(WindowRecord& rec, WindowRecord* owner) {
  // CreateDialogIndirectParamW reads the template in place: it must start on a DWORD,
  // as a vector's storage does.
  if (rec.dialog_template.empty()) return false;
  NativeWindow* nw = owner ? native(owner->id) : nullptr;
  HWND owner_hwnd = nw ? nw->hwnd : nullptr;
  HWND hwnd = CreateDialogIndirectParamW(
      GetModuleHandleW(nullptr),
      reinterpret_cast<LPCDLGTEMPLATEW>(rec.dialog_template.data()), owner_hwnd, dialog_proc,
      static_cast<LPARAM>(rec.id));
  if (!hwnd) return false;
  dialogs_[rec.id] = {hwnd, owner_hwnd};
  if (owner_hwnd) EnableWindow(owner_hwnd, FALSE);
  ShowWindow(hwnd, SW_SHOW);
  SetForegroundWindow(hwnd);
  return true;
}

void Win32Driver::destroy_dialog(WindowRecord& rec) {
  auto it = dialogs_.find(rec.id);
  if (it == dialogs_.end()) return;
  const NativeDialog d = it->second;
  dialogs_.erase(it);
  // The owner first, so that the focus goes back to it rather than to another program.
  if (d.owner) EnableWindow(d.owner, TRUE);
  SetWindowLongPtrW(d.hwnd, DWLP_USER, 0);
  DestroyWindow(d.hwnd);
}

std::string Win32Driver::dialog_item_text(WindowRecord& rec, int item_id) {
  auto it = dialogs_.find(rec.id);
  if (it == dialogs_.end()) return {};
  HWND item = GetDlgItem(it->second.hwnd, item_id);
  if (!item) return {};
  const int length = GetWindowTextLengthW(item);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(item, text.data(), length + 1);
  return narrow(text.data(), got);
}

}  // namespace kx508::platform::win32
