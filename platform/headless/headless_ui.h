// The headless UI backend: windows, dialogs, controls and menus live in memory; message boxes,
// dialogs, pop-up menus and common dialogs are answered by scripts a test installs; every box,
// dialog and canvas call is recorded. Without a script a box takes its default button, a dialog
// ends with Cancel (2), a pop-up menu chooses nothing and a common dialog returns nothing.
// Timers run on a clock of its own that only moves when told to (or, in the loop, when nothing
// else is waiting), so nothing here ever sleeps.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/menu_store.h"
#include "platform/ui.h"

namespace platform {

struct BoxRecord {
  WindowHandle owner;
  std::string caption;
  std::string text;
  unsigned style;
  int answer;
};

// A control as it stood when its dialog ended.
struct ControlSnapshot {
  int id = 0;
  ControlKind kind = ControlKind::kStatic;
  std::string text;
  int check = 0;
  std::vector<std::string> items;
  std::vector<int> selected;
  bool enabled = true;
  bool visible = true;
};

struct DialogRecord {
  WindowHandle handle = nullptr;  // what it was while open (its canvas calls carry it)
  std::string title;              // as it stood at the end
  int result = 0;
  bool scripted = false;
  std::vector<ControlSnapshot> controls;
  // The snapshot of the first control with id (nullptr when there is none).
  const ControlSnapshot* control(int id) const;
};

// One drawing call, with everything it was given.
struct CanvasCall {
  enum class Op { kFill, kFrame, kLine, kText, kTextInRect, kBitmap, kIcon };
  WindowHandle window = nullptr;
  Op op = Op::kFill;
  Rect rect;          // fill, frame, text in rectangle, bitmap destination
  Point from, to;     // line; the origin of text and icons is from
  Colour colour = 0;  // fill, frame, line
  int penWidth = 0;
  std::string text;
  TextStyle style;
  std::string bitmap;  // the bitmap's name
  Point source;
  RasterOp rop = RasterOp::kCopy;
  StockIcon icon = StockIcon::kInformation;
};

enum class CommonDialogKind { kOpenFile, kFont, kDirectory };

struct CommonDialogRecord {
  CommonDialogKind kind = CommonDialogKind::kOpenFile;
  std::string title;  // for a font: the starting face
  std::vector<FileFilter> filters;
  std::string start;
  bool answered = false;
  std::string answer;  // the path chosen
};

struct PopupRecord {
  WindowHandle owner;
  Point screen;
  std::vector<MenuItem> items;
  int chosen;
};

class HeadlessUi;

// What a user does in a dialog, step by step. Each step acts as the user would: typing notifies
// a text change, a click on a disabled control does nothing.
class DialogScript {
 public:
  using Step = std::function<void(HeadlessUi& ui, WindowHandle dialog)>;
  DialogScript& Type(int id, std::string text);
  DialogScript& Click(int id);
  DialogScript& Choose(int id, int index);
  DialogScript& ChooseText(int id, std::string text);
  DialogScript& DoubleClick(int id, int index);
  DialogScript& Scroll(int id, int position);
  // Moves the clock on; timers that come due fire.
  DialogScript& Wait(int milliseconds);
  DialogScript& Close();
  // Any other action, or checks on the dialog as it stands.
  DialogScript& Then(Step step);
  const std::vector<Step>& steps() const { return steps_; }

 private:
  std::vector<Step> steps_;
};

class HeadlessUi final : public UiBackend {
 public:
  HeadlessUi();
  ~HeadlessUi() override;

  // Message boxes.
  // Answers the next box whose caption contains captionPart (empty: any box) with answer.
  // Scripted answers are used once each, in the order given.
  void Script(std::string captionPart, int answer);
  // With no script for a box, questions are answered Yes instead of No.
  void SetAnswerYes(bool yes) { answerYes_ = yes; }
  // Where unscripted boxes are printed as "CAPTION: text" (nullptr: not printed).
  void SetEcho(std::FILE* out) { echo_ = out; }
  const std::vector<BoxRecord>& boxes() const { return boxes_; }
  // Forgets the boxes shown and the box scripts.
  void Clear();

  // Scripts for what opens next, used once each in the order given.
  // The next dialog whose template title contains titlePart runs script after its init.
  void ScriptDialog(std::string titlePart, DialogScript script);
  // The next pop-up menu chooses command (0: nothing). A greyed or absent item is not chosen.
  void ScriptPopup(int command);
  void ScriptOpenFile(std::function<std::optional<std::string>(const OpenFileRequest&)> answer);
  void ScriptOpenFile(std::string path);
  void ScriptChooseFont(FontDescription font, Colour colour);
  void ScriptChooseDirectory(std::string path);

  // What was shown.
  // Dialogs in the order they ended (a dialog opened from another ends first).
  const std::vector<DialogRecord>& dialogs() const { return dialogs_; }
  const std::vector<CanvasCall>& canvasCalls() const { return canvas_; }
  void ClearCanvas() { canvas_.clear(); }
  const std::vector<PopupRecord>& popups() const { return popups_; }
  const std::vector<CommonDialogRecord>& commonDialogs() const { return common_; }
  CursorKind cursor() const { return cursor_; }
  int beeps() const { return beeps_; }
  const std::vector<WindowHandle>& flashed() const { return flashed_; }

  // The user's hand. Each returns false when the target cannot take it (no such control,
  // disabled, wrong kind).
  bool TypeText(WindowHandle control, std::string_view text);
  bool ClickControl(WindowHandle control);
  bool ChooseItem(WindowHandle control, int index);
  bool DoubleClickItem(WindowHandle control, int index);
  bool ScrollTo(WindowHandle control, int position);
  // Posts kMsgKeyDown for the window, as a key press waiting in the queue; a printable key
  // without Control or Alt types its byte when it is dispatched (an edit appends it), unless the
  // window's procedure or hook handled the key-down (returned nonzero).
  bool PressKey(WindowHandle window, unsigned key, unsigned modifiers);
  // Chooses a command of the window's menu bar: posted as kMsgCommand unless the item or a
  // menu above it is greyed.
  bool ChooseMenuCommand(WindowHandle window, int command);
  // Sends kMsgClose, as the close box of the frame does.
  void CloseWindow(WindowHandle window);
  // Paints every invalid window now.
  void PaintInvalid();

  // The clock timers run on, in milliseconds from 0.
  std::int64_t clock() const { return clockMs_; }
  // Moves the clock on; due timers fire when messages are next taken.
  void AdvanceClock(std::int64_t milliseconds) { clockMs_ += milliseconds; }
  // Lets time pass on this thread: each timer fires as it comes due (not once for several
  // periods), and what it posts or invalidates is handled before the next one. With a dialog,
  // time stops when that dialog ends.
  void RunFor(std::int64_t milliseconds, WindowHandle dialog = nullptr);
  // Whether the loop, with nothing else to do, moves the clock to the next timer (the default)
  // or waits for another thread.
  void SetLoopAdvancesClock(bool advance) { loopAdvancesClock_ = advance; }
  void SetScreen(ScreenInfo screen) { screen_ = screen; }
  // Whether the dialog or window handle is still open.
  bool Exists(WindowHandle window) const;

  int MessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                 unsigned style) override;

  WindowHandle CreateWindow(const WindowSpec& spec, WindowProc proc) override;
  void DestroyWindow(WindowHandle window) override;
  bool IsWindow(WindowHandle window) override { return Exists(window); }
  LResult DefaultWindowProc(WindowHandle window, unsigned message, WParam wparam,
                            LParam lparam) override;
  LResult SendMessage(WindowHandle window, unsigned message, WParam wparam, LParam lparam) override;
  bool PostMessage(WindowHandle window, unsigned message, WParam wparam, LParam lparam) override;
  void PostQuit(int code) override;
  int RunMessageLoop() override;
  bool PumpOneMessage(WindowHandle window) override;
  void SetAccelerators(WindowHandle window, std::vector<Accelerator> table) override;
  bool StartTimer(WindowHandle window, int id, int milliseconds) override;
  void StopTimer(WindowHandle window, int id) override;
  void ShowWindow(WindowHandle window, ShowState state) override;
  bool IsWindowVisible(WindowHandle window) override;
  bool IsMinimised(WindowHandle window) override;
  void SetTopmost(WindowHandle window, bool topmost) override;
  void EnableWindow(WindowHandle window, bool enable) override;
  bool IsWindowEnabled(WindowHandle window) override;
  void SetWindowTitle(WindowHandle window, std::string_view title) override;
  std::string WindowTitle(WindowHandle window) override;
  void MoveWindow(WindowHandle window, const Rect& rect) override;
  Rect WindowRect(WindowHandle window) override;
  void SetFocus(WindowHandle window) override;
  WindowHandle FocusWindow() override { return focus_; }
  void InvalidateWindow(WindowHandle window, const Rect* area) override;
  void UpdateWindow(WindowHandle window) override;
  void SetCursor(CursorKind cursor) override { cursor_ = cursor; }
  void FlashWindow(WindowHandle window) override {
    if (IsWindow(window)) flashed_.push_back(window);
  }
  void Beep() override { ++beeps_; }
  ScreenInfo Screen() override { return screen_; }

  int RunDialog(WindowHandle owner, const DialogTemplate& dialog, WindowProc proc,
                LParam param) override;
  void EndDialog(WindowHandle dialog, int result) override;
  WindowHandle CreateControl(WindowHandle parent, const ControlTemplate& control) override;
  WindowHandle FindControl(WindowHandle parent, int id) override;
  int ControlId(WindowHandle control) override;
  WindowHandle ParentWindow(WindowHandle window) override;
  void SetControlHook(WindowHandle control, WindowProc hook) override;
  void SetControlText(WindowHandle control, std::string_view text) override;
  std::string ControlText(WindowHandle control) override;
  void SetCheck(WindowHandle control, int state) override;
  int CheckStateOf(WindowHandle control) override;
  void CheckRadio(WindowHandle parent, int first, int last, int id) override;
  int AddListItem(WindowHandle control, std::string_view text) override;
  int InsertListItem(WindowHandle control, int index, std::string_view text) override;
  bool DeleteListItem(WindowHandle control, int index) override;
  void ClearList(WindowHandle control) override;
  int ListCount(WindowHandle control) override;
  std::string ListItemText(WindowHandle control, int index) override;
  int FindListItem(WindowHandle control, std::string_view text) override;
  int ListSelection(WindowHandle control) override;
  void SetListSelection(WindowHandle control, int index) override;
  void SetListItemSelected(WindowHandle control, int index, bool selected) override;
  std::vector<int> ListSelections(WindowHandle control) override;
  void SetScrollRange(WindowHandle control, int minimum, int maximum) override;
  void SetScrollPosition(WindowHandle control, int position) override;
  int ScrollPosition(WindowHandle control) override;

  MenuHandle CreateMenu() override;
  void DestroyMenu(MenuHandle menu) override;
  void AppendMenuItem(MenuHandle menu, int id, std::string_view text, unsigned flags) override;
  void AppendSeparator(MenuHandle menu) override;
  void AppendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view text,
                     unsigned flags) override;
  bool InsertSubmenu(MenuHandle menu, int position, MenuHandle submenu,
                     std::string_view text) override;
  bool RemoveMenuPosition(MenuHandle menu, int position) override;
  std::vector<MenuItem> MenuItems(MenuHandle menu) override;
  MenuHandle SubMenu(MenuHandle menu, int position) override;
  bool EnableMenuItem(MenuHandle menu, int idOrPosition, bool byPosition, bool enable) override;
  bool CheckMenuItem(MenuHandle menu, int id, bool checked) override;
  bool SetMenuItemImage(MenuHandle menu, int id, const Bitmap& image) override;
  void SetWindowMenu(WindowHandle window, MenuHandle menu) override;
  MenuHandle WindowMenu(WindowHandle window) override;
  void RedrawMenuBar(WindowHandle window) override { (void)window; }
  int TrackPopupMenu(MenuHandle menu, WindowHandle owner, Point screen,
                     bool returnCommand) override;

  std::optional<std::string> ChooseOpenFile(const OpenFileRequest& request) override;
  bool ChooseFont(FontRequest* request) override;
  std::optional<std::string> ChooseDirectory(WindowHandle owner, std::string_view title,
                                             std::string_view start) override;

 private:
  struct Window;
  using Menu = MenuStore::Menu;
  struct Posted {
    WindowHandle window;
    unsigned message;
    WParam wparam;
    LParam lparam;
  };
  struct Sent;
  struct Timer {
    WindowHandle window;
    int id;
    int period;
    std::int64_t due;
  };
  class RecordingCanvas;

  Window* Find(WindowHandle handle) const;
  Window* FindControlOfKind(WindowHandle handle, std::initializer_list<ControlKind> kinds) const;
  Menu* FindMenu(MenuHandle handle) const;
  WindowHandle NewHandle();
  LResult Deliver(WindowHandle window, unsigned message, WParam wparam, LParam lparam);
  LResult ControlDefault(Window* control, unsigned message, WParam wparam, LParam lparam);
  void Notify(Window* control, unsigned code);
  bool IsWithin(WindowHandle window, WindowHandle ancestor) const;
  bool TranslateAccelerator(const Posted& message);
  void Dispatch(const Posted& message);
  bool ServeSent();
  bool PaintOne(WindowHandle within);
  bool FireOneTimer(WindowHandle within);
  void Paint(Window* window);
  bool TakePosted(WindowHandle within, Posted* out, bool* quit);
  void DrainModal();
  std::vector<ControlSnapshot> Snapshot(const Window* dialog);
  static bool SortedBefore(std::string_view a, std::string_view b);

  // Boxes (any thread may show one).
  struct ScriptedBox {
    std::string captionPart;
    int answer;
  };
  std::mutex boxMutex_;
  std::deque<ScriptedBox> script_;
  std::vector<BoxRecord> boxes_;
  bool answerYes_ = false;
  std::FILE* echo_ = stderr;

  // Windows and menus (the owning thread only, except lookups under mutex_).
  std::map<WindowHandle, std::unique_ptr<Window>> windows_;
  MenuStore menus_;
  std::uintptr_t nextHandle_ = 0x1000;
  WindowHandle focus_ = nullptr;
  CursorKind cursor_ = CursorKind::kArrow;
  int beeps_ = 0;
  std::vector<WindowHandle> flashed_;
  ScreenInfo screen_{1024, 768, 7, Rgb(0xF0, 0xF0, 0xF0)};
  std::map<WindowHandle, std::vector<Accelerator>> accelerators_;
  std::vector<Timer> timers_;
  std::int64_t clockMs_ = 0;
  bool loopAdvancesClock_ = true;

  // The queue: posted messages, the quit, and messages sent from other threads.
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Posted> queue_;
  std::optional<int> quit_;
  std::deque<Sent*> sent_;

  // Scripts and records.
  struct ScriptedDialog {
    std::string titlePart;
    DialogScript script;
  };
  std::deque<ScriptedDialog> dialogScripts_;
  std::deque<int> popupScripts_;
  std::deque<std::function<std::optional<std::string>(const OpenFileRequest&)>> openScripts_;
  std::deque<std::pair<FontDescription, Colour>> fontScripts_;
  std::deque<std::string> directoryScripts_;
  std::vector<DialogRecord> dialogs_;
  std::vector<CanvasCall> canvas_;
  std::vector<PopupRecord> popups_;
  std::vector<CommonDialogRecord> common_;
};

// The process's default backend.
HeadlessUi& DefaultHeadlessUi();

}  // namespace platform
