#include "tree/document_selection.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "engine/head_reader.h"
#include "platform/fs.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tree/tree_tags.h"
#include "ui/app_fonts.h"
#include "ui/main_window.h"
#include "ui/skins.h"

char gBranch[256];

namespace {

using platform::ControlKind;
using platform::RectAt;
using platform::WindowHandle;

constexpr int kWidth = 520;
constexpr int kHeight = 348;
constexpr int kSkinColumn = 80;  // the skin tile of the choosers and selection dialogs

// The one dialog's state.
struct SelectionState {
  uint32_t value = 0;  // the caller's, kept for it
  uint32_t flags = 0;
  int mode = 0;  // 1: tree-tag files; 0: documents
  char filter[256] = {};
  char fileName[256] = {};  // the chosen file's full path once OK has found it
  int result = 0;
  // The resolved directory the user may not leave ("" when the dialog opened outside the site).
  std::string boundary;
};
SelectionState gSelection;

struct Label {
  int x;
  int y;
  const char* text;
};
constexpr Label kLabels[] = {
    {15, 10, "Document Tree"},
    {270, 10, "Documents/Files"},
    {15, 236, "Double click to change branch"},
    {270, 236, "Double click to edit document"},
    {15, 260, "Current Selection:"},
    {15, 316, "File name:"},
};

platform::DialogTemplate SelectionTemplate(int mode) {
  platform::DialogTemplate t;
  t.title = kSelectTitle;
  t.width = kWidth;
  t.height = kHeight;
  t.skinColumn = kSkinColumn;
  // Creation order is the Tab order: the two lists, the name, the buttons.
  t.controls = {
      {kIdSelectDirectories, ControlKind::kListBox, "", RectAt(15, 28, 235, 204), 0},
      {kIdSelectFiles, ControlKind::kListBox, "", RectAt(270, 28, 235, 204), 0},
      {kIdSelectName, ControlKind::kEdit, "", RectAt(90, 312, 225, 22), platform::kStyleAutoScroll},
      {kIdSelectBranch, ControlKind::kPushButton, kSelectBranchCaption, RectAt(325, 311, 95, 24),
       platform::kStyleDisabled | (mode == 1 ? platform::kStyleHidden : 0u)},
      {platform::kCommandCancel, ControlKind::kPushButton, "Cancel", RectAt(430, 311, 75, 24), 0},
      // Hidden, so that Enter in the lists or the name field reaches OK as a double click does.
      {platform::kCommandOk, ControlKind::kPushButton, "OK", RectAt(0, 0, 1, 1),
       platform::kStyleHidden},
      {kIdSelectCurrent, ControlKind::kEdit, "", RectAt(15, 278, 490, 22),
       platform::kStyleReadOnly | platform::kStyleAutoScroll},
  };
  return t;
}

std::string CurrentDirectory() {
  std::string dir;
  if (platform::Fs().CurrentDir(&dir) != 0) dir.clear();
  return dir;
}

bool WithinTree(const std::string& resolved) {
  if (resolved.empty()) return false;
  const std::string& root = gSelection.boundary;
  return root.empty() || resolved == root || platform::IsInsideDirectory(resolved, root);
}

// A typed name is taken relative to the current directory unless it is absolute.
std::string AbsoluteName(const std::string& dir, std::string_view name) {
  return !name.empty() && name[0] == '/' ? std::string(name) : platform::JoinPath(dir, name);
}

// The patterns of a filter without the directory part in front of them.
std::string_view PatternsOf(std::string_view filter) {
  const size_t slash = filter.substr(0, filter.find(';')).rfind('/');
  return slash == std::string_view::npos ? filter : filter.substr(slash + 1);
}

// The extension a name without one gets: that of the filter's first pattern, up to its first
// wildcard, so "*.htm*" gives ".htm" and "*.*" gives nothing.
std::string_view DefaultExtension(std::string_view filter) {
  std::string_view first = PatternsOf(filter);
  first = first.substr(0, first.find(';'));
  const size_t dot = first.find('.');
  if (dot == std::string_view::npos) return {};
  std::string_view ext = first.substr(dot);
  ext = ext.substr(0, ext.find_first_of("*?"));
  return ext.size() > 1 ? ext : std::string_view();
}

bool HasExtension(std::string_view name) {
  const size_t slash = name.rfind('/');
  return name.find('.', slash == std::string_view::npos ? 0 : slash + 1) != std::string_view::npos;
}

// Whether the list leads up: inside the tree, below its root; outside it, anywhere but "/".
bool ShowsParent(const std::string& dir) {
  if (gSelection.boundary.empty()) return dir.size() > 1;
  return platform::IsInsideDirectory(dir, gSelection.boundary);
}

// Tests the chosen file in the open mode; 1 when it passes, else 0. Nothing stays open.
int TestOpen(const std::string& path, uint32_t mode) {
  platform::FileSystem& fs = platform::Fs();
  platform::FileInfo info;
  if (fs.Stat(path, &info) != 0 || !info.isRegular) return 0;
  if (mode & kOpenModeExist) return 1;
  const uint32_t access = mode & 3;
  if (access != kOpenModeWrite) {
    const int fd = fs.Open(path, platform::OpenFor::Read, 0);
    if (fd < 0) return 0;
    fs.Close(fd);
  }
  if (access != kOpenModeRead) {
    const int fd = fs.Open(path, platform::OpenFor::Append, 0);
    if (fd < 0) return 0;
    fs.Close(fd);
  }
  return 1;
}

void FillLists(WindowHandle d) {
  const std::string dir = CurrentDirectory();
  if (gSelection.mode == 1) CreateTreeTagFile();
  std::vector<platform::DirEntry> subdirs;
  std::vector<std::string> files;
  if (platform::ListDirectory(dir, PatternsOf(gSelection.filter), &subdirs, &files) != 0) {
    subdirs.clear();
    files.clear();
  }
  WindowHandle dirs = platform::FindControl(d, kIdSelectDirectories);
  WindowHandle fileList = platform::FindControl(d, kIdSelectFiles);
  platform::ClearList(dirs);
  platform::ClearList(fileList);
  if (ShowsParent(dir)) platform::AddListItem(dirs, kParentEntry);
  // Links may lead anywhere and the walks never follow them; hidden directories are no part of
  // a site.
  for (const platform::DirEntry& e : subdirs)
    if (!e.isLink && e.name[0] != '.') platform::AddListItem(dirs, e.name);
  std::set<std::string> listed;
  for (const std::string& f : files)
    if (listed.insert(f).second) platform::AddListItem(fileList, f);
  platform::SetControlText(d, kIdSelectCurrent, dir);
  platform::SetControlText(d, kIdSelectName,
                           gSelection.flags & kOpenKeepNameEmpty ? "" : gSelection.filter);
  platform::EnableControl(d, kIdSelectBranch, false);
}

void Select(WindowHandle d, int listId) {
  WindowHandle list = platform::FindControl(d, listId);
  const int index = platform::ListSelection(list);
  if (index < 0) return;
  std::string name = platform::ListItemText(list, index);
  while (name.size() > 1 && name.back() == '/')
    name.pop_back();
  platform::SetControlText(d, kIdSelectName, name);
  platform::SetControlText(d, kIdSelectCurrent, platform::JoinPath(CurrentDirectory(), name));
  if (listId == kIdSelectDirectories && gSelection.mode == 0)
    platform::EnableControl(d, kIdSelectBranch, true);
}

bool ChangeDirectory(const std::string& path) {
  const std::string target = platform::ResolvedPath(path);
  return WithinTree(target) && platform::Fs().ChangeDir(target) == 0;
}

void Accept(WindowHandle d) {
  char field[256];
  platform::CopyText(field, platform::ControlText(d, kIdSelectName));
  std::string name = field;
  while (name.size() > 1 && name.back() == '/')
    name.pop_back();
  if (name.empty()) return;
  const std::string dir = CurrentDirectory();
  platform::FileInfo info;
  if (platform::Fs().Stat(AbsoluteName(dir, name), &info) == 0 && info.isDir) {
    if (ChangeDirectory(AbsoluteName(dir, name)))
      FillLists(d);
    else
      platform::Beep();
    return;
  }
  if (name.find_first_of("*?") != std::string::npos) {
    platform::CopyText(gSelection.filter, name);
    FillLists(d);
    return;
  }
  if (!HasExtension(name)) name += DefaultExtension(gSelection.filter);
  const std::string path = AbsoluteName(dir, name);
  const std::string where =
      platform::ResolvedPath(path.rfind('/') == 0 ? "/" : platform::DirectoryPart(path));
  // A path that leads out of the tree is refused as a file that cannot be opened is.
  const std::string full = platform::JoinPath(where, path.substr(path.rfind('/') + 1));
  const int result = WithinTree(where) && full.size() < sizeof gSelection.fileName
                         ? TestOpen(full, gSelection.flags & kOpenModeMask)
                         : 0;
  if (result == 0 && (gSelection.flags & kOpenBeepOnFailure)) {
    platform::Beep();
    return;
  }
  if (result != 0) platform::CopyText(gSelection.fileName, full);
  gSelection.result = result;
  platform::EndDialog(d, result != 0 ? platform::kCommandOk : platform::kCommandCancel);
}

void ChooseBranch(WindowHandle d) {
  WindowHandle dirs = platform::FindControl(d, kIdSelectDirectories);
  const int index = platform::ListSelection(dirs);
  const std::string target = index < 0
                                 ? std::string()
                                 : platform::ResolvedPath(platform::JoinPath(
                                       CurrentDirectory(), platform::ListItemText(dirs, index)));
  if (!WithinTree(target) || target.size() >= sizeof gBranch) {
    platform::Beep();
    return;
  }
  platform::CopyText(gBranch, target);
  gSelection.result = 0;
  platform::EndDialog(d, platform::kCommandCancel);
}

platform::LResult SelectionProc(WindowHandle d, unsigned message, platform::WParam wparam,
                                platform::LParam lparam) {
  switch (message) {
    case platform::kMsgInitDialog:
      FillLists(d);
      return 1;
    case platform::kMsgPaint: {
      platform::Canvas& dc = *platform::PaintCanvas(lparam);
      PaintSkin(dc, (kWidth + 79) / 80, (kHeight + 79) / 80, kSkinColumn);
      const platform::TextStyle style{FontMain, ColourMain, true};
      for (const Label& label : kLabels)
        dc.Text({label.x, label.y}, label.text, style);
      return 1;
    }
    case platform::kMsgCommand: {
      const int id = static_cast<int>(platform::LowWord(wparam));
      const unsigned code = platform::HighWord(wparam);
      switch (id) {
        case kIdSelectDirectories:
        case kIdSelectFiles:
          if (code == platform::kNotifySelectionChanged) Select(d, id);
          if (code == platform::kNotifyDoubleClicked) {
            Select(d, id);
            Accept(d);
          }
          return 1;
        case platform::kCommandOk:
          Accept(d);
          return 1;
        case kIdSelectBranch:
          ChooseBranch(d);
          return 1;
        case platform::kCommandCancel:
          gSelection.result = 0;
          platform::EndDialog(d, platform::kCommandCancel);
          return 1;
      }
      return 0;
    }
  }
  return 0;
}

}  // namespace

extern "C" int DlgOpenFile(void* window, uint32_t value, uint32_t flags, const char* filter,
                           char* fileName, uint16_t* extra) {
  (void)extra;  // handed back to the caller untouched
  gSelection = SelectionState{};
  gSelection.value = value;
  gSelection.flags = flags;
  platform::CopyText(gSelection.filter, filter && *filter ? filter : "*");
  gSelection.mode = platform::EqualsNoCase(gSelection.filter, "*.TAG") ? 1 : 0;
  gBranch[0] = '\0';
  // Opened inside the site, the dialog keeps the user inside it.
  const std::string root = RootPath[0] ? platform::ResolvedPath(RootPath) : std::string();
  const std::string start = CurrentDirectory();
  if (!root.empty() && (start == root || platform::IsInsideDirectory(start, root)))
    gSelection.boundary = root;
  platform::RunDialog(window, SelectionTemplate(gSelection.mode), SelectionProc, 0);
  if (gSelection.result != 0 && fileName) platform::CopyText(fileName, 256, gSelection.fileName);
  return gSelection.result;
}

int ReadFileToEdit(platform::WindowHandle window, const char* path) {
  int rc = ReadPageTags(window, path);
  // The reader tells of a missing head only during walks that ask for it; here the user
  // chose this file and must learn why it does not open.
  if (rc == -2 && ShowMissingHead == 0)
    platform::ShowMessageBox(
        window, platform::Format("%s has no <HEAD> tag, so it has no meta tags to edit.", path),
        "Note", platform::kBoxOk | platform::kBoxIconExclamation);
  return rc;
}

std::string OpenTreeTagOrDocumentFile(platform::WindowHandle window, int command) {
  const bool treeTags = command == kCmdEditTreeTags;
  if (treeTags) SuppressControlTags = 0;
  char path[256] = "";
  std::string chosen;
  if (DlgOpenFile(window, 0, kOpenProgramFlags, treeTags ? "*.tag" : maskstring, path, nullptr) !=
      0) {
    if (ReadFileToEdit(window, path) == 0) chosen = path;
  }
  SuppressControlTags = 1;
  return chosen;
}
