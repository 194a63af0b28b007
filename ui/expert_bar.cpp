// The Expert bar: a small floating strip at the top right of the screen that stands in for the
// minimised main window, and folds away to a tab when the mouse leaves it alone.
#include "ui/expert_bar.h"

#include <algorithm>

#include "config/settings.h"
#include "plugins/context.h"
#include "tree/task_state.h"
#include "ui/app_fonts.h"
#include "ui/main_window.h"
#include "ui/resources.h"

using namespace platform;

WindowHandle hwndToolBar = nullptr;

namespace {

constexpr int kCell = 16;
constexpr int kExpandedHeight = 34;
constexpr int kStripTop = 16;
constexpr int kTimerId = 1;
constexpr int kIdleSeconds = 10;
constexpr Colour kProgressColour = 0x00E13232;
constexpr Colour kDarkLine = 0x000A0A0A;
constexpr Colour kLightLine = 0x00FAFAFA;
constexpr Colour kLightGrey = 0x00C0C0C0;
constexpr int kCmdPluginBase = 7998;  // cell c opens plug-in c - 2, command 8000 + (c - 2)
constexpr unsigned kProgressCommand = 1024;

// What the lower strip shows besides the site name.
enum class Strip { kSiteName, kCleared, kProgress };

struct BarState {
  int collapsed = 1;
  int countdown = kIdleSeconds;
  int slots = 4;
  int width = 116;
  MenuHandle siteTasks = nullptr;
  Strip strip = Strip::kSiteName;
  int filled = 0;
};
BarState gBar;
PluginBitmapSource gPluginBitmaps = nullptr;

Rect StripRect() {
  return Rect{0, kStripTop, gBar.width, kExpandedHeight};
}

void DrawCell(Canvas& dc, const Bitmap& bitmap, int x) {
  dc.DrawBitmap(bitmap, RectAt(x, 0, kCell, kCell), Point{}, RasterOp::kCopy);
}

void PaintBar(Canvas& dc) {
  const int W = gBar.width;
  DrawCell(dc, NamedBitmap("SMALL"), 0);
  DrawCell(dc, ResourceBitmap(kBmpToolTasks), kCell);
  for (int i = 0; i < PluginCount; ++i) {
    const Bitmap* image = gPluginBitmaps ? gPluginBitmaps(i) : nullptr;
    if (image && !image->empty())
      dc.DrawBitmap(*image,
                    RectAt(34 + kCell * i, 0, std::min(image->width, kCell - 2),
                           std::min(image->height, kCell - 2)),
                    Point{}, RasterOp::kCopy);
  }
  DrawCell(dc, ResourceBitmap(kBmpToolClose), kCell * gBar.slots + 33);

  dc.Line({0, 14}, {W, 14}, kDarkLine, 1);
  for (int k = 1; k <= PluginCount + 2; ++k)
    dc.Line({kCell * k, 0}, {kCell * k, 15}, kDarkLine, 1);
  dc.Line({0, 15}, {W, 15}, kLightLine, 1);
  for (int k = 1; k <= PluginCount + 2; ++k)
    dc.Line({kCell * k + 1, 0}, {kCell * k + 1, 15}, kLightLine, 1);

  switch (gBar.strip) {
    case Strip::kSiteName:
      break;
    case Strip::kCleared:
      dc.FillRect(StripRect(), kLightGrey);
      dc.FrameRect(StripRect(), HeaderColour, 1);
      break;
    case Strip::kProgress: {
      const Rect done{0, kStripTop, gBar.filled, kExpandedHeight};
      const Rect rest{gBar.filled, kStripTop, W, kExpandedHeight};
      if (!done.empty()) {
        dc.FillRect(done, kProgressColour);
        dc.FrameRect(done, HeaderColour, 1);
      }
      if (!rest.empty()) {
        dc.FillRect(rest, kLightGrey);
        dc.FrameRect(rest, HeaderColour, 1);
      }
      break;
    }
  }
  TextStyle name;
  name.font = FontMain;
  name.colour = ColourMain;
  name.transparent = true;
  dc.Text({3, 15}, CurrentConfig, name);
}

void RepaintStrip(WindowHandle bar) {
  const Rect strip = StripRect();
  InvalidateWindow(bar, &strip);
  UpdateWindow(bar);
}

void Expand(WindowHandle bar) {
  if (gBar.collapsed) {
    MoveWindow(bar, RectAt(Screen().width - gBar.width - 1, 0, gBar.width, kExpandedHeight));
    if (showtoolbar == 9) SetTopmost(bar, true);
    gBar.collapsed = 0;
  }
  gBar.countdown = kIdleSeconds;
}

void Tick(WindowHandle bar) {
  if (gBar.countdown <= 0 || --gBar.countdown > 0) return;
  MoveWindow(bar, RectAt(Screen().width - 17, -3, 20, 20));
  gBar.collapsed = 1;
  gBar.strip = Strip::kSiteName;  // unfolding repaints the whole bar
}

void ShowProgressStrip(WindowHandle bar) {
  gBar.countdown = kIdleSeconds;
  // percent is -1 while a task counts its documents; the strip shows nothing done then.
  gBar.filled = std::clamp(gBar.width * percent / 100, 0, gBar.width);
  gBar.strip = Strip::kProgress;
  RepaintStrip(bar);
}

void Click(WindowHandle bar, Point at) {
  if (at.y >= 14) {
    // The main window opens the site list with the busy word set, as its SITES button does.
    if (hwndMain) SendMessage(hwndMain, kMsgCommand, MakeWParam(kIdSites, kNotifyClicked), 0);
    if (IsWindow(bar)) {
      InvalidateWindow(bar, nullptr);
      UpdateWindow(bar);
    }
    return;
  }
  const int c = at.x / kCell;
  if (c == 0) {
    if (hwndMain)
      ShowWindow(hwndMain, IsMinimised(hwndMain) ? ShowState::kRestore : ShowState::kMinimise);
    gBar.strip = Strip::kCleared;
    RepaintStrip(bar);
  } else if (c == 1) {
    // The chosen command comes back to the bar, which passes it on to the main window.
    if (gBar.siteTasks) TrackPopupMenu(gBar.siteTasks, bar, Point{Screen().width, 0}, false);
  } else if (c == gBar.slots + 2) {
    // As the close box: the main window refuses while a task runs.
    if (hwndMain) SendMessage(hwndMain, kMsgClose, 0, 0);
  } else if (hwndMain) {
    SendMessage(hwndMain, kMsgCommand, MakeWParam(static_cast<unsigned>(kCmdPluginBase + c), 0), 0);
  }
}

LResult ExpertBarProc(WindowHandle bar, unsigned message, WParam w, LParam l) {
  switch (message) {
    case kMsgCreate:
      gBar = BarState{};
      gBar.slots = std::max(PluginCount, 4);
      gBar.width = kCell * gBar.slots + 52;
      gBar.siteTasks = SiteTasksMenu();
      StartTimer(bar, kTimerId, 1000);
      gBar.collapsed = 1;
      Expand(bar);
      return 0;
    case kMsgDestroy:
      StopTimer(bar, kTimerId);
      if (hwndToolBar == bar) hwndToolBar = nullptr;
      ToolBarOn = 0;
      return 0;
    case kMsgMouseMove:
      Expand(bar);
      return 0;
    case kMsgTimer:
      if (w == kTimerId) Tick(bar);
      return 0;
    case kMsgPaint:
      PaintBar(*PaintCanvas(l));
      return 0;
    case kMsgLButtonUp:
      Click(bar, PointOfParam(l));
      return 0;
    case kMsgProgress:
      ShowProgressStrip(bar);
      return 0;
    case kMsgCommand:
      if (LowWord(w) == kProgressCommand) {
        ShowProgressStrip(bar);
        return 0;
      }
      return hwndMain ? SendMessage(hwndMain, kMsgCommand, w, l) : 0;
    default:
      return DefaultWindowProc(bar, message, w, l);
  }
}

}  // namespace

WindowHandle CreateExpertBar() {
  if (hwndToolBar && IsWindow(hwndToolBar)) return hwndToolBar;
  WindowSpec spec;
  spec.className = "TOOLBARCLASS";
  spec.rect = RectAt(0, 0, 100, 30);
  spec.style = kWindowToolWindow | kWindowPopup | kWindowDialogFrame | kWindowVisible;
  spec.owner = nullptr;
  hwndToolBar = CreateWindow(spec, ExpertBarProc);
  if (hwndToolBar) ToolBarOn = 1;
  return hwndToolBar;
}

void DestroyExpertBar() {
  if (hwndToolBar) DestroyWindow(hwndToolBar);
  hwndToolBar = nullptr;
  ToolBarOn = 0;
}

void SetExpertBarTopmost(bool topmost) {
  if (hwndToolBar) SetTopmost(hwndToolBar, topmost);
}

void SetPluginBitmapSource(PluginBitmapSource source) {
  gPluginBitmaps = source;
}
