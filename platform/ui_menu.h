// Menus: a menu bar or pop-up menu is a list of items with command ids, separators and
// sub-menus. A chosen item arrives at its window as kMsgCommand with the id (notification 0).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui_canvas.h"
#include "platform/ui_types.h"

namespace platform {

enum MenuFlag : unsigned { kMenuGrayed = 0x1, kMenuChecked = 0x2 };

struct MenuItem {
  int id = 0;  // 0 for separators and sub-menus
  std::string text;
  bool separator = false;
  bool grayed = false;
  bool checked = false;
  MenuHandle submenu = nullptr;
  Bitmap image;  // shown beside the caption when not empty
};

MenuHandle CreateMenu();
// Destroys the menu and its sub-menus.
void DestroyMenu(MenuHandle menu);
void AppendMenuItem(MenuHandle menu, int id, std::string_view text, unsigned flags = 0);
void AppendSeparator(MenuHandle menu);
// The sub-menu belongs to menu from now on.
void AppendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view text, unsigned flags = 0);
bool InsertSubmenu(MenuHandle menu, int position, MenuHandle submenu, std::string_view text);
// Removes the item at position (a sub-menu there is destroyed).
bool RemoveMenuPosition(MenuHandle menu, int position);
std::vector<MenuItem> MenuItems(MenuHandle menu);
MenuHandle SubMenu(MenuHandle menu, int position);
// Greys or enables an item found by id (anywhere below menu) or by position in menu.
bool EnableMenuItem(MenuHandle menu, int idOrPosition, bool byPosition, bool enable);
bool CheckMenuItem(MenuHandle menu, int id, bool checked);
// Shows image beside the item found by id (anywhere below menu); an empty image shows none.
bool SetMenuItemImage(MenuHandle menu, int id, const Bitmap& image);

void SetWindowMenu(WindowHandle window, MenuHandle menu);
MenuHandle WindowMenu(WindowHandle window);
// Shows changes to a window's menu bar.
void RedrawMenuBar(WindowHandle window);
// Shows a pop-up menu at a screen point. The chosen command is posted to owner, or returned
// when returnCommand is true; 0 when nothing was chosen.
int TrackPopupMenu(MenuHandle menu, WindowHandle owner, Point screen, bool returnCommand);

}  // namespace platform
