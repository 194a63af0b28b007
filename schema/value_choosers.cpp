#include "schema/value_choosers.h"

#include <string>
#include <vector>

#include "engine/page_ops.h"
#include "platform/text.h"
#include "ui/skins.h"

namespace {

using platform::ControlKind;
using platform::RectAt;
using platform::WindowHandle;

constexpr int kSkinColumn = 80;

// Puts the dialog's top-left corner at the request's screen point, keeping its size.
void PlaceAt(WindowHandle dialog, const ChooserRequest& request) {
  const platform::Rect now = platform::WindowRect(dialog);
  platform::MoveWindow(dialog, RectAt(request.x, request.y, now.width(), now.height()));
}

void PaintDialogSkin(const platform::DialogTemplate& t, platform::LParam lparam) {
  PaintSkin(*platform::PaintCanvas(lparam), (t.width + 79) / 80, (t.height + 79) / 80, kSkinColumn);
}

std::vector<std::string> ListItems(WindowHandle list) {
  std::vector<std::string> items;
  const int count = platform::ListCount(list);
  for (int i = 0; i < count; ++i)
    items.push_back(platform::ListItemText(list, i));
  return items;
}

// A value goes into the chosen list once; empty values are never chosen.
void AddChosen(WindowHandle chosen, const std::string& value) {
  if (value.empty() || platform::FindListItem(chosen, value) >= 0) return;
  platform::AddListItem(chosen, value);
}

}  // namespace

platform::DialogTemplate ChooseValueTemplate() {
  platform::DialogTemplate t;
  t.title = "Select Value";
  t.width = 320;
  t.height = 260;
  t.skinColumn = kSkinColumn;
  t.controls = {
      {kIdChooseLabel, ControlKind::kStatic,
       "Choose a metatag value from this list:", RectAt(10, 8, 300, 18), 0},
      {kIdChooseList, ControlKind::kListBox, "", RectAt(10, 30, 300, 186), platform::kStyleSorted},
      {platform::kCommandOk, ControlKind::kPushButton, "OK", RectAt(120, 226, 80, 24),
       platform::kStyleDefaultButton},
  };
  return t;
}

platform::DialogTemplate ChooseValuesTemplate() {
  platform::DialogTemplate t;
  t.title = "Multiple Selection";
  t.width = 480;
  t.height = 320;
  t.skinColumn = kSkinColumn;
  const unsigned list = platform::kStyleSorted | platform::kStyleMultiSelect;
  t.controls = {
      {kIdMultiLabel, ControlKind::kStatic, "MultiList", RectAt(10, 12, 70, 18), 0},
      {kIdMultiFile, ControlKind::kEdit, "", RectAt(80, 10, 200, 22),
       platform::kStyleReadOnly | platform::kStyleAutoScroll},
      {kIdMultiText, ControlKind::kEdit, "", RectAt(10, 44, 180, 22), platform::kStyleAutoScroll},
      {kIdMultiValues, ControlKind::kListBox, "", RectAt(10, 72, 180, 200), list},
      {kIdMultiAdd, ControlKind::kPushButton, "add ->", RectAt(200, 90, 80, 24), 0},
      {kIdMultiRemove, ControlKind::kPushButton, "<- remove", RectAt(200, 124, 80, 24), 0},
      {kIdMultiAddAll, ControlKind::kPushButton, "all ->>", RectAt(200, 170, 80, 24), 0},
      {kIdMultiRemoveAll, ControlKind::kPushButton, "<<- none", RectAt(200, 204, 80, 24), 0},
      {kIdMultiChosen, ControlKind::kListBox, "", RectAt(290, 44, 180, 228), list},
      {platform::kCommandOk, ControlKind::kPushButton, "OK", RectAt(200, 284, 80, 26),
       platform::kStyleDefaultButton},
  };
  return t;
}

bool ChooseValue(WindowHandle owner, ChooserRequest* request) {
  const platform::DialogTemplate t = ChooseValueTemplate();
  bool chosen = false;
  auto accept = [&](WindowHandle d) {
    WindowHandle list = platform::FindControl(d, kIdChooseList);
    const int selected = platform::ListSelection(list);
    if (selected >= 0) {
      SetChosenText(request, ValueOfLine(platform::ListItemText(list, selected)));
      chosen = true;
    }
    platform::EndDialog(d, chosen ? platform::kCommandOk : platform::kCommandCancel);
  };
  auto proc = [&](WindowHandle d, unsigned message, platform::WParam wparam,
                  platform::LParam lparam) -> platform::LResult {
    switch (message) {
      case platform::kMsgInitDialog: {
        platform::SetWindowTitle(d, request->text);
        PlaceAt(d, *request);
        WindowHandle list = platform::FindControl(d, kIdChooseList);
        platform::ClearList(list);
        std::vector<std::string> lines;
        ReadValueChoices(request->options, &lines);  // reports a missing file itself
        for (const std::string& line : lines)
          platform::AddListItem(list, line);
        if (platform::ListCount(list) > 0) platform::SetListSelection(list, 0);
        platform::SetFocus(list);
        return 1;
      }
      case platform::kMsgPaint:
        PaintDialogSkin(t, lparam);
        return 1;
      case platform::kMsgCommand: {
        const int id = static_cast<int>(platform::LowWord(wparam));
        const unsigned code = platform::HighWord(wparam);
        if (id == platform::kCommandOk ||
            (id == kIdChooseList && code == platform::kNotifyDoubleClicked)) {
          accept(d);
          return 1;
        }
        if (id == platform::kCommandCancel) {
          platform::EndDialog(d, platform::kCommandCancel);
          return 1;
        }
        return 0;
      }
    }
    return 0;
  };
  platform::RunDialog(owner, t, proc, 0);
  return chosen;
}

bool ChooseValues(WindowHandle owner, ChooserRequest* request) {
  const platform::DialogTemplate t = ChooseValuesTemplate();
  bool chosen = false;
  auto init = [&](WindowHandle d) {
    PlaceAt(d, *request);
    std::vector<std::string> values;
    if (ReadMultipleValues(request->options, &values) != 0) {
      platform::EndDialog(d, platform::kCommandCancel);
      return;
    }
    platform::SetControlText(d, kIdMultiFile, ValueFileName(request->options));
    WindowHandle all = platform::FindControl(d, kIdMultiValues);
    for (const std::string& value : values)
      platform::AddListItem(all, value);
    WindowHandle picked = platform::FindControl(d, kIdMultiChosen);
    for (const std::string& value : SplitChosenValues(request->text))
      AddChosen(picked, value);
    // Enter in the free-text field adds its text rather than closing the dialog.
    WindowHandle add = platform::FindControl(d, kIdMultiAdd);
    platform::SetControlHook(
        platform::FindControl(d, kIdMultiText),
        [add](WindowHandle h, unsigned message, platform::WParam wparam, platform::LParam lparam) {
          if (message == platform::kMsgKeyDown && wparam == platform::kKeyReturn && lparam == 0) {
            platform::SendMessage(add, platform::kMsgClick, 0, 0);
            return platform::LResult{1};
          }
          return platform::DefaultWindowProc(h, message, wparam, lparam);
        });
    platform::SetFocus(all);
  };
  auto command = [&](WindowHandle d, int id) {
    WindowHandle all = platform::FindControl(d, kIdMultiValues);
    WindowHandle picked = platform::FindControl(d, kIdMultiChosen);
    switch (id) {
      case kIdMultiAdd: {
        const std::string typed = platform::ControlText(d, kIdMultiText);
        if (!typed.empty()) {
          AddChosen(picked, typed);
          platform::SetControlText(d, kIdMultiText, "");
        }
        for (int i : platform::ListSelections(all)) {
          AddChosen(picked, platform::ListItemText(all, i));
          platform::SetListItemSelected(all, i, false);
        }
        break;
      }
      case kIdMultiRemove: {
        std::vector<int> selected = platform::ListSelections(picked);
        for (auto i = selected.rbegin(); i != selected.rend(); ++i)
          platform::DeleteListItem(picked, *i);
        break;
      }
      case kIdMultiAddAll:
        for (const std::string& value : ListItems(all))
          AddChosen(picked, value);
        break;
      case kIdMultiRemoveAll:
        platform::ClearList(picked);
        break;
      case platform::kCommandOk:
        JoinChosenValues(ListItems(picked), request);
        chosen = true;
        platform::EndDialog(d, platform::kCommandOk);
        break;
      case platform::kCommandCancel:  // no way out but OK
        break;
      default:
        return false;
    }
    return true;
  };
  auto proc = [&](WindowHandle d, unsigned message, platform::WParam wparam,
                  platform::LParam lparam) -> platform::LResult {
    switch (message) {
      case platform::kMsgInitDialog:
        init(d);
        return 1;
      case platform::kMsgPaint:
        PaintDialogSkin(t, lparam);
        return 1;
      case platform::kMsgCommand:
        if (platform::HighWord(wparam) != platform::kNotifyClicked) return 0;
        return command(d, static_cast<int>(platform::LowWord(wparam))) ? 1 : 0;
    }
    return 0;
  };
  platform::RunDialog(owner, t, proc, 0);
  return chosen;
}

platform::Point ClientToScreen(WindowHandle window, int x, int y) {
  const platform::Rect at = platform::WindowRect(window);
  return platform::Point{at.left + x, at.top + y};
}

namespace {

bool AddTagChooseValue(WindowHandle window, int x, int y, const char* options, char* value,
                       size_t cap) {
  ChooserRequest request{};
  const platform::Point at = ClientToScreen(window, x, y);
  request.x = at.x;
  request.y = at.y;
  request.options = options;
  platform::CopyText(request.text, value);
  if (!ChooseValue(window, &request)) return false;
  platform::CopyText(value, cap, request.text);
  return true;
}

}  // namespace

void InstallAddTagChooser() {
  SetAddTagChooser(AddTagChooseValue);
}
