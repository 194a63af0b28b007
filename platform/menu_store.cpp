#include "platform/menu_store.h"

#include <string>

namespace platform {

MenuStore::Menu* MenuStore::Find(MenuHandle handle) const {
  if (!handle) return nullptr;
  auto it = menus_.find(handle);
  return it == menus_.end() ? nullptr : it->second.get();
}

void MenuStore::Create(MenuHandle handle) {
  menus_[handle] = std::make_unique<Menu>();
}

void MenuStore::Destroy(MenuHandle handle, std::vector<MenuHandle>* removed) {
  Menu* m = Find(handle);
  if (!m) return;
  std::vector<MenuHandle> subs;
  for (const MenuItem& item : m->items)
    if (item.submenu) subs.push_back(item.submenu);
  menus_.erase(handle);
  removed->push_back(handle);
  for (MenuHandle s : subs)
    Destroy(s, removed);
}

bool MenuStore::AppendItem(MenuHandle menu, int id, std::string_view text, unsigned flags) {
  Menu* m = Find(menu);
  if (!m) return false;
  m->items.push_back({id,
                      std::string(text),
                      false,
                      (flags & kMenuGrayed) != 0,
                      (flags & kMenuChecked) != 0,
                      nullptr,
                      {}});
  return true;
}

bool MenuStore::AppendSeparator(MenuHandle menu) {
  Menu* m = Find(menu);
  if (!m) return false;
  m->items.push_back({0, {}, true, false, false, nullptr, {}});
  return true;
}

bool MenuStore::AppendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view text,
                              unsigned flags) {
  Menu* m = Find(menu);
  if (!m || !Find(submenu)) return false;
  m->items.push_back({0, std::string(text), false, (flags & kMenuGrayed) != 0, false, submenu, {}});
  return true;
}

bool MenuStore::InsertSubmenu(MenuHandle menu, int position, MenuHandle submenu,
                              std::string_view text) {
  Menu* m = Find(menu);
  if (!m || !Find(submenu) || position < 0 || position > static_cast<int>(m->items.size()))
    return false;
  m->items.insert(m->items.begin() + position,
                  MenuItem{0, std::string(text), false, false, false, submenu, {}});
  return true;
}

bool MenuStore::RemovePosition(MenuHandle menu, int position, MenuHandle* submenu) {
  Menu* m = Find(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return false;
  *submenu = m->items[position].submenu;
  m->items.erase(m->items.begin() + position);
  return true;
}

std::vector<MenuItem> MenuStore::Items(MenuHandle menu) const {
  Menu* m = Find(menu);
  return m ? m->items : std::vector<MenuItem>{};
}

MenuHandle MenuStore::SubMenu(MenuHandle menu, int position) const {
  Menu* m = Find(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return nullptr;
  return m->items[position].submenu;
}

bool MenuStore::Enable(MenuHandle menu, int idOrPosition, bool byPosition, bool enable,
                       bool* changed) {
  MenuItem* item = nullptr;
  if (byPosition) {
    Menu* m = Find(menu);
    if (m && idOrPosition >= 0 && idOrPosition < static_cast<int>(m->items.size()))
      item = &m->items[idOrPosition];
  } else {
    auto path = PathTo(menu, idOrPosition);
    if (!path.empty()) item = path.back();
  }
  if (!item) return false;
  *changed = item->grayed == enable;
  item->grayed = !enable;
  return true;
}

bool MenuStore::Check(MenuHandle menu, int id, bool checked, bool* changed) {
  auto path = PathTo(menu, id);
  if (path.empty()) return false;
  *changed = path.back()->checked != checked;
  path.back()->checked = checked;
  return true;
}

bool MenuStore::SetImage(MenuHandle menu, int id, const Bitmap& image) {
  auto path = PathTo(menu, id);
  if (path.empty()) return false;
  path.back()->image = image;
  return true;
}

std::vector<MenuItem*> MenuStore::PathTo(MenuHandle menu, int command) const {
  Menu* m = Find(menu);
  if (!m) return {};
  for (MenuItem& item : m->items) {
    if (item.submenu) {
      std::vector<MenuItem*> below = PathTo(item.submenu, command);
      if (!below.empty()) {
        below.insert(below.begin(), &item);
        return below;
      }
    } else if (!item.separator && item.id == command) {
      return {&item};
    }
  }
  return {};
}

bool MenuStore::Contains(MenuHandle root, MenuHandle menu) const {
  if (root == menu) return true;
  Menu* m = Find(root);
  if (!m) return false;
  for (const MenuItem& item : m->items)
    if (item.submenu && Contains(item.submenu, menu)) return true;
  return false;
}

}  // namespace platform
