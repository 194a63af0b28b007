#include "config/directory_lists.h"

#include <vector>

#include "log/audit.h"
#include "platform/fs.h"
#include "platform/listing.h"
#include "platform/paths.h"

using namespace platform;

namespace {

// Drive entries read "[-path-]"; directory entries "[name]".
std::string DriveEntry(const std::string& path) {
  return "[-" + path + "-]";
}

// There are no drives here: the roots a user needs are the file system's and their home.
void FillDriveList(WindowHandle d, int id) {
  WindowHandle list = FindControl(d, id);
  ClearList(list);
  AddListItem(list, DriveEntry("/"));
  std::string home = HomeDirectory();
  if (home.size() > 1 && home.back() == '/') home.pop_back();
  if (home != "/") AddListItem(list, DriveEntry(home));
}

void FillDirectoryList(WindowHandle d, int id) {
  WindowHandle list = FindControl(d, id);
  ClearList(list);
  std::string dir = CurrentDirectory();
  if (dir.empty()) return;
  if (dir != "/") AddListItem(list, "[..]");
  std::vector<DirEntry> subdirs;
  if (ListDirectory(dir, "", &subdirs, nullptr) != 0) return;
  for (const DirEntry& entry : subdirs)
    if (entry.name[0] != '.') AddListItem(list, "[" + entry.name + "]");
}

}  // namespace

std::string CurrentDirectory() {
  std::string dir;
  if (Fs().CurrentDir(&dir) != 0) return "";
  return dir;
}

void ShowDirectoryLists(WindowHandle d, const DirectoryLists& ids, const char* directory) {
  ChangeDirectory(directory);
  FillDriveList(d, ids.drives);
  FillDirectoryList(d, ids.dirs);
  SetControlText(d, ids.shown, directory);
}

bool HandleDirectoryListCommand(WindowHandle d, const DirectoryLists& ids, WParam w) {
  int id = static_cast<int>(LowWord(w));
  if ((id != ids.drives && id != ids.dirs) || HighWord(w) != kNotifyDoubleClicked) return false;
  int index = ListSelection(d, id);
  if (index < 0) return true;
  std::string item = ListItemText(d, id, index);
  std::string target;
  if (id == ids.drives && item.size() > 4 && item.compare(0, 2, "[-") == 0)
    target = item.substr(2, item.size() - 4);
  else if (item.size() > 2 && item.front() == '[' && item.back() == ']')
    target = item.substr(1, item.size() - 2);
  if (target.empty() || ChangeDirectory(target) != 0) return true;
  FillDirectoryList(d, ids.dirs);
  SetControlText(d, ids.shown, CurrentDirectory());
  return true;
}
