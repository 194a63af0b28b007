// Menus as lists of items with sub-menus, kept the same way by both UI backends. The backend
// chooses the handles and does what showing a menu needs; the store keeps the items.
#pragma once

#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/ui_menu.h"

namespace platform {

class MenuStore {
 public:
  struct Menu {
    std::vector<MenuItem> items;
  };

  // The menu of handle, or nullptr.
  Menu* Find(MenuHandle handle) const;
  // Adds an empty menu under handle.
  void Create(MenuHandle handle);
  // Removes the menu and its sub-menus; appends every handle removed to removed.
  void Destroy(MenuHandle handle, std::vector<MenuHandle>* removed);
  // The item operations of the menu services (see ui_menu.h). False when the menu (or the
  // sub-menu given) does not exist or the position is out of range.
  bool AppendItem(MenuHandle menu, int id, std::string_view text, unsigned flags);
  bool AppendSeparator(MenuHandle menu);
  bool AppendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view text, unsigned flags);
  bool InsertSubmenu(MenuHandle menu, int position, MenuHandle submenu, std::string_view text);
  // Takes the item at position out; *submenu is the sub-menu it held (not destroyed), or nullptr.
  bool RemovePosition(MenuHandle menu, int position, MenuHandle* submenu);
  std::vector<MenuItem> Items(MenuHandle menu) const;
  MenuHandle SubMenu(MenuHandle menu, int position) const;
  // Greys or enables an item found by id (anywhere below menu) or by position in menu.
  // *changed tells whether its state changed.
  bool Enable(MenuHandle menu, int idOrPosition, bool byPosition, bool enable, bool* changed);
  bool Check(MenuHandle menu, int id, bool checked, bool* changed);
  bool SetImage(MenuHandle menu, int id, const Bitmap& image);
  // The path of items from menu down to the command, outermost first; empty when absent.
  std::vector<MenuItem*> PathTo(MenuHandle menu, int command) const;
  // Whether menu is root or lies in the tree of sub-menus under it.
  bool Contains(MenuHandle root, MenuHandle menu) const;

 private:
  std::map<MenuHandle, std::unique_ptr<Menu>> menus_;
};

}  // namespace platform
