// The notify box: a borderless note with the information icon, shown while work is prepared.
#include "ui/notify_box.h"

#include <cstring>
#include <string>

#include "plugins/context.h"
#include "ui/main_window.h"

using namespace platform;

namespace {

constexpr Colour kBoxGrey = 0x00C0C0C0;
constexpr int kTimedEventBusy = 1001;

void PaintNotifyBox(Canvas& dc, WindowHandle box, const std::string& text) {
  const Rect client = WindowRect(box);
  dc.FillRect(RectAt(0, 0, client.width(), client.height()), kBoxGrey);
  dc.DrawIcon({20, 20}, StockIcon::kInformation);
  TextStyle style;
  style.colour = Rgb(0, 0, 0);
  style.transparent = false;
  style.background = kBoxGrey;
  dc.Text({70, 27}, text, style);
}

}  // namespace

WindowHandle ShowNotifyBox(WindowHandle owner, const char* text) {
  // A timed event of a plug-in runs without boxes popping up over the user's work.
  if (gPluginContext.busy > 10) return nullptr;
  const std::string message = text ? text : "";
  const ScreenInfo screen = Screen();
  const int width = static_cast<int>(message.size()) * screen.averageCharWidth;
  int x = 280 - width / 2;
  int y = 150;
  if (gPluginContext.busy == kTimedEventBusy || (hwndMain && IsMinimised(hwndMain))) {
    x = screen.width - width - 105;
    y = 60;
  }

  WindowSpec spec;
  spec.className = "NOTIFYBOXCLASS";
  spec.rect = RectAt(x, y, width + 105, 80);
  spec.style = kWindowToolWindow | kWindowPopup | kWindowDialogFrame | kWindowVisible;
  spec.owner = owner;
  WindowHandle box =
      CreateWindow(spec, [message](WindowHandle w, unsigned msg, WParam wp, LParam lp) -> LResult {
        if (msg == kMsgPaint) {
          PaintNotifyBox(*PaintCanvas(lp), w, message);
          return 0;
        }
        return DefaultWindowProc(w, msg, wp, lp);
      });
  if (!box) return nullptr;
  SetTopmost(box, true);
  // The caller goes straight on with its work: the box must be on the screen before that.
  InvalidateWindow(box, nullptr);
  UpdateWindow(box);
  FlashWindow(box);
  return box;
}
