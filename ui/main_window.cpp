// The main window. (Creation, painting and the command dispatch are being built.)
#include "ui/main_window.h"

#include "config/settings.h"

using namespace platform;

WindowHandle hwndMain = nullptr;
int SummaryShown = 0;
int RecentMenuDirty = 0;
int menuon = 1;
int EditorActive = 0;
int hidingcontrols = 0;
Colour HeaderColour = Rgb(0xD4, 0xD0, 0xC8);

void ShowEditRows(int show) {
  if (showworking != 1 || !hwndMain) return;
  for (int row = 0; row < 16; ++row) {
    for (int id : {kIdNameEdit, kIdValueEdit}) {
      (void)id;
    }
  }
  hidingcontrols = show ? 0 : 1;
  Rect headings{25, 21, 310, 35};
  InvalidateWindow(hwndMain, &headings);
}

LResult MainWndProc(WindowHandle window, unsigned message, WParam w, LParam l) {
  return DefaultWindowProc(window, message, w, l);
}

WindowHandle CreateMainWindow() {
  WindowSpec spec;
  spec.className = szAppName;
  spec.title = szTitle;
  spec.rect = RectAt(0, 0, 640, 480);
  spec.style = kWindowCaption | kWindowMinimiseBox;
  hwndMain = CreateWindow(spec, MainWndProc);
  return hwndMain;
}

MenuHandle SiteTasksMenu() {
  MenuHandle bar = hwndMain ? WindowMenu(hwndMain) : nullptr;
  return bar ? SubMenu(bar, 2) : nullptr;
}
