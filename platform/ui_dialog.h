// Controls and modal dialogs built from templates. A dialog is a window whose procedure gets
// kMsgInitDialog, kMsgCommand from its controls, kMsgPaint, kMsgTimer and kMsgClose; the
// helpers below read and write its controls by id. A dialog procedure returns nonzero for a
// message it handled; for the rest the dialog's own handling applies (the close box sends
// kMsgCommand with kCommandCancel, as Escape does).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui_types.h"
#include "platform/ui_window.h"

namespace platform {

enum class ControlKind {
  kPushButton,
  kCheckBox,
  kRadioButton,
  kEdit,
  kStatic,
  kListBox,
  kComboBox,
  kScrollBar,
  kGroupBox,
};

enum ControlStyle : unsigned {
  kStyleHidden = 0x1,
  kStyleDisabled = 0x2,
  kStyleDefaultButton = 0x4,
  kStyleMultiLine = 0x8,        // edit
  kStyleReadOnly = 0x10,        // edit
  kStyleSorted = 0x20,          // list box, combo box: items kept in order without regard to case
  kStyleMultiSelect = 0x40,     // list box
  kStyleDropDownList = 0x80,    // combo box: choose only
  kStyleEditableCombo = 0x100,  // combo box: a text field over a drop-down list
  kStyleAlwaysOpen = 0x200,     // combo box: a text field over a list that stays open
  kStyleVertical = 0x400,       // scroll bar
  kStyleGroup = 0x800,          // starts a new group of radio buttons
  kStyleSunken = 0x1000,
  kStyleAutoScroll = 0x2000,  // edit: scrolls its text horizontally
};

// Notification codes in the high word of kMsgCommand.
enum Notification : unsigned {
  kNotifyClicked = 0,
  kNotifyDoubleClicked = 1,
  kNotifySelectionChanged = 2,
  kNotifyTextChanged = 3,
};

// Command ids of the standard buttons.
enum DialogCommand : int { kCommandOk = 1, kCommandCancel = 2 };

// Check states.
enum CheckState : int { kUnchecked = 0, kChecked = 1, kIndeterminate = 2 };

struct ControlTemplate {
  int id = 0;
  ControlKind kind = ControlKind::kStatic;
  std::string caption;
  Rect rect;  // the parent's client pixels
  unsigned style = 0;
};

struct DialogTemplate {
  std::string title;
  int width = 0;
  int height = 0;
  int skinColumn = -1;  // the skin tile the dialog paints behind its controls; -1 none
  std::vector<ControlTemplate> controls;
};

// Runs a modal dialog: the owner is disabled while it runs; the procedure receives
// kMsgInitDialog with param, and the dialog ends when the procedure calls EndDialog.
// Returns that result.
int RunDialog(WindowHandle owner, const DialogTemplate& dialog, WindowProc proc, LParam param);
// Ends a running dialog with result (after the current message).
void EndDialog(WindowHandle dialog, int result);

// Adds a control to a window (its notifications arrive as kMsgCommand or kMsgVScroll).
WindowHandle CreateControl(WindowHandle parent, const ControlTemplate& control);
// The first control of parent with id, or nullptr.
WindowHandle FindControl(WindowHandle parent, int id);
int ControlId(WindowHandle control);
WindowHandle ParentWindow(WindowHandle window);
// Lets hook see a control's messages first: keys (kMsgKeyDown, then kMsgChar for a printable
// one), mouse buttons, kMsgClick, kMsgPaint after the control has painted itself, and whatever
// is sent or posted to it. It passes on what it does not handle with DefaultWindowProc.
// nullptr removes the hook.
void SetControlHook(WindowHandle control, WindowProc hook);

// Text: an edit's contents (setting it notifies kNotifyTextChanged as typing does), a button's
// or static's caption, a combo box's text field.
void SetControlText(WindowHandle control, std::string_view text);
std::string ControlText(WindowHandle control);
// Check boxes and radio buttons. Setting a state does not notify.
void SetCheck(WindowHandle control, int state);
int CheckStateOf(WindowHandle control);
// Checks radio button id among first..last of parent and clears the others.
void CheckRadio(WindowHandle parent, int first, int last, int id);

// List boxes and combo boxes. Indexes count from 0; -1 is "none". Setting the selection does not
// notify.
int AddListItem(WindowHandle control, std::string_view text);                // returns its index
int InsertListItem(WindowHandle control, int index, std::string_view text);  // -1: at the end
bool DeleteListItem(WindowHandle control, int index);
void ClearList(WindowHandle control);
int ListCount(WindowHandle control);
std::string ListItemText(WindowHandle control, int index);
int FindListItem(WindowHandle control, std::string_view text);  // exact; -1 when absent
int ListSelection(WindowHandle control);
void SetListSelection(WindowHandle control, int index);
void SetListItemSelected(WindowHandle control, int index, bool selected);  // multi-select
std::vector<int> ListSelections(WindowHandle control);

// Scroll bars.
void SetScrollRange(WindowHandle control, int minimum, int maximum);
void SetScrollPosition(WindowHandle control, int position);
int ScrollPosition(WindowHandle control);

// The same, by the control's id in parent.
inline void SetControlText(WindowHandle parent, int id, std::string_view text) {
  SetControlText(FindControl(parent, id), text);
}
inline std::string ControlText(WindowHandle parent, int id) {
  return ControlText(FindControl(parent, id));
}
inline void SetCheck(WindowHandle parent, int id, int state) {
  SetCheck(FindControl(parent, id), state);
}
inline int CheckStateOf(WindowHandle parent, int id) {
  return CheckStateOf(FindControl(parent, id));
}
inline int AddListItem(WindowHandle parent, int id, std::string_view text) {
  return AddListItem(FindControl(parent, id), text);
}
inline int ListSelection(WindowHandle parent, int id) {
  return ListSelection(FindControl(parent, id));
}
inline void SetListSelection(WindowHandle parent, int id, int index) {
  SetListSelection(FindControl(parent, id), index);
}
inline std::string ListItemText(WindowHandle parent, int id, int index) {
  return ListItemText(FindControl(parent, id), index);
}
inline int ListCount(WindowHandle parent, int id) {
  return ListCount(FindControl(parent, id));
}
inline void EnableControl(WindowHandle parent, int id, bool enable) {
  EnableWindow(FindControl(parent, id), enable);
}
inline void ShowControl(WindowHandle parent, int id, bool show) {
  ShowWindow(FindControl(parent, id), show ? ShowState::kShow : ShowState::kHide);
}

}  // namespace platform
