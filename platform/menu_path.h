// Walking a menu tree, for the UI backends that keep menus as items with sub-menus.
#pragma once

#include <vector>

#include "platform/ui_menu.h"

namespace platform {

// The path of items from menu down to the command, outermost first; empty when absent.
// findMenu maps a handle to the backend's menu (with its items), or nullptr.
template <typename FindMenuFn>
std::vector<MenuItem*> MenuPathTo(FindMenuFn findMenu, MenuHandle menu, int command) {
  auto* m = findMenu(menu);
  if (!m) return {};
  for (MenuItem& item : m->items) {
    if (item.submenu) {
      std::vector<MenuItem*> below = MenuPathTo(findMenu, item.submenu, command);
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

}  // namespace platform
