// Dialogs: the modal dialog built from the decoded template, its items, Enter, Escape
// and the close box turned into the commands the template names, and keys with Ctrl
// handed to the program.
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "qt_internal.h"

namespace kx508::platform::qt {

// ---- The dialog widget

std::string DialogWidget::item_text(int id) const {
  auto it = items_.find(id);
  if (it == items_.end()) return {};
  QWidget* w = it->second.widget;
  QString text;
  if (auto* e = qobject_cast<QPlainTextEdit*>(w)) text = e->toPlainText();
  else if (auto* l = qobject_cast<QLineEdit*>(w)) text = l->text();
  else if (auto* b = qobject_cast<QPushButton*>(w)) text = b->text();
  else if (auto* s = qobject_cast<QLabel*>(w)) text = s->text();
  else return it->second.text;
  return text.toStdString();
}

void DialogWidget::closeEvent(QCloseEvent* e) {
  e->ignore();
  core::post_command(id_, cancel_id_);
}

void DialogWidget::keyPressEvent(QKeyEvent* e) {
  if (is_plain_enter(e)) {
    core::post_command(id_, default_id_);
    return;
  }
  // A key with Ctrl that no item took (Ctrl+Q): the program's procedure decides.
  if ((e->modifiers() & Qt::ControlModifier) && e->key() != Qt::Key_Control) {
    post_key(id_, e, true);
    return;
  }
  QDialog::keyPressEvent(e);
}

bool DialogWidget::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress && is_plain_enter(static_cast<QKeyEvent*>(e))) {
    core::post_command(id_, default_id_);
    return true;
  }
  return QDialog::eventFilter(watched, e);
}

bool DialogWidget::is_plain_enter(const QKeyEvent* e) {
  return (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
         (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// ---- Creating and destroying

bool QtDriver::create_dialog(WindowRecord& rec, WindowRecord* owner) {
  const DialogDesc& desc = rec.dialog;
  auto* dialog = new DialogWidget(rec.id, desc.default_id, desc.cancel_id);
  dialog->setWindowTitle(QString::fromStdString(desc.title));
  dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint);
  // Modal by hand: the other windows are disabled, which keeps their input from them
  // but, unlike Qt's modality, not their close boxes.
  dialog->setWindowModality(Qt::NonModal);
  dialog->setSizeGripEnabled(false);

  // Dialog units: a quarter of the font's average character width, an eighth of its height.
  const QFontMetrics fm(dialog->font());
  const int char_width =
      std::max(1, (fm.horizontalAdvance(QStringLiteral(
                       "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2);
  const int char_height = std::max(1, fm.height());
  auto ux = [&](int du) { return static_cast<int>(std::lround(du * char_width / 4.0)); };
  auto uy = [&](int du) { return static_cast<int>(std::lround(du * char_height / 8.0)); };

  QWidget* first_edit = nullptr;
  for (const DialogItem& item : desc.items) {
    const QString text = QString::fromStdString(item.text);
    QWidget* widget = nullptr;
    switch (item.kind) {
      case DialogItemKind::Static: {
        auto* label = new QLabel(text, dialog);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
      }
      case DialogItemKind::Edit:
        if (item.multiline) {
          auto* edit = new QPlainTextEdit(text, dialog);
          edit->setTabChangesFocus(true);
          edit->installEventFilter(dialog);
          widget = edit;
        } else {
          auto* edit = new QLineEdit(text, dialog);
          if (item.password) edit->setEchoMode(QLineEdit::Password);
          widget = edit;
        }
        if (!first_edit) first_edit = widget;
        break;
      case DialogItemKind::Button: {
        auto* button = new QPushButton(text, dialog);
        button->setDefault(item.id == desc.default_id);
        const Window id = rec.id;
        const int item_id = item.id;
        QObject::connect(button, &QPushButton::clicked, button,
                         [id, item_id] { core::post_command(id, item_id); });
        widget = button;
        break;
      }
      case DialogItemKind::Other:
        break;
    }
    dialog->add_item(item.id, widget, item.text);
    if (!widget) continue;
    widget->setObjectName(dialog_item_name(item.id));
    widget->setGeometry(ux(item.x), uy(item.y), ux(item.width), uy(item.height));
    widget->setEnabled(!item.disabled);
    widget->setVisible(item.visible);
  }
  if (first_edit) first_edit->setFocus();

  dialog->setFixedSize(std::max(1, ux(desc.width)), std::max(1, uy(desc.height)));
  // Placed from the owner's client area; kept out of the owner's widget tree, so that the
  // dialog stays answerable if the owner goes first.
  QPoint origin;
  NativeWindow* nw = owner ? native(owner->id) : nullptr;
  if (nw && nw->top) {
    origin = nw->client->mapToGlobal(QPoint(0, 0));
    dialog->winId();
    if (QWindow* handle = dialog->windowHandle())
      handle->setTransientParent(nw->top->windowHandle());
  }
  dialog->move(origin + QPoint(ux(desc.x), uy(desc.y)));
  dialogs_[rec.id] = dialog;
  enable_windows(false);
  // Not exec(): the core runs the modal loop and keeps the other windows' messages going.
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  return true;
}

void QtDriver::destroy_dialog(WindowRecord& rec) {
  auto it = dialogs_.find(rec.id);
  if (it == dialogs_.end()) return;
  QPointer<DialogWidget> dialog = it->second;
  dialogs_.erase(it);
  if (dialogs_.empty()) enable_windows(true);
  if (dialog) {
    dialog->hide();
    dialog->deleteLater();
  }
}

void QtDriver::enable_windows(bool enabled) {
  for (auto& [id, nw] : windows_)
    if (nw->top) nw->top->setEnabled(enabled);
}

std::string QtDriver::dialog_item_text(WindowRecord& rec, int item_id) {
  auto it = dialogs_.find(rec.id);
  if (it == dialogs_.end() || !it->second) return {};
  return it->second->item_text(item_id);
}

}  // namespace kx508::platform::qt
