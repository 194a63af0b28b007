// The page editor: rows of fields over the page tag table, its buttons, the tag menu, scrolling,
// opening and saving a page.
#include "ui/page_editor.h"

#include <cstring>
#include <string>

#include "config/settings.h"
#include "config/version.h"
#include "engine/head_reader.h"
#include "engine/page_ops.h"
#include "engine/page_tags.h"
#include "log/audit.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "schema/schema.h"
#include "schema/value_choosers.h"
#include "schema/value_lists.h"
#include "tree/document_selection.h"
#include "tree/tree_tags.h"
#include "ui/main_window.h"
#include "ui/resources.h"
#include "ui/skins.h"

using namespace platform;

int TopRow = 0;
int ScrollPos = 0;
int ThumbPos = 0;
int PageChanged = 0;
int MenuRow = -1;
int gButMode = 0;
WindowHandle CurrentEdit = nullptr;
char CurrentDocument[512] = "";
char ScratchPad[200] = "";
WindowHandle NameEdits[16];
WindowHandle ValueEdits[16];

namespace {

constexpr int kRows = 16;
constexpr int kNameChars = 30;
constexpr int kValueChars = 1022;
constexpr int kButtonCellW = 60, kButtonCellH = 34;
constexpr char kSaveQuestion[] = "These values have changed!\nDo you want to save the changes?";

WindowHandle ScrollBar = nullptr;
WindowHandle MainWindow = nullptr;
Point MenuPoint;  // screen point of the last right click in a field
BranchTasksRunner gBranchTasks = nullptr;
bool AddTagFocusGiven = false;

// What the open file was on disk when it was read or last saved, to notice another writer.
FileInfo OpenedInfo;
bool OpenedInfoKnown = false;

// Value-list files as the tag menu last offered them.
char ListNames[2048];
char* ListTable[kMaxValueFiles];
int ListFileCount = 0;

int RowOf(WindowHandle field, bool* isName) {
  for (int r = 0; r < kRows; ++r) {
    if (NameEdits[r] == field) {
      if (isName) *isName = true;
      return r;
    }
    if (ValueEdits[r] == field) {
      if (isName) *isName = false;
      return r;
    }
  }
  return -1;
}

void RepaintField(WindowHandle field) {
  if (field) InvalidateWindow(field, nullptr);
}

void SetCurrentEdit(WindowHandle field) {
  if (field == CurrentEdit) return;
  // The overlay marks every field but the current one.
  RepaintField(CurrentEdit);
  CurrentEdit = field;
  RepaintField(field);
}

void FocusField(WindowHandle field) {
  if (!field) return;
  SetCurrentEdit(field);
  SetFocus(field);
}

void RepaintTagCount() {
  if (!MainWindow) return;
  Rect count{470, 21, 540, 35};
  InvalidateWindow(MainWindow, &count);
  UpdateWindow(MainWindow);
}

void RepaintAttributes() {
  if (!MainWindow || !showatts) return;
  Rect column{220, 21, 240, 384};
  InvalidateWindow(MainWindow, &column);
}

void RepaintButton(int id) {
  if (MainWindow) RepaintField(FindControl(MainWindow, id));
}

void SetScrollBar() {
  if (!ScrollBar) return;
  if (Tagcount < 16) {
    ShowWindow(ScrollBar, ShowState::kHide);
    return;
  }
  SetScrollRange(ScrollBar, 0, Tagcount - 15);
  SetScrollPosition(ScrollBar, ScrollPos);
  ShowWindow(ScrollBar, ShowState::kShow);
}

void MakeRootCopyCurrent() {
  if (gPluginContext.rootCopy[0]) Fs().ChangeDir(gPluginContext.rootCopy);
}

void EmptyAllRecords() {
  if (!PageTags) return;
  for (int i = 0; i < MaxPageTags; ++i) {
    PageTags[i].name[0] = '\0';
    PageTags[i].value[0] = '\0';
    PageTags[i].flags = 0;
  }
}

void NoteOpenedFile() {
  OpenedInfoKnown = CurrentDocument[0] && Fs().Stat(CurrentDocument, &OpenedInfo) == 0;
}

// Saves the open page: asks first when another program changed the file since it was read.
// 0 when written, -1 when the page must stay open (refused, the user went back to add mandatory
// tags, or the rewrite failed and said why), -2 when the file has no head.
int SaveOpenPage(WindowHandle window) {
  FileInfo now;
  if (OpenedInfoKnown && Fs().Stat(CurrentDocument, &now) == 0 && !SameFileState(now, OpenedInfo)) {
    std::string question = Format(
        "%s was changed on disk after it was opened here (by another program or a "
        "task).\n\nSave the values shown here over it?",
        CurrentDocument);
    if (ShowMessageBox(window, question, "Note", kBoxYesNo | kBoxIconQuestion) != kAnswerYes)
      return -1;
  }
  int rc = SavePage(window, CurrentDocument);
  if (rc == 0) {
    NoteOpenedFile();
  } else if (rc == -2) {
    ShowMessageBox(window,
                   Format("%s has no <HEAD> tag, so its meta tags cannot be saved. The file was "
                          "left as it was; the values are still open here.",
                          CurrentDocument),
                   "Note", kBoxOk | kBoxIconExclamation);
  }
  return rc;
}

// The table shown again from the top after a save that left the page open.
void ShowTableAgain() {
  EditorActive = 0;
  TopRow = ThumbPos = ScrollPos = 0;
  ClearEditRows();
  CurrentEdit = ValueEdits[0];
  FillEditRows(0);
  SetScrollBar();
  RepaintAttributes();
  EditorActive = 1;
}

void SetLeadingMenus(bool enable) {
  if (!MainWindow) return;
  MenuHandle bar = WindowMenu(MainWindow);
  for (int position = 0; position < 4; ++position)
    EnableMenuItem(bar, position, true, enable);
  RedrawMenuBar(MainWindow);
  EnableWindow(FindControl(MainWindow, kIdSites), enable);
  menuon = enable ? 1 : 0;
}

// Shows the file just read, or the empty editor when nothing was read.
void ShowOpenResult() {
  if (CurrentDocument[0]) {
    if (hidingcontrols) ShowEditRows(1);
    EnableEditor(1);
    SetLeadingMenus(false);
    SetWindowTitle(MainWindow, CurrentDocument);
    CurrentEdit = ValueEdits[0];
    FillEditRows(0);
    SetScrollBar();
  } else {
    EnableEditor(0);
    SetLeadingMenus(true);
  }
  RepaintTagCount();
  PageChanged = 0;
  EditorActive = 1;
  RepaintAttributes();
  MakeRootCopyCurrent();
}

void ClosePage() {
  EmptyAllRecords();
  SetWindowTitle(MainWindow, szTitle);
  if (ScrollBar) ShowWindow(ScrollBar, ShowState::kHide);
  ClearEditRows();
  EnableEditor(0);
  SetLeadingMenus(true);
  Tagcount = 0;
  EditorActive = 0;
  PageChanged = 0;
  CurrentDocument[0] = '\0';
  OpenedInfoKnown = false;
  RepaintTagCount();
  RepaintAttributes();
}

void OpenPage(WindowHandle window, int command) {
  bool busy = TakeBusyWord();
  RecentMenuDirty = 1;
  EditorActive = 0;
  if (PageChanged && !AskToSaveChanges(window)) {
    MakeRootCopyCurrent();
    if (busy) ReleaseBusyWord();
    return;
  }
  EmptyAllRecords();
  if (ScrollBar) ShowWindow(ScrollBar, ShowState::kHide);
  ClearEditRows();
  Tagcount = 0;
  TopRow = ThumbPos = ScrollPos = 0;
  MakeRootCopyCurrent();
  gBranch[0] = '\0';
  InSiteMap = 0;

  std::string path = OpenTreeTagOrDocumentFile(window, command);
  CopyText(CurrentDocument, path);
  NoteOpenedFile();
  std::string here;
  if (Fs().CurrentDir(&here) == 0) CopyText(gPluginContext.rootCopy, here);
  if (gBranch[0] && gBranchTasks) {
    ShowEditRows(0);
    gBranchTasks(window);
    ShowEditRows(1);
  }
  ShowOpenResult();
  if (busy) ReleaseBusyWord();
}

void OpenRecentFile(WindowHandle window, int slot) {
  if (PageChanged && !AskToSaveChanges(window)) return;
  RecentMenuDirty = 0;
  EditorActive = 0;
  EmptyAllRecords();
  Tagcount = 0;
  TopRow = ThumbPos = ScrollPos = 0;
  InSiteMap = 0;
  CopyText(CurrentDocument, PrevFiles[slot]);
  // A tree-tag file keeps its control tags, as when it is opened through the selection: saving
  // it must not drop them.
  SuppressControlTags = IsTreeTagPath(CurrentDocument) ? 0 : 1;
  int rc = CurrentDocument[0] ? ReadFileToEdit(window, CurrentDocument) : -1;
  SuppressControlTags = 1;
  if (rc != 0) {
    ClosePage();
    return;
  }
  NoteOpenedFile();
  ShowOpenResult();
}

int RunAddMetatagDialog(WindowHandle window, std::string* name) {
  DialogTemplate t;
  t.title = "Add Metatag";
  t.width = 260;
  t.height = 250;
  t.skinColumn = 80;
  t.controls = {
      {kIdAddTagName, ControlKind::kComboBox, "", RectAt(15, 15, 230, 180),
       kStyleAlwaysOpen | kStyleSorted},
      {kCommandOk, ControlKind::kPushButton, "OK", RectAt(40, 210, 80, 26), kStyleDefaultButton},
      {kCommandCancel, ControlKind::kPushButton, "Cancel", RectAt(140, 210, 80, 26), 0},
  };
  bool painted = false;
  auto proc = [&](WindowHandle d, unsigned message, WParam w, LParam l) -> LResult {
    switch (message) {
      case kMsgInitDialog: {
        WindowHandle combo = FindControl(d, kIdAddTagName);
        for (int i = 0; i < SchemaTagCount; ++i)
          AddListItem(combo, SchemaIndex[i].name);
        return 1;
      }
      case kMsgPaint:
        PaintSkin(*PaintCanvas(l), 4, 4, 80);
        // Only the first dialog of a run puts the focus on the names by itself.
        if (!painted && !AddTagFocusGiven) SetFocus(FindControl(d, kIdAddTagName));
        painted = AddTagFocusGiven = true;
        return 1;
      case kMsgCommand: {
        int id = static_cast<int>(LowWord(w));
        if (id == kCommandOk) {
          *name = ControlText(d, kIdAddTagName).substr(0, 255);
          EndDialog(d, kCommandOk);
          return 1;
        }
        if (id == kCommandCancel) {
          *name = "\x01";
          EndDialog(d, kCommandCancel);
          return 1;
        }
        return 0;
      }
    }
    return 0;
  };
  return RunDialog(window, t, proc, 0);
}

// Add Tag, Tidy, Sort and Inherit: change the table, then show it again from the top.
void TagButton(WindowHandle window, int id) {
  EditorActive = 0;
  ScrollPos = 0;
  TopRow = 0;
  switch (id) {
    case kIdAddTag: {
      std::string name = "\x01";
      RunAddMetatagDialog(window, &name);
      if (name.empty()) {
        ReportCoded("M017:Empty name - ignored");
      } else if (name != "\x01") {
        AddPageTag(window, name.c_str());
        if (Tagcount > 15) TopRow = ScrollPos = Tagcount - 15;
      }
      break;
    }
    case kIdAddTag + 1:
      Tagcount = TidyTags(PageTags, 0);
      break;
    case kIdAddTag + 2:
      Tagcount = TidyTags(PageTags, 1);
      break;
    case kIdAddTag + 3:
      InheritIntoDocument(window, CurrentDocument);
      break;
    default:
      ReportCoded("M018:Invalid Task Request");
      break;
  }
  ClearEditRows();
  FillEditRows(TopRow);
  SetScrollBar();
  EditorActive = 1;
  PageChanged = 1;
  RepaintTagCount();
  RepaintAttributes();
  int row = 0;
  if (id == kIdAddTag) row = Tagcount > 14 ? 14 : (Tagcount > 0 ? Tagcount - 1 : 0);
  FocusField(ValueEdits[row]);
}

void SaveButton(WindowHandle window, bool close) {
  if (PageChanged && loglevel != 0) WriteAuditEntry(kAuditInfo, CurrentDocument, "Updated");
  bool busy = TakeBusyWord();
  int rc = SaveOpenPage(window);
  MakeRootCopyCurrent();
  if (busy) ReleaseBusyWord();
  if (rc != 0) {
    // The page stays open with its values, also for CLOSE.
    ShowTableAgain();
    return;
  }
  if (close) {
    ClosePage();
    return;
  }
  EnableEditor(1);
  // The save tidied the table: the rows must show it as it is now.
  EditorActive = 0;
  if (TopRow > (Tagcount > 15 ? Tagcount - 15 : 0)) TopRow = Tagcount > 15 ? Tagcount - 15 : 0;
  ScrollPos = ThumbPos = TopRow;
  WindowHandle current = CurrentEdit;
  ClearEditRows();
  CurrentEdit = current;
  FillEditRows(TopRow);
  SetScrollBar();
  RepaintTagCount();
  RepaintAttributes();
  EditorActive = 1;
}

bool HasFreeRecord() {
  return PageTags && Tagcount < PageTagCapacity();
}

void ToggleSiteMap(WindowHandle window) {
  if (InSiteMap) {
    int found = -1;
    for (int i = 0; i < Tagcount && found < 0; ++i)
      if (std::strcmp(PageTags[i].name, OverwriteTag) == 0) found = i;
    if (found < 0) return;
    PageTags[found].name[0] = '\0';
    TagButton(window, kIdAddTag + 1);
    InSiteMap = 0;
  } else {
    if (!HasFreeRecord()) {
      ReportCoded(kTableFullReport);
      return;
    }
    TagRecord& tag = PageTags[Tagcount];
    CopyText(tag.name, OverwriteTag);
    tag.value[0] = '\0';
    tag.flags = 0;
    int entry = FindSchemaTag(tag.name);
    if (entry >= 0) tag.flags = SchemaIndex[entry].flags;
    ++Tagcount;
    TagButton(window, kIdAddTag + 1);
    InSiteMap = 1;
  }
  PageChanged = 1;
  RepaintButton(kIdAddTag + 7);
}

// A field's text was changed by the user: it goes into the table at once.
void FieldChanged(WindowHandle field) {
  bool isName = false;
  int row = RowOf(field, &isName);
  if (row < 0 || !PageTags) return;
  int index = TopRow + row;
  if (index >= Tagcount) {
    if (index >= PageTagCapacity()) {
      // No record is left for a new tag: the table stays as it is, and so does the field.
      EditorActive = 0;
      SetControlText(field, "");
      EditorActive = 1;
      ReportCoded(kTableFullReport);
      return;
    }
    // The records between the last tag and this one are left over from earlier tags.
    for (int i = Tagcount; i <= index; ++i) {
      PageTags[i].name[0] = '\0';
      PageTags[i].value[0] = '\0';
      PageTags[i].flags = 0;
    }
    Tagcount = index + 1;
  }
  TagRecord& tag = PageTags[index];
  std::string text = ControlText(field);
  if (isName) {
    CopyText(tag.name, kNameChars + 1, text);
    // A renamed tag takes the schema's marks of its new name and keeps its attribute kind.
    int entry = FindSchemaTag(tag.name);
    tag.flags = (tag.flags & TF_KIND_MASK) | (entry >= 0 ? SchemaIndex[entry].flags : 0);
    RepaintAttributes();
  } else {
    CopyText(tag.value, kValueChars + 1, text);
  }
  PageChanged = 1;
  RepaintTagCount();
}

// Opens the single chooser; true with the chosen text in value when closed with OK.
bool ChooseOne(WindowHandle window, Point at, const char* options, std::string_view caption,
               std::string* value) {
  ChooserRequest request{};
  request.x = at.x;
  request.y = at.y;
  request.options = options;
  SetChosenText(&request, caption);
  if (!ChooseValue(window, &request)) return false;
  *value = request.text;
  return true;
}

const SchemaEntry* SchemaEntryOfRow(int row) {
  int index = TopRow + row;
  if (row < 0 || index >= Tagcount || !(PageTags[index].flags & SF_OPTIONS)) return nullptr;
  int entry = FindSchemaTag(PageTags[index].name);
  return entry >= 0 ? &SchemaIndex[entry] : nullptr;
}

void OpenTagMenu(WindowHandle window) {
  MenuRow = RowOf(FocusWindow(), nullptr);
  if (MenuRow < 0) MenuRow = RowOf(CurrentEdit, nullptr);
  MenuHandle menu = CreateMenu();
  AppendMenuItem(menu, kCmdDeleteTag, "Delete metatag");
  AppendMenuItem(menu, kCmdClearTag, "Clear metatag");
  AppendMenuItem(menu, kCmdCopyToScratch, "Copy to Scratch");
  AppendMenuItem(menu, kCmdValueFromScheme, "Value from Scheme",
                 SchemaEntryOfRow(MenuRow) ? 0u : unsigned{kMenuGrayed});
  AppendMenuItem(menu, kCmdValueFromScratch, "Value from Scratch",
                 ScratchPad[0] ? 0u : unsigned{kMenuGrayed});
  ListFileCount = ListValueFiles(window, ListNames, sizeof ListNames, ListTable);
  if (ListFileCount < 0) ListFileCount = 0;
  for (int i = 0; i < ListFileCount; ++i)
    AppendMenuItem(menu, kCmdValueFromList + i, Format("Value from %s", ListTable[i]));
  AppendSeparator(menu);
  AppendMenuItem(menu, kCmdEmptyScratch, "Empty Scratch");
  TrackPopupMenu(menu, window, MenuPoint, false);
  DestroyMenu(menu);
}

void TagMenuCommand(WindowHandle window, int id) {
  if (id == kCmdEmptyScratch) {
    ScratchPad[0] = '\0';
    return;
  }
  if (MenuRow < 0 || MenuRow >= kRows) return;
  std::string chosen;
  switch (id) {
    case kCmdDeleteTag:
      PageChanged = 1;
      SetControlText(NameEdits[MenuRow], "");
      TagButton(window, kIdAddTag + 1);
      FocusField(CurrentEdit);
      return;
    case kCmdClearTag:
      PageChanged = 1;
      SetControlText(ValueEdits[MenuRow], "");
      FocusField(ValueEdits[MenuRow]);
      return;
    case kCmdCopyToScratch: {
      std::string value = ControlText(ValueEdits[MenuRow]).substr(0, 1023);
      size_t used = std::strlen(ScratchPad);
      if (value.size() + used + 2 >= sizeof ScratchPad) return;
      std::string pad = ScratchPad;
      if (!pad.empty()) pad += ',';
      pad += value;
      CopyText(ScratchPad, pad);
      return;
    }
    case kCmdValueFromScheme: {
      const SchemaEntry* entry = SchemaEntryOfRow(MenuRow);
      if (entry && ChooseOne(window, MenuPoint, SchemaOptions(*entry),
                             PageTags[TopRow + MenuRow].name, &chosen))
        SetControlText(ValueEdits[MenuRow], chosen);
      FocusField(CurrentEdit);
      return;
    }
    case kCmdValueFromScratch:
      if (!CurrentEdit) return;
      if (!std::strchr(ScratchPad, ',')) {
        SetControlText(CurrentEdit, ScratchPad);
      } else if (ChooseOne(window, MenuPoint, ScratchPad, "Scratch", &chosen)) {
        SetControlText(CurrentEdit, chosen);
      }
      return;
    default:
      break;
  }
  int list = id - kCmdValueFromList;
  if (list < 0 || list >= ListFileCount || !CurrentEdit) return;
  std::string options = ValueFileOptions(ListTable[list]);
  int index = TopRow + MenuRow;
  ChooserRequest request{};
  request.x = MenuPoint.x;
  request.y = MenuPoint.y;
  request.options = options.c_str();
  SetChosenText(&request, index < Tagcount ? PageTags[index].value : "");
  bool ok = OpensMultipleChooser(options) ? ChooseValues(window, &request)
                                          : ChooseValue(window, &request);
  if (ok) SetControlText(CurrentEdit, request.text);
}

LResult FieldHook(WindowHandle field, unsigned message, WParam w, LParam l) {
  switch (message) {
    case kMsgKeyDown: {
      int code = -1;
      switch (w) {
        case kKeyUp:
          code = NAV_UP;
          break;
        case kKeyDown:
          code = NAV_DOWN;
          break;
        case kKeyTab:
          code = NAV_SWAP;
          break;
        case kKeyReturn:
          code = NAV_ENTER;
          break;
        case kKeyInsert:
          code = NAV_INSERT;
          break;
        default:
          break;
      }
      if (code < 0) break;
      SetCurrentEdit(field);
      if (MainWindow) SendMessage(MainWindow, kMsgKeyDown, kKeyTab, code);
      return 1;
    }
    case kMsgRButtonDown: {
      FocusField(field);
      Point at = PointOfParam(l);
      Rect r = WindowRect(field);
      MenuPoint = ClientToScreen(MainWindow, r.left + at.x, r.top + at.y);
      if (MainWindow) SendMessage(MainWindow, kMsgKeyDown, kKeyTab, NAV_MENU);
      return 1;
    }
    case kMsgTakeFocus:
      FocusField(field);
      return 1;
    case kMsgPaint: {
      if (field == CurrentEdit) break;
      bool isName = false;
      RowOf(field, &isName);
      const Bitmap& overlay = ResourceBitmap(kBmpFieldOverlay);
      if (!overlay.empty())
        PaintCanvas(l)->DrawBitmap(overlay, RectAt(0, 0, isName ? 197 : 287, 15), {0, 0},
                                   RasterOp::kAnd);
      return 1;
    }
    default:
      break;
  }
  return DefaultWindowProc(field, message, w, l);
}

LResult ImageButtonHook(WindowHandle button, unsigned message, WParam w, LParam l) {
  if (message == kMsgPaint) {
    int cell = ControlId(button) - kIdAddTag;
    if (cell == 7 && InSiteMap <= 0) cell = 8;
    const Bitmap& strip = ResourceBitmap(kBmpButtons);
    if (!strip.empty() && cell >= 0)
      PaintCanvas(l)->DrawBitmap(strip, RectAt(3, 3, kButtonCellW, kButtonCellH),
                                 {cell * kButtonCellW, gButMode ? 0 : kButtonCellH},
                                 RasterOp::kCopy);
    return 1;
  }
  return DefaultWindowProc(button, message, w, l);
}

WindowHandle AddField(WindowHandle parent, int id, Rect rect) {
  ControlTemplate control;
  control.id = id;
  control.kind = ControlKind::kEdit;
  control.rect = rect;
  control.style = kStyleDisabled | kStyleSunken | kStyleAutoScroll;
  WindowHandle field = CreateControl(parent, control);
  if (field) SetControlHook(field, FieldHook);
  return field;
}

// One line of scrolling; false when the rows are already at that end.
bool ScrollOneLine(int direction) {
  if (direction < 0 ? TopRow <= 0 : TopRow >= Tagcount - 15) return false;
  TopRow += direction;
  ScrollPos = TopRow;
  if (ScrollBar) SetScrollPosition(ScrollBar, ScrollPos);
  FillEditRows(TopRow);
  return true;
}

}  // namespace

void CreateEditorRows(WindowHandle window) {
  MainWindow = window;
  for (int row = 0; row < kRows; ++row) {
    NameEdits[row] = AddField(window, kIdNameEdit, RectAt(20, 36 + 22 * row, 200, 18));
    ValueEdits[row] = AddField(window, kIdValueEdit, RectAt(240, 36 + 22 * row, 290, 18));
  }
  ControlTemplate bar;
  bar.id = kIdScrollBar;
  bar.kind = ControlKind::kScrollBar;
  bar.rect = RectAt(533, 30, 18, 350);
  bar.style = kStyleVertical | kStyleHidden;
  ScrollBar = CreateControl(window, bar);
}

void EnableEditor(int enable) {
  gButMode = enable ? 1 : 0;
  if (!MainWindow) return;
  for (int row = 0; row < kRows; ++row) {
    EnableWindow(NameEdits[row], enable != 0);
    EnableWindow(ValueEdits[row], enable != 0);
  }
  EnableWindow(FindControl(MainWindow, kIdClose), enable != 0);
  EnableWindow(FindControl(MainWindow, kIdCancelEdit), enable != 0);
  for (int i = 0; i < 8; ++i) {
    WindowHandle button = FindControl(MainWindow, kIdAddTag + i);
    SetControlHook(button, ImageButtonHook);
    EnableWindow(button, enable != 0);
    RepaintField(button);
  }
}

void FillEditRows(int top) {
  int rows = Tagcount < kRows ? Tagcount : kRows;
  for (int r = 0; r < rows; ++r) {
    int index = top + r;
    // Records past the last tag hold what earlier tags left there: those rows are empty.
    bool tag = PageTags && index < Tagcount;
    SetControlText(NameEdits[r], tag ? PageTags[index].name : "");
    SetControlText(ValueEdits[r], tag ? PageTags[index].value : "");
  }
  if (CurrentEdit) SendMessage(CurrentEdit, kMsgTakeFocus, 0, 0);
}

void ClearEditRows() {
  CurrentEdit = nullptr;
  for (int r = 0; r < kRows; ++r) {
    SetControlText(NameEdits[r], "");
    SetControlText(ValueEdits[r], "");
  }
}

void PaintAttributeMarks(Canvas& dc) {
  if (!showatts || !PageTags) return;
  static const struct {
    uint32_t flag;
    int bitmap, dx, dy;
  } kMarks[] = {{SF_MANDATORY, kBmpMarkMandatory, 0, -10},
                {SF_DUPLICATES, kBmpMarkDuplicates, 0, 0},
                {SF_DATE, kBmpMarkDate, 10, -10},
                {SF_OPTIONS, kBmpMarkOptions, 10, 0}};
  for (int r = 0; r < kRows && TopRow + r < Tagcount; ++r) {
    uint32_t flags = PageTags[TopRow + r].flags;
    int y = 46 + 22 * r;
    for (const auto& mark : kMarks) {
      const Bitmap& bitmap = ResourceBitmap(mark.bitmap);
      if ((flags & mark.flag) && !bitmap.empty())
        dc.DrawBitmap(bitmap, RectAt(220 + mark.dx, y + mark.dy, 10, 10), {0, 0}, RasterOp::kCopy);
    }
  }
}

bool AskToSaveChanges(WindowHandle window) {
  if (!PageChanged) return true;
  if (ShowMessageBox(window, kSaveQuestion, "Note", kBoxYesNo | kBoxIconQuestion) != kAnswerYes)
    return true;
  if (SaveOpenPage(window) == 0) return true;
  ShowTableAgain();
  return false;
}

bool EditorCommand(WindowHandle window, int id, unsigned notification, LParam control) {
  MainWindow = window;
  switch (id) {
    case kIdNameEdit:
    case kIdValueEdit:
      if (notification == kNotifyTextChanged && EditorActive == 1)
        FieldChanged(reinterpret_cast<WindowHandle>(control));
      return true;
    case kIdOpen:
    case kCmdEditPageTags:
    case kCmdEditTreeTags:
      OpenPage(window, id);
      return true;
    case kIdClose:
      SaveButton(window, true);
      return true;
    case kIdAddTag + 4:
      SaveButton(window, false);
      return true;
    case kIdCancelEdit:
      ClosePage();
      return true;
    case kIdAddTag:
    case kIdAddTag + 1:
    case kIdAddTag + 2:
    case kIdAddTag + 3:
      TagButton(window, id);
      return true;
    case kIdAddTag + 5:
      StartProgram(WebBrowser, Format("file://%s", CurrentDocument));
      return true;
    case kIdAddTag + 6:
      StartProgram(Editor, CurrentDocument);
      return true;
    case kIdAddTag + 7:
      ToggleSiteMap(window);
      return true;
    case kCmdRecentFilesChanged:
      if (RecentMenuDirty == 1) RebuildRecentFiles();
      return true;
    default:
      break;
  }
  if (id >= kCmdRecentFirst && id < kCmdRecentFirst + 5) {
    OpenRecentFile(window, id - kCmdRecentFirst);
    return true;
  }
  if (id >= kCmdDeleteTag && id < kCmdValueFromList + kMaxValueFiles) {
    TagMenuCommand(window, id);
    return true;
  }
  return false;
}

void EditorNavigate(WindowHandle window, int code) {
  if (EditorActive != 1) return;
  MainWindow = window;
  bool isName = false;
  int row = RowOf(FocusWindow(), &isName);
  if (row < 0) row = RowOf(CurrentEdit, &isName);
  WindowHandle* same = isName ? NameEdits : ValueEdits;
  switch (code) {
    case NAV_UP:
      if (row >= 1) {
        FocusField(same[row - 1]);
      } else {
        EditorActive = 0;
        ScrollOneLine(-1);
        ScrollPos = ThumbPos = TopRow;
        EditorActive = 1;
        FocusField(same[0]);
      }
      break;
    case NAV_DOWN:
      if (row >= 0 && row <= 14) {
        FocusField(same[row + 1]);
      } else {
        EditorActive = 0;
        ScrollOneLine(1);
        ScrollPos = ThumbPos = TopRow;
        EditorActive = 1;
        FocusField(same[15]);
      }
      RepaintAttributes();
      break;
    case NAV_SWAP:
      if (row >= 0) FocusField(isName ? ValueEdits[row] : NameEdits[row]);
      break;
    case NAV_ENTER: {
      if (row < 0 || isName) break;
      if (const SchemaEntry* entry = SchemaEntryOfRow(row)) {
        std::string chosen;
        if (ChooseOne(window, ClientToScreen(window, 235, 80), SchemaOptions(*entry),
                      PageTags[TopRow + row].name, &chosen))
          SetControlText(ValueEdits[row], chosen);
      }
      FocusField(ValueEdits[row]);
      break;
    }
    case NAV_INSERT:
      TagButton(window, kIdAddTag);
      break;
    case NAV_MENU:
      OpenTagMenu(window);
      break;
    default:
      break;
  }
}

void EditorScroll(WindowHandle window, unsigned code, int position) {
  MainWindow = window;
  EditorActive = 0;
  switch (code) {
    case kScrollLineUp:
      if (ScrollOneLine(-1)) FocusField(CurrentEdit);
      break;
    case kScrollLineDown:
      if (ScrollOneLine(1)) FocusField(CurrentEdit);
      break;
    case kScrollPageUp: {
      int step = TopRow < 8 ? TopRow : 8;
      TopRow -= step;
      ScrollPos = TopRow;
      if (ScrollBar) SetScrollPosition(ScrollBar, ScrollPos);
      FillEditRows(TopRow);
      break;
    }
    case kScrollPageDown: {
      int step = TopRow + 25 <= Tagcount ? 8 : Tagcount - TopRow - 15;
      if (step > 0) {
        TopRow += step;
        ScrollPos = TopRow;
        if (ScrollBar) SetScrollPosition(ScrollBar, ScrollPos);
        FillEditRows(TopRow);
      }
      break;
    }
    case kScrollThumbPosition:
    case kScrollThumbTrack: {
      ScrollPos = position;
      int moves = position > ThumbPos ? position - ThumbPos : ThumbPos - position;
      for (int i = 0; i < moves; ++i)
        if (!ScrollOneLine(position > TopRow ? 1 : -1)) break;
      break;
    }
    default:
      break;
  }
  ScrollPos = ThumbPos = TopRow;
  EditorActive = 1;
  RepaintAttributes();
}

void SetBranchTasksRunner(BranchTasksRunner run) {
  gBranchTasks = run;
}

void ResetPageEditor() {
  TopRow = ScrollPos = ThumbPos = 0;
  PageChanged = 0;
  MenuRow = -1;
  gButMode = 0;
  CurrentEdit = nullptr;
  CurrentDocument[0] = '\0';
  ScratchPad[0] = '\0';
  OpenedInfoKnown = false;
  ListFileCount = 0;
  for (int r = 0; r < kRows; ++r)
    NameEdits[r] = ValueEdits[r] = nullptr;
  ScrollBar = MainWindow = nullptr;
  AddTagFocusGiven = false;
}
