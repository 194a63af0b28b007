// The Qt backend's menus: the program's menus are kept as lists of items and shown through
// QMenuBar and QMenu, rebuilt whenever a menu on show changes.
#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>

#include "platform/menu_path.h"
#include "platform/qt/qt_backend.h"

namespace platform::qt {

QtUi::Menu* QtUi::FindMenu(MenuHandle handle) const {
  if (!handle) return nullptr;
  auto it = menus_.find(handle);
  return it == menus_.end() ? nullptr : it->second.get();
}

MenuHandle QtUi::CreateMenu() {
  MenuHandle handle = NewHandle();
  menus_[handle] = std::make_unique<Menu>();
  return handle;
}

void QtUi::DestroyMenu(MenuHandle handle) {
  Menu* m = FindMenu(handle);
  if (!m) return;
  std::vector<MenuHandle> subs;
  for (const MenuItem& item : m->items)
    if (item.submenu) subs.push_back(item.submenu);
  menus_.erase(handle);
  for (MenuHandle s : subs)
    DestroyMenu(s);
  for (auto& [h, n] : nodes_) {
    if (n->menu != handle) continue;
    n->menu = nullptr;
    RebuildMenuBar(n.get());
  }
}

namespace {
// Whether menu is within the menu tree under root.
template <typename FindMenuFn>
bool Contains(FindMenuFn findMenu, MenuHandle root, MenuHandle menu) {
  if (root == menu) return true;
  auto* m = findMenu(root);
  if (!m) return false;
  for (const MenuItem& item : m->items)
    if (item.submenu && Contains(findMenu, item.submenu, menu)) return true;
  return false;
}

}  // namespace

void QtUi::MenuChanged(MenuHandle menu) {
  auto find = [this](MenuHandle h) { return FindMenu(h); };
  for (auto& [h, n] : nodes_)
    if (n->menu && Contains(find, n->menu, menu)) RebuildMenuBar(n.get());
}

void QtUi::AppendMenuItem(MenuHandle menu, int id, std::string_view text, unsigned flags) {
  Menu* m = FindMenu(menu);
  if (!m) return;
  m->items.push_back({id, std::string(text), false, (flags & kMenuGrayed) != 0,
                      (flags & kMenuChecked) != 0, nullptr});
  MenuChanged(menu);
}

void QtUi::AppendSeparator(MenuHandle menu) {
  Menu* m = FindMenu(menu);
  if (!m) return;
  m->items.push_back({0, {}, true, false, false, nullptr});
  MenuChanged(menu);
}

void QtUi::AppendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view text,
                         unsigned flags) {
  Menu* m = FindMenu(menu);
  if (!m || !FindMenu(submenu)) return;
  m->items.push_back({0, std::string(text), false, (flags & kMenuGrayed) != 0, false, submenu});
  MenuChanged(menu);
}

bool QtUi::InsertSubmenu(MenuHandle menu, int position, MenuHandle submenu, std::string_view text) {
  Menu* m = FindMenu(menu);
  if (!m || !FindMenu(submenu) || position < 0 || position > static_cast<int>(m->items.size()))
    return false;
  m->items.insert(m->items.begin() + position,
                  MenuItem{0, std::string(text), false, false, false, submenu});
  MenuChanged(menu);
  return true;
}

bool QtUi::RemoveMenuPosition(MenuHandle menu, int position) {
  Menu* m = FindMenu(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return false;
  MenuHandle sub = m->items[position].submenu;
  m->items.erase(m->items.begin() + position);
  if (sub) DestroyMenu(sub);
  MenuChanged(menu);
  return true;
}

std::vector<MenuItem> QtUi::MenuItems(MenuHandle menu) {
  Menu* m = FindMenu(menu);
  return m ? m->items : std::vector<MenuItem>{};
}

MenuHandle QtUi::SubMenu(MenuHandle menu, int position) {
  Menu* m = FindMenu(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return nullptr;
  return m->items[position].submenu;
}

bool QtUi::EnableMenuItem(MenuHandle menu, int idOrPosition, bool byPosition, bool enable) {
  MenuItem* item = nullptr;
  MenuHandle holder = menu;
  if (byPosition) {
    Menu* m = FindMenu(menu);
    if (m && idOrPosition >= 0 && idOrPosition < static_cast<int>(m->items.size()))
      item = &m->items[idOrPosition];
  } else {
    auto path = MenuPathTo([this](MenuHandle h) { return FindMenu(h); }, menu, idOrPosition);
    if (!path.empty()) item = path.back();
  }
  if (!item) return false;
  if (item->grayed == !enable) return true;
  item->grayed = !enable;
  MenuChanged(holder);
  return true;
}

bool QtUi::CheckMenuItem(MenuHandle menu, int id, bool checked) {
  auto path = MenuPathTo([this](MenuHandle h) { return FindMenu(h); }, menu, id);
  if (path.empty()) return false;
  if (path.back()->checked == checked) return true;
  path.back()->checked = checked;
  MenuChanged(menu);
  return true;
}

void QtUi::FillMenu(QMenu* menu, MenuHandle model, const std::function<void(int)>& choose) {
  Menu* m = FindMenu(model);
  if (!m) return;
  for (const MenuItem& item : m->items) {
    if (item.separator) {
      menu->addSeparator();
    } else if (item.submenu) {
      QMenu* sub = menu->addMenu(DecodeBytes(item.text));
      sub->menuAction()->setEnabled(!item.grayed);
      FillMenu(sub, item.submenu, choose);
    } else {
      QAction* action = menu->addAction(DecodeBytes(item.text));
      action->setData(item.id);
      action->setEnabled(!item.grayed);
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
  for (const MenuItem& item : FindMenu(n->menu)->items) {
    if (item.separator) {
      bar->addSeparator();
    } else if (item.submenu) {
      auto* sub = new QMenu(DecodeBytes(item.text), bar);
      bar->addMenu(sub);
      sub->menuAction()->setEnabled(!item.grayed);
      FillMenu(sub, item.submenu, choose);
    } else {
      QAction* action = bar->addAction(DecodeBytes(item.text));
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
