#include "tree/branch_tasks.h"

#include <string>
#include <vector>

#include "config/settings.h"
#include "config/settings_dialogs.h"
#include "config/site_paths.h"
#include "engine/head_reader.h"
#include "log/audit.h"
#include "platform/fs.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "plugins/context.h"
#include "tree/document_selection.h"
#include "tree/tasks.h"
#include "tree/walker.h"
#include "ui/app_fonts.h"
#include "ui/skins.h"

namespace {

using platform::ControlKind;
using platform::RectAt;
using platform::WindowHandle;

constexpr int kWidth = 440;
constexpr int kHeight = 320;
constexpr int kSkinColumn = 80;

struct BranchState {
  WindowHandle owner = nullptr;
  std::string branch;  // resolved, without a trailing "/"
  std::string root;    // the site's root, resolved
  char savedRoot[sizeof RootPath] = {};
  int savedStrategy = 0;
};
BranchState gState;

const struct {
  int id;
  const char* text;
} kBranchMenu[] = {
    {kTaskInherit, "INHERIT metatags into all  branch documents"},
    {kTaskMigrate, "Migrate the style sheets for the Branch"},
    {kTaskSort, "SORT metatags in branch documents"},
    {kTaskDeleteDuplicates, "DELETE ALL DUPLICATE metatags in branch"},
    {kTaskDeleteAll, "DELETE ALL metatags from branch documents"},
    {kTaskSearch, "SEARCH for metatags in branch documents"},
    {kTaskReplace, "REPLACE metatags in branch documents"},
    {kTaskDelete, "DELETE a metatag from branch documents"},
    {kTaskExpiry, "Check for EXPIRED documents in branch"},
    {kTaskReview, "Check REVIEW dates in branch documents"},
};

platform::DialogTemplate BranchTemplate() {
  platform::DialogTemplate t;
  t.title = kBranchTasksTitle;
  t.width = kWidth;
  t.height = kHeight;
  t.skinColumn = kSkinColumn;
  // Creation order is the Tab order: the list first, so the arrow keys move in it at once.
  t.controls = {
      {kIdBranchList, ControlKind::kListBox, "", RectAt(15, 44, 250, 230), 0},
      {kIdBranchTasks, ControlKind::kPushButton, "&Tasks...", RectAt(280, 44, 145, 26), 0},
      {kIdBranchOverride, ControlKind::kPushButton, "&Override Business Rules",
       RectAt(280, 80, 145, 26), 0},
      {kIdBranchDone, ControlKind::kPushButton, "&Done", RectAt(280, 248, 145, 26), 0},
      // Hidden: Enter in the list enters the chosen directory, as a double click does.
      {platform::kCommandOk, ControlKind::kPushButton, "OK", RectAt(0, 0, 1, 1),
       platform::kStyleHidden},
      {kIdBranchPath, ControlKind::kEdit, "", RectAt(15, 10, 410, 22),
       platform::kStyleReadOnly | platform::kStyleAutoScroll},
  };
  return t;
}

bool InsideSite(const std::string& dir) {
  return !dir.empty() && (dir == gState.root || platform::IsInsideDirectory(dir, gState.root));
}

// The subdirectories of the branch as the selection lists them (no links, no hidden ones, which
// the walks never enter), with the parent first unless the branch is the site's root: a task
// above the root would reach documents of other trees.
void FillList(WindowHandle d) {
  WindowHandle list = platform::FindControl(d, kIdBranchList);
  platform::ClearList(list);
  if (gState.branch != gState.root) platform::AddListItem(list, "[..]");
  std::vector<platform::DirEntry> subdirs;
  if (platform::ListDirectory(gState.branch, "", &subdirs, nullptr) == 0)
    for (const platform::DirEntry& e : subdirs)
      if (!e.isLink && e.name[0] != '.') platform::AddListItem(list, "[" + e.name + "]");
  if (platform::ListCount(list) > 0) platform::SetListSelection(list, 0);
  platform::SetControlText(d, kIdBranchPath, gState.branch);
  // The rules dialog shows gBranch: the branch the tasks will run on.
  platform::CopyText(gBranch, gState.branch);
  platform::SetWindowTitle(d, gBranch);
}

void EnterSelected(WindowHandle d) {
  WindowHandle list = platform::FindControl(d, kIdBranchList);
  int index = platform::ListSelection(list);
  if (index < 0) return;
  std::string entry = platform::ListItemText(list, index);
  if (entry.size() < 3 || entry.front() != '[' || entry.back() != ']') return;
  std::string target =
      platform::ResolvedPath(platform::JoinPath(gState.branch, entry.substr(1, entry.size() - 2)));
  if (!InsideSite(target) || target.size() + 2 > sizeof RootPath) {
    platform::Beep();
    return;
  }
  gState.branch = target;
  FillList(d);
}

void RunTask(WindowHandle d, int taskId) {
  WindowHandle owner = gState.owner;
  platform::ShowWindow(d, platform::ShowState::kHide);
  // The main window's CANCEL must stay usable while the hidden dialog waits.
  bool ownerEnabled = platform::IsWindowEnabled(owner);
  platform::EnableWindow(owner, true);
  RunBranchTask(owner, taskId, gState.branch, strategy);
  platform::EnableWindow(owner, ownerEnabled);
  platform::ShowWindow(d, platform::ShowState::kShow);
  // The tree may have changed while the task ran.
  FillList(d);
}

void ChooseTask(WindowHandle d) {
  platform::MenuHandle menu = CreateBranchTasksMenu();
  platform::Rect at = platform::WindowRect(d);
  int chosen = platform::TrackPopupMenu(menu, d, {at.left + 280, at.top + 72}, true);
  platform::DestroyMenu(menu);
  if (chosen) RunTask(d, chosen);
}

void Close(WindowHandle d) {
  platform::CopyText(RootPath, gState.savedRoot);
  strategy = gState.savedStrategy;
  if (RootPath[0]) ChangeDirectory(RootPath);
  platform::EndDialog(d, platform::kCommandOk);
}

platform::LResult BranchProc(WindowHandle d, unsigned message, platform::WParam wparam,
                             platform::LParam lparam) {
  switch (message) {
    case platform::kMsgInitDialog:
      FillList(d);
      platform::SetFocus(platform::FindControl(d, kIdBranchList));
      return 1;
    case platform::kMsgPaint: {
      platform::Canvas& dc = *platform::PaintCanvas(lparam);
      PaintSkin(dc, (kWidth + 79) / 80, (kHeight + 79) / 80, kSkinColumn);
      dc.Text({15, 280}, "Double click to change branch", {FontMain, ColourMain, true});
      return 1;
    }
    case platform::kMsgCommand: {
      int id = static_cast<int>(platform::LowWord(wparam));
      unsigned code = platform::HighWord(wparam);
      switch (id) {
        case kIdBranchList:
          if (code == platform::kNotifyDoubleClicked) EnterSelected(d);
          return 1;
        case platform::kCommandOk:
          EnterSelected(d);
          return 1;
        case kIdBranchTasks:
          ChooseTask(d);
          return 1;
        case kIdBranchOverride:
          BusinessRulesDialog(d, 0);
          return 1;
        case kIdBranchDone:
        case platform::kCommandCancel:
          Close(d);
          return 1;
        default:
          // A Branch Tasks menu command sent to the dialog runs as one chosen from the menu.
          if (TaskTitleFor(id)) RunTask(d, id);
          return 1;
      }
    }
  }
  return 0;
}

}  // namespace

platform::MenuHandle CreateBranchTasksMenu() {
  platform::MenuHandle menu = platform::CreateMenu();
  for (const auto& item : kBranchMenu) {
    platform::AppendMenuItem(menu, item.id, item.text);
    if (item.id == kTaskDeleteAll || item.id == kTaskDelete) platform::AppendSeparator(menu);
  }
  return menu;
}

void BranchTasksCommand(WindowHandle window) {
  gBranch[0] = '\0';
  InSiteMap = 0;
  char chosen[256] = "";
  DlgOpenFile(window, 0, kOpenProgramFlags, maskstring, chosen, nullptr);
  if (gBranch[0]) BranchTasksDialog(window);
}

void BranchTasksDialog(WindowHandle owner) {
  gState = BranchState{};
  gState.owner = owner;
  platform::CopyText(gState.savedRoot, RootPath);
  gState.savedStrategy = strategy;
  gState.root = platform::ResolvedPath(RootPath);
  gState.branch = platform::ResolvedPath(gBranch);
  // The selection keeps to the site; a branch from elsewhere (a plug-in) is refused here.
  if (gState.root.empty() || !InsideSite(gState.branch)) {
    CheckBranch(owner, gBranch);
    return;
  }
  platform::RunDialog(owner, BranchTemplate(), BranchProc, 0);
}
