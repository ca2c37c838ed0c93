// Menus: the window's menu bar built from the core's menu records, and entries whose
// check mark or grayed state changed shown again in place.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "qt_internal.h"

namespace kx508::platform::qt {

namespace {

// Shows a menu entry's check mark and grayed state as the record has them. An entry is
// checkable only while checked: an unchecked checkable entry would show an empty box.
void apply_state(QAction* action, unsigned flags, bool popup) {
  if (!popup) {
    if (flags & MenuFlag::Checked) {
      action->setCheckable(true);
      action->setChecked(true);
    } else {
      action->setChecked(false);
      action->setCheckable(false);
    }
  }
  action->setEnabled(!(flags & MenuFlag::Grayed));
}

}  // namespace

void QtDriver::menu_bar_changed(WindowRecord& w) {
  NativeWindow* nw = native(w.id);
  if (!nw) return;
  build_menu_bar(*nw, w);
  lay_out(w.id);
}

// The action changes in place, so a menu the user has open stays open.
void QtDriver::menu_item_changed(WindowRecord& w, Menu menu, std::size_t index) {
  NativeWindow* nw = native(w.id);
  const MenuRecord* rec = core::find_menu(menu);
  if (!nw || !rec || index >= rec->entries.size()) return;
  for (const NativeWindow::Built& b : nw->built)
    if (b.menu == menu && b.index == index && b.action)
      apply_state(b.action, rec->entries[index].flags, b.popup);
}

void QtDriver::build_menu_bar(NativeWindow& nw, const WindowRecord& w) {
  if (nw.bar) {
    nw.bar->hide();
    nw.bar->deleteLater();
    nw.bar = nullptr;
  }
  nw.built.clear();
  if (!w.menu || !core::find_menu(w.menu)) return;
  QMenuBar* bar = new QMenuBar(nw.top);
  bar->setObjectName(QLatin1String(kMenuBarName));
  // A desktop-wide menu would take the bar out of the window and change its client area.
  bar->setNativeMenuBar(false);
  nw.bar = bar;
  fill_menu(bar, nw, w.menu, 0);
  if (nw.top->isVisible()) bar->show();
}

void QtDriver::fill_menu(QWidget* target, NativeWindow& nw, Menu menu, int depth) {
  const MenuRecord* rec = core::find_menu(menu);
  if (!rec || depth > kMenuDepth) return;
  for (std::size_t i = 0; i < rec->entries.size(); ++i) {
    const MenuEntry& e = rec->entries[i];
    if (e.flags & MenuFlag::Separator) {
      auto* separator = new QAction(target);
      separator->setSeparator(true);
      target->addAction(separator);
      continue;
    }
    const QString text = QString::fromStdString(e.text);
    if (e.flags & MenuFlag::Popup) {
      auto* popup = new QMenu(text, target);
      target->addAction(popup->menuAction());
      apply_state(popup->menuAction(), e.flags, true);
      nw.built.push_back({menu, i, popup->menuAction(), true});
      fill_menu(popup, nw, e.id, depth + 1);
      continue;
    }
    // The text after a tab is shown as the shortcut; no shortcut is installed: the
    // program reads the keys itself.
    auto* action = new QAction(text, target);
    apply_state(action, e.flags, false);
    target->addAction(action);
    nw.built.push_back({menu, i, action, false});
    const Window window = nw.id;
    const int id = static_cast<int>(e.id);
    QObject::connect(action, &QAction::triggered, action, [window, menu, i, id, action] {
      // Qt has flipped a checkable entry already; the mark is the program's to set.
      if (const MenuRecord* m = core::find_menu(menu); m && i < m->entries.size())
        apply_state(action, m->entries[i].flags, false);
      core::post_command(window, id);
    });
  }
}

}  // namespace kx508::platform::qt
