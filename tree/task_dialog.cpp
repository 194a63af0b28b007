#include "tree/task_dialog.h"

#include <string>
#include <vector>

#include "platform/text.h"
#include "schema/schema.h"
#include "tree/tasks.h"
#include "ui/app_fonts.h"
#include "ui/skins.h"

namespace {

using platform::ControlKind;
using platform::RectAt;

constexpr int kWidth = 400;
constexpr int kSkinColumn = 320;

struct Label {
  int x;
  int y;
  const char* text;
};

// The labels of each mode, painted on the skin beside or above their controls.
std::vector<Label> LabelsFor(int mode) {
  std::vector<Label> labels{{15, 12, "Search document tree for this Metatag:"}};
  switch (mode) {
    case 0:
      labels.push_back({15, 62, "and list results to file:"});
      labels.push_back({15, 112, "if the value contains this string:"});
      labels.push_back({38, 162, "Show me the results when complete"});
      labels.push_back({38, 186, "Case sensitive search"});
      break;
    case 1:
      labels.push_back({15, 62, "If the value contains this string:"});
      labels.push_back({15, 112, "replace it with this string:"});
      break;
    case 3:
      labels.push_back({15, 62, "Delete if the value contains this string:"});
      break;
  }
  return labels;
}

platform::ControlTemplate Field(int id, int y) {
  return {id, ControlKind::kEdit, "", RectAt(15, y, 370, 22), platform::kStyleAutoScroll};
}

}  // namespace

platform::DialogTemplate TaskDialogTemplate(int mode) {
  platform::DialogTemplate t;
  t.width = kWidth;
  t.skinColumn = kSkinColumn;
  t.controls.push_back({kIdTaskTagName, ControlKind::kComboBox, "", RectAt(15, 30, 370, 22),
                        platform::kStyleEditableCombo});
  int buttonsY = 0;
  switch (mode) {
    case 0:
      t.title = "Search for metatag";
      t.controls.push_back(Field(kIdTaskReportFile, 80));
      t.controls.push_back(Field(kIdTaskValueFilter, 130));
      t.controls.push_back(
          {kIdTaskShowResults, ControlKind::kCheckBox, "", RectAt(15, 162, 16, 16), 0});
      t.controls.push_back(
          {kIdTaskCaseSensitive, ControlKind::kCheckBox, "", RectAt(15, 186, 16, 16), 0});
      buttonsY = 216;
      break;
    case 1:
      t.title = "Search and Replace metatag values";
      t.controls.push_back(Field(kIdTaskValueFilter, 80));
      t.controls.push_back(Field(kIdTaskReplacement, 130));
      buttonsY = 166;
      break;
    default:
      t.title = "Delete a metatag";
      t.controls.push_back(Field(kIdTaskDeleteFilter, 80));
      buttonsY = 116;
      break;
  }
  t.controls.push_back({platform::kCommandOk, ControlKind::kPushButton, "OK",
                        RectAt(215, buttonsY, 80, 24), platform::kStyleDefaultButton});
  t.controls.push_back({platform::kCommandCancel, ControlKind::kPushButton, "Cancel",
                        RectAt(305, buttonsY, 80, 24), 0});
  t.height = buttonsY + 36;
  return t;
}

bool SearchReplaceDeleteDialog(platform::WindowHandle owner, int mode) {
  const platform::DialogTemplate t = TaskDialogTemplate(mode);
  const std::vector<Label> labels = LabelsFor(mode);
  const int columns = (t.width + 79) / 80;
  const int rows = (t.height + 79) / 80;
  auto proc = [&](platform::WindowHandle d, unsigned message, platform::WParam wparam,
                  platform::LParam lparam) -> platform::LResult {
    switch (message) {
      case platform::kMsgInitDialog: {
        platform::WindowHandle names = platform::FindControl(d, kIdTaskTagName);
        for (int i = 0; SchemaIndex && i < SchemaTagCount; ++i)
          platform::AddListItem(names, SchemaIndex[i].name);
        platform::SetControlText(names, gTask.tagName);
        if (mode == 0) {
          platform::SetControlText(d, kIdTaskReportFile, gTask.reportPath);
          platform::SetControlText(d, kIdTaskValueFilter, gTask.valueFilter);
          platform::SetCheck(d, kIdTaskShowResults,
                             gTask.showResults ? platform::kChecked : platform::kUnchecked);
          platform::SetCheck(d, kIdTaskCaseSensitive,
                             gTask.caseSensitive ? platform::kChecked : platform::kUnchecked);
        } else if (mode == 1) {
          platform::SetControlText(d, kIdTaskValueFilter, gTask.valueFilter);
          platform::SetControlText(d, kIdTaskReplacement, gTask.replacement);
        } else {
          platform::SetControlText(d, kIdTaskDeleteFilter, gTask.valueFilter);
        }
        return 1;
      }
      case platform::kMsgPaint: {
        platform::Canvas& dc = *platform::PaintCanvas(lparam);
        PaintSkin(dc, columns, rows, kSkinColumn);
        const platform::TextStyle style{FontMain, ColourMain, true};
        for (const Label& label : labels)
          dc.Text({label.x, label.y}, label.text, style);
        return 1;
      }
      case platform::kMsgCommand: {
        const int id = static_cast<int>(platform::LowWord(wparam));
        if (id == platform::kCommandCancel) {
          platform::EndDialog(d, platform::kCommandCancel);
          return 1;
        }
        if (id != platform::kCommandOk) return 0;
        platform::CopyText(gTask.tagName, platform::ControlText(d, kIdTaskTagName));
        if (mode == 0) {
          platform::CopyText(gTask.valueFilter, platform::ControlText(d, kIdTaskValueFilter));
          platform::CopyText(gTask.reportPath, platform::ControlText(d, kIdTaskReportFile));
          gTask.showResults = platform::CheckStateOf(d, kIdTaskShowResults) == platform::kChecked;
          gTask.caseSensitive =
              platform::CheckStateOf(d, kIdTaskCaseSensitive) == platform::kChecked;
        } else if (mode == 1) {
          platform::CopyText(gTask.valueFilter, platform::ControlText(d, kIdTaskValueFilter));
          platform::CopyText(gTask.replacement, platform::ControlText(d, kIdTaskReplacement));
        } else {
          platform::CopyText(gTask.valueFilter, platform::ControlText(d, kIdTaskDeleteFilter));
          gTask.replacement[0] = '\0';
        }
        platform::EndDialog(d, platform::kCommandOk);
        return 1;
      }
    }
    return 0;
  };
  if (platform::RunDialog(owner, t, proc, 0) == platform::kCommandOk) return true;
  gTask.searchKind = kSearchCancelled;
  return false;
}
