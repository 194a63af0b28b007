#include "config/user_home.h"

#include <cstdlib>
#include <vector>

#include "platform/fs.h"
#include "platform/listing.h"
#include "platform/paths.h"

namespace {

constexpr char kMarker[] = ".tagsteward-home";

std::string XdgDir(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  // Relative values are to be ignored.
  std::string base = value && value[0] == '/' ? value : platform::HomeDirectory() + fallback;
  return platform::JoinPath(base, "tagsteward");
}

// Creates dir and the directories above it. 0 or -1.
int MakeDirs(const std::string& dir) {
  if (dir.empty() || platform::DirExists(dir)) return 0;
  std::string parent = platform::DirectoryPart(dir);
  if (!parent.empty() && parent != dir && MakeDirs(parent) != 0) return -1;
  return platform::Fs().MakeDir(dir) == 0 || platform::DirExists(dir) ? 0 : -1;
}

// Copies the files of from into to, below as well, keeping every file to already has.
void CopyMissing(const std::string& from, const std::string& to) {
  std::vector<platform::DirEntry> subdirs;
  std::vector<std::string> files;
  if (platform::ListDirectoryUnsorted(from, &subdirs, &files) != 0) return;
  for (const std::string& name : files) {
    std::string target = platform::JoinPath(to, name);
    std::string data;
    if (platform::FileExists(target) ||
        platform::ReadWholeFile(platform::JoinPath(from, name), &data) != 0)
      continue;
    platform::ReplaceFile(target, data);
  }
  for (const platform::DirEntry& dir : subdirs) {
    if (dir.isLink) continue;  // a link could lead anywhere, even back up
    std::string target = platform::JoinPath(to, dir.name);
    if (MakeDirs(target) == 0) CopyMissing(platform::JoinPath(from, dir.name), target);
  }
}

}  // namespace

std::string UserDataHome() {
  return XdgDir("XDG_DATA_HOME", ".local/share");
}

std::string UserConfigHome() {
  return XdgDir("XDG_CONFIG_HOME", ".config");
}

int MakeUserConfigHome() {
  return MakeDirs(UserConfigHome());
}

std::string PrepareUserHome(const std::string& sharedDataDir) {
  std::string cwd;
  if (platform::Fs().CurrentDir(&cwd) == 0 &&
      platform::FileExists(platform::ResolveFixedName(cwd, "META.INI")))
    return "";
  std::string home = UserDataHome();
  if (MakeDirs(home) != 0 || MakeDirs(UserConfigHome()) != 0) return "";
  std::string marker = platform::JoinPath(home, kMarker);
  if (!platform::FileExists(marker)) {
    if (!sharedDataDir.empty()) CopyMissing(sharedDataDir, home);
    platform::ReplaceFile(marker, "");
  }
  if (platform::Fs().ChangeDir(home) != 0) return "";
  return home;
}
