// Windows and their messages: procedures, sending and posting, the message loop, timers,
// painting requests, accelerators and cursors.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui_canvas.h"
#include "platform/ui_types.h"

namespace platform {

// Message numbers. The private numbers of the plug-in interface and the program's own
// messages keep the values the program and its plug-ins agree on.
enum Message : unsigned {
  kMsgCreate = 0x0001,  // lparam: the WindowSpec; a result of -1 refuses the window
  kMsgDestroy = 0x0002,
  kMsgSize = 0x0005,             // lparam: width and height as a point
  kMsgPaint = 0x000F,            // lparam: the Canvas (see PaintCanvas)
  kMsgClose = 0x0010,            // the user closes the window; the default destroys it
  kMsgQueryEndSession = 0x0011,  // the desktop session ends: 0 asks to keep it, nonzero agrees
  kMsgQuit = 0x0012,             // never dispatched: ends the message loop
  kMsgSetCursor = 0x0020,
  kMsgDisplayChange = 0x007E,
  kMsgNcRButtonUp = 0x00A5,
  kMsgClick = 0x00F5,       // to a button, check box or radio button: as if clicked
  kMsgKeyDown = 0x0100,     // wparam: key (see Key), lparam: modifiers
  kMsgChar = 0x0102,        // wparam: the byte typed
  kMsgInitDialog = 0x0110,  // to a dialog before it is shown; lparam: RunDialog's parameter
  kMsgCommand = 0x0111,     // wparam: id | notification << 16; lparam: the control or 0
  kMsgTimer = 0x0113,       // wparam: timer id
  kMsgVScroll = 0x0115,     // wparam: ScrollCode | position << 16; lparam: the scroll bar
  kMsgMouseMove = 0x0200,   // lparam: the point (see PointOfParam)
  kMsgLButtonDown = 0x0201,
  kMsgLButtonUp = 0x0202,
  kMsgRButtonDown = 0x0204,
  kMsgRButtonUp = 0x0205,
  kMsgRButtonDblClk = 0x0206,
  kMsgUser = 0x0400,      // the first private message
  kMsgProgress = 0x0400,  // TB_PROGRESS: repaint the progress strip
  kMsgTakeFocus = 1123,   // EM_TAKEFOCUS: an editor field becomes the current one
  kMsgSwitchSite = 1184,
  kMsgReloadMailQueue = 1185,
  kMsgPluginRequest = 1186,
};

// Key codes in kMsgKeyDown: printable keys are their ASCII byte; these are the others.
enum Key : unsigned {
  kKeyBack = 0x08,
  kKeyTab = 0x09,
  kKeyReturn = 0x0D,
  kKeyEscape = 0x1B,
  kKeyPageUp = 0x21,
  kKeyPageDown = 0x22,
  kKeyEnd = 0x23,
  kKeyHome = 0x24,
  kKeyLeft = 0x25,
  kKeyUp = 0x26,
  kKeyRight = 0x27,
  kKeyDown = 0x28,
  kKeyInsert = 0x2D,
  kKeyDelete = 0x2E,
  kKeyF1 = 0x70,
};
enum KeyModifier : unsigned { kModShift = 1, kModControl = 2, kModAlt = 4 };

// Scroll codes in kMsgVScroll.
enum ScrollCode : unsigned {
  kScrollLineUp = 0,
  kScrollLineDown = 1,
  kScrollPageUp = 2,
  kScrollPageDown = 3,
  kScrollThumbPosition = 4,
  kScrollThumbTrack = 5,
};

// The canvas carried by kMsgPaint.
inline Canvas* PaintCanvas(LParam lparam) {
  return reinterpret_cast<Canvas*>(lparam);
}

using WindowProc =
    std::function<LResult(WindowHandle window, unsigned message, WParam wparam, LParam lparam)>;

// Window styles.
enum WindowStyle : unsigned {
  kWindowVisible = 0x1,  // shown at creation
  kWindowCaption = 0x2,  // a title bar with a system menu
  kWindowMinimiseBox = 0x4,
  kWindowResizable = 0x8,
  kWindowToolWindow = 0x10,  // not in the task bar
  kWindowDialogFrame = 0x20,
  kWindowTopmost = 0x40,
  kWindowPopup = 0x80,  // no frame at all unless a frame style is given
};

struct WindowSpec {
  std::string className;  // what kind of window this is ("Tagsteward", a tool bar, ...)
  std::string title;
  Rect rect;  // screen pixels; its size is the client size
  unsigned style = 0;
  WindowHandle owner = nullptr;
};

enum class ShowState { kHide, kShow, kMinimise, kRestore };

enum class CursorKind { kArrow, kWait };

// A key that becomes a command: key (a Key or ASCII byte) with exactly these modifiers.
struct Accelerator {
  unsigned key = 0;
  unsigned modifiers = 0;
  int command = 0;
};

struct ScreenInfo {
  int width = 0;
  int height = 0;
  int averageCharWidth = 0;  // of the system's variable-pitch font
  Colour menuColour = 0;     // the desktop's colour for menus
};

// Every window lives on one thread, the UI thread, which creates, paints and destroys it and
// runs the loop. Other threads only send and post messages and post the quit.

// Creates a window on the calling (UI) thread: sends kMsgCreate, then shows it when the style
// says so. Returns nullptr when the procedure refuses it with -1.
WindowHandle CreateWindow(const WindowSpec& spec, WindowProc proc);
// Sends kMsgDestroy to the window, then destroys it with its controls and owned windows.
void DestroyWindow(WindowHandle window);
bool IsWindow(WindowHandle window);
// What a procedure does with a message it does not handle (kMsgClose destroys the window).
LResult DefaultWindowProc(WindowHandle window, unsigned message, WParam wparam, LParam lparam);

// Runs the window's procedure now and returns its result. From a thread other than the
// window's, the procedure runs on the window's thread when that thread next takes messages
// (its loop, PumpOneMessage, a modal dialog) and the caller waits for it. 0 for no window.
LResult SendMessage(WindowHandle window, unsigned message, WParam wparam, LParam lparam);
// Queues a message for the window's thread; any thread may post. False for no window.
bool PostMessage(WindowHandle window, unsigned message, WParam wparam, LParam lparam);
// Queues the end of the message loop with the given exit code (from any thread).
void PostQuit(int code);
// Takes and dispatches messages until the quit message; returns its code. Posted messages come
// first, then paints of invalid windows, then due timers, in that order.
int RunMessageLoop();
// Handles at most one waiting message of the window or its controls (posted, paint or timer),
// after accelerator translation. Sent messages from other threads are served as well. Returns
// whether a message was handled. The quit message stays queued.
bool PumpOneMessage(WindowHandle window);
// Key-downs for the window or its controls matching a table entry become kMsgCommand to the
// window (notification 1). An empty table removes it.
void SetAccelerators(WindowHandle window, std::vector<Accelerator> table);

// Starts (or restarts) timer id of the window: kMsgTimer every period, at most one waiting.
bool StartTimer(WindowHandle window, int id, int milliseconds);
void StopTimer(WindowHandle window, int id);

void ShowWindow(WindowHandle window, ShowState state);
bool IsWindowVisible(WindowHandle window);
bool IsMinimised(WindowHandle window);
void SetTopmost(WindowHandle window, bool topmost);
void EnableWindow(WindowHandle window, bool enable);
bool IsWindowEnabled(WindowHandle window);
void SetWindowTitle(WindowHandle window, std::string_view title);
std::string WindowTitle(WindowHandle window);
// Moves a window (screen pixels) or a control (its parent's client pixels). A window whose
// size changes is sent kMsgSize.
void MoveWindow(WindowHandle window, const Rect& rect);
Rect WindowRect(WindowHandle window);
void SetFocus(WindowHandle window);
WindowHandle FocusWindow();

// Marks part of the window (nullptr: all of it) for painting by the next paint message.
void InvalidateWindow(WindowHandle window, const Rect* area);
// Paints the window now when part of it is marked.
void UpdateWindow(WindowHandle window);

void SetCursor(CursorKind cursor);
// Draws the user's eye to the window once (its frame flashes).
void FlashWindow(WindowHandle window);
void Beep();
ScreenInfo Screen();

}  // namespace platform
