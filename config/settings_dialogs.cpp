#include "config/settings_dialogs.h"

#include <algorithm>
#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/text.h"
#include "tree/document_selection.h"
#include "ui/app_fonts.h"
#include "ui/skins.h"

using namespace platform;

namespace {

// A run of radio buttons that sets a field of a bit set: the n-th button stores n << shift.
struct RadioGroup {
  int firstId;
  int count;
  int shift;
};

// A check box that sets one bit.
struct BitBox {
  int id;
  int bit;
};

void ShowGroup(WindowHandle d, const RadioGroup& g, int word) {
  int v = (word >> g.shift) & 3;
  // Two buttons stand for keyword tables that repeat after two entries; with three, the unused
  // value 3 means what 2 means wherever the word is used.
  v = g.count == 2 ? v & 1 : std::min(v, g.count - 1);
  CheckRadio(d, g.firstId, g.firstId + g.count - 1, g.firstId + v);
}

int GroupValue(WindowHandle d, const RadioGroup& g) {
  for (int i = 0; i < g.count; ++i)
    if (CheckStateOf(d, g.firstId + i) == kChecked) return i << g.shift;
  return 0;
}

void ShowBoxes(WindowHandle d, std::initializer_list<BitBox> boxes, int word) {
  for (const BitBox& b : boxes)
    SetCheck(d, b.id, (word & b.bit) ? kChecked : kUnchecked);
}

int BoxesValue(WindowHandle d, std::initializer_list<BitBox> boxes) {
  int word = 0;
  for (const BitBox& b : boxes)
    if (CheckStateOf(d, b.id) == kChecked) word |= b.bit;
  return word;
}

// Radio buttons one under the other, the first starting a group.
void AddRadios(DialogTemplate* t, int firstId, std::initializer_list<const char*> captions, int x,
               int y, int width, int step = 22) {
  int id = firstId;
  for (const char* caption : captions) {
    t->controls.push_back({id, ControlKind::kRadioButton, caption, RectAt(x, y, width, 20),
                           id == firstId ? static_cast<unsigned>(kStyleGroup) : 0u});
    ++id;
    y += step;
  }
}

void AddOkCancel(DialogTemplate* t, int x, int y) {
  t->controls.push_back(
      {kCommandOk, ControlKind::kPushButton, "OK", RectAt(x, y, 80, 24), kStyleDefaultButton});
  t->controls.push_back(
      {kCommandCancel, ControlKind::kPushButton, "Cancel", RectAt(x + 90, y, 80, 24), 0});
}

// Tiles the skin column behind a dialog of the template's size.
void PaintBackground(Canvas& dc, const DialogTemplate& t) {
  PaintSkin(dc, (t.width + 79) / 80, (t.height + 79) / 80, t.skinColumn);
}

struct Label {
  int x, y;
  const char* text;
};

void PaintLabels(Canvas& dc, std::initializer_list<Label> labels) {
  const TextStyle style{FontMain, ColourMain, true};
  for (const Label& l : labels)
    dc.Text({l.x, l.y}, l.text, style);
}

int OkOrCancel(int result) {
  return result == kCommandOk ? 1 : 0;
}

// ---- Business rules ----

const RadioGroup kInherited{kIdRulesInheritedFirst, 3, 0};
const RadioGroup kPage{kIdRulesPageFirst, 3, 2};
constexpr int kRootPriority = 16;
constexpr int kPreserve = 32;

}  // namespace

DialogTemplate BusinessRulesTemplate(int permanent) {
  DialogTemplate t;
  t.title = permanent ? "Edit Business Rules" : "Temporary Business Rules";
  t.width = 420;
  t.height = 350;
  t.skinColumn = 160;
  t.controls.push_back({kIdRulesBranch, ControlKind::kEdit, "", RectAt(80, 12, 320, 22),
                        kStyleReadOnly | kStyleDisabled | kStyleAutoScroll |
                            (permanent ? static_cast<unsigned>(kStyleHidden) : 0u)});
  const auto dups = {"NEVER allow duplicates", "Allow when flagged in Schema",
                     "ANY may be duplicated"};
  AddRadios(&t, kIdRulesInheritedFirst, dups, 30, 66, 300);
  AddRadios(&t, kIdRulesPageFirst, dups, 30, 160, 300);
  AddRadios(&t, kIdRulesRoot, {"Root priority", "Local priority"}, 30, 254, 150);
  t.controls.push_back({kIdRulesPreserve, ControlKind::kCheckBox, "Preserve existing page tags",
                        RectAt(200, 254, 210, 20), 0});
  AddOkCancel(&t, 230, 312);
  return t;
}

int BusinessRulesDialog(WindowHandle owner, int permanent) {
  const DialogTemplate t = BusinessRulesTemplate(permanent);
  auto proc = [&](WindowHandle d, unsigned message, WParam w, LParam l) -> LResult {
    switch (message) {
      case kMsgInitDialog:
        if (!permanent) SetControlText(d, kIdRulesBranch, gBranch);
        ShowGroup(d, kInherited, strategy);
        ShowGroup(d, kPage, strategy);
        CheckRadio(d, kIdRulesRoot, kIdRulesLocal,
                   (strategy & kRootPriority) ? kIdRulesRoot : kIdRulesLocal);
        ShowBoxes(d, {{kIdRulesPreserve, kPreserve}}, strategy);
        return 1;
      case kMsgPaint: {
        Canvas& dc = *PaintCanvas(l);
        PaintBackground(dc, t);
        if (!permanent) PaintLabels(dc, {{12, 15, "Branch:"}});
        PaintLabels(dc, {{12, 44, "Inherited Metatag Duplicates..."},
                         {12, 138, "Current Page Metatag Duplicates..."},
                         {12, 232, "Inheritance Rules..."}});
        return 1;
      }
      case kMsgCommand:
        switch (LowWord(w)) {
          case kCommandOk:
            // Only what the dialog shows: any other bit is dropped.
            strategy = GroupValue(d, kInherited) | GroupValue(d, kPage) |
                       (CheckStateOf(d, kIdRulesRoot) == kChecked ? kRootPriority : 0) |
                       BoxesValue(d, {{kIdRulesPreserve, kPreserve}});
            EndDialog(d, kCommandOk);
            return 1;
          case kCommandCancel:
            EndDialog(d, kCommandCancel);
            return 1;
        }
        return 0;
    }
    return 0;
  };
  return OkOrCancel(RunDialog(owner, t, proc, 0));
}
