#include "config/site_paths.h"

#include <cerrno>

#include "config/settings.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

void Refuse(platform::WindowHandle window, const std::string& text) {
  platform::ShowMessageBox(window, text, "NOTE", platform::kBoxOk | platform::kBoxIconExclamation);
}

std::string RootHint() {
  return platform::Format(
      "\nSet the directory of the site's documents in Setup > Site Configuration or with the key "
      "\"Root Path\" of section [%s] in META.INI.",
      SiteSectionName(CurrentConfig).c_str());
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  return path;
}

// The real path of the home directory, or the home directory as written when it cannot be
// resolved.
std::string RealHome() {
  std::string home = WithoutTrailingSlashes(platform::HomeDirectory());
  std::string real;
  return platform::Fs().RealPath(home, &real) == 0 ? real : home;
}

// Why a task may not walk the tree at path ("" when it may), with its resolved path in real.
std::string TreeProblem(const std::string& path, std::string* real) {
  if (path.empty() || path[0] != '/') return "is not an absolute path";
  std::string bare = WithoutTrailingSlashes(path);
  platform::FileInfo info;
  platform::FileSystem& fs = platform::Fs();
  if (fs.Stat(bare, &info) != 0) {
    int err = platform::LastError();
    if (err == ENOENT || err == ENOTDIR) return "does not exist";
    return "cannot be reached: " + platform::LastErrorText();
  }
  if (!info.isDir) return "is not a directory";
  if (fs.RealPath(bare, real) != 0) return "cannot be reached: " + platform::LastErrorText();
  if (*real == "/")
    return "is the root of the file system: a task there would change every document on the "
           "machine";
  if (*real == RealHome())
    return "is your home directory: a task there would change every document you own";
  return "";
}

// Checks root as the site's root; its resolved path in real.
int CheckRootPath(platform::WindowHandle window, const std::string& root, std::string* real) {
  if (root.empty()) {
    Refuse(window, "The site's \"Root Path\" is not set." + RootHint());
    return -1;
  }
  std::string problem = TreeProblem(root, real);
  if (problem.empty()) return 0;
  Refuse(window,
         platform::Format("The site's \"Root Path\" %s %s.", root.c_str(), problem.c_str()) +
             RootHint());
  return -1;
}

// Checks the site's root; its resolved path in real.
int CheckRoot(platform::WindowHandle window, std::string* real) {
  const SettingKey* key = FindSettingKey(KeySection::Site, "Root Path");
  SettingState state = key ? SettingStateOf(*key) : SettingState::Read;
  if (state == SettingState::TooLong) return CheckPathSetting(window, KeySection::Site, key->name);
  return CheckRootPath(window, state == SettingState::Missing ? "" : RootPath, real);
}

}  // namespace

int CheckSiteRoot(platform::WindowHandle window) {
  std::string real;
  return CheckRoot(window, &real);
}

int CheckProposedRoot(platform::WindowHandle window, const std::string& root) {
  std::string real;
  return CheckRootPath(window, root, &real);
}

int CheckBranch(platform::WindowHandle window, const std::string& branch) {
  std::string realRoot;
  if (CheckRoot(window, &realRoot) != 0) return -1;
  // Room for the separator that ends a root.
  if (branch.size() + 2 > sizeof RootPath) {
    Refuse(window, platform::Format("The branch path is %zu bytes long, but at most %zu fit: a "
                                    "shortened path would name another directory.",
                                    branch.size(), sizeof RootPath - 2));
    return -1;
  }
  std::string realBranch;
  std::string problem = TreeProblem(branch, &realBranch);
  if (problem.empty() && realBranch != realRoot &&
      !platform::IsInsideDirectory(realBranch, realRoot))
    problem = "is outside the site's root " + std::string(RootPath) +
              ": a branch task works only on the site's own documents";
  if (problem.empty()) return 0;
  Refuse(window, "The branch " + branch + " " + problem + ".");
  return -1;
}
