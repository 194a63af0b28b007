// The Qt backend's menus: the program's menus are kept as lists of items and shown through
// QMenuBar and QMenu, rebuilt whenever a menu on show changes.
#include <QAction>
#include <QIcon>
#include <QImage>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>

#include "platform/qt/qt_backend.h"

namespace platform::qt {

QtUi::Menu* QtUi::FindMenu(MenuHandle handle) const {
  return menus_.Find(handle);
}

MenuHandle QtUi::CreateMenu() {
  MenuHandle handle = NewHandle();
  menus_.Create(handle);
  return handle;
}

void QtUi::DestroyMenu(MenuHandle handle) {
  std::vector<MenuHandle> removed;
  menus_.Destroy(handle, &removed);
  for (MenuHandle gone : removed) {
    for (auto& [h, n] : nodes_) {
      if (n->menu != gone) continue;
      n->menu = nullptr;
      RebuildMenuBar(n.get());
    }
  }
}

void QtUi::MenuChanged(MenuHandle menu) {
  for (auto& [h, n] : nodes_)
    if (n->menu && menus_.Contains(n->menu, menu)) RebuildMenuBar(n.get());
}

void QtUi::AppendMenuItem(MenuHandle menu, int id, std::string_view text, unsigned flags) {
  if (menus_.AppendItem(menu, id, text, flags)) MenuChanged(menu);
}

void QtUi::AppendSeparator(MenuHandle menu) {
  if (menus_.AppendSeparator(menu)) MenuChanged(menu);
}

void QtUi::AppendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view text,
                         unsigned flags) {
  if (menus_.AppendSubmenu(menu, submenu, text, flags)) MenuChanged(menu);
}

bool QtUi::InsertSubmenu(MenuHandle menu, int position, MenuHandle submenu, std::string_view text) {
  if (!menus_.InsertSubmenu(menu, position, submenu, text)) return false;
  MenuChanged(menu);
  return true;
}

bool QtUi::RemoveMenuPosition(MenuHandle menu, int position) {
  MenuHandle sub = nullptr;
  if (!menus_.RemovePosition(menu, position, &sub)) return false;
  if (sub) DestroyMenu(sub);
  MenuChanged(menu);
  return true;
}

std::vector<MenuItem> QtUi::MenuItems(MenuHandle menu) {
  return menus_.Items(menu);
}

MenuHandle QtUi::SubMenu(MenuHandle menu, int position) {
  return menus_.SubMenu(menu, position);
}

bool QtUi::EnableMenuItem(MenuHandle menu, int idOrPosition, bool byPosition, bool enable) {
  bool changed = false;
  if (!menus_.Enable(menu, idOrPosition, byPosition, enable, &changed)) return false;
  if (changed) MenuChanged(menu);
  return true;
}

bool QtUi::CheckMenuItem(MenuHandle menu, int id, bool checked) {
  bool changed = false;
  if (!menus_.Check(menu, id, checked, &changed)) return false;
  if (changed) MenuChanged(menu);
  return true;
}

bool QtUi::SetMenuItemImage(MenuHandle menu, int id, const Bitmap& image) {
  if (!menus_.SetImage(menu, id, image)) return false;
  MenuChanged(menu);
  return true;
}

namespace {

QIcon IconOf(const Bitmap& bitmap) {
  if (bitmap.empty() ||
      bitmap.pixels.size() < static_cast<std::size_t>(bitmap.width) * bitmap.height)
    return {};
  QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
  for (int y = 0; y < bitmap.height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    const Colour* from = bitmap.pixels.data() + static_cast<std::size_t>(y) * bitmap.width;
    for (int x = 0; x < bitmap.width; ++x)
      row[x] = qRgb(static_cast<int>(RedOf(from[x])), static_cast<int>(GreenOf(from[x])),
                    static_cast<int>(BlueOf(from[x])));
  }
  return QIcon(QPixmap::fromImage(image));
}

// An item's caption with an Alt mnemonic: the first letter or digit no earlier item of the same
// menu has taken (a "&" of the caption itself is shown as it is).
QString WithMnemonic(const std::string& bytes, QString* used) {
  QString text = DecodeBytes(bytes);
  text.replace(QLatin1Char('&'), QStringLiteral("&&"));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i].toLower();
    if (c.isLetterOrNumber() && c.unicode() < 0x80 && !used->contains(c) &&
        (i == 0 || text[i - 1] != QLatin1Char('&'))) {
      used->append(c);
      text.insert(i, QLatin1Char('&'));
      break;
    }
  }
  return text;
}

}  // namespace

void QtUi::FillMenu(QMenu* menu, MenuHandle model, const std::function<void(int)>& choose) {
  Menu* m = FindMenu(model);
  if (!m) return;
  QString used;
  for (const MenuItem& item : m->items) {
    if (item.separator) {
      menu->addSeparator();
    } else if (item.submenu) {
      QMenu* sub = menu->addMenu(WithMnemonic(item.text, &used));
      sub->menuAction()->setEnabled(!item.grayed);
      FillMenu(sub, item.submenu, choose);
    } else {
      QAction* action = menu->addAction(WithMnemonic(item.text, &used));
      action->setData(item.id);
      action->setEnabled(!item.grayed);
      if (!item.image.empty()) action->setIcon(IconOf(item.image));
      if (item.checked) {
        action->setCheckable(true);
        action->setChecked(true);
      }
      const int id = item.id;
      QObject::connect(action, &QAction::triggered, action, [choose, id] { choose(id); });
    }
  }
}

void QtUi::RebuildMenuBar(Node* n) {
  if (!n || n->type != Node::Type::kTop || !n->frame) return;
  QLayout* layout = n->frame->layout();
  if (!FindMenu(n->menu)) {
    if (n->menuBar) {
      layout->setMenuBar(nullptr);
      n->menuBar->deleteLater();
      n->menuBar = nullptr;
      layout->activate();
    }
    return;
  }
  if (!n->menuBar) {
    n->menuBar = new QMenuBar(n->frame);
    n->menuBar->setNativeMenuBar(false);  // the bar is part of the window's picture
    layout->setMenuBar(n->menuBar);
  }
  QMenuBar* bar = n->menuBar;
  // The old menus may still be on the stack of the event that led here.
  for (QMenu* old : bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) {
    bar->removeAction(old->menuAction());
    old->deleteLater();
  }
  bar->clear();
  const WindowHandle window = n->handle;
  const std::function<void(int)> choose = [this, window](int id) { ChooseBarCommand(window, id); };
  QString used;
  for (const MenuItem& item : FindMenu(n->menu)->items) {
    if (item.separator) {
      bar->addSeparator();
    } else if (item.submenu) {
      auto* sub = new QMenu(WithMnemonic(item.text, &used), bar);
      bar->addMenu(sub);
      sub->menuAction()->setEnabled(!item.grayed);
      FillMenu(sub, item.submenu, choose);
    } else {
      QAction* action = bar->addAction(WithMnemonic(item.text, &used));
      action->setData(item.id);
      action->setEnabled(!item.grayed);
      const int id = item.id;
      QObject::connect(action, &QAction::triggered, action, [choose, id] { choose(id); });
    }
  }
  layout->activate();
}

void QtUi::ChooseBarCommand(WindowHandle window, int command) {
  if (!IsWindowEnabled(window)) return;
  PostMessage(window, kMsgCommand, MakeWParam(static_cast<unsigned>(command), 0), 0);
}

void QtUi::SetWindowMenu(WindowHandle window, MenuHandle menu) {
  Node* n = Find(window);
  if (!n || n->type != Node::Type::kTop) return;
  n->menu = menu;
  RebuildMenuBar(n);
}

MenuHandle QtUi::WindowMenu(WindowHandle window) {
  Node* n = Find(window);
  return n ? n->menu : nullptr;
}

void QtUi::RedrawMenuBar(WindowHandle window) {
  RebuildMenuBar(Find(window));
}

int QtUi::TrackPopupMenu(MenuHandle menu, WindowHandle owner, Point screen, bool returnCommand) {
  if (!FindMenu(menu)) return 0;
  QMenu popup(FrameOf(owner));
  int chosen = 0;
  FillMenu(&popup, menu, [&chosen](int id) { chosen = id; });
  PushFrame({LoopFrame::Kind::kModal, nullptr, nullptr});
  popup.exec(QPoint(screen.x, screen.y));
  PopFrame();
  if (chosen && !returnCommand)
    PostMessage(owner, kMsgCommand, MakeWParam(static_cast<unsigned>(chosen), 0), 0);
  return chosen;
}

}  // namespace platform::qt
