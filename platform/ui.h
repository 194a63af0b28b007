// The UI seam: what the program asks of a user interface. One API, a backend behind it.
// Windows and messages (ui_window.h), dialogs and controls (ui_dialog.h), menus (ui_menu.h),
// painting (ui_canvas.h) and the common dialogs (ui_common_dialogs.h) all go through the
// backend in use. Text is bytes throughout; a backend never converts what it is given back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui_canvas.h"
#include "platform/ui_common_dialogs.h"
#include "platform/ui_dialog.h"
#include "platform/ui_menu.h"
#include "platform/ui_types.h"
#include "platform/ui_window.h"

namespace platform {

// Message box styles: one button set, optionally or-ed with one icon and a default button.
enum BoxStyle : unsigned {
  kBoxOk = 0x0,
  kBoxOkCancel = 0x1,
  kBoxYesNoCancel = 0x3,
  kBoxYesNo = 0x4,
  kBoxRetryCancel = 0x5,
  kBoxButtonsMask = 0xF,
  kBoxIconStop = 0x10,
  kBoxIconQuestion = 0x20,
  kBoxIconExclamation = 0x30,
  kBoxIconInformation = 0x40,
  kBoxIconMask = 0xF0,
  // The button Enter presses, and the one a box without an answer takes: the first unless one
  // of these says the second (No of Yes/No) or the third (Cancel of Yes/No/Cancel). A question
  // that leads to deleting something defaults to the answer that keeps it.
  kBoxDefaultButton2 = 0x100,
  kBoxDefaultButton3 = 0x200,
  kBoxDefaultMask = 0xF00,
};

// The button a message box was closed with.
enum BoxAnswer : int {
  kAnswerOk = 1,
  kAnswerCancel = 2,
  kAnswerRetry = 4,
  kAnswerYes = 6,
  kAnswerNo = 7,
};

// A backend implements every service; the free functions of the ui_*.h headers forward to the
// backend in use and have the contracts written there.
class UiBackend {
 public:
  virtual ~UiBackend() = default;
  // Shows a message box and returns the button pressed.
  virtual int MessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                         unsigned style) = 0;

  // Windows and messages.
  virtual WindowHandle CreateWindow(const WindowSpec& spec, WindowProc proc) = 0;
  virtual void DestroyWindow(WindowHandle window) = 0;
  virtual bool IsWindow(WindowHandle window) = 0;
  virtual LResult DefaultWindowProc(WindowHandle window, unsigned message, WParam wparam,
                                    LParam lparam) = 0;
  virtual LResult SendMessage(WindowHandle window, unsigned message, WParam wparam,
                              LParam lparam) = 0;
  virtual bool PostMessage(WindowHandle window, unsigned message, WParam wparam, LParam lparam) = 0;
  virtual void PostQuit(int code) = 0;
  virtual int RunMessageLoop() = 0;
  virtual bool PumpOneMessage(WindowHandle window) = 0;
  virtual void SetAccelerators(WindowHandle window, std::vector<Accelerator> table) = 0;
  virtual bool StartTimer(WindowHandle window, int id, int milliseconds) = 0;
  virtual void StopTimer(WindowHandle window, int id) = 0;
  virtual void ShowWindow(WindowHandle window, ShowState state) = 0;
  virtual bool IsWindowVisible(WindowHandle window) = 0;
  virtual bool IsMinimised(WindowHandle window) = 0;
  virtual void SetTopmost(WindowHandle window, bool topmost) = 0;
  virtual void EnableWindow(WindowHandle window, bool enable) = 0;
  virtual bool IsWindowEnabled(WindowHandle window) = 0;
  virtual void SetWindowTitle(WindowHandle window, std::string_view title) = 0;
  virtual std::string WindowTitle(WindowHandle window) = 0;
  virtual void MoveWindow(WindowHandle window, const Rect& rect) = 0;
  virtual Rect WindowRect(WindowHandle window) = 0;
  virtual void SetFocus(WindowHandle window) = 0;
  virtual WindowHandle FocusWindow() = 0;
  virtual void InvalidateWindow(WindowHandle window, const Rect* area) = 0;
  virtual void UpdateWindow(WindowHandle window) = 0;
  virtual void SetCursor(CursorKind cursor) = 0;
  virtual void FlashWindow(WindowHandle window) = 0;
  virtual void Beep() = 0;
  virtual ScreenInfo Screen() = 0;

  // Dialogs and controls.
  virtual int RunDialog(WindowHandle owner, const DialogTemplate& dialog, WindowProc proc,
                        LParam param) = 0;
  virtual void EndDialog(WindowHandle dialog, int result) = 0;
  virtual WindowHandle CreateControl(WindowHandle parent, const ControlTemplate& control) = 0;
  virtual WindowHandle FindControl(WindowHandle parent, int id) = 0;
  virtual int ControlId(WindowHandle control) = 0;
  virtual WindowHandle ParentWindow(WindowHandle window) = 0;
  virtual void SetControlHook(WindowHandle control, WindowProc hook) = 0;
  virtual void SetControlText(WindowHandle control, std::string_view text) = 0;
  virtual std::string ControlText(WindowHandle control) = 0;
  virtual void SetCheck(WindowHandle control, int state) = 0;
  virtual int CheckStateOf(WindowHandle control) = 0;
  virtual void CheckRadio(WindowHandle parent, int first, int last, int id) = 0;
  virtual int InsertListItem(WindowHandle control, int index, std::string_view text) = 0;
  virtual int AddListItem(WindowHandle control, std::string_view text) = 0;
  virtual bool DeleteListItem(WindowHandle control, int index) = 0;
  virtual void ClearList(WindowHandle control) = 0;
  virtual int ListCount(WindowHandle control) = 0;
  virtual std::string ListItemText(WindowHandle control, int index) = 0;
  virtual int FindListItem(WindowHandle control, std::string_view text) = 0;
  virtual int ListSelection(WindowHandle control) = 0;
  virtual void SetListSelection(WindowHandle control, int index) = 0;
  virtual void SetListItemSelected(WindowHandle control, int index, bool selected) = 0;
  virtual std::vector<int> ListSelections(WindowHandle control) = 0;
  virtual void SetScrollRange(WindowHandle control, int minimum, int maximum) = 0;
  virtual void SetScrollPosition(WindowHandle control, int position) = 0;
  virtual int ScrollPosition(WindowHandle control) = 0;

  // Menus.
  virtual MenuHandle CreateMenu() = 0;
  virtual void DestroyMenu(MenuHandle menu) = 0;
  virtual void AppendMenuItem(MenuHandle menu, int id, std::string_view text, unsigned flags) = 0;
  virtual void AppendSeparator(MenuHandle menu) = 0;
  virtual void AppendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view text,
                             unsigned flags) = 0;
  virtual bool InsertSubmenu(MenuHandle menu, int position, MenuHandle submenu,
                             std::string_view text) = 0;
  virtual bool RemoveMenuPosition(MenuHandle menu, int position) = 0;
  virtual std::vector<MenuItem> MenuItems(MenuHandle menu) = 0;
  virtual MenuHandle SubMenu(MenuHandle menu, int position) = 0;
  virtual bool EnableMenuItem(MenuHandle menu, int idOrPosition, bool byPosition, bool enable) = 0;
  virtual bool CheckMenuItem(MenuHandle menu, int id, bool checked) = 0;
  virtual bool SetMenuItemImage(MenuHandle menu, int id, const Bitmap& image) = 0;
  virtual void SetWindowMenu(WindowHandle window, MenuHandle menu) = 0;
  virtual MenuHandle WindowMenu(WindowHandle window) = 0;
  virtual void RedrawMenuBar(WindowHandle window) = 0;
  virtual int TrackPopupMenu(MenuHandle menu, WindowHandle owner, Point screen,
                             bool returnCommand) = 0;

  // Common dialogs.
  virtual std::optional<std::string> ChooseOpenFile(const OpenFileRequest& request) = 0;
  virtual bool ChooseFont(FontRequest* request) = 0;
  virtual std::optional<std::string> ChooseDirectory(WindowHandle owner, std::string_view title,
                                                     std::string_view start) = 0;
};

// The backend in use (the headless one unless another was installed).
UiBackend& Ui();
// Installs a backend; nullptr restores the headless default. Returns the previous one.
UiBackend* SetUiBackend(UiBackend* ui);

// Shows a message box through the backend in use. While the unattended test says so, no box
// is shown and nobody is waited for: the box's default button is the answer.
int ShowMessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                   unsigned style);
using UnattendedTest = bool (*)();
void SetUnattendedTest(UnattendedTest test);
// The default button of a box of that style (Cancel for Retry/Cancel: a retry nobody can fix
// would never end).
int DefaultButton(unsigned style);

}  // namespace platform
